#pragma once
// The Morris method: elementary effects along random one-factor-at-a-time trajectories.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

MethodEntry MorrisMethod();

} // namespace tulo::sensitivity
