#pragma once
// How sure a calibration's result is: each parameter's approximate standard error and 95 % interval and
// the correlations between the parameters, by the Gauss-Newton approximation at the result.
//
// The residuals are those the objective weighs: for each data set and each table with a weight above 0,
// one residual per paired measurement, sqrt(weight) x (simulated - measured) / (mean of the table's
// measured values). Dividing by the table's mean is what the relative RMSE does, so that tables in t/ha
// and in m2/m2 add up; for one table their sum of squares is n (RRMSE / 100)^2, minimal where the RRMSE
// is. The "CV on the last point" part of the other objective is no sum of squares and is left out.
//
// The Jacobian of the residuals is taken by central differences on the season itself, the step a share
// of each parameter's calibration range, widened while it leaves every residual as it is (a parameter
// that acts in whole days moves nothing within a small step) (one-sided where a step would leave the
// parameter's accepted values or break the order of the temperatures), the seasons run in parallel by the
// ensemble, so the result is the same on any number of threads. The covariance is s^2 (J'J)^-1 with s^2 = SSR
// / (n - p).

#include "calibration/Objective.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tulo {

// The step of the finite differences, as a share of the parameter's calibration range: small enough for
// a local slope, large enough to step over the single-precision noise of a season and to move its
// day-by-day thresholds.
inline constexpr double kJacobianStepShare = 0.01;
// The widest step, doubling from the first, that is tried before a parameter counts as unseen.
inline constexpr double kJacobianMaxStepShare = 0.32;
// A value this close to an end of its calibration range (as a share of the range) is at its bound: the
// minimum of the objective lies at or beyond the end, and a slope there says nothing of the value.
inline constexpr double kAtBoundShare = 0.005;
// A parameter correlated beyond this with another cannot be told apart from it.
inline constexpr double kIdentifiableCorrelation = 0.95;
// Eigenvalues of the scaled J'J (unit diagonal) below this share of the largest count as zero: a
// direction the data cannot see.
inline constexpr double kSingularShare = 1e-10;

struct ParameterUncertainty {
    double se = 0;            // infinite when the data cannot tell the parameter's value
    double low = 0, high = 0; // within the calibration range
    bool identifiable =
        false;            // a finite interval within the range, no correlation beyond 0.95, not at a bound
    bool atBound = false; // the value lies at an end of its range
};

struct CalibrationUncertainty {
    std::vector<ParameterUncertainty> parameters;
    // p x p; NaN where a standard error is infinite.
    std::vector<std::vector<double>> correlation;
    int measurements = 0; // residuals
    double ssr = 0;
    std::string note; // why no standard error has a value (too few measurements, no season at the result)
};

// The Gauss-Newton approximation from the Jacobian (one row per residual, one column per parameter; a
// column that is not a number marks a slope that could not be taken) and the residuals at the values.
CalibrationUncertainty UncertaintyFromJacobian(const std::vector<std::vector<double>>& jacobian,
                                               std::span<const double> residuals,
                                               std::span<const double> values,
                                               std::span<const CalibratedParameter> ranges);

// The residuals the objective weighs, of every data set, at a point (run one data set after the other on
// `run`); nothing when a season cannot be run there.
std::optional<std::vector<double>> WeightedResiduals(const CalibrationProblem& problem,
                                                     std::span<const double> x, RunState& run);

// The uncertainty of a calibration's result.
CalibrationUncertainty EstimateUncertainty(const CalibrationProblem& problem, std::span<const double> values);

// The two-sided 95 % quantile of Student's t with `freedom` degrees of freedom.
double StudentT95(int freedom);

// "Not identifiable from these data: StSen, Tb for growth." for the parameters flagged, and "At a bound of
// its range: NPLSB." for those at a bound, or nothing.
std::optional<std::string> IdentifiabilityWarning(const CalibrationUncertainty& uncertainty,
                                                  std::span<const std::string> names);

} // namespace tulo
