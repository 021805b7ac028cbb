#include "document/datecode.h"

namespace tessaro {

namespace {
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

int DivideRoundingUp(int a, int b)
{
    return a <= 0 ? -((-a) / b) : (a + b - 1) / b;
}

// 0 = Sunday ... 6 = Saturday, for 1 January of the year.
int WeekdayOfFirstJanuary(int year)
{
    const int y = year - 1;
    return (1 + 365 * y + y / 4 - y / 100 + y / 400) % 7;  // 1 Jan of year 1 was a Monday
}
}  // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysBeforeFirstSunday(int year)
{
    return (7 - WeekdayOfFirstJanuary(year)) % 7;
}

WeekFields WeekOfDate(int year, int month, int day)
{
    int d = day + kDaysBeforeMonth[(month - 1) % 12];
    if (month >= 3 && IsLeapYear(year))
        ++d;
    const int k = DaysBeforeFirstSunday(year);
    WeekFields fields;
    fields.week = k != 0 ? DivideRoundingUp(d - k, 7) + 1 : DivideRoundingUp(d, 7);
    fields.yearSince2000 = year - 2000;
    return fields;
}

std::uint8_t ToBcd(int value)
{
    const int v = ((value % 100) + 100) % 100;
    return static_cast<std::uint8_t>((v / 10) * 16 + v % 10);
}

}  // namespace tessaro
