#pragma once

#include <cstdint>

namespace tessaro {

// The build-week fields a document stamps into bytes 93 (year) and 94 (week).
struct WeekFields {
    int week = 0;            // weeks counted from Sundays; the days before the first Sunday are week 1
    int yearSince2000 = 0;
};

// Leap years by the Gregorian calendar.
[[nodiscard]] bool IsLeapYear(int year);
// Days of the year before its first Sunday (0 when 1 January is a Sunday).
[[nodiscard]] int DaysBeforeFirstSunday(int year);
// Week of a date: with k days before the first Sunday and d the day of the
// year, ceiling((d - k) / 7) + 1 when k is not 0, and ceiling(d / 7) when it is.
[[nodiscard]] WeekFields WeekOfDate(int year, int month, int day);
// Two decimal digits as one binary-coded decimal byte (45 gives 45h).
[[nodiscard]] std::uint8_t ToBcd(int value);

}  // namespace tessaro
