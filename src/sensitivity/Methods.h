#pragma once
// Sampling designs and sensitivity estimators of the sensitivity analysis: what tuloSimLab draws in its
// first mode and computes in its second. Designs are drawn in the unit hypercube and mapped to each
// factor's distribution afterwards, so that every estimator works on unit coordinates and a factor's
// distribution changes the sample values only.

#include "base/Outcome.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo::sensitivity {

// Every step of the sensitivity analysis that can be refused or fail returns an Outcome whose message is
// a sentence for the user ("par1: the standard deviation must be positive."); an optional text that is a
// value is spelt std::optional<std::string> (MethodKeyword).

enum class Distribution { Normal, Uniform, Constant };

// A varied factor. Normal: mean `a`, standard deviation `b`, truncated at its quantiles `lowQuantile` and
// `highQuantile`. Uniform: bounds `a` and `b`. Constant: the value `a`.
struct Factor {
    std::string name;
    Distribution distribution = Distribution::Normal;
    double a = 0.0;
    double b = 0.0;
    double lowQuantile = 0.01;
    double highQuantile = 0.99;
};

// Why a factor cannot be sampled ("par1: the standard deviation must be positive"), Done when it can.
Outcome CheckFactor(const Factor& factor);
// The factor's value at unit coordinate u in [0, 1] (a checked factor only).
double FactorValue(const Factor& factor, double u);

enum class MethodKind { Lhs, Random, LpTau, Morris, Sobol, Fast, ExtendedFast };

// A method with its settings as the configuration gives them.
struct Method {
    MethodKind kind = MethodKind::Lhs;
    std::uint64_t seed = 0; // 0 when the method takes none: the design is then fixed
    int executions = 0;     // LHS, random, LpTau, both FASTs: the number of model runs asked for
    int trajectories = 0;   // Morris
    int levels = 0;         // Morris
    int sobolExponent = 0;  // Sobol': 2^(exponent + 5) base rows
    bool sobolCustom = false;
    // Sobol' "custom": the highest order asked for. First and total indices always; 2 adds the
    // second-order index of every pair, 3 also the third-order index of every triple.
    int sobolOrder = 1;
};

// The method of a configuration's keyword ("lhs", "sobol", ...) and method line ("1 100"); a message
// naming what is wrong otherwise.
Outcome ParseMethod(std::string_view keyword, std::string_view line, Method& method);
// The keyword and method line that ParseMethod reads back: "fast 2 7 650".
std::string MethodText(const Method& method);

// The interference-free order of the FAST search curves: harmonics up to this order enter an index.
inline constexpr int kFastHarmonics = 4;
// The most rows a design may have: more would not fit the sample file in memory.
inline constexpr long kMaxDesignRows = long{1} << 21;
// The most values a design may have: eleven factors at the most rows, whose sample file stays below the
// 1 GiB its reader takes and whose drawing stays within a few hundred megabytes.
inline constexpr long kMaxDesignValues = 11 * kMaxDesignRows;
// Classic FAST's frequencies are searched for one factor after another, in a time that grows steeply.
inline constexpr int kMaxFastFactors = 30;

// A design in unit coordinates, `rows` by `factors`, row-major, with what its estimator needs to know.
struct Design {
    int rows = 0;
    int factors = 0;
    std::vector<double> unit;
    int baseRows = 0; // Sobol': rows of each block; both FASTs: points per curve
    // Sobol' blocks: A, B, then A_B^i (A with column i from B) for each factor; with pairs, B_A^i (B with
    // column i from A) for each factor; with triples, A_B^jk (A with columns j and k from B) for the pairs
    // of sobolPairBlock >= 0.
    std::vector<int> sobolPairBlock;   // k by k: the block A_B^jk, the B_A^i equal to it, or -1
    std::vector<int> frequencies;      // classic FAST: one per factor
    std::vector<int> stepFactor;       // Morris: per row, the factor it changed (-1 at a start)
    std::vector<signed char> stepSign; // Morris: +1 when that factor went up, -1 when down
    double at(int row, int factor) const { return unit[static_cast<std::size_t>(row) * factors + factor]; }
};

// Draws the design of `method` for `factors` factors; the same method and seed give the same design.
Outcome MakeDesign(const Method& method, int factors, Design& design);

// The classic FAST frequencies of `factors` factors: no combination of them with absolute coefficients
// summing to at most kFastHarmonics + 1 cancels.
std::vector<int> FastFrequencies(int factors);

// An index with its 95 % interval: the percentiles of its bootstrap replicates, which stay among the
// values the index can take. Classic FAST gives none (see ComputeIndices).
struct Estimate {
    double value = 0.0;
    double low = 0.0;
    double high = 0.0;
    bool hasInterval = true;
};
struct FactorIndices {
    Estimate first;  // S1, mu*, or SRC
    Estimate second; // ST, sigma, or PRCC (0 for classic FAST)
    // False when every sampled value of the factor was the same: it then has no index (both are 0).
    bool varied = true;
};
// The names of the two indices of a method: "S1" and "ST", "mu*" and "sigma", "SRC" and "PRCC".
std::pair<std::string, std::string> IndexNames(MethodKind kind);

inline constexpr int kBootstrapResamples = 500;
// A resample draws at most this many units (rows, base rows or trajectories); beyond, its spread about the
// estimate is scaled down by sqrt(units drawn / units), as a bootstrap of m out of n does, so that the
// intervals' cost stays bounded whatever the sample's size.
inline constexpr int kBootstrapUnits = 4096;

// A second- or third-order Sobol' index: its factors (columns, ascending) and its value.
struct Interaction {
    std::vector<int> factors;
    Estimate index;
};

// The indices of every factor from the design, the sample values (rows by factors, row-major; used by
// the regression indices and to find the factors that did not vary) and one output per row. `seed` drives
// the bootstrap. `interactions`, when given, receives the Sobol' "custom" indices of every pair, then of
// every triple, in lexicographic order. The outputs are centred and scaled first, so that no size or
// spread of a finite output overflows; a message when an output is not finite or an index still is not.
// Classic FAST gives no interval: its error comes from the random phases of its single search curve,
// which a resample of the curve's points cannot show.
Outcome ComputeIndices(const Method& method, const Design& design, std::span<const double> values,
                       std::span<const double> outputs, std::vector<FactorIndices>& indices,
                       std::vector<Interaction>* interactions = nullptr);

} // namespace tulo::sensitivity
