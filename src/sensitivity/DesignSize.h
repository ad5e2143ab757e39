#pragma once
// How large a method's sample may be for a number of factors, worked out without drawing it: the least
// its indices need and the most the tool draws, said in the terms of the method's own size setting, and
// the number of runs a setting gives. The window and the command line refuse a size before anything is
// drawn or run, and print the runs to come.

#include "sensitivity/Methods.h"

#include <optional>
#include <string>

namespace tulo::sensitivity {

// The setting that sizes a method's sample: the executions (LHS, random, LpTau, both FASTs), the
// trajectories (Morris) or the base sample, 2^(exponent + 5) rows (Sobol').
long SizeSetting(const Method& method);

// The range of the size setting for `factors` factors; nothing when no size fits (classic FAST beyond
// kMaxFastFactors). Sobol' bases are the powers of two within the range.
struct SizeLimits {
    long least = 0;
    long most = 0;
};
std::optional<SizeLimits> MethodSizeLimits(const Method& method, int factors);

// The rows (model runs) of the method's design for `factors` factors, as MakeDesign draws them.
long DesignRows(const Method& method, int factors);

// Why the method's size does not fit `factors` factors, in the method's own terms ("Latin hypercube
// sampling of 2 factors takes 5 to 2097152 executions, not 3."); Done when it fits.
Outcome CheckDesignSize(const Method& method, int factors);

} // namespace tulo::sensitivity
