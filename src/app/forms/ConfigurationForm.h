#pragma once
// The one mapping between the main window's form and a season's configuration, each way: saving takes
// the form's texts to the typed configuration, opening gives the form a configuration's contents. The
// configuration file (forms/SimConfig.h) goes through it both ways, so the form and the file cannot
// drift.

#include "forms/FormModel.h"
#include "inputs/SeasonConfiguration.h"

namespace tulo {

// What the form holds, as a configuration of the current layout.
SeasonConfiguration ConfigurationFromForm(const FormModel& form);

// Gives the form the configuration's contents in one notification, so that an opening is one step to
// undo. The controls of items an older layout lacks take the window's opening values, and so do the
// tables' rows beyond those the configuration holds: what they held before described another season.
void ApplyConfiguration(const SeasonConfiguration& configuration, FormModel& form);

} // namespace tulo
