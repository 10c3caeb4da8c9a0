#include "modem/CModemTime.h"

namespace brivex {

// The civil-date arithmetic counts in 400-year eras starting on 1 March, so
// the leap day falls at the end of each computed year.

CalendarTime CModemTime::CivilFromDays(std::int64_t days)
{
    days += 719468;  // from 1970-01-01 to 0000-03-01
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    CalendarTime time;
    time.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    time.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    return time;
}

std::int64_t CModemTime::DaysFromCivil(int year, int month, int day)
{
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CalendarTime CModemTime::ToCalendar(std::uint32_t modemSeconds)
{
    static const std::int64_t k1980 = DaysFromCivil(1980, 1, 1);
    const std::int64_t seconds = static_cast<std::int64_t>(modemSeconds) + kEpochShiftSeconds;
    CalendarTime time = CivilFromDays(k1980 + seconds / 86400);
    time.hour = static_cast<int>((seconds / 3600) % 24);
    time.minute = static_cast<int>((seconds / 60) % 60);
    time.second = static_cast<int>(seconds % 60);
    return time;
}

}  // namespace brivex
