#pragma once
// Classic FAST: one search curve through every factor, each at a frequency of its own.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

MethodEntry FastMethod();

// The method line of both FASTs, "VARIANT SEED EXECUTIONS": variant 1 is classic FAST, 2 extended.
Outcome ParseFast(std::span<const std::string> tokens, Method& method);

} // namespace tulo::sensitivity
