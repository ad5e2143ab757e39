#include "inputs/WeatherDays.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "base/Problems.h"

namespace tulo {

std::optional<double> StatedWeatherDay(std::string_view text) {
    if (const auto number = ParseNumber(text)) return number;
    if (const auto date = ParseDateText(Trim(text)))
        if (const auto doy = DayOfYear(*date)) return *doy;
    return std::nullopt;
}

std::optional<std::string> WeatherDayCellProblem(std::string_view text, int day, int year) {
    if (Trim(text).empty()) return std::nullopt;
    const auto stated = StatedWeatherDay(text);
    if (stated && (*stated == day || *stated == DayOfYearOfSeasonDay(day, year))) return std::nullopt;
    if (day <= kLastDay)
        return "the day column holds " + QuoteValue(Trim(text)) + " but this row is DOY " +
               std::to_string(day) + "; the table must list the days 1 to 365 in order.";
    const auto date = DateOfSeasonDay(day, year);
    return "the day column holds " + QuoteValue(Trim(text)) + " but this row is day " + std::to_string(day) +
           " of the season" + (date && year > 0 ? " (" + IsoDateText(*date) + ")" : std::string()) +
           "; the table must list the days in order.";
}

} // namespace tulo
