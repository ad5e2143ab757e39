#pragma once
// Quasi-random LpTau sampling (the Sobol' sequence), analysed by regression.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

MethodEntry LpTauMethod();

} // namespace tulo::sensitivity
