#pragma once
// Reading every input of a run from the main window's form into the run's parameters and series.

#include "base/Problems.h"
#include "engine/FormModel.h"
#include "engine/RunState.h"
#include "engine/UserInterface.h"

namespace tulo {

// Reads the control, crop, management and weather records (and the soil record when soil simulation is
// on), collects every problem, shows each through the user interface and returns them. Only when there
// is none are the run's parameters and driving series replaced; otherwise `run` is left as it was.
// The weather grid of `form` receives the estimated humidities when the workbook brought none.
Problems ReadAllInputs(FormModel& form, UserInterface& ui, RunState& run);

} // namespace tulo
