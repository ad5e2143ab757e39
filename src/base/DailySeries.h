#pragma once
// Daily series of a run: one slot per day of year, slot 0 standing in as "yesterday" of day 1.

#include <array>

namespace tulo {

inline constexpr int kDaySlots = 366; // slots 0 .. 365
inline constexpr int kLastDay = 365;  // fixed 365-day calendar

using DailySeries = std::array<float, kDaySlots>;   // single-precision series (crop state)
using DailySeriesD = std::array<double, kDaySlots>; // double-precision series (water, blast, ET)

} // namespace tulo
