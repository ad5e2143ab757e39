#pragma once
// The maths every sensitivity method shares: reproducible random numbers, low-discrepancy points, the
// bootstrap of an estimator over the units of a sample, moments and ranks of drawn units, and the
// mapping of outputs onto [-1, 1].

#include "sensitivity/Methods.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace tulo::sensitivity {

// Uniform numbers and indices written out from the engine's bits, so a seed gives the same sample with
// every standard library (the standard fixes mt19937_64 but not its distributions).
class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}
    // In (0, 1): never exactly 0 or 1.
    double Unit() { return (static_cast<double>(engine_() >> 11) + 0.5) * 0x1p-53; }
    std::size_t Below(std::size_t n) {
        const std::uint64_t limit = engine_.max() - engine_.max() % n;
        std::uint64_t draw = 0;
        do draw = engine_();
        while (draw >= limit);
        return static_cast<std::size_t>(draw % n);
    }

private:
    std::mt19937_64 engine_;
};

// `points` points of the `dimension`-dimensional Sobol' sequence, row-major, starting after its all-zero
// point, which would sit on the corner of every factor.
void SobolPoints(int dimension, int points, std::vector<double>& out);

// The estimator of all indices (first indices of the k factors, then their second indices, then any more)
// from a resample: the units it drew (base rows, trajectories, curve points or sample rows), ascending, a
// unit drawn twice appearing twice. Nothing when the resample leaves it undefined.
using Units = std::span<const int>;
using Estimator = std::function<std::optional<std::vector<double>>(Units units)>;

// 0, 1, ..., count - 1: the whole sample.
std::vector<int> AllUnits(int count);

// The estimate on all `units` with its percentile intervals from `resamples` resamples of at most `most`
// units each, drawn from the stream of `seed`; a message when the estimate itself is undefined.
Outcome BootstrapEstimates(int units, std::uint64_t seed, int resamples, int most, const Estimator& estimate,
                           std::vector<Estimate>& estimates);
// The first 2 * factors estimates: the first indices, then the second ones.
void FactorEstimates(std::span<const Estimate> estimates, int factors, std::vector<FactorIndices>& indices);
// BootstrapEstimates of an estimator of the two indices of each factor.
Outcome Bootstrap(int units, int factors, std::uint64_t seed, int resamples, int most,
                  const Estimator& estimate, std::vector<FactorIndices>& indices);

struct UnitMoments {
    double total = 0.0;
    double mean = 0.0;
    double variance = 0.0; // population
};
template <typename Value> UnitMoments Moments(Units units, Value value) {
    UnitMoments m;
    m.total = static_cast<double>(units.size());
    if (units.empty()) return m;
    for (const int u : units) m.mean += value(u);
    m.mean /= m.total;
    for (const int u : units) {
        const double dev = value(u) - m.mean;
        m.variance += dev * dev;
    }
    m.variance /= m.total;
    return m;
}

// The distinct units of a resample and how often each was drawn.
struct Distinct {
    std::vector<int> units;
    std::vector<double> copies;
};
Distinct DistinctUnits(Units units);

// Average ranks (ties, copies included, share the mean of their positions), 1-based, of the values of
// the distinct drawn units, in their order.
std::vector<double> Ranks(std::span<const double> values, const Distinct& drawn);
// The units of `values` in ascending order of their values, sorted once for every resample's Ranks.
std::vector<int> AscendingUnits(std::span<const double> values);
// Ranks of a resample from `ascending`, the AscendingUnits of `values`: the same ranks, without a sort
// when the resample draws a good part of the units.
std::vector<double> Ranks(std::span<const double> values, const Distinct& drawn,
                          std::span<const int> ascending);

// Values mapped onto [-1, 1] by the midpoint and half-width of their range. Neither the difference from
// the midpoint nor anything computed from the mapped values can overflow, whatever finite values came in;
// `half` is 0 when they are all equal (they then map to 0).
struct Mapped {
    std::vector<double> values;
    double half = 0.0;
};
template <typename Value> Mapped MapOntoUnitRange(std::size_t count, Value value) {
    Mapped m;
    m.values.resize(count, 0.0);
    if (count == 0) return m;
    double lo = value(0), hi = value(0);
    for (std::size_t i = 1; i < count; ++i) {
        lo = std::min(lo, value(i));
        hi = std::max(hi, value(i));
    }
    const double middle = lo / 2 + hi / 2;
    m.half = hi / 2 - lo / 2;
    if (!(m.half > 0)) {
        m.half = 0.0;
        return m;
    }
    for (std::size_t i = 0; i < count; ++i) m.values[i] = (value(i) - middle) / m.half;
    return m;
}

} // namespace tulo::sensitivity
