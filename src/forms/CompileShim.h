#pragma once
// A configuration compiled as the window compiles the form that opens it: the one place the command
// line's typed seasons still pass through a form, so that their problems point at the form's fields and
// a table's rows end where the form's do (at the first row without a first cell), as they always did.
// Nothing the window alone holds (the LAI forcing, the report's variables) comes along, as with a
// configuration opened in a new window.

#include "engine/SeasonInputs.h"
#include "inputs/SeasonConfiguration.h"

namespace tulo {

// The configuration given to the window's opening form (ConfigurationForm.h), then compiled from it
// (SeasonForm.h): the same problems, warnings and inputs as a form that opened the configuration.
Compilation CompileConfiguration(const SeasonConfiguration& configuration);

} // namespace tulo
