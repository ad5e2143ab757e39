#include "sensitivity/methods/Fast.h"

#include "sensitivity/methods/SearchCurve.h"

#include <cmath>
#include <numbers>
#include <set>

namespace tulo::sensitivity {

Outcome ParseFast(std::span<const std::string> t, Method& method) {
    const auto variant = t.size() == 3 ? WholeNumber(t[0], 1, 2) : std::nullopt;
    const auto seed = t.size() == 3 ? WholeNumber(t[1], 0, kMaxSeed) : std::nullopt;
    const auto runs = t.size() == 3 ? WholeNumber(t[2], 1, kMaxRuns) : std::nullopt;
    if (!variant || !seed || !runs)
        return Outcome::Failure("1 (classic) or 2 (extended), a seed and a number of executions");
    method.kind = variant == 1 ? MethodKind::Fast : MethodKind::ExtendedFast;
    method.seed = static_cast<std::uint64_t>(*seed);
    method.executions = static_cast<int>(*runs);
    return Outcome::Success();
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

namespace {

std::string Text(const Method& m) {
    return "fast 1 " + std::to_string(static_cast<long>(m.seed)) + " " + std::to_string(m.executions);
}

std::string Title(const Method&) {
    return "FAST (classic)";
}

std::optional<SizeLimits> Limits(const Method&, int k, long most) {
    if (k > kMaxFastFactors) return std::nullopt;
    return SizeLimits{2L * kFastHarmonics * FastFrequencies(k).back() + 1, most};
}

Outcome Refusal(const Method&, int k, const std::optional<SizeLimits>& limits) {
    if (limits || k <= kMaxFastFactors) return Outcome::Success();
    return Outcome::Failure(" is refused: classic FAST takes at most " + std::to_string(kMaxFastFactors) +
                            " factors; extended FAST takes more.");
}

Outcome Size(const Method& method, int k, Design& d, long& rows) {
    // The search for the frequencies takes seconds beyond this: refused before it starts.
    if (k > kMaxFastFactors)
        return Outcome::Failure("Classic FAST takes at most " + std::to_string(kMaxFastFactors) +
                                " factors, not " + std::to_string(k) + "; extended FAST takes more.");
    d.frequencies = FastFrequencies(k);
    const long least = 2L * kFastHarmonics * d.frequencies.back() + 1;
    if (method.executions < least)
        return Outcome::Failure("Classic FAST of " + std::to_string(k) + " factors needs at least " +
                                std::to_string(least) + " executions.");
    d.baseRows = method.executions;
    rows = method.executions;
    return Outcome::Success();
}

// The curve, each factor at its frequency from a random phase.
void Draw(const Method& method, Design& d) {
    Random random(method.seed);
    const int k = d.factors;
    const double twoPi = 2 * std::numbers::pi;
    std::vector<double> phase(static_cast<std::size_t>(k));
    for (double& ph : phase) ph = twoPi * random.Unit();
    for (int r = 0; r < d.rows; ++r)
        for (int j = 0; j < k; ++j)
            d.unit[static_cast<std::size_t>(r) * k + j] =
                Curve(d.frequencies[j] * twoPi * r / d.rows + phase[j]);
}

// The first-order index of every factor: the variance at its frequency's first harmonics over the whole.
std::vector<double> CurveIndices(const Design& d, std::span<const double> y, std::span<const double> cosine,
                                 std::span<const double> sine, Units w) {
    const int k = d.factors;
    const int n = d.baseRows;
    std::vector<double> out(2 * static_cast<std::size_t>(k), 0.0);
    const bool resampled = Resampled(w, n);
    const auto value = [&](int j) { return y[static_cast<std::size_t>(j)]; };
    for (int i = 0; i < k; ++i) {
        const auto curve = MeasureCurve(w, resampled, value);
        if (!curve) continue;
        const auto power = [&](long p) {
            double re = 0, im = 0;
            for (const int j : w) {
                const std::size_t at = static_cast<std::size_t>((p * j) % n);
                const double dev = value(j) - curve->moments.mean;
                re += dev * cosine[at];
                im -= dev * sine[at];
            }
            return (*curve)(re, im);
        };
        double first = 0;
        for (int q = 1; q <= kFastHarmonics; ++q) first += power(q * static_cast<long>(d.frequencies[i]));
        out[i] = first / curve->moments.variance;
    }
    return out;
}

// No interval: the error comes from the random phases of the single curve, which a resample of the
// curve's points cannot show.
Outcome Indices(const Method&, const Design& d, std::span<const double>, const Mapped& outputs,
                std::vector<FactorIndices>& indices, std::vector<Interaction>*) {
    const int n = d.baseRows;
    std::vector<double> cosine(static_cast<std::size_t>(n)), sine(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
        cosine[j] = std::cos(2 * std::numbers::pi * j / n);
        sine[j] = std::sin(2 * std::numbers::pi * j / n);
    }
    PointIndices(
        [&](Units w) -> std::optional<std::vector<double>> {
            return CurveIndices(d, outputs.values, cosine, sine, w);
        },
        n, d.factors, indices);
    return Outcome::Success();
}

} // namespace

MethodEntry FastMethod() {
    return {.kind = MethodKind::Fast,
            .keyword = "fast",
            .parse = ParseFast,
            .text = Text,
            .index1Name = "S1",
            .index2Name = "-",
            .title = Title,
            .sizeSetting = Executions,
            .sizeLimits = Limits,
            .designRows = ExecutionCount,
            .sizeRefusal = Refusal,
            .size = Size,
            .draw = Draw,
            .indices = Indices};
}

} // namespace tulo::sensitivity
