#pragma once
// Reading every input of a run from the main window's form into a run state, for the window's own run.

#include "base/Problems.h"
#include "engine/RunState.h"
#include "forms/FormModel.h"
#include "forms/UserInterface.h"

namespace tulo {

// Compiles the inputs, shows each problem through the user interface and returns them. Only when there
// is none are the run's parameters and driving series replaced (otherwise `run` is left as it was) and
// the estimated humidities shown in the form's weather grid.
Problems ReadAllInputs(FormModel& form, UserInterface& ui, RunState& run);

} // namespace tulo
