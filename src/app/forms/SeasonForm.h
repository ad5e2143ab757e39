#pragma once
// The window's form compiled to the season's typed inputs: its configuration (forms/ConfigurationForm.h)
// and its run choices go through the one set of checks (inputs/SeasonCompile.h), and the problems, which
// name inputs by id, come back pointed at the form's controls and grid cells. Compiling is pure: it
// reads the form and changes nothing, so any number of workers may compile.

#include "engine/SeasonInputs.h"
#include "forms/FormModel.h"

namespace tulo {

struct SeasonRunChoices; // inputs/SeasonCompile.h

// The run choices the form holds beside its configuration: the control page's LAI forcing.
SeasonRunChoices RunChoicesOf(const FormModel& form);

// Every problem and warning of the form's season, each pointed at its field.
Compilation CompileInputs(const FormModel& form);

// Puts the estimated humidities of a compilation into the form's weather grid, on a light-cyan
// background so that the user sees which values the program estimated, as one change. Only the window
// does this: workers read the form and never write it.
void ShowEstimatedHumidities(FormModel& form, const SeasonInputs& inputs);

} // namespace tulo
