#pragma once
// The crop parameters a calibration may fit, each with the caption its lists show, the key of the
// calibration settings files and the range a new calibration starts from, keyed by the registry's id.

#include "engine/Parameters.h"

#include <span>
#include <string_view>

namespace tulo {

struct CalibrationParameter {
    std::string_view id;      // the registry's id
    std::string_view caption; // "Tb for growth"
    std::string_view key;     // "myTb"
    std::string_view defaultMin, defaultMax;
};

// In the order the calibration lists them.
std::span<const CalibrationParameter> CalibrationParameters();
// The entry of a registry parameter, or none when it is not calibratable.
const CalibrationParameter* CalibrationEntryOf(const ParameterInfo& info);
// Its caption, or empty when it is not calibratable.
std::string_view CalibrationCaption(const ParameterInfo& info);

} // namespace tulo
