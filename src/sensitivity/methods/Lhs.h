#pragma once
// Latin hypercube sampling: one stratum of each factor per row, analysed by regression.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

MethodEntry LatinHypercubeMethod();

} // namespace tulo::sensitivity
