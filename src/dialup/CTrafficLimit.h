#pragma once

#include "app/ProfileKeys.h"

#include <cstdint>
#include <string>

namespace brivex {

// A monthly transfer limit in MB and the bar that shows a byte sum against it.
class CTrafficLimit {
public:
    static constexpr double kMin = 10;
    static constexpr double kMax = 1048576;
    static constexpr double kDefault = 50;

    struct SDisplay {
        double limit = kDefault;     // the limit after the range rule
        long long stored = 50;       // the integer written to the profile
        std::string top;             // "%.1lf" of the limit
        std::string middle;          // "%.1lf" of half of it
        bool megabyteBar = false;    // the bar counts megabytes, not bytes
        std::int32_t rangeMax = 0;   // the bar runs from 0 to this
        std::int32_t position = 0;
    };

    // The display of a limit L (MB) against a byte sum.
    static SDisplay Apply(double limit, std::uint64_t sumBytes);
    // Apply, and write the limit's profile key (DownloadMax or UploadMax).
    static SDisplay ApplyAndStore(const ProfileKey& key, double limit, std::uint64_t sumBytes);
};

}  // namespace brivex
