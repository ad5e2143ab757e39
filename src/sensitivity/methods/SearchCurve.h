#pragma once
// What both FASTs share: the search curve that carries each factor through its range at a frequency of
// its own, and the variance the outputs along a curve put at a frequency.

#include "sensitivity/methods/Statistics.h"

#include <optional>
#include <vector>

namespace tulo::sensitivity {

// The search curve's coordinate: a triangle wave of the angle, uniform over [0, 1].
double Curve(double angle);

// True when the units drawn are not the curve's n points each once: a resample.
bool Resampled(Units w, int n);

// One factor's curve in a resample: the moments of its outputs, and twice the power of a transform
// coefficient, the variance the curve puts at the coefficient's frequency.
struct CurvePower {
    UnitMoments moments;
    // Resampled points add about 2 V / N of power at every frequency; unremoved, it would pull the
    // resampled total indices far below the estimate.
    double noise = 0.0;
    double operator()(double re, double im) const {
        return 2 * (re * re + im * im) / (moments.total * moments.total) - noise;
    }
};
// Nothing when the curve's outputs do not vary.
template <typename Value> std::optional<CurvePower> MeasureCurve(Units w, bool resampled, Value value) {
    CurvePower curve{Moments(w, value)};
    if (!(curve.moments.variance > 0)) return std::nullopt;
    curve.noise = resampled ? 2 * curve.moments.variance / curve.moments.total : 0.0;
    return curve;
}

// The indices estimated on all n curve points, without intervals.
void PointIndices(const Estimator& estimate, int n, int factors, std::vector<FactorIndices>& indices);

} // namespace tulo::sensitivity
