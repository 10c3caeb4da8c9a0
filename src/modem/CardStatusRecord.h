#pragma once

#include <cstdint>

namespace brivex {

// The card status answer (QOR_SUB_RUIM_STATUS).
struct CardStatusRecord {
    std::uint8_t connected = 0;
    std::uint8_t cardState = 0;   // CardState
    std::uint8_t lockState = 0;   // CardLockState
    std::uint8_t retryCount = 0;  // PIN attempts left, or unblock attempts when blocked
};

}  // namespace brivex
