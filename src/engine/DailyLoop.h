#pragma once
// The daily loop: advances one season day by day from InitialDate to FinalDate - 1, calling the process
// models in a fixed order and writing one slot per day into each daily series of the run.
//
// The caller sets the initial state first (RunState::PrepareFreshRun for a new season); the loop's own
// process objects are created afresh for every call, so nothing carries over between calls but the run
// state itself.

#include "engine/RunState.h"

namespace tulo {

void SimulateDays(RunState& run);

} // namespace tulo
