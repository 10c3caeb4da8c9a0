#include "modem/CBatteryRules.h"

namespace brivex {

std::uint8_t CBatteryRules::Level(std::uint16_t value, const std::array<std::uint16_t, 5>& thresholds)
{
    // Each threshold passed raises the level by one; the first one missed ends the count.
    std::uint8_t level = 0;
    for (const std::uint16_t threshold : thresholds) {
        if (value < threshold)
            break;
        ++level;
    }
    return level;
}

CBatteryRules::Display CBatteryRules::Evaluate(const BatteryRecord& battery, std::uint8_t chargeDisplay)
{
    Display out;
    const std::uint8_t c = battery.chargeState;
    if (c == 3 || c == 6)
        out.batteryLevel = 6;
    else if (c == 1 || c == 4)
        out.batteryLevel = 7;
    else
        out.batteryLevel = Level(battery.value, battery.thresholds);

    if (c == 4) {
        // Once the weak-signal warning has run, charging no longer re-arms it.
        if ((chargeDisplay & kWarningStarted) == 0)
            out.flagBits = kFlagCharging;
    } else {
        out.flagBits = kFlagOther;
    }

    switch (c) {
    case 0: out.charge = 0; break;
    case 1:
    case 2:
    case 3: out.charge = 1; break;
    case 4: out.charge = 2; break;
    case 5: out.charge = 3; break;
    case 6: out.charge = 4; break;
    default: break;
    }
    return out;
}

}  // namespace brivex
