#pragma once

#include "modem/BatteryRecord.h"

#include <array>
#include <cstdint>
#include <optional>

namespace brivex {

// What one battery answer shows: the battery indicator (1040), the charge
// indicator (1128) and the battery-flag bits it sets.
class CBatteryRules {
public:
    static constexpr std::uint8_t kFlagCharging = 0x01;  // charge state 4 reported
    static constexpr std::uint8_t kFlagOther = 0x04;     // any other charge state reported
    static constexpr std::uint8_t kWarningStarted = 0x80;  // bit 7 of the charge-display byte

    struct Display {
        std::uint8_t batteryLevel = 0;           // indicator 1040
        std::optional<std::uint8_t> charge;      // indicator 1128, when the state maps to one
        std::uint8_t flagBits = 0;               // OR-ed into the battery flags
    };

    // chargeDisplay is the worker's charge-display byte (bit 7: weak-signal warning started).
    static Display Evaluate(const BatteryRecord& battery, std::uint8_t chargeDisplay);

    // Level 0..5 of a battery value against the five thresholds of the same answer.
    static std::uint8_t Level(std::uint16_t value, const std::array<std::uint16_t, 5>& thresholds);
};

}  // namespace brivex
