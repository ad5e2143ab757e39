#include "engine/InputLimits.h"

#include "base/Numbers.h"
#include "engine/InputFields.h"

#include <iterator>
#include <vector>

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

constexpr std::string_view kNotNegative = "a share is not negative";

constexpr InputLimit kSoil[] = {
    {ctl::sprSoilPhysics, 1, "Layer thickness", "mm", 0, 5000, "a layer has some thickness",
     "5 m is deeper than rice roots and the pond's exchange reach", true},
    {ctl::sprSoilPhysics, 2, "Bulk density", "g/cm3", 0.5, 2.2, "below organic peat soils",
     "above compacted subsoils; mineral particles themselves weigh 2.65"},
    {ctl::sprSoilPhysics, 3, "Organic carbon", "%", 0, 60, kNotNegative,
     "peat, the most organic soil, holds about 58 %"},
    {ctl::sprSoilPhysics, 4, "Clay", "%", 0, 100, kNotNegative, "clay, silt and sand make up the whole soil"},
    {ctl::sprSoilPhysics, 5, "Sand", "%", 0, 100, kNotNegative, "clay, silt and sand make up the whole soil"},
    {ctl::sprSoilPhysics, 6, "Alpha", "1/cm", 0, 10, "the retention curve needs a positive scale",
     "beyond the coarsest gravels", true},
    {ctl::sprSoilPhysics, 7, "n", "-", 1, 10, "the retention curve's shape m = 1 - 1/n must be positive",
     "beyond the most uniform sands", true},
    {ctl::sprSoilPhysics, 8, "Residual water content", "m3/m3", 0, 1, "water content is not negative",
     "water cannot fill more than the whole soil volume"},
    {ctl::sprSoilPhysics, 9, "Field capacity", "m3/m3", 0, 1, "water content is not negative",
     "water cannot fill more than the whole soil volume"},
    {ctl::sprSoilPhysics, 10, "Wilting point", "m3/m3", 0, 1, "water content is not negative",
     "water cannot fill more than the whole soil volume"},
    {ctl::sprSoilPhysics, 11, "Saturated water content", "m3/m3", 0, 1, "a saturated soil holds water",
     "water cannot fill more than the whole soil volume", true},
    {ctl::sprSoilPhysics, 12, "Saturated hydraulic conductivity", "mm/h", 0, 10000,
     "water must be able to drain", "faster than open gravel", true},
    {ctl::sprSoilPhysics, 13, "Starting water", "x field capacity", 0, 10, "water content is not negative",
     "it may not exceed saturation over field capacity (checked per layer)"},
};

constexpr InputLimit kManagement[] = {
    {ctl::txtLatitude, 0, "Latitude", "degrees", -66, 66,
     "beyond the polar circle the day-length formula has days without sunrise",
     "beyond the polar circle the day-length formula has days without sunrise"},
    {ctl::txtWaterLevel, 0, "Water level", "cm", 0, 100, "a pond is not negative",
     "deeper than any paddy is kept; deepwater rice is another crop"},
    {ctl::txtPreFlowWaterLevel, 0, "Water level during pre-flowering", "cm", 0, 100, "a pond is not negative",
     "deeper than any paddy is kept; deepwater rice is another crop"},
    {ctl::txtInitialWaterLevel, 0, "Initial water level", "cm", 0, 100, "a pond is not negative",
     "deeper than any paddy is kept; deepwater rice is another crop"},
    {ctl::sprDynWaterInput, 3, "Daily water input", "mm", 0, 500, "an input is not negative",
     "half a metre of water a day is more than any irrigation delivers"},
    {ctl::sprDynWaterInput, 4, "Hours of the daily input", "h", 0, 24, "hours are not negative",
     "a day has 24 hours"},
};

// Every limit, in the order the README lists them.
const std::vector<InputLimit>& Everything() {
    static const std::vector<InputLimit> all = [] {
        std::vector<InputLimit> list(std::begin(kWeather), std::end(kWeather));
        list.insert(list.end(), std::begin(kSoil), std::end(kSoil));
        list.insert(list.end(), std::begin(kManagement), std::end(kManagement));
        return list;
    }();
    return all;
}

} // namespace

std::span<const InputLimit> WeatherLimits() {
    return kWeather;
}

std::span<const InputLimit> SoilLimits() {
    return kSoil;
}

std::span<const InputLimit> ManagementLimits() {
    return kManagement;
}

std::span<const InputLimit> AllInputLimits() {
    return Everything();
}

bool WithinLimit(const InputLimit& limit, double value) {
    const bool aboveMin = limit.minExclusive ? value > limit.min : value >= limit.min;
    return aboveMin && value <= limit.max;
}

const InputLimit* FindInputLimit(std::string_view field, int column) {
    for (const InputLimit& limit : AllInputLimits())
        if (limit.field == field && limit.column == column) return &limit;
    return nullptr;
}

std::string DescribeLimit(const InputLimit& limit) {
    const std::string unit = limit.unit == "-" ? std::string() : " " + std::string(limit.unit);
    const std::string range =
        limit.minExclusive
            ? "must lie above " + ShortestText(limit.min) + " and at most " + ShortestText(limit.max)
            : "must lie between " + ShortestText(limit.min) + " and " + ShortestText(limit.max);
    return range + unit + " (" + std::string(limit.minReason) + "; " + std::string(limit.maxReason) + ")";
}

bool IsMissingValueCode(double value) {
    return value == -99 || value == -999 || value == -9999;
}

} // namespace tulo
