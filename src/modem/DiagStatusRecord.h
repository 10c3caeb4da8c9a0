#pragma once

#include <cstdint>

namespace brivex {

// The standard status answer (diag_state_f): identity of the modem.
struct DiagStatusRecord {
    std::uint32_t esn = 0;
    std::uint32_t min1 = 0;  // 24 significant bits
    std::uint16_t min2 = 0;  // area code, 10 significant bits
};

}  // namespace brivex
