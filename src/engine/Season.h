#pragma once
// A season as a function of named crop parameters: the compiled inputs, parameter values by registry
// id and a run state of the caller's own in, the daily series out. It touches no form and no user
// interface, so every worker of a calibration or a sensitivity analysis runs it on its own run state.

#include "engine/RunState.h"
#include "engine/SeasonInputs.h"

#include <optional>
#include <span>
#include <string>

namespace tulo {

// One crop parameter of a set: its position in the registry and its value.
struct ParameterValue {
    int index = 0;
    double value = 0;
};

// Copies the compilation's control, management and weather into the run state, unless it already holds
// them.
void LoadInputs(const SeasonInputs& inputs, RunState& run);

// Runs one season from a cleared state: the compilation's crop parameters with `parameters` written over
// them, then the daily loop. Allocates nothing.
void RunSeason(const SeasonInputs& inputs, std::span<const ParameterValue> parameters, RunState& run);

// The first simulated day and series holding a value that is not finite ("DOY 153, LAI"), if any.
std::optional<std::string> FirstNonFiniteOutput(const RunState& run);

// What a tool reads of the end of the crop: the last simulated day when the crop has not finished,
// otherwise the day before it finished (the finishing day's cumulated series are zeroed, the field
// being harvested).
struct EndOfCrop {
    std::int32_t day = 0;  // 0 when the crop finished on the first simulated day
    bool finished = false; // the crop reached its development stage at harvest
    float AGB = 0;         // above-ground biomass on that day (g m-2)
    float Panicles = 0;    // panicle biomass on that day (g m-2)
};
EndOfCrop EndOfCropValues(const RunState& run);

} // namespace tulo
