#pragma once
// The program's calendar. A season's days are counted from 1 January of its first year: day 1 is 1
// January, day 121 of 2020 is 30 April, and the days after the year's last are the next year's (day 366
// of 2019 is 1 January 2020; of 2020, 31 December 2020). A season whose year is not known is counted on
// years of 365 days. Dates that users write are read in their own year's calendar, leap years included.

#include "base/DailySeries.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

struct DayMonth {
    int day = 0;   // 1 .. 31
    int month = 0; // 1 .. 12
};

// The day and month of a season's day counted from 1 January of `year` (or with `year` 0, unknown, on
// years of 365 days); none before day 1 or beyond the longest season's last day.
std::optional<DayMonth> DayMonthOf(std::int32_t seasonDay, int year = 0);
struct CivilDate {
    int year = 0;  // four digits
    int month = 0; // 1 .. 12
    int day = 0;   // 1 .. 31
};

bool IsLeapYear(int year);
// 366 for a leap year, 365 otherwise and for year 0 (unknown).
int DaysInYear(int year);

// A season's day (counted from 1 January of `year`) as a day of its own year (1 .. 366), and as a date;
// with `year` 0 the years are of 365 days and the date's year is 0 for the first, 1 for the next.
// Days from 1 to the day after the longest season's last (which a season's loop reads) are accepted;
// none outside.
std::int32_t DayOfYearOfSeasonDay(std::int32_t seasonDay, int year);
std::optional<CivilDate> DateOfSeasonDay(std::int32_t seasonDay, int year);
// The season's day a date falls on in a season whose first year is `year`; none for a date the calendar
// does not have, before that year, or beyond the day after the longest season's last.
std::optional<std::int32_t> SeasonDayOfDate(const CivilDate& date, int year);
// "2020-04-30".
std::string IsoDateText(const CivilDate& date);

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
// "15 Jun", in `year`'s calendar as DayMonthOf; empty for a day the calendar does not have.
std::string DayMonthText(std::int32_t seasonDay, int year = 0);
// A season's day as users name it: its date ("2020-04-30") when the year is known, else "day 121".
std::string SeasonDayName(std::int32_t seasonDay, int year);
// DayMonthText, with the year for the days after the first year's: "4 Feb 2020" (", the next year" when
// the year is unknown).
std::string SeasonDateText(std::int32_t seasonDay, int year);

// The season's year as a configuration or a table states it: a whole number from 1 to 9999; none for any
// other text.
std::optional<int> ParseSeasonYear(std::string_view text);

} // namespace tulo
