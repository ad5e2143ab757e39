#pragma once
// The program's calendar: a season's days are days of year 1 .. 365. A season whose year is known shows
// them in that year's calendar (day 121 of 2020 is 30 April); one whose year is not, as on a year of 365
// days. Dates that users write are read in their own year's calendar, leap years included.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

struct DayMonth {
    int day = 0;   // 1 .. 31
    int month = 0; // 1 .. 12
};

// The day and month of a day of year in `year`'s calendar (1 .. 366 of a leap year), or with `year` 0
// (unknown) on a year of 365 days; none outside.
std::optional<DayMonth> DayMonthOf(std::int32_t doy, int year = 0);
struct CivilDate {
    int year = 0;  // four digits
    int month = 0; // 1 .. 12
    int day = 0;   // 1 .. 31
};

bool IsLeapYear(int year);

// A two-digit year: 00 .. 49 are 2000 .. 2049 and 50 .. 99 are 1950 .. 1999, so that weather records
// reaching back to the 1950s read as they were meant. Every reader of dates uses this one rule.
int YearOfTwoDigits(int twoDigitYear);
// The day of year of a date in its own year's calendar (2000-03-01 is 61, 2000-12-31 is 366); none for a
// date its year does not have (31 April, 29 February 2026).
std::optional<std::int32_t> DayOfYear(const CivilDate& date);
// The date a field book's text gives: ISO ("2026-06-15", with a time of day "2026-06-15 08:30:00" or
// "2026-06-15T08:30:00Z" as date cells hold it) or day/month/year with slashes, dots or dashes
// ("15/06/2026", "15.6.26"). A two-digit year is read by YearOfTwoDigits. Nothing for any
// other text; the day and month are not checked against the calendar.
std::optional<CivilDate> ParseDateText(std::string_view text);
// "15 Jun", in `year`'s calendar as DayMonthOf; empty for a day the year does not have.
std::string DayMonthText(std::int32_t doy, int year = 0);

// The season's year as a configuration or a table states it: a whole number from 1 to 9999; none for any
// other text.
std::optional<int> ParseSeasonYear(std::string_view text);

} // namespace tulo
