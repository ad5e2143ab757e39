#include "sensitivity/Methods.h"

#include "base/Numbers.h"
#include "base/Problems.h"

#include <boost/math/distributions/normal.hpp>
#include <boost/random/sobol.hpp>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <random>
#include <set>

namespace tulo::sensitivity {

namespace {

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

// Distinct streams for the sample and the bootstrap of one seed.
constexpr std::uint64_t kBootstrapStream = 0x9e3779b97f4a7c15ULL;

std::vector<std::string> Tokens(std::string_view line) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) tokens.emplace_back(line.substr(start, i - start));
    }
    return tokens;
}

std::optional<long> WholeNumber(std::string_view text, long least, long most) {
    const auto value = ParseNumber(text);
    if (!value || *value != std::floor(*value) || *value < static_cast<double>(least) ||
        *value > static_cast<double>(most))
        return std::nullopt;
    return static_cast<long>(*value);
}

// Boost's generator starts after the all-zero point, which would sit on the corner of every factor.
void SobolPoints(int dimension, int points, std::vector<double>& out) {
    boost::random::sobol engine(static_cast<std::size_t>(dimension));
    out.resize(static_cast<std::size_t>(points) * dimension);
    for (double& u : out) u = static_cast<double>(engine()) * 0x1p-64;
}

// The search curve's coordinate: a triangle wave of the angle, uniform over [0, 1].
double Curve(double angle) {
    return std::clamp(0.5 + std::asin(std::sin(angle)) / std::numbers::pi, 0.0, 1.0);
}

int ExtendedFastPoints(const Method& method, int factors) {
    return method.executions / factors;
}

// The frequency of the factor an extended FAST curve explores: as high as its first kFastHarmonics
// harmonics allow, and odd, so that it is no low multiple of the others' (mostly smaller, even) ones.
int ExtendedFastFrequency(int points) {
    const int omega = (points - 1) / (2 * kFastHarmonics);
    return omega % 2 == 0 ? omega - 1 : omega;
}

// The other factors' frequencies on the curve of an extended FAST factor whose frequency is `omega`: low
// enough that their harmonics stay below the band that measures its total effect.
std::vector<int> ComplementaryFrequencies(int omega, int others) {
    std::vector<int> result(static_cast<std::size_t>(others));
    const int most = std::max(1, omega / (4 * kFastHarmonics));
    for (int j = 0; j < others; ++j) {
        if (most >= others && others > 1)
            result[j] = 1 + static_cast<int>(static_cast<long>(j) * (most - 1) / (others - 1));
        else
            result[j] = j % most + 1;
    }
    return result;
}

// The number of Sobol' blocks of n rows, and per pair j < l (at j * k + l) the block whose rows share
// exactly the columns i, j and l with B_A^i: A_B^jl, or -1 when not drawn. A triple's closed effect
// needs one drawn pair in it, so the pairs are drawn within two halves of the factors only: any three
// factors have two in one half, and that takes about k^2 / 4 blocks instead of k^2 / 2. With three
// factors A_B^jl is B_A^i itself and nothing more is drawn.
int SobolBlocks(const Method& method, int k, std::vector<int>& pairBlock) {
    pairBlock.clear();
    if (!method.sobolCustom || method.sobolOrder < 2 || k < 2) return k + 2;
    int blocks = 2 * k + 2;
    if (method.sobolOrder < 3 || k < 3) return blocks;
    pairBlock.assign(static_cast<std::size_t>(k) * k, -1);
    const int half = (k + 1) / 2;
    for (int j = 0; j < k; ++j)
        for (int l = j + 1; l < k; ++l) {
            int& block = pairBlock[static_cast<std::size_t>(j) * k + l];
            if (k == 3)
                block = 2 + k + (3 - j - l);
            else if ((j < half) == (l < half))
                block = blocks++;
        }
    return blocks;
}

} // namespace

std::optional<std::string> CheckFactor(const Factor& f) {
    const auto bad = [&](const std::string& why) { return f.name + ": " + why + "."; };
    if (!std::isfinite(f.a) || !std::isfinite(f.b)) return bad("the numbers must be finite");
    switch (f.distribution) {
    case Distribution::Normal:
        if (!(f.b > 0)) return bad("the standard deviation must be positive");
        if (!(f.lowQuantile > 0 && f.lowQuantile < f.highQuantile && f.highQuantile < 1))
            return bad("the truncation quantiles must satisfy 0 < low < high < 1");
        break;
    case Distribution::Uniform:
        if (!(f.a < f.b)) return bad("the lower bound must be below the upper bound");
        break;
    case Distribution::Constant:
        break;
    }
    return std::nullopt;
}

double FactorValue(const Factor& f, double u) {
    u = std::clamp(u, 0.0, 1.0);
    switch (f.distribution) {
    case Distribution::Normal: {
        const boost::math::normal_distribution<double> normal(f.a, f.b);
        return boost::math::quantile(normal, f.lowQuantile + u * (f.highQuantile - f.lowQuantile));
    }
    case Distribution::Uniform:
        return f.a + u * (f.b - f.a);
    case Distribution::Constant:
        break;
    }
    return f.a;
}

std::optional<std::string> ParseMethod(std::string_view keyword, std::string_view line, Method& method) {
    std::string key(Trim(keyword));
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::vector<std::string> t = Tokens(line);
    const auto wrong = [&](const std::string& expected) -> std::optional<std::string> {
        return "The method line " + QuoteValue(Trim(line)) + " of the method " + QuoteValue(key) +
               " must be " + expected + ".";
    };
    constexpr long kMaxSeed = 2147483647;
    constexpr long kMaxRuns = kMaxDesignRows;
    method = Method{};
    if (key == "lhs" || key == "random") {
        method.kind = key == "lhs" ? MethodKind::Lhs : MethodKind::Random;
        const auto seed = t.size() == 2 ? WholeNumber(t[0], 0, kMaxSeed) : std::nullopt;
        const auto runs = t.size() == 2 ? WholeNumber(t[1], 2, kMaxRuns) : std::nullopt;
        if (!seed || !runs) return wrong("a seed and a number of executions (2 or more)");
        method.seed = static_cast<std::uint64_t>(*seed);
        method.executions = static_cast<int>(*runs);
    } else if (key == "lptau") {
        method.kind = MethodKind::LpTau;
        const auto runs = t.size() == 1 ? WholeNumber(t[0], 2, kMaxRuns) : std::nullopt;
        if (!runs) return wrong("a number of executions (2 or more)");
        method.executions = static_cast<int>(*runs);
    } else if (key == "morris") {
        method.kind = MethodKind::Morris;
        const auto seed = t.size() == 3 ? WholeNumber(t[0], 0, kMaxSeed) : std::nullopt;
        const auto trajectories = t.size() == 3 ? WholeNumber(t[1], 2, 100000) : std::nullopt;
        const auto levels = t.size() == 3 ? WholeNumber(t[2], 2, 1000) : std::nullopt;
        if (!seed || !trajectories || !levels || *levels % 2 != 0)
            return wrong("a seed, a number of trajectories (2 or more) and an even number of levels");
        method.seed = static_cast<std::uint64_t>(*seed);
        method.trajectories = static_cast<int>(*trajectories);
        method.levels = static_cast<int>(*levels);
    } else if (key == "sobol") {
        method.kind = MethodKind::Sobol;
        const auto variant = !t.empty() ? WholeNumber(t[0], 1, 3) : std::nullopt;
        const bool custom = variant == 3;
        const auto exponent =
            t.size() == (custom ? 3u : 2u) && variant != 2 ? WholeNumber(t[1], 0, 15) : std::nullopt;
        const auto order = custom && exponent ? WholeNumber(t[2], 1, 3) : std::optional<long>(1);
        if (!exponent || !order)
            return wrong(
                "1 and a whole exponent from 0 to 15 (total), or 3, the exponent and an order 1 to 3 "
                "(custom)");
        method.sobolCustom = custom;
        method.sobolExponent = static_cast<int>(*exponent);
        method.sobolOrder = static_cast<int>(*order);
    } else if (key == "fast") {
        const auto variant = t.size() == 3 ? WholeNumber(t[0], 1, 2) : std::nullopt;
        const auto seed = t.size() == 3 ? WholeNumber(t[1], 0, kMaxSeed) : std::nullopt;
        const auto runs = t.size() == 3 ? WholeNumber(t[2], 1, kMaxRuns) : std::nullopt;
        if (!variant || !seed || !runs)
            return wrong("1 (classic) or 2 (extended), a seed and a number of executions");
        method.kind = variant == 1 ? MethodKind::Fast : MethodKind::ExtendedFast;
        method.seed = static_cast<std::uint64_t>(*seed);
        method.executions = static_cast<int>(*runs);
    } else {
        return "Unknown method " + QuoteValue(key) + ": expected lhs, random, lptau, morris, sobol or fast.";
    }
    return std::nullopt;
}

std::string MethodText(const Method& m) {
    const auto n = [](long v) { return std::to_string(v); };
    switch (m.kind) {
    case MethodKind::Lhs:
        return "lhs " + n(static_cast<long>(m.seed)) + " " + n(m.executions);
    case MethodKind::Random:
        return "random " + n(static_cast<long>(m.seed)) + " " + n(m.executions);
    case MethodKind::LpTau:
        return "lptau " + n(m.executions);
    case MethodKind::Morris:
        return "morris " + n(static_cast<long>(m.seed)) + " " + n(m.trajectories) + " " + n(m.levels);
    case MethodKind::Sobol:
        return m.sobolCustom ? "sobol 3 " + n(m.sobolExponent) + " " + n(m.sobolOrder)
                             : "sobol 1 " + n(m.sobolExponent);
    case MethodKind::Fast:
        return "fast 1 " + n(static_cast<long>(m.seed)) + " " + n(m.executions);
    case MethodKind::ExtendedFast:
        return "fast 2 " + n(static_cast<long>(m.seed)) + " " + n(m.executions);
    }
    return {};
}

std::vector<int> FastFrequencies(int factors) {
    constexpr int budget = kFastHarmonics + 1;
    // reach[b]: every sum of the chosen frequencies with integer coefficients of absolute sum at most b.
    std::vector<std::set<long>> reach(budget + 1, std::set<long>{0});
    std::vector<int> chosen;
    for (long candidate = 1; static_cast<int>(chosen.size()) < factors; ++candidate) {
        bool free = true;
        for (int c = 1; c <= budget && free; ++c) free = !reach[budget - c].contains(c * candidate);
        if (!free) continue;
        chosen.push_back(static_cast<int>(candidate));
        for (int b = budget; b >= 1; --b) {
            std::set<long> grown = reach[b];
            for (int c = 1; c <= b; ++c)
                for (const long s : reach[b - c]) {
                    grown.insert(s + c * candidate);
                    grown.insert(s - c * candidate);
                }
            reach[b] = std::move(grown);
        }
    }
    return chosen;
}

std::optional<std::string> MakeDesign(const Method& method, int k, Design& d) {
    if (k < 1) return std::string("The analysis needs at least one factor.");
    d = Design{};
    d.factors = k;
    long rows = 0;
    const int M = kFastHarmonics;
    switch (method.kind) {
    case MethodKind::Lhs:
    case MethodKind::Random:
    case MethodKind::LpTau:
        rows = method.executions;
        break;
    case MethodKind::Morris:
        rows = static_cast<long>(method.trajectories) * (k + 1);
        break;
    case MethodKind::Sobol: {
        d.baseRows = 1 << (method.sobolExponent + 5);
        rows = static_cast<long>(d.baseRows) * SobolBlocks(method, k, d.sobolPairBlock);
        break;
    }
    case MethodKind::Fast: {
        // The search for the frequencies takes seconds beyond this: refused before it starts.
        if (k > kMaxFastFactors)
            return "Classic FAST takes at most " + std::to_string(kMaxFastFactors) + " factors, not " +
                   std::to_string(k) + "; extended FAST takes more.";
        d.frequencies = FastFrequencies(k);
        const long least = 2L * M * d.frequencies.back() + 1;
        if (method.executions < least)
            return "Classic FAST of " + std::to_string(k) + " factors needs at least " +
                   std::to_string(least) + " executions.";
        d.baseRows = method.executions;
        rows = method.executions;
        break;
    }
    case MethodKind::ExtendedFast:
        d.baseRows = ExtendedFastPoints(method, k);
        if (d.baseRows < 4 * M * M + 1)
            return "Extended FAST of " + std::to_string(k) + " factors needs at least " +
                   std::to_string((4 * M * M + 1) * k) + " executions.";
        rows = static_cast<long>(d.baseRows) * k;
        break;
    }
    if (rows > kMaxDesignRows)
        return "The sample would have " + std::to_string(rows) + " rows, more than the " +
               std::to_string(kMaxDesignRows) + " the tool draws.";
    if (rows * k > kMaxDesignValues)
        return "The sample would have " + std::to_string(rows) + " rows of " + std::to_string(k) +
               " factors, more than the " + std::to_string(kMaxDesignValues) + " values the tool draws.";
    d.rows = static_cast<int>(rows);
    d.unit.assign(static_cast<std::size_t>(rows) * k, 0.0);
    const auto cell = [&](long row, int factor) -> double& {
        return d.unit[static_cast<std::size_t>(row) * k + factor];
    };
    Random random(method.seed);
    const double twoPi = 2 * std::numbers::pi;
    switch (method.kind) {
    case MethodKind::Lhs:
        // One stratum of each factor per row, the strata paired at random.
        for (int j = 0; j < k; ++j) {
            std::vector<int> strata(static_cast<std::size_t>(rows));
            for (int i = 0; i < rows; ++i) strata[i] = i;
            for (std::size_t i = strata.size() - 1; i > 0; --i)
                std::swap(strata[i], strata[random.Below(i + 1)]);
            for (int i = 0; i < rows; ++i)
                cell(i, j) = (strata[i] + random.Unit()) / static_cast<double>(rows);
        }
        break;
    case MethodKind::Random:
        for (double& u : d.unit) u = random.Unit();
        break;
    case MethodKind::LpTau:
        SobolPoints(k, d.rows, d.unit);
        break;
    case MethodKind::Morris: {
        // Each trajectory starts at a random grid point and moves every factor once by delta, in random
        // order and direction.
        const int p = method.levels;
        const double delta = p / (2.0 * (p - 1));
        d.stepFactor.assign(static_cast<std::size_t>(rows), -1);
        d.stepSign.assign(static_cast<std::size_t>(rows), 0);
        std::vector<double> x(static_cast<std::size_t>(k));
        std::vector<int> order(static_cast<std::size_t>(k));
        for (int t = 0; t < method.trajectories; ++t) {
            const long start = static_cast<long>(t) * (k + 1);
            std::vector<int> direction(static_cast<std::size_t>(k));
            for (int j = 0; j < k; ++j) {
                const double base =
                    static_cast<double>(random.Below(static_cast<std::size_t>(p / 2))) / (p - 1);
                direction[j] = random.Below(2) == 0 ? 1 : -1;
                x[j] = direction[j] > 0 ? base : base + delta;
                order[j] = j;
            }
            for (std::size_t i = order.size() - 1; i > 0; --i)
                std::swap(order[i], order[random.Below(i + 1)]);
            for (int j = 0; j < k; ++j) cell(start, j) = x[j];
            for (int s = 0; s < k; ++s) {
                const int j = order[s];
                x[j] = std::clamp(x[j] + direction[j] * delta, 0.0, 1.0);
                for (int f = 0; f < k; ++f) cell(start + s + 1, f) = x[f];
                d.stepFactor[start + s + 1] = j;
                d.stepSign[start + s + 1] = static_cast<signed char>(direction[j]);
            }
        }
        break;
    }
    case MethodKind::Sobol: {
        // The blocks Design describes, all from one 2k-dimensional low-discrepancy sequence.
        const int n = d.baseRows;
        const bool pairs = d.rows > n * (k + 2);
        std::vector<double> points;
        SobolPoints(2 * k, n, points);
        for (int r = 0; r < n; ++r)
            for (int j = 0; j < k; ++j) {
                const double a = points[static_cast<std::size_t>(r) * 2 * k + j];
                const double b = points[static_cast<std::size_t>(r) * 2 * k + k + j];
                cell(r, j) = a;
                cell(n + r, j) = b;
                for (int i = 0; i < k; ++i) cell(static_cast<long>(2 + i) * n + r, j) = i == j ? b : a;
                if (!pairs) continue;
                for (int i = 0; i < k; ++i) cell(static_cast<long>(2 + k + i) * n + r, j) = i == j ? a : b;
                for (int p = 0; p < k && !d.sobolPairBlock.empty(); ++p)
                    for (int q = p + 1; q < k; ++q)
                        if (const int block = d.sobolPairBlock[static_cast<std::size_t>(p) * k + q];
                            block >= 2 + 2 * k)
                            cell(static_cast<long>(block) * n + r, j) = j == p || j == q ? b : a;
            }
        break;
    }
    case MethodKind::Fast: {
        std::vector<double> phase(static_cast<std::size_t>(k));
        for (double& ph : phase) ph = twoPi * random.Unit();
        for (int r = 0; r < d.rows; ++r)
            for (int j = 0; j < k; ++j) cell(r, j) = Curve(d.frequencies[j] * twoPi * r / d.rows + phase[j]);
        break;
    }
    case MethodKind::ExtendedFast: {
        const int n = d.baseRows;
        const int omega = ExtendedFastFrequency(n);
        const std::vector<int> others = ComplementaryFrequencies(omega, k - 1);
        for (int i = 0; i < k; ++i) {
            std::vector<double> phase(static_cast<std::size_t>(k));
            for (double& ph : phase) ph = twoPi * random.Unit();
            for (int r = 0; r < n; ++r)
                for (int j = 0, o = 0; j < k; ++j) {
                    const int w = j == i ? omega : others[o++];
                    cell(static_cast<long>(i) * n + r, j) = Curve(w * twoPi * r / n + phase[j]);
                }
        }
        break;
    }
    }
    return std::nullopt;
}

std::pair<std::string, std::string> IndexNames(MethodKind kind) {
    switch (kind) {
    case MethodKind::Sobol:
    case MethodKind::ExtendedFast:
        return {"S1", "ST"};
    case MethodKind::Fast:
        return {"S1", "-"};
    case MethodKind::Morris:
        return {"mu*", "sigma"};
    default:
        return {"SRC", "PRCC"};
    }
}

namespace {

// The estimator of all indices (first indices of the k factors, then their second indices, then any more)
// from a resample: the units it drew (base rows, trajectories, curve points or sample rows), ascending, a
// unit drawn twice appearing twice. Nothing when the resample leaves it undefined.
using Units = std::span<const int>;
using Estimator = std::function<std::optional<std::vector<double>>(Units units)>;

std::vector<int> AllUnits(int count) {
    std::vector<int> units(static_cast<std::size_t>(count));
    for (int u = 0; u < count; ++u) units[u] = u;
    return units;
}

// Percentile intervals: the 2.5 and 97.5 % points of the replicates, so that an interval holds only values
// the estimator itself can take (a correlation stays within [-1, 1], mu* and sigma above 0). A resample
// draws at most `most` units; with fewer than all, the replicates' spread about the estimate is scaled by
// sqrt(drawn / units), which keeps a range that is an interval, as the estimate and the replicates lie in it.
std::optional<std::string> BootstrapEstimates(int units, std::uint64_t seed, int resamples, int most,
                                              const Estimator& estimate, std::vector<Estimate>& estimates) {
    const auto point = estimate(AllUnits(units));
    if (!point)
        return std::string("The indices are undefined for this sample: too few rows, or factors that "
                           "move together.");
    const int drawn = std::min(units, most);
    // Every resample is drawn in turn from one stream before any is estimated, so that the estimates,
    // made in parallel, are the same on any number of threads.
    const auto size = static_cast<std::size_t>(drawn);
    std::vector<int> resample(size * static_cast<std::size_t>(resamples));
    Random random(seed ^ kBootstrapStream);
    for (int b = 0; b < resamples; ++b) {
        const auto from = resample.begin() + static_cast<std::ptrdiff_t>(size * b);
        for (auto u = from; u != from + drawn; ++u)
            *u = static_cast<int>(random.Below(static_cast<std::size_t>(units)));
        std::sort(from, from + drawn);
    }
    std::vector<std::optional<std::vector<double>>> replicates(static_cast<std::size_t>(resamples));
    tbb::parallel_for(0, resamples, [&](int b) {
        replicates[static_cast<std::size_t>(b)] = estimate(Units(resample).subspan(size * b, size));
    });
    std::vector<std::vector<double>> draws(point->size());
    for (const auto& values : replicates)
        if (values)
            for (std::size_t v = 0; v < values->size(); ++v) draws[v].push_back((*values)[v]);
    const double shrink = std::sqrt(static_cast<double>(drawn) / units);
    estimates.clear();
    for (std::size_t v = 0; v < point->size(); ++v) {
        const double value = (*point)[v];
        Estimate e{value, value, value};
        auto& d = draws[v];
        if (d.size() >= 2) {
            std::sort(d.begin(), d.end());
            const auto quantile = [&](double p) {
                const double at = p * static_cast<double>(d.size() - 1);
                const auto lo = static_cast<std::size_t>(at);
                const std::size_t hi = std::min(lo + 1, d.size() - 1);
                return d[lo] + (at - static_cast<double>(lo)) * (d[hi] - d[lo]);
            };
            e.low = value + shrink * (quantile(0.025) - value);
            e.high = value + shrink * (quantile(0.975) - value);
        }
        estimates.push_back(e);
    }
    return std::nullopt;
}

// The first 2 * factors estimates: the first indices, then the second ones.
void FactorEstimates(std::span<const Estimate> estimates, int factors, std::vector<FactorIndices>& indices) {
    indices.assign(static_cast<std::size_t>(factors), FactorIndices{});
    for (int j = 0; j < factors; ++j) {
        indices[j].first = estimates[static_cast<std::size_t>(j)];
        indices[j].second = estimates[static_cast<std::size_t>(factors + j)];
    }
}

std::optional<std::string> Bootstrap(int units, int factors, std::uint64_t seed, int resamples, int most,
                                     const Estimator& estimate, std::vector<FactorIndices>& indices) {
    std::vector<Estimate> estimates;
    if (auto why = BootstrapEstimates(units, seed, resamples, most, estimate, estimates)) return why;
    FactorEstimates(estimates, factors, indices);
    return std::nullopt;
}

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
Distinct DistinctUnits(Units units) {
    Distinct d;
    for (std::size_t i = 0; i < units.size();) {
        std::size_t j = i + 1;
        while (j < units.size() && units[j] == units[i]) ++j;
        d.units.push_back(units[i]);
        d.copies.push_back(static_cast<double>(j - i));
        i = j;
    }
    return d;
}

// Average ranks (ties, copies included, share the mean of their positions), 1-based, of the values of
// the distinct drawn units, in their order.
std::vector<double> Ranks(std::span<const double> values, const Distinct& drawn) {
    std::vector<std::pair<double, int>> order(drawn.units.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = {values[static_cast<std::size_t>(drawn.units[i])], static_cast<int>(i)};
    std::sort(order.begin(), order.end());
    std::vector<double> rank(order.size());
    double position = 0;
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        double copies = 0;
        while (j < order.size() && order[j].first == order[i].first)
            copies += drawn.copies[static_cast<std::size_t>(order[j++].second)];
        for (std::size_t t = i; t < j; ++t)
            rank[static_cast<std::size_t>(order[t].second)] = position + (copies + 1) / 2;
        position += copies;
        i = j;
    }
    return rank;
}

// Inverts a square matrix in place (Gauss-Jordan with partial pivoting); false when singular.
bool Invert(std::vector<double>& a, int n) {
    std::vector<double> inv(static_cast<std::size_t>(n) * n, 0.0);
    for (int i = 0; i < n; ++i) inv[static_cast<std::size_t>(i) * n + i] = 1;
    const auto at = [n](std::vector<double>& m, int r, int c) -> double& {
        return m[static_cast<std::size_t>(r) * n + c];
    };
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::abs(at(a, r, c)) > std::abs(at(a, pivot, c))) pivot = r;
        if (std::abs(at(a, pivot, c)) < 1e-10) return false;
        for (int j = 0; j < n; ++j) {
            std::swap(at(a, c, j), at(a, pivot, j));
            std::swap(at(inv, c, j), at(inv, pivot, j));
        }
        const double p = at(a, c, c);
        for (int j = 0; j < n; ++j) {
            at(a, c, j) /= p;
            at(inv, c, j) /= p;
        }
        for (int r = 0; r < n; ++r) {
            if (r == c) continue;
            const double f = at(a, r, c);
            if (f == 0) continue;
            for (int j = 0; j < n; ++j) {
                at(a, r, j) -= f * at(a, c, j);
                at(inv, r, j) -= f * at(inv, c, j);
            }
        }
    }
    a = std::move(inv);
    return true;
}

// The standardised regression of the last column (the output) on the others, all of equal length: per
// factor its coefficient and its partial correlation with the output. The partial correlation comes from
// the coefficient's t ratio, r = b / sqrt(b^2 + (1 - R^2) c_jj), rather than from the inverse of the full
// correlation matrix, which is singular when the output is an exact function of the factors. Nothing when
// a column is constant or the factors' correlation matrix is singular.
struct Regression {
    std::vector<double> coefficient;
    std::vector<double> partial;
};
std::optional<Regression> Regress(std::vector<std::vector<double>> columns, std::span<const double> copies) {
    const int q = static_cast<int>(columns.size()) - 1;
    const std::size_t rows = copies.size();
    double total = 0;
    for (const double c : copies) total += c;
    // Standardised in place and weighted by the square root of each row's copies, so that each
    // correlation is one contiguous product.
    for (auto& c : columns) {
        double mean = 0, sum = 0;
        for (std::size_t r = 0; r < rows; ++r) mean += copies[r] * c[r];
        mean /= total;
        for (std::size_t r = 0; r < rows; ++r) sum += copies[r] * (c[r] - mean) * (c[r] - mean);
        if (!(sum > 0)) return std::nullopt;
        const double scale = 1 / std::sqrt(sum);
        for (std::size_t r = 0; r < rows; ++r) c[r] = (c[r] - mean) * scale * std::sqrt(copies[r]);
    }
    const auto correlation = [&](int i, int j) {
        double s = 0;
        for (std::size_t r = 0; r < rows; ++r) s += columns[i][r] * columns[j][r];
        return s;
    };
    std::vector<double> inverse(static_cast<std::size_t>(q) * q);
    std::vector<double> withOutput(static_cast<std::size_t>(q));
    for (int i = 0; i < q; ++i) {
        withOutput[i] = correlation(i, q);
        for (int j = i; j < q; ++j)
            inverse[static_cast<std::size_t>(i) * q + j] = inverse[static_cast<std::size_t>(j) * q + i] =
                i == j ? 1.0 : correlation(i, j);
    }
    if (!Invert(inverse, q)) return std::nullopt;
    Regression result{std::vector<double>(static_cast<std::size_t>(q), 0.0),
                      std::vector<double>(static_cast<std::size_t>(q), 0.0)};
    double explained = 0;
    for (int i = 0; i < q; ++i) {
        for (int j = 0; j < q; ++j)
            result.coefficient[i] += inverse[static_cast<std::size_t>(i) * q + j] * withOutput[j];
        explained += result.coefficient[i] * withOutput[i];
    }
    const double unexplained = std::max(0.0, 1 - explained);
    for (int i = 0; i < q; ++i) {
        const double b = result.coefficient[i];
        const double scale = std::sqrt(b * b + unexplained * inverse[static_cast<std::size_t>(i) * q + i]);
        result.partial[i] = scale > 0 ? std::clamp(b / scale, -1.0, 1.0) : 0.0;
    }
    return result;
}

// The discrete Fourier transform of a real series of any length n, X_p = sum_j x_j exp(-2 pi i p j / n), by
// Bluestein's chirp: a cyclic convolution of a power-of-two length L >= 2n - 1 done with radix-2 transforms,
// O(n log n) where the sum for every p is O(n^2).
class Fourier {
public:
    explicit Fourier(int n) : n_(n) {
        while (size_ < 2 * static_cast<std::size_t>(n) - 1) size_ *= 2;
        roots_.resize(size_ / 2);
        for (std::size_t j = 0; j < roots_.size(); ++j)
            roots_[j] =
                std::polar(1.0, -2 * std::numbers::pi * static_cast<double>(j) / static_cast<double>(size_));
        // exp(i pi j^2 / n), with j^2 taken modulo 2n so that the angle stays exact for long series.
        chirp_.resize(static_cast<std::size_t>(n));
        for (long j = 0; j < n; ++j)
            chirp_[j] = std::polar(1.0, std::numbers::pi * static_cast<double>((j * j) % (2L * n)) / n);
        kernel_.assign(size_, {});
        for (int m = 0; m < n; ++m) {
            kernel_[m] = chirp_[m];
            if (m > 0) kernel_[size_ - m] = chirp_[m];
        }
        Transform(kernel_, false);
    }

    // X_0 .. X_(n-1) of x.
    std::vector<std::complex<double>> operator()(std::span<const double> x) const {
        std::vector<std::complex<double>> a(size_);
        for (int j = 0; j < n_; ++j) a[j] = x[j] * std::conj(chirp_[j]);
        Transform(a, false);
        for (std::size_t i = 0; i < size_; ++i) a[i] *= kernel_[i];
        Transform(a, true);
        std::vector<std::complex<double>> result(static_cast<std::size_t>(n_));
        for (int p = 0; p < n_; ++p) result[p] = std::conj(chirp_[p]) * a[p] / static_cast<double>(size_);
        return result;
    }

private:
    // In place, unscaled; `inverse` turns the roots the other way.
    void Transform(std::vector<std::complex<double>>& a, bool inverse) const {
        for (std::size_t i = 1, j = 0; i < size_; ++i) {
            std::size_t bit = size_ >> 1;
            for (; j & bit; bit >>= 1) j ^= bit;
            j ^= bit;
            if (i < j) std::swap(a[i], a[j]);
        }
        for (std::size_t length = 2; length <= size_; length *= 2) {
            const std::size_t step = size_ / length;
            for (std::size_t start = 0; start < size_; start += length)
                for (std::size_t k = 0; k < length / 2; ++k) {
                    const std::complex<double> root =
                        inverse ? std::conj(roots_[k * step]) : roots_[k * step];
                    const std::complex<double> odd = a[start + k + length / 2] * root;
                    a[start + k + length / 2] = a[start + k] - odd;
                    a[start + k] += odd;
                }
        }
    }

    int n_;
    std::size_t size_ = 1;
    std::vector<std::complex<double>> roots_, chirp_, kernel_;
};

// Extended FAST's bootstrap transforms every curve of every resample: at most this many curve points in
// all, and no interval when that leaves fewer than kLeastSpectralResamples resamples.
constexpr long kSpectralBootstrapPoints = long{1} << 24;
constexpr int kLeastSpectralResamples = 100;

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

bool Finite(const Estimate& e) {
    return std::isfinite(e.value) && (!e.hasInterval || (std::isfinite(e.low) && std::isfinite(e.high)));
}

// The indices of outputs already mapped onto [-1, 1]; Morris's are in those units.
std::optional<std::string> MappedIndices(const Method& method, const Design& d,
                                         std::span<const double> values, std::span<const double> y,
                                         std::vector<FactorIndices>& indices,
                                         std::vector<Interaction>* interactions) {
    const int k = d.factors;
    const std::uint64_t seed = method.seed;
    const int M = kFastHarmonics;
    switch (method.kind) {
    case MethodKind::Sobol: {
        const int n = d.baseRows;
        const auto f = [&](int block, int r) { return y[static_cast<std::size_t>(block) * n + r]; };
        const bool pairs = interactions && d.rows > n * (k + 2);
        const bool triples = interactions && !d.sobolPairBlock.empty();
        std::vector<std::vector<int>> sets;
        for (int i = 0; i < k && pairs; ++i)
            for (int j = i + 1; j < k; ++j) sets.push_back({i, j});
        for (int i = 0; i < k && triples; ++i)
            for (int j = i + 1; j < k; ++j)
                for (int l = j + 1; l < k; ++l) sets.push_back({i, j, l});
        // Closed effects by the estimator of Saltelli et al. 2010 carried over to the blocks of Saltelli
        // 2002: E[f(X) (f(Y) - f(Z))] with Y sharing exactly the set's columns with X and Z none, so that
        // no squared mean is subtracted. Each index then takes off the lower-order indices of its set. Pairs:
        // X = A_B^i, Y = B_A^j, Z = B_A^i; triples: X = B_A^i, Y = A_B^jl, Z = A_B^i, with j and l the
        // triple's drawn pair.
        const auto ab = [](int i) { return 2 + i; };
        const auto ba = [k](int i) { return 2 + k + i; };
        const auto pairBlock = [&](int j, int l) {
            return d.sobolPairBlock[static_cast<std::size_t>(j) * k + l];
        };
        std::vector<Estimate> estimates;
        if (auto why = BootstrapEstimates(
                n, seed, kBootstrapResamples, kBootstrapUnits,
                [&](Units w) -> std::optional<std::vector<double>> {
                    // The variance of the outputs of both A and B.
                    const UnitMoments a = Moments(w, [&](int r) { return f(0, r); });
                    const UnitMoments b = Moments(w, [&](int r) { return f(1, r); });
                    const double mean = (a.mean + b.mean) / 2;
                    const double v =
                        (a.variance + b.variance) / 2 +
                        ((a.mean - mean) * (a.mean - mean) + (b.mean - mean) * (b.mean - mean)) / 2;
                    std::vector<double> out(2 * static_cast<std::size_t>(k) + sets.size(), 0.0);
                    if (!(v > 0) || a.total == 0) return out;
                    for (int i = 0; i < k; ++i) {
                        double first = 0, total = 0;
                        for (const int r : w) {
                            const double ya = f(0, r), yb = f(1, r), yab = f(2 + i, r);
                            // Saltelli et al. 2010 on the centred output: the same expectation, but
                            // a mean far from zero, as a biomass has, no longer swamps it with noise.
                            first += (yb - mean) * (yab - ya);
                            total += (ya - yab) * (ya - yab); // Jansen 1999
                        }
                        out[i] = first / a.total / v;
                        out[k + i] = total / (2 * a.total) / v;
                    }
                    // f(X) centred, as for the first-order index.
                    const auto closed = [&](int x, int y, int z) {
                        double sum = 0;
                        for (const int r : w) sum += (f(x, r) - mean) * (f(y, r) - f(z, r));
                        return sum / a.total / v;
                    };
                    const std::vector<double> first(out.begin(), out.begin() + k);
                    std::vector<double> second(static_cast<std::size_t>(k) * k, 0.0);
                    for (std::size_t s = 0; s < sets.size(); ++s) {
                        const std::vector<int>& u = sets[s];
                        double& index = out[2 * static_cast<std::size_t>(k) + s];
                        if (u.size() == 2) {
                            index = closed(ab(u[0]), ba(u[1]), ba(u[0])) - first[u[0]] - first[u[1]];
                            second[static_cast<std::size_t>(u[0]) * k + u[1]] = index;
                            continue;
                        }
                        // The first pair of the triple that was drawn; i is the factor left.
                        int i = u[0], j = u[1], l = u[2];
                        if (pairBlock(j, l) < 0) std::swap(i, pairBlock(i, l) >= 0 ? j : l);
                        const auto s2 = [&](int p, int q) {
                            return second[static_cast<std::size_t>(std::min(p, q)) * k + std::max(p, q)];
                        };
                        index = closed(ba(i), pairBlock(std::min(j, l), std::max(j, l)), ab(i)) - s2(i, j) -
                                s2(i, l) - s2(j, l) - first[i] - first[j] - first[l];
                    }
                    return out;
                },
                estimates))
            return why;
        FactorEstimates(estimates, k, indices);
        if (interactions) {
            interactions->clear();
            for (std::size_t s = 0; s < sets.size(); ++s)
                interactions->push_back({sets[s], estimates[2 * static_cast<std::size_t>(k) + s]});
        }
        return std::nullopt;
    }
    case MethodKind::Morris: {
        const int t = d.rows / (k + 1);
        const double delta = method.levels / (2.0 * (method.levels - 1));
        std::vector<double> effect(static_cast<std::size_t>(t) * k, 0.0);
        for (int r = 0; r < d.rows; ++r)
            if (d.stepFactor[r] >= 0)
                effect[static_cast<std::size_t>(r / (k + 1)) * k + d.stepFactor[r]] =
                    d.stepSign[r] * (y[r] - y[r - 1]) / delta;
        return Bootstrap(
            t, k, seed, kBootstrapResamples, kBootstrapUnits,
            [&](Units w) -> std::optional<std::vector<double>> {
                std::vector<double> out(2 * static_cast<std::size_t>(k), 0.0);
                for (int i = 0; i < k; ++i) {
                    const auto ee = [&](int tr) { return effect[static_cast<std::size_t>(tr) * k + i]; };
                    const UnitMoments m = Moments(w, ee);
                    double absolute = 0;
                    for (const int tr : w) absolute += std::abs(ee(tr));
                    out[i] = absolute / m.total;
                    // The sample standard deviation of the elementary effects.
                    out[k + i] = m.total > 1 ? std::sqrt(m.variance * m.total / (m.total - 1)) : 0.0;
                }
                return out;
            },
            indices);
    }
    case MethodKind::Fast:
    case MethodKind::ExtendedFast: {
        const bool extended = method.kind == MethodKind::ExtendedFast;
        const int n = d.baseRows;
        std::vector<double> cosine(static_cast<std::size_t>(n)), sine(static_cast<std::size_t>(n));
        for (int j = 0; j < n; ++j) {
            cosine[j] = std::cos(2 * std::numbers::pi * j / n);
            sine[j] = std::sin(2 * std::numbers::pi * j / n);
        }
        const int omega = ExtendedFastFrequency(n);
        std::optional<Fourier> fourier;
        if (extended) fourier.emplace(n);
        const Estimator estimate = [&](Units w) -> std::optional<std::vector<double>> {
            std::vector<double> out(2 * static_cast<std::size_t>(k), 0.0);
            const bool resampled =
                static_cast<int>(w.size()) != n || std::adjacent_find(w.begin(), w.end()) != w.end();
            std::vector<double> copies(static_cast<std::size_t>(n), 0.0), series;
            for (const int j : w) ++copies[static_cast<std::size_t>(j)];
            for (int i = 0; i < k; ++i) {
                const std::size_t offset = extended ? static_cast<std::size_t>(i) * n : 0;
                const auto value = [&](int j) { return y[offset + static_cast<std::size_t>(j)]; };
                const UnitMoments m = Moments(w, value);
                if (!(m.variance > 0)) continue;
                // Resampled points add about 2 V / N of power at every frequency; unremoved, it would
                // pull the resampled total indices far below the estimate.
                const double noise = resampled ? 2 * m.variance / m.total : 0.0;
                const auto scaled = [&](double re, double im) {
                    return 2 * (re * re + im * im) / (m.total * m.total) - noise;
                };
                // Twice the power at frequency p: the variance the curve puts there.
                std::vector<std::complex<double>> spectrum;
                if (extended) {
                    series.assign(static_cast<std::size_t>(n), 0.0);
                    for (int j = 0; j < n; ++j) series[j] = copies[j] * (value(j) - m.mean);
                    spectrum = (*fourier)(series);
                }
                const auto power = [&](long p) {
                    if (extended) {
                        const std::complex<double> x = spectrum[static_cast<std::size_t>(p % n)];
                        return scaled(x.real(), x.imag());
                    }
                    double re = 0, im = 0;
                    for (const int j : w) {
                        const std::size_t at = static_cast<std::size_t>((p * j) % n);
                        const double dev = value(j) - m.mean;
                        re += dev * cosine[at];
                        im -= dev * sine[at];
                    }
                    return scaled(re, im);
                };
                const long w1 = extended ? omega : d.frequencies[i];
                double first = 0;
                for (int q = 1; q <= M; ++q) first += power(q * w1);
                out[i] = first / m.variance;
                if (extended) {
                    // Whatever lies below half the factor's frequency belongs to the others alone.
                    double others = 0;
                    for (long p = 1; p <= omega / 2; ++p) others += power(p);
                    out[k + i] = 1 - others / m.variance;
                }
            }
            return out;
        };
        // A resample of a curve's points is only measured on the whole curve, so its cost grows with the
        // runs: large analyses get fewer resamples, and none where they would cost more than the seasons.
        const int resamples = static_cast<int>(
            std::min<long>(kBootstrapResamples / 2, kSpectralBootstrapPoints / (static_cast<long>(k) * n)));
        if (extended && resamples >= kLeastSpectralResamples)
            return Bootstrap(n, k, seed, resamples, n, estimate, indices);
        const auto point = estimate(AllUnits(n));
        indices.assign(static_cast<std::size_t>(k), FactorIndices{});
        for (int i = 0; i < k; ++i) {
            indices[i].first = {(*point)[i], 0.0, 0.0, false};
            indices[i].second = {(*point)[k + static_cast<std::size_t>(i)], 0.0, 0.0, false};
        }
        return std::nullopt;
    }
    case MethodKind::Lhs:
    case MethodKind::Random:
    case MethodKind::LpTau:
        break;
    }
    // Regression indices on the sample values, each column mapped onto [-1, 1] as the outputs are.
    std::vector<std::vector<double>> columns;
    std::vector<int> varied;
    for (int j = 0; j < k; ++j) {
        Mapped column = MapOntoUnitRange(static_cast<std::size_t>(d.rows), [&](std::size_t r) {
            return values[r * static_cast<std::size_t>(k) + static_cast<std::size_t>(j)];
        });
        if (column.half > 0) {
            columns.push_back(std::move(column.values));
            varied.push_back(j);
        }
    }
    columns.emplace_back(y.begin(), y.end());
    const int q = static_cast<int>(varied.size());
    if (d.rows <= q + 2)
        return "The sample has too few rows (" + std::to_string(d.rows) + ") for its factors.";
    const auto why = Bootstrap(
        d.rows, k, seed, kBootstrapResamples, kBootstrapUnits,
        [&](Units w) -> std::optional<std::vector<double>> {
            std::vector<double> out(2 * static_cast<std::size_t>(k), 0.0);
            const double yvar = Moments(w, [&](int r) { return y[static_cast<std::size_t>(r)]; }).variance;
            if (yvar == 0 || q == 0) return out;
            // Rows drawn more than once count with their copies.
            const Distinct distinct = DistinctUnits(w);
            std::vector<std::vector<double>> drawn, ranked;
            for (const auto& c : columns) {
                std::vector<double>& values = drawn.emplace_back(distinct.units.size());
                for (std::size_t r = 0; r < values.size(); ++r)
                    values[r] = c[static_cast<std::size_t>(distinct.units[r])];
                ranked.push_back(Ranks(c, distinct));
            }
            const auto plain = Regress(std::move(drawn), distinct.copies);
            const auto ranks = Regress(std::move(ranked), distinct.copies);
            if (!plain || !ranks) return std::nullopt;
            for (int v = 0; v < q; ++v) {
                out[varied[v]] = plain->coefficient[v];
                out[k + varied[v]] = ranks->partial[v];
            }
            return out;
        },
        indices);
    // Independent factors' SRC lie within [-1, 1] (their squares add up to the R^2 of the regression); a
    // resample's chance correlations between the factors can carry a replicate a little beyond.
    for (FactorIndices& f : indices) {
        f.first.low = std::max(f.first.low, -1.0);
        f.first.high = std::min(f.first.high, 1.0);
    }
    return why;
}

} // namespace

std::optional<std::string> ComputeIndices(const Method& method, const Design& d,
                                          std::span<const double> values, std::span<const double> outputs,
                                          std::vector<FactorIndices>& indices,
                                          std::vector<Interaction>* interactions) {
    const int k = d.factors;
    indices.clear();
    if (interactions) interactions->clear();
    if (outputs.size() != static_cast<std::size_t>(d.rows))
        return "There are " + std::to_string(outputs.size()) + " outputs for " + std::to_string(d.rows) +
               " samples.";
    const bool regression = method.kind == MethodKind::Lhs || method.kind == MethodKind::Random ||
                            method.kind == MethodKind::LpTau;
    const bool withValues = values.size() == static_cast<std::size_t>(d.rows) * k;
    if (regression && !withValues) return std::string("The sample values do not match the design.");
    for (std::size_t r = 0; r < outputs.size(); ++r)
        if (!std::isfinite(outputs[r]))
            return "Output " + std::to_string(r + 1) +
                   " is not a finite number: the indices cannot be computed.";
    // Every index but Morris's is a ratio of the outputs' own spreads and does not change with their
    // units; Morris's are scaled back below.
    const Mapped y = MapOntoUnitRange(outputs.size(), [&](std::size_t r) { return outputs[r]; });
    if (auto why = MappedIndices(method, d, values, y.values, indices, interactions)) return why;
    if (method.kind == MethodKind::Morris)
        for (FactorIndices& f : indices)
            for (Estimate* e : {&f.first, &f.second}) {
                e->value *= y.half;
                e->low *= y.half;
                e->high *= y.half;
            }
    // A factor whose sampled values were all the same has no effect to measure, whatever an estimator
    // makes of the noise.
    for (int j = 0; j < k && withValues; ++j) {
        const double first = values[static_cast<std::size_t>(j)];
        bool same = true;
        for (int r = 1; r < d.rows && same; ++r) same = values[static_cast<std::size_t>(r) * k + j] == first;
        if (!same) continue;
        indices[static_cast<std::size_t>(j)] = {{0.0, 0.0, 0.0, false}, {0.0, 0.0, 0.0, false}, false};
        if (interactions)
            std::erase_if(*interactions, [j](const Interaction& i) {
                return std::find(i.factors.begin(), i.factors.end(), j) != i.factors.end();
            });
    }
    const auto [name1, name2] = IndexNames(method.kind);
    for (FactorIndices& f : indices)
        if (!Finite(f.first) || !Finite(f.second))
            return "The indices of these outputs exceed the largest number the tool can write (" + name1 +
                   " and " + name2 + "): rescale the output.";
    if (interactions)
        for (const Interaction& i : *interactions)
            if (!Finite(i.index))
                return std::string("An interaction index of these outputs is not a finite number.");
    return std::nullopt;
}

} // namespace tulo::sensitivity
