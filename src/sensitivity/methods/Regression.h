#pragma once
// The regression indices of the sampling methods (LHS, random, LpTau): per factor the standardised
// regression coefficient (SRC) and the partial rank correlation coefficient (PRCC) of the output.

#include "sensitivity/methods/MethodTable.h"

namespace tulo::sensitivity {

// MethodEntry::indices of a sampling method.
WhyNot RegressionIndices(const Method& method, const Design& design, std::span<const double> values,
                         const Mapped& outputs, std::vector<FactorIndices>& indices,
                         std::vector<Interaction>* interactions);
// MethodEntry::sizeLimits of a sampling method.
std::optional<SizeLimits> RegressionSizeLimits(const Method& method, int factors, long mostRows);

} // namespace tulo::sensitivity
