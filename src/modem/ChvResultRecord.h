#pragma once

#include <cstdint>

namespace brivex {

// The answer to a PIN verification or unblocking.
struct ChvResultRecord {
    std::uint8_t sw1 = 0;  // 0x90 success, 0x98 failure
    std::uint8_t sw2 = 0;  // why it failed
    std::uint8_t attemptsLeft = 0;
    std::uint8_t status = 0;
};

}  // namespace brivex
