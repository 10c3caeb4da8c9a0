#include "dialup/CTrafficLimit.h"

#include "app/CConfig.h"

#include <algorithm>
#include <cstdio>

namespace brivex {

namespace {

std::string OneDecimal(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1lf", v);
    return text;
}

}  // namespace

CTrafficLimit::SDisplay CTrafficLimit::Apply(double limit, std::uint64_t sumBytes)
{
    SDisplay d;
    // The comparison is written so that a NaN also falls back to the default.
    d.limit = (limit >= kMin && limit <= kMax) ? limit : kDefault;
    d.stored = static_cast<long long>(d.limit);
    d.top = OneDecimal(d.limit);
    d.middle = OneDecimal(d.limit / 2);
    const double sum = static_cast<double>(sumBytes);
    if (d.limit <= 1024) {
        const double range = d.limit * 1048576.0;
        d.rangeMax = static_cast<std::int32_t>(range);
        d.position = static_cast<std::int32_t>(std::min(sum, range));
    } else {
        d.megabyteBar = true;
        d.rangeMax = static_cast<std::int32_t>(d.limit);
        // A sum far beyond any limit is held at the largest position.
        d.position = static_cast<std::int32_t>(std::clamp(sum / 1048576.0, 1.0, 2147483647.0));
    }
    return d;
}

CTrafficLimit::SDisplay CTrafficLimit::ApplyAndStore(const ProfileKey& key, double limit, std::uint64_t sumBytes)
{
    const SDisplay d = Apply(limit, sumBytes);
    CConfig::WriteInt(key, d.stored);
    return d;
}

}  // namespace brivex
