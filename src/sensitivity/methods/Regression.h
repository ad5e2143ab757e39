#pragma once
// The regression indices of the sampling methods (LHS, random, LpTau): per factor the standardised
// regression coefficient (SRC) and the partial rank correlation coefficient (PRCC) of the output.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

// The entry of a sampling method: its own keyword, reading of its method line, title and drawing, and the
// size and regression indices every sampling method shares.
MethodEntry RegressionMethod(MethodKind kind, std::string_view keyword, decltype(MethodEntry::parse) parse,
                             decltype(MethodEntry::text) text, decltype(MethodEntry::title) title,
                             decltype(MethodEntry::draw) draw);

} // namespace tulo::sensitivity
