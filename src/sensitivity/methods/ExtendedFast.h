#pragma once
// Extended FAST: one search curve per factor, measuring its first-order and total effects.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

MethodEntry ExtendedFastMethod();

} // namespace tulo::sensitivity
