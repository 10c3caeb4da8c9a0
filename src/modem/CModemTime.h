#pragma once

#include "modem/CalendarTime.h"

#include <cstdint>

namespace brivex {

// The modem's time stamps count seconds since 1980-01-06 00:00:00. The
// conversion is a proleptic Gregorian calendar computation, so it stays right
// past 2100-02-28 (where a four-year table would add a 29 February) up to the
// end of the 32-bit range in 2116.
class CModemTime {
public:
    static constexpr std::int64_t kEpochShiftSeconds = 432000;  // 1980-01-01 to 1980-01-06

    static CalendarTime ToCalendar(std::uint32_t modemSeconds);

    // Days since 1970-01-01 to a civil date, and back.
    static CalendarTime CivilFromDays(std::int64_t daysSince1970);
    static std::int64_t DaysFromCivil(int year, int month, int day);
};

}  // namespace brivex
