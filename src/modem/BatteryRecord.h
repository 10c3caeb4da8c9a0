#pragma once

#include <array>
#include <cstdint>

namespace brivex {

// The battery answer (QOR_SUB_BATT_INFO).
struct BatteryRecord {
    std::uint8_t chargeState = 0;  // low byte of [5..6]
    std::uint16_t value = 0;
    std::array<std::uint16_t, 5> thresholds{};
};

}  // namespace brivex
