// The modem time converter against the four-year table it replaces (which is
// right until 2100-02-28) and against the true calendar after that.

#include "modem/CModemTime.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace brivex {
namespace {

// The four-year table conversion, kept here as the reference for 1980-2099.
CalendarTime TableConversion(std::uint32_t modemSeconds)
{
    static const int kYears[] = {0, 366, 731, 1096, 1461};
    static const int kLeapMonths[] = {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366};
    static const int kMonths[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
    const std::uint64_t value = std::uint64_t{modemSeconds} + 432000;
    CalendarTime t;
    t.second = static_cast<int>(value % 60);
    t.minute = static_cast<int>((value / 60) % 60);
    t.hour = static_cast<int>((value / 3600) % 24);
    std::uint64_t days = value / 86400;
    t.year = 1980 + 4 * static_cast<int>(days / 1461);
    int rest = static_cast<int>(days % 1461);
    int i = 0;
    while (i < 4 && kYears[i + 1] <= rest)
        ++i;
    t.year += i;
    rest -= kYears[i];
    const int* months = i == 0 ? kLeapMonths : kMonths;
    int m = 0;
    while (m < 11 && months[m + 1] <= rest)
        ++m;
    t.month = m + 1;
    t.day = rest - months[m] + 1;
    return t;
}

constexpr std::uint32_t kLastTableDay = 3791577599u;  // 2100-02-28 23:59:59

TEST(ModemTime, MatchesTheTableFrom1980To2100February28)
{
    // Every day once, at a time of day that walks through all hours,
    // minutes and seconds, plus both ends of every day.
    std::uint32_t wander = 0;
    for (std::uint64_t day = 0; day * 86400 <= kLastTableDay; ++day) {
        const std::uint64_t start = day * 86400;
        wander = (wander + 3733) % 86400;
        for (std::uint64_t t : {start, start + wander, start + 86399}) {
            if (t > kLastTableDay)
                continue;
            const auto s = static_cast<std::uint32_t>(t);
            ASSERT_EQ(CModemTime::ToCalendar(s), TableConversion(s)) << "modem time " << s;
        }
    }
}

struct DateCase {
    std::uint32_t modemSeconds;
    CalendarTime expected;
};

class ModemTimeDates : public ::testing::TestWithParam<DateCase> {};

TEST_P(ModemTimeDates, Convert)
{
    EXPECT_EQ(CModemTime::ToCalendar(GetParam().modemSeconds), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, ModemTimeDates,
    ::testing::Values(DateCase{0, {1980, 1, 6, 0, 0, 0}},
                      DateCase{86400u * 365, {1981, 1, 5, 0, 0, 0}},  // 1980 has 366 days
                      DateCase{kLastTableDay, {2100, 2, 28, 23, 59, 59}},
                      // 2100 is no leap year: the day after 28 February is 1 March.
                      DateCase{kLastTableDay + 1, {2100, 3, 1, 0, 0, 0}},
                      DateCase{3917764800u, {2104, 2, 29, 12, 0, 0}},
                      DateCase{4294535295u, {2116, 2, 7, 6, 28, 15}},
                      DateCase{0xFFFFFFFFu, {2116, 2, 12, 6, 28, 15}}));

TEST(ModemTime, TheTableItselfGoesWrongAfter2100February28)
{
    // Why the table was replaced: it invents 2100-02-29.
    const CalendarTime table = TableConversion(kLastTableDay + 1);
    EXPECT_EQ(table.month, 2);
    EXPECT_EQ(table.day, 29);
}

TEST(ModemTime, CivilDaysRoundTrip)
{
    for (std::int64_t days = -800; days < 60000; days += 7) {
        const CalendarTime date = CModemTime::CivilFromDays(days);
        ASSERT_EQ(CModemTime::DaysFromCivil(date.year, date.month, date.day), days);
    }
}

}  // namespace
}  // namespace brivex
