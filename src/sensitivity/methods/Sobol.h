#pragma once
// Sobol' variance-based indices from the blocks of Saltelli's design, with interactions on request.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

MethodEntry SobolMethod();

} // namespace tulo::sensitivity
