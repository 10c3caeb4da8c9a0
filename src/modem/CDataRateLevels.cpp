#include "modem/CDataRateLevels.h"

#include <algorithm>

namespace brivex {

std::uint8_t CDataRateLevels::OneXLevel(std::uint16_t value)
{
    if (value == 0)
        return 0;
    if (value < 200)
        return 1;
    if (value < 500)
        return 2;
    if (value < 900)
        return 3;
    return 4;
}

std::uint8_t CDataRateLevels::EvdoLevel(std::uint8_t rate)
{
    const std::uint8_t high = static_cast<std::uint8_t>(rate >> 4);
    const std::uint8_t low = static_cast<std::uint8_t>(rate & 0x0F);
    return std::max(high, low);
}

std::array<std::uint8_t, 8> CDataRateLevels::EvdoLevels(const std::array<std::uint8_t, 8>& rates)
{
    std::array<std::uint8_t, 8> levels{};
    std::transform(rates.begin(), rates.end(), levels.begin(), EvdoLevel);
    return levels;
}

}  // namespace brivex
