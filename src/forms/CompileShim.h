#pragma once
// Compiling a configuration through the window's form, until the checks read the typed configuration
// themselves: the one place the command line's typed seasons still pass through a form.

#include "engine/SeasonInputs.h"
#include "inputs/SeasonConfiguration.h"

namespace tulo {

// The configuration given to the window's opening form (ConfigurationForm.h), then compiled from it
// (SeasonForm.h): the same problems, warnings and inputs as a form that opened the configuration.
Compilation CompileConfiguration(const SeasonConfiguration& configuration);

} // namespace tulo
