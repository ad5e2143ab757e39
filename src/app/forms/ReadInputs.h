#pragma once
// Reading every input of a run from the main window's form into a run state.

#include "base/Problems.h"
#include "engine/RunState.h"
#include "forms/FormModel.h"

namespace tulo {

// Compiles the inputs and returns their problems, in the order found. Only when there
// is none are the run's parameters and driving series replaced (otherwise `run` is left as it was) and
// the estimated humidities shown in the form's weather grid.
Problems ReadAllInputs(FormModel& form, RunState& run);

} // namespace tulo
