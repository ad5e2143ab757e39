#pragma once
// The one mapping from the window's form to the season's typed inputs: reads the control, crop,
// management, weather and soil records of a form, checks them, and builds the inputs every run takes.
// Compiling is pure: it reads the form and changes nothing, so any number of workers may compile.

#include "engine/SeasonInputs.h"
#include "forms/FormModel.h"

namespace tulo {

// Reads the control, crop, management and weather records (and the soil record when soil simulation is
// on) and collects every problem.
Compilation CompileInputs(const FormModel& form);

// Puts the estimated humidities of a compilation into the form's weather grid, as one change.
void ShowEstimatedHumidities(FormModel& form, const SeasonInputs& inputs);

} // namespace tulo
