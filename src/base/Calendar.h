#pragma once
// The program's calendar: 365 days, no leap year, every date a day of year 1 .. 365.

#include <cstdint>
#include <optional>
#include <string>

namespace tulo {

struct DayMonth {
    int day = 0;   // 1 .. 31
    int month = 0; // 1 .. 12
};

// The day and month of a day of year (1 .. 365); none outside.
std::optional<DayMonth> DayMonthOf(std::int32_t doy);
// The day of year of a day and month; none for a date the year does not have (29 February included).
std::optional<std::int32_t> DayOfYear(int month, int day);
// "15 Jun"; empty outside 1 .. 365.
std::string DayMonthText(std::int32_t doy);

} // namespace tulo
