#pragma once

#include "modem/StatusRecord.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace brivex {

// The service and signal part of the status poll, as pure rules: which
// indicators one status record sets (service 1042, status-line code 1, call
// 1044, SMS 1043, and the signal through indicator 1041/3 or the long-value
// signal operation), the hybrid alternation between the 1x and the EV-DO
// value, and when the weak-signal warning is due.
class CSignalDisplay {
public:
    static constexpr int kAlternationPasses = 16;   // passes each value is shown in hybrid
    static constexpr std::uint8_t kToggleSelect = 0x80;  // bit 7: the 1x value is shown
    static constexpr std::uint8_t kToggleCount = 0x7F;
    static constexpr std::uint8_t kNoCardLimit = 20;
    static constexpr std::uint8_t kRedraw = 255;

    struct Update {
        enum class Kind { Indicator, LongSignal };
        Kind kind = Kind::Indicator;
        int id = 0;
        std::int32_t value = 0;
        bool operator==(const Update&) const = default;
    };

    struct Result {
        std::vector<Update> updates;               // in the order they are made
        std::optional<std::uint8_t> serviceState;  // the value indicator 1042 was given
        std::uint8_t signalToggle = 0;             // the toggle for the next pass
        bool evdoService = false;                  // the last call-state code becomes 129
    };

    // The [rssi] limits of the weak-signal warning.
    struct Thresholds {
        std::int64_t oneEvdo = 16;  // hybrid: EV-DO below this ...
        std::int64_t oneOne = 9;    // ... and 1x below this
        std::int64_t one = 16;      // CDMA 1x alone
        std::int64_t evdo = 21;     // EV-DO alone
    };

    static Result Evaluate(const StatusRecord& status, std::uint8_t noCardCounter, std::uint8_t signalToggle);

    // The signal values are below the limits of the record's system mode.
    static bool WeakSignal(const StatusRecord& status, const Thresholds& limits);

private:
    static void ShowSignal(Result& out, const StatusRecord& status, int id);
    static void Alternate(Result& out, const StatusRecord& status, std::uint8_t toggle);
};

}  // namespace brivex
