#pragma once

namespace brivex {

// A calendar date and time of day.
struct CalendarTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const CalendarTime&) const = default;
};

}  // namespace brivex
