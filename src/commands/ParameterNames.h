#pragma once
// The names a user may give a crop parameter: its registry id, its crop workbook key, its caption, or its
// caption or key in the calibration lists. The command line's options, the sites table's columns, the
// calibration and sensitivity requests and the Python package all look parameters up here.

#include "engine/Parameters.h"
#include "sensitivity/Analysis.h"

#include <string_view>

namespace tulo {

// The crop parameter a name stands for; case is ignored when only one parameter matches that way.
const ParameterInfo* FindParameterByName(std::string_view name);

namespace sensitivity {
// The sensitivity factor of a name: "parK", or any name of a crop parameter; no factor, and why not, for
// an unknown name, a code or a switch.
FoundFactor FindFactor(std::string_view name);
} // namespace sensitivity

} // namespace tulo
