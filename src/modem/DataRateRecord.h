#pragma once

#include <array>
#include <cstdint>

namespace brivex {

// The 1x data-rate answer: one 16-bit value.
struct OneXDataRateRecord {
    std::uint16_t value = 0;
};

// The EV-DO data-rate answer: eight bytes of two 4-bit values each.
struct EvdoDataRateRecord {
    std::array<std::uint8_t, 8> rates{};
};

}  // namespace brivex
