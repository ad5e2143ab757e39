#pragma once
// The weather table's day column, as both the configuration file and the window's weather check read it.

#include <optional>
#include <string>
#include <string_view>

namespace tulo {

// The day of the year a cell of the weather table's day column states: a number, or a date (a date
// cell reads as its ISO text); nothing for other text.
std::optional<double> StatedWeatherDay(std::string_view text);
// Why a day-column cell cannot stand in the row of a season's `day` (counted from 1 January of `year`,
// 0 when unknown): it must be blank or state that day, by its number or its own day of year. Nothing
// when it may.
std::optional<std::string> WeatherDayCellProblem(std::string_view text, int day, int year = 0);

} // namespace tulo
