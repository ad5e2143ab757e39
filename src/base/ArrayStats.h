#pragma once
// The array statistics every subsystem shares.
//
// Series are 1-based: element 0 is present and ignored, the values are elements 1 .. n with
// n = size - 1. Statistics are computed and returned in double precision whatever the element type.

#include <span>

namespace tulo {

namespace Utilities {

// Statistics of a series without values (size below 2) have no value to report: ArraySum gives 0, the
// others NaN.
double ArrayMax(std::span<const double> x);
double ArrayMax(std::span<const float> x);
double ArrayMean(std::span<const double> x);
double ArrayMean(std::span<const float> x);
double ArraySum(std::span<const double> x);
double ArraySum(std::span<const float> x);
// Population standard deviation (divisor n).
double ArrayStDev(std::span<const double> x);
double ArrayStDev(std::span<const float> x);

} // namespace Utilities

} // namespace tulo
