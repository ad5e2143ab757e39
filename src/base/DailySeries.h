#pragma once
// Daily series of a run: one slot per day of the season, counted from 1 January of its first year (see
// base/Calendar.h), slot 0 standing in as "yesterday" of day 1. A season inside one year therefore keeps
// its days of year as slots.

#include <array>

namespace tulo {

inline constexpr int kLastDay = 365;       // the days of a common year: the weather table's first rows
inline constexpr int kLongestSeason = 731; // days: two years, one of them leap
// The last day of the longest season that starts on a leap year's 31 December.
inline constexpr int kLastSeasonDay = 366 + kLongestSeason - 1;
// Slots 0 .. kLastSeasonDay + 1: the loop reads the day after the day it simulates.
inline constexpr int kDaySlots = kLastSeasonDay + 2;

using DailySeries = std::array<float, kDaySlots>;   // single-precision series (crop state)
using DailySeriesD = std::array<double, kDaySlots>; // double-precision series (water, blast, ET)

} // namespace tulo
