#pragma once
// Whether every value of many series is finite (no infinity, no NaN), cheaply enough to ask after every
// season of an ensemble, a calibration or a sensitivity analysis.

#include <cstddef>
#include <span>

namespace tulo {

// How the values are summed: the widest vector instructions the processor has, or one of the two paths
// (for tests; the wide one is taken only where the processor has it).
enum class FiniteSumPath { Fastest, Narrow, Wide };

// Whether the processor has the wide path.
bool WideFiniteSumsAvailable();

// `singles` and `doubles` point at each series' first value; every series holds `count` values from there.
bool AllFinite(std::span<const float* const> singles, std::span<const double* const> doubles,
               std::size_t count, FiniteSumPath path = FiniteSumPath::Fastest);

} // namespace tulo
