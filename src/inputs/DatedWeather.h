#pragma once
// A season's daily weather taken straight from a dated weather series, without the weather table: the
// days of many seasons of one file (a run over many years) cost no table of text each. The values are
// those the table would have given (a file's value read in single precision, a radiation estimate and a
// humidity as the table holds them), and the checks are the table's: a simulated day, or the day either
// side, without a value is refused by its date.
//
// Inputs: the series, the season's first year and its days (see base/Calendar.h), the radiation
// estimate for days a station recorded no radiation on. Outputs: the inputs' weather series (°C, mm,
// MJ m-2 d-1, %), whether the humidity was estimated, and the days whose radiation was.

#include "base/Problems.h"
#include "engine/SeasonInputs.h"
#include "io/WeatherFiles.h"

#include <optional>

namespace tulo {

struct DatedWeatherFill {
    // By date, to follow the file's name ("2020-01-05 (line 740): the file gives no rain."); the weather
    // is incomplete when there is any.
    Problems problems;
    // The days the season reads whose radiation was estimated, and the first of them.
    int radiationEstimated = 0;
    const WeatherFileDay* firstEstimated = nullptr;
};

// Fills inputs.weather (and inputs.humidityEstimated) for the days of inputs.control, whose Year is the
// season's first year: the days the season reads (from the day before its first to the day after its
// last), the other days left empty. The day after the last simulated one takes the last one's weather
// when the series ends on it beyond day 365, as a table of that season would.
DatedWeatherFill FillSeasonWeather(const WeatherFileSeries& series, std::optional<RadiationEstimate> estimate,
                                   SeasonInputs& inputs);

} // namespace tulo
