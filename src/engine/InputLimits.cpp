#include "engine/InputLimits.h"

#include "base/Numbers.h"
#include "engine/FormModel.h"

namespace tulo {

namespace {

constexpr InputLimit kWeather[] = {
    {ctl::sprWeather, 2, "Rain", "mm", 0, 1000, "rain is not negative",
     "the wettest day ever recorded brought about 1,800 mm; 1,000 mm a day is beyond any rice site"},
    {ctl::sprWeather, 3, "Maximum temperature", "°C", -60, 60,
     "colder than any place rice is grown, even in winter",
     "hotter than the highest air temperature ever measured (57 °C)"},
    {ctl::sprWeather, 4, "Minimum temperature", "°C", -60, 60,
     "colder than any place rice is grown, even in winter",
     "hotter than the highest air temperature ever measured (57 °C)"},
    {ctl::sprWeather, 5, "Global radiation", "MJ/m2/d", 0, 50, "radiation is not negative",
     "above the radiation that reaches the top of the atmosphere on the longest day (about 48 MJ/m2/d)"},
    {ctl::sprWeather, 6, "Maximum relative humidity", "%", 0, 100, "a humidity is not negative",
     "air holds at most saturated vapour (100 %)"},
    {ctl::sprWeather, 7, "Minimum relative humidity", "%", 0, 100, "a humidity is not negative",
     "air holds at most saturated vapour (100 %)"},
};

} // namespace

std::span<const InputLimit> WeatherLimits() {
    return kWeather;
}

std::span<const InputLimit> AllInputLimits() {
    return kWeather;
}

const InputLimit* FindInputLimit(std::string_view field, int column) {
    for (const InputLimit& limit : AllInputLimits())
        if (limit.field == field && limit.column == column) return &limit;
    return nullptr;
}

std::string DescribeLimit(const InputLimit& limit) {
    return "must lie between " + ShortestText(limit.min) + " and " + ShortestText(limit.max) + " " +
           std::string(limit.unit) + " (" + std::string(limit.minReason) + "; " +
           std::string(limit.maxReason) + ")";
}

bool IsMissingValueCode(double value) {
    return value == -99 || value == -999 || value == -9999;
}

} // namespace tulo
