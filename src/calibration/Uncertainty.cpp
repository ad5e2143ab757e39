#include "calibration/Uncertainty.h"

#include "engine/Ensemble.h"
#include "engine/Season.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tulo {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kAgbVariable = 2; // "AGB tot (tAGB/ha)", as the objective reads it
constexpr int kLaiVariable = 6; // "GAI (m2/m2)"

using Matrix = std::vector<std::vector<double>>;

// A table's residuals are appended only when the objective weighs it.
void AppendResiduals(const RunState& run, const CalibrationDataSet& set, const CalibrationSettings& settings,
                     std::vector<double>& residuals) {
    std::vector<double> simulated, measured;
    const auto append = [&](int variable, const MeasuredData& data, double weight) {
        if (!(weight > 0)) return;
        simulated.clear();
        measured.clear();
        AppendPairs(run, variable, data, simulated, measured);
        double mean = 0;
        for (const double m : measured) mean += m;
        if (measured.empty() || mean == 0) return; // the checks refuse such a table
        mean /= static_cast<double>(measured.size());
        const double scale = std::sqrt(weight) / mean;
        for (std::size_t i = 0; i < measured.size(); ++i)
            residuals.push_back(scale * (simulated[i] - measured[i]));
    };
    append(kAgbVariable, set.agb, settings.agbWeight);
    if (settings.withLai) append(kLaiVariable, set.lai, settings.laiWeight);
}

// Eigenvalues and eigenvectors (columns of `vectors`) of a small symmetric matrix, by Jacobi rotations.
void SymmetricEigen(Matrix a, std::vector<double>& values, Matrix& vectors) {
    const std::size_t n = a.size();
    vectors.assign(n, std::vector<double>(n, 0.0));
    for (std::size_t i = 0; i < n; ++i) vectors[i][i] = 1;
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0;
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = i + 1; j < n; ++j) off += a[i][j] * a[i][j];
        if (off < 1e-30) break;
        for (std::size_t p = 0; p < n; ++p)
            for (std::size_t q = p + 1; q < n; ++q) {
                if (a[p][q] == 0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const double t =
                    (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (std::size_t k = 0; k < n; ++k) {
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (std::size_t k = 0; k < n; ++k) {
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (std::size_t k = 0; k < n; ++k) {
                    const double vkp = vectors[k][p], vkq = vectors[k][q];
                    vectors[k][p] = c * vkp - s * vkq;
                    vectors[k][q] = s * vkp + c * vkq;
                }
            }
    }
    values.resize(n);
    for (std::size_t i = 0; i < n; ++i) values[i] = a[i][i];
}

CalibrationUncertainty Unknown(std::size_t p, std::string note) {
    CalibrationUncertainty u;
    u.parameters.assign(p, {kInfinity, -kInfinity, kInfinity, false});
    u.correlation.assign(p, std::vector<double>(p, kNaN));
    u.note = std::move(note);
    return u;
}

} // namespace

double StudentT95(int freedom) {
    static constexpr double kTable[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306,
                                        2.262,  2.228, 2.201, 2.179, 2.160, 2.145, 2.131, 2.120,
                                        2.110,  2.101, 2.093, 2.086, 2.080, 2.074, 2.069, 2.064,
                                        2.060,  2.056, 2.052, 2.048, 2.045, 2.042};
    if (freedom < 1) return kInfinity;
    if (freedom <= 30) return kTable[freedom - 1];
    // The Cornish-Fisher expansion about the normal quantile, within 1e-4 from 30 degrees on.
    const double z = 1.959963984540054, v = freedom;
    return z + (z * z * z + z) / (4 * v) + (5 * std::pow(z, 5) + 16 * z * z * z + 3 * z) / (96 * v * v) +
           (3 * std::pow(z, 7) + 19 * std::pow(z, 5) + 17 * z * z * z - 15 * z) / (384 * v * v * v);
}

namespace {

// J'J.
Matrix NormalMatrix(const Matrix& jacobian, std::size_t p) {
    Matrix jtj(p, std::vector<double>(p, 0.0));
    for (const auto& row : jacobian)
        for (std::size_t i = 0; i < p; ++i)
            for (std::size_t j = 0; j < p; ++j) jtj[i][j] += row[i] * row[j];
    return jtj;
}

// The pseudo-inverse of J'J on the columns `seen`, scaled to a unit diagonal, and how much of each of
// those parameters lies in a null direction.
struct ScaledInverse {
    Matrix inverse;
    std::vector<double> inNullSpace;
};

ScaledInverse PseudoInverse(const Matrix& jtj, std::span<const std::size_t> seen) {
    // Scaled to a unit diagonal, the eigenvalues compare directions whatever the parameters' units.
    const std::size_t m = seen.size();
    Matrix scaled(m, std::vector<double>(m));
    for (std::size_t a = 0; a < m; ++a)
        for (std::size_t b = 0; b < m; ++b)
            scaled[a][b] = jtj[seen[a]][seen[b]] / std::sqrt(jtj[seen[a]][seen[a]] * jtj[seen[b]][seen[b]]);
    std::vector<double> lambda;
    Matrix v;
    SymmetricEigen(scaled, lambda, v);
    const double largest = m == 0 ? 0 : *std::max_element(lambda.begin(), lambda.end());
    // The pseudo-inverse gives the variance of every parameter the data can tell from the others: one
    // with no part in a null direction.
    ScaledInverse result{Matrix(m, std::vector<double>(m, 0.0)), std::vector<double>(m, 0.0)};
    for (std::size_t e = 0; e < m; ++e) {
        const bool null = !(lambda[e] > kSingularShare * largest);
        for (std::size_t a = 0; a < m; ++a) {
            if (null) {
                result.inNullSpace[a] += v[a][e] * v[a][e];
                continue;
            }
            for (std::size_t b = 0; b < m; ++b) result.inverse[a][b] += v[a][e] * v[b][e] / lambda[e];
        }
    }
    return result;
}

// A parameter is identifiable when its interval is narrower than its range, it goes with no other and
// it does not sit on an end of its range. The interval is then cut to the range: no value outside it
// was ever a candidate.
void JudgeIdentifiable(CalibrationUncertainty& u, std::span<const double> values,
                       std::span<const CalibratedParameter> ranges) {
    const std::size_t p = u.parameters.size();
    for (std::size_t i = 0; i < p; ++i) {
        ParameterUncertainty& q = u.parameters[i];
        const double width = ranges[i].max - ranges[i].min;
        q.identifiable = std::isfinite(q.se) && q.high - q.low <= width;
        for (std::size_t j = 0; j < p; ++j)
            if (j != i && std::fabs(u.correlation[i][j]) > kIdentifiableCorrelation) q.identifiable = false;
        q.atBound = values[i] - ranges[i].min <= kAtBoundShare * width ||
                    ranges[i].max - values[i] <= kAtBoundShare * width;
        if (q.atBound) q.identifiable = false;
        if (std::isfinite(q.se)) {
            q.low = std::max(q.low, ranges[i].min);
            q.high = std::min(q.high, ranges[i].max);
        }
    }
}

} // namespace

CalibrationUncertainty UncertaintyFromJacobian(const Matrix& jacobian, std::span<const double> residuals,
                                               std::span<const double> values,
                                               std::span<const CalibratedParameter> ranges) {
    const std::size_t p = values.size(), n = residuals.size();
    if (n <= p)
        return Unknown(p, std::to_string(n) + " measurements for " + std::to_string(p) +
                              " parameters: a standard error needs more measurements than parameters.");
    double ssr = 0;
    for (const double r : residuals) ssr += r * r;
    const double s2 = ssr / static_cast<double>(n - p);

    // The columns with a slope; a column of zeros or without a value is a parameter the data do not see.
    const Matrix jtj = NormalMatrix(jacobian, p);
    std::vector<std::size_t> seen;
    for (std::size_t i = 0; i < p; ++i)
        if (std::isfinite(jtj[i][i]) && jtj[i][i] > 0) seen.push_back(i);
    const std::size_t m = seen.size();
    const auto [inverse, inNullSpace] = PseudoInverse(jtj, seen);

    CalibrationUncertainty u = Unknown(p, "");
    u.measurements = static_cast<int>(n);
    u.ssr = ssr;
    const double t = StudentT95(static_cast<int>(n - p));
    for (std::size_t a = 0; a < m; ++a) {
        if (inNullSpace[a] > 1e-6) continue;
        const std::size_t i = seen[a];
        const double se = std::sqrt(s2 * inverse[a][a] / jtj[i][i]);
        u.parameters[i] = {se, values[i] - t * se, values[i] + t * se, false};
    }
    for (std::size_t a = 0; a < m; ++a)
        for (std::size_t b = 0; b < m; ++b) {
            const std::size_t i = seen[a], j = seen[b];
            if (!std::isfinite(u.parameters[i].se) || !std::isfinite(u.parameters[j].se)) continue;
            u.correlation[i][j] = i == j ? 1.0 : inverse[a][b] / std::sqrt(inverse[a][a] * inverse[b][b]);
        }
    JudgeIdentifiable(u, values, ranges);
    return u;
}

std::optional<std::vector<double>> WeightedResiduals(const CalibrationProblem& problem,
                                                     std::span<const double> x, RunState& run) {
    std::vector<double> residuals;
    std::size_t index = 0;
    for (const CalibrationDataSet& set : problem.dataSets()) {
        RunSeason(*set.inputs, DataSetValues(problem.settings(), x, index++), run);
        if (FirstNonFiniteOutput(run)) return std::nullopt;
        AppendResiduals(run, set, problem.settings(), residuals);
    }
    return residuals;
}

namespace {

// The Jacobian's columns of the parameters `which` with these steps, and the residuals at the values;
// a failure names the season that cannot be run again at the result.
struct JacobianPart {
    std::vector<double> center;
    std::vector<std::vector<double>> columns; // one per parameter, NaN where no slope could be taken
    std::optional<std::string> failure;
};

JacobianPart JacobianColumns(const CalibrationProblem& problem, std::span<const double> values,
                             std::span<const double> steps, std::span<const std::size_t> which) {
    const CalibrationSettings& settings = problem.settings();
    const std::size_t p = values.size();
    const auto registry = CropParameterRegistry();
    // Set 0 is the result; sets 2w + 1 and 2w + 2 step parameter which[w] down and up.
    std::vector<double> lower(p), upper(p);
    std::vector<std::vector<double>> points = {std::vector<double>(values.begin(), values.end())};
    for (const std::size_t k : which) {
        const ParameterInfo& info = registry[static_cast<std::size_t>(settings.parameters[k].index)];
        lower[k] = std::max(values[k] - steps[k], info.min);
        upper[k] = std::min(values[k] + steps[k], info.max);
        for (const double x : {lower[k], upper[k]}) {
            points.push_back(points.front());
            points.back()[k] = x;
        }
    }
    EnsembleOptions options;
    options.threads = problem.control().threads;
    JacobianPart part;
    part.columns.assign(p, {});
    for (std::size_t index = 0; index < problem.dataSets().size(); ++index) {
        const CalibrationDataSet& set = problem.dataSets()[index];
        // A step of another site's own parameter leaves this season as it is: its slope here is 0.
        std::vector<ParameterSet> sets;
        for (const auto& point : points) sets.push_back(DataSetValues(settings, point, index));
        std::vector<std::vector<double>> residuals(sets.size());
        const std::vector<std::string> problems = RunEnsembleInto(
            *set.inputs, sets,
            [&](std::size_t s, const RunState& run) { AppendResiduals(run, set, settings, residuals[s]); },
            options);
        if (!problems.front().empty()) {
            part.failure = "The season at the result cannot be run again: " + problems.front();
            return part;
        }
        const std::vector<double>& here = residuals.front();
        for (std::size_t w = 0; w < which.size(); ++w) {
            const std::size_t k = which[w];
            // A step the season refuses (an order of temperatures broken) falls back on the result itself.
            const bool downRan = problems[2 * w + 1].empty(), upRan = problems[2 * w + 2].empty();
            const double low = downRan ? lower[k] : values[k], high = upRan ? upper[k] : values[k];
            const std::vector<double>& down = downRan ? residuals[2 * w + 1] : here;
            const std::vector<double>& up = upRan ? residuals[2 * w + 2] : here;
            for (std::size_t i = 0; i < here.size(); ++i)
                part.columns[k].push_back(high > low ? (up[i] - down[i]) / (high - low) : kNaN);
        }
        part.center.insert(part.center.end(), here.begin(), here.end());
    }
    return part;
}

bool AllZero(const std::vector<double>& column) {
    return std::all_of(column.begin(), column.end(), [](double v) { return v == 0; });
}

} // namespace

CalibrationUncertainty EstimateUncertainty(const CalibrationProblem& problem,
                                           std::span<const double> values) {
    const CalibrationSettings& settings = problem.settings();
    const std::size_t p = values.size();
    std::vector<double> steps(p);
    std::vector<std::size_t> which(p);
    for (std::size_t k = 0; k < p; ++k) {
        steps[k] = kJacobianStepShare * (settings.parameters[k].max - settings.parameters[k].min);
        which[k] = k;
    }
    JacobianPart jacobian = JacobianColumns(problem, values, steps, which);
    if (jacobian.failure) return Unknown(p, *jacobian.failure);
    // A step that moves no residual says nothing of the slope: widen it until the season answers.
    for (double share = 2 * kJacobianStepShare; share <= kJacobianMaxStepShare; share *= 2) {
        which.clear();
        for (std::size_t k = 0; k < p; ++k)
            if (!jacobian.columns[k].empty() && AllZero(jacobian.columns[k])) {
                which.push_back(k);
                steps[k] = share * (settings.parameters[k].max - settings.parameters[k].min);
            }
        if (which.empty()) break;
        const JacobianPart wider = JacobianColumns(problem, values, steps, which);
        if (wider.failure) break;
        for (const std::size_t k : which) jacobian.columns[k] = wider.columns[k];
    }
    Matrix rows(jacobian.center.size(), std::vector<double>(p, kNaN));
    for (std::size_t k = 0; k < p; ++k)
        for (std::size_t i = 0; i < jacobian.columns[k].size() && i < rows.size(); ++i)
            rows[i][k] = jacobian.columns[k][i];
    return UncertaintyFromJacobian(rows, jacobian.center, values, settings.parameters);
}

std::optional<std::string> IdentifiabilityWarning(const CalibrationUncertainty& uncertainty,
                                                  std::span<const std::string> names) {
    std::string list, bound;
    for (std::size_t k = 0; k < uncertainty.parameters.size() && k < names.size(); ++k) {
        std::string& into = uncertainty.parameters[k].atBound ? bound : list;
        if (!uncertainty.parameters[k].identifiable) into += (into.empty() ? "" : ", ") + names[k];
    }
    if (list.empty() && bound.empty()) return std::nullopt;
    std::string text;
    if (!list.empty()) text = "Not identifiable from these data: " + list + ".";
    if (!bound.empty())
        text += (text.empty() ? "" : " ") + std::string("At a bound of its range: ") + bound + ".";
    return text;
}

} // namespace tulo
