#pragma once
// A configuration compiled to a season's inputs. The inputs' checks still read the window's form, so the
// configuration is given to a form of its own first: nothing the window alone holds (the LAI forcing,
// the report's variables) comes along, as with a configuration opened in a new window.

#include "engine/SeasonInputs.h"
#include "inputs/SeasonConfiguration.h"

namespace tulo {

Compilation CompileConfiguration(const SeasonConfiguration& configuration);

} // namespace tulo
