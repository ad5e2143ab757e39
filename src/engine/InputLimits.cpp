#include "engine/InputLimits.h"

#include "base/Numbers.h"

#include <iterator>
#include <vector>

namespace tulo {

namespace {

constexpr InputLimit kWeather[] = {
    {"weather.Rain", "Rain", "mm", 0, 1000, "rain is not negative",
     "the wettest day ever recorded brought about 1,800 mm; 1,000 mm a day is beyond any rice site"},
    {"weather.Tmax", "Maximum temperature", "°C", -60, 60,
     "colder than any place rice is grown, even in winter",
     "hotter than the highest air temperature ever measured (57 °C)"},
    {"weather.Tmin", "Minimum temperature", "°C", -60, 60,
     "colder than any place rice is grown, even in winter",
     "hotter than the highest air temperature ever measured (57 °C)"},
    {"weather.Radiation", "Global radiation", "MJ/m2/d", 0, 50, "radiation is not negative",
     "above the radiation that reaches the top of the atmosphere on the longest day (about 48 MJ/m2/d)"},
    {"weather.RHmax", "Maximum relative humidity", "%", 0, 100, "a humidity is not negative",
     "air holds at most saturated vapour (100 %)"},
    {"weather.RHmin", "Minimum relative humidity", "%", 0, 100, "a humidity is not negative",
     "air holds at most saturated vapour (100 %)"},
};

constexpr std::string_view kNotNegative = "a share is not negative";

constexpr InputLimit kSoil[] = {
    {"soil.Thickness", "Layer thickness", "mm", 0, 5000, "a layer has some thickness",
     "5 m is deeper than rice roots and the pond's exchange reach", true},
    {"soil.BulkDensity", "Bulk density", "g/cm3", 0.5, 2.2, "below organic peat soils",
     "above compacted subsoils; mineral particles themselves weigh 2.65"},
    {"soil.OrganicCarbon", "Organic carbon", "%", 0, 60, kNotNegative,
     "peat, the most organic soil, holds about 58 %"},
    {"soil.Clay", "Clay", "%", 0, 100, kNotNegative, "clay, silt and sand make up the whole soil"},
    {"soil.Sand", "Sand", "%", 0, 100, kNotNegative, "clay, silt and sand make up the whole soil"},
    {"soil.Alpha", "Alpha", "1/cm", 0, 10, "the retention curve needs a positive scale",
     "beyond the coarsest gravels", true},
    {"soil.N", "n", "-", 1, 10, "the retention curve's shape m = 1 - 1/n must be positive",
     "beyond the most uniform sands", true},
    {"soil.ResidualWater", "Residual water content", "m3/m3", 0, 1, "water content is not negative",
     "water cannot fill more than the whole soil volume"},
    {"soil.FieldCapacity", "Field capacity", "m3/m3", 0, 1, "water content is not negative",
     "water cannot fill more than the whole soil volume"},
    {"soil.WiltingPoint", "Wilting point", "m3/m3", 0, 1, "water content is not negative",
     "water cannot fill more than the whole soil volume"},
    {"soil.SaturatedWater", "Saturated water content", "m3/m3", 0, 1, "a saturated soil holds water",
     "water cannot fill more than the whole soil volume", true},
    {"soil.Ksat", "Saturated hydraulic conductivity", "mm/h", 0, 10000, "water must be able to drain",
     "faster than open gravel", true},
    {"soil.StartingWater", "Starting water", "x field capacity", 0, 10, "water content is not negative",
     "it may not exceed saturation over field capacity (checked per layer)"},
};

constexpr InputLimit kManagement[] = {
    {"Latitude", "Latitude", "degrees", -66, 66,
     "beyond the polar circle the day-length formula has days without sunrise",
     "beyond the polar circle the day-length formula has days without sunrise"},
    {"WaterLevel", "Water level", "cm", 0, 100, "a pond is not negative",
     "deeper than any paddy is kept; deepwater rice is another crop"},
    {"PreFlowWaterLevel", "Water level during pre-flowering", "cm", 0, 100, "a pond is not negative",
     "deeper than any paddy is kept; deepwater rice is another crop"},
    {"InitialWaterLevel", "Initial water level", "cm", 0, 100, "a pond is not negative",
     "deeper than any paddy is kept; deepwater rice is another crop"},
    {"water.Input", "Daily water input", "mm", 0, 500, "an input is not negative",
     "half a metre of water a day is more than any irrigation delivers"},
    {"water.Hours", "Hours of the daily input", "h", 0, 24, "hours are not negative", "a day has 24 hours"},
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

const InputLimit* FindInputLimit(std::string_view id) {
    for (const InputLimit& limit : AllInputLimits())
        if (limit.id == id) return &limit;
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
