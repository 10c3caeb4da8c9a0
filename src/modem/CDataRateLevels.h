#pragma once

#include <array>
#include <cstdint>

namespace brivex {

// The levels the data-rate bar shows, from the data-rate answers.
class CDataRateLevels {
public:
    // 1x: 0 for 0, 1 for 1..199, 2 for 200..499, 3 for 500..899, 4 from 900.
    static std::uint8_t OneXLevel(std::uint16_t value);
    // EV-DO: the larger of the byte's two 4-bit values.
    static std::uint8_t EvdoLevel(std::uint8_t rate);
    static std::array<std::uint8_t, 8> EvdoLevels(const std::array<std::uint8_t, 8>& rates);
};

}  // namespace brivex
