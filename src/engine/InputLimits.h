#pragma once
// The accepted ranges of the inputs that are not crop parameters, each bound with its reason: the
// weather table's columns, the soil table's and the management fields. The validation, the window's
// tool tips and the README's table read them.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tulo {

struct InputLimit {
    std::string_view id;    // "weather.Rain", "soil.Clay", "Latitude": a table's column or a single input
    std::string_view label; // what the user knows the value as
    std::string_view unit;
    double min, max; // inclusive, unless the minimum is exclusive
    std::string_view minReason, maxReason;
    bool minExclusive = false; // the value must lie above min
};

// Rain, Tmax, Tmin, radiation, RHmax, RHmin: the weather table's columns after the day.
std::span<const InputLimit> WeatherLimits();
// The soil table's columns, in its order (the optional ones only when given).
std::span<const InputLimit> SoilLimits();
// The management fields and the water-input table's columns.
std::span<const InputLimit> ManagementLimits();

// True when the value lies within the limit.
bool WithinLimit(const InputLimit& limit, double value);

// Every limit, in the order the README lists them.
std::span<const InputLimit> AllInputLimits();

// The limit of the input with this id, if it has one.
const InputLimit* FindInputLimit(std::string_view id);

// "must lie between -60 and 60 °C (...)": what a value outside the limit is told, without the value.
std::string DescribeLimit(const InputLimit& limit);

// Values that weather stations and spreadsheets write for a missing measurement.
bool IsMissingValueCode(double value);

} // namespace tulo
