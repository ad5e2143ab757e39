#pragma once
// Simple random sampling, analysed by regression.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

MethodEntry RandomSamplingMethod();

} // namespace tulo::sensitivity
