#include "inputs/DatedWeather.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "weather/Evapotranspiration.h"

#include <algorithm>
#include <vector>

namespace tulo {

DatedWeatherFill FillSeasonWeather(const WeatherFileSeries& series, std::optional<RadiationEstimate> estimate,
                                   SeasonInputs& inputs) {
    DatedWeatherFill fill;
    const int year = inputs.control.Year;
    const std::int32_t first = inputs.control.InitialDate, final = inputs.control.FinalDate;

    // The file's days by season day, as the weather table would hold them.
    const auto [byDay, lastGiven] = DaysFromYear(series, year);
    const int given = std::max(kLastDay, lastGiven);
    const auto estimated = [&](const WeatherFileDay& day) { return estimate && RadiationEstimable(day); };
    bool humidity = series.humidity;
    for (int d = 1; d <= given && humidity; ++d)
        if (const WeatherFileDay* day = byDay[static_cast<std::size_t>(d)]; day && !day->rhMax)
            humidity = false;

    // The days a table of this season would keep, and the day after the last, which the loop reads.
    const int days = std::min(given, std::max(kLastDay, final));
    const bool borrowsLastDay = final == days + 1 && final > kLastDay;
    const auto name = [&](int d) { return SeasonDayName(d, year); };
    if (final > days + (borrowsLastDay ? 1 : 0)) {
        fill.problems.push_back({"weather", 0, 0,
                                 "the season's last day, " + name(final - 1) +
                                     ", is beyond the file's last, " + name(days) + "."});
        return fill;
    }

    // Only the days the season reads are filled: a run of many years builds many seasons.
    inputs.weather = WeatherSeries{};
    WeatherSeries& w = inputs.weather;
    const int needFrom = std::max(1, first - 1);
    const int needTo = std::min(days, final);
    for (int d = needFrom; d <= needTo; ++d) {
        const WeatherFileDay* day = byDay[static_cast<std::size_t>(d)];
        const auto slot = static_cast<std::size_t>(d);
        if (!day) {
            fill.problems.push_back({"weather", d, 0, "the file has no day " + name(d) + "."});
            continue;
        }
        const auto take = [&](WeatherFileDay::Value bit, double value, DailySeries& series,
                              const char* what) {
            if ((day->missing & bit) == 0) {
                series[slot] = static_cast<float>(value);
            } else {
                fill.problems.push_back(
                    {"weather", d, 0,
                     name(d) + " (line " + std::to_string(day->line) + "): the file gives no " + what + "."});
            }
        };
        take(WeatherFileDay::kRain, day->rain, w.Rain, "rain");
        take(WeatherFileDay::kTmax, day->tmax, w.TmaxAir, "maximum temperature");
        take(WeatherFileDay::kTmin, day->tmin, w.TminAir, "minimum temperature");
        if (estimated(*day)) {
            w.Rad[slot] = static_cast<float>(
                HargreavesRadiation(day->tmax, day->tmin,
                                    ExtraterrestrialRadiation(day->doy, estimate->latitude), estimate->kRs));
            if (++fill.radiationEstimated == 1) fill.firstEstimated = day;
        } else {
            take(WeatherFileDay::kRadiation, day->radiation, w.Rad, "global radiation");
        }
        if (humidity) {
            w.RHmax[slot] = static_cast<float>(*day->rhMax);
            w.RHmin[slot] = static_cast<float>(*day->rhMin);
        }
    }
    if (!fill.problems.empty()) return fill;
    // A day's estimate is its own temperatures' alone.
    if (!humidity) EstimateHumidities(w.TminAir, w.TmaxAir, w.RHmax, w.RHmin, needTo, needFrom);
    if (borrowsLastDay)
        for (DailySeries* series : {&w.Rain, &w.TmaxAir, &w.TminAir, &w.Rad, &w.RHmax, &w.RHmin})
            (*series)[static_cast<std::size_t>(final)] = (*series)[static_cast<std::size_t>(days)];
    const auto from = static_cast<std::ptrdiff_t>(needFrom), to = static_cast<std::ptrdiff_t>(final) + 1;
    std::copy(w.TmaxAir.begin() + from, w.TmaxAir.begin() + to, w.Tmax.begin() + from);
    std::copy(w.TminAir.begin() + from, w.TminAir.begin() + to, w.Tmin.begin() + from);
    inputs.humidityEstimated = !humidity;
    return fill;
}

} // namespace tulo
