#include "sensitivity/methods/Morris.h"

#include <algorithm>
#include <cmath>

namespace tulo::sensitivity {

namespace {

Outcome Parse(std::span<const std::string> t, Method& method) {
    method.kind = MethodKind::Morris;
    const auto seed = t.size() == 3 ? WholeNumber(t[0], 0, kMaxSeed) : std::nullopt;
    const auto trajectories = t.size() == 3 ? WholeNumber(t[1], 2, 100000) : std::nullopt;
    const auto levels = t.size() == 3 ? WholeNumber(t[2], 2, 1000) : std::nullopt;
    if (!seed || !trajectories || !levels || *levels % 2 != 0)
        return Outcome::Failure("a seed, a number of trajectories (2 or more) and an even number of levels");
    method.seed = static_cast<std::uint64_t>(*seed);
    method.trajectories = static_cast<int>(*trajectories);
    method.levels = static_cast<int>(*levels);
    return Outcome::Success();
}

std::string Text(const Method& m) {
    return "morris " + std::to_string(static_cast<long>(m.seed)) + " " + std::to_string(m.trajectories) +
           " " + std::to_string(m.levels);
}

// The step of every move: half the grid's levels, in unit coordinates.
double Delta(int levels) {
    return levels / (2.0 * (levels - 1));
}

std::string Title(const Method&) {
    return "Morris method";
}

long Trajectories(const Method& method) {
    return method.trajectories;
}

std::optional<SizeLimits> Limits(const Method&, int k, long most) {
    // A deviation of the elementary effects needs two trajectories.
    return SizeLimits{2, std::min(100000L, most / (k + 1))};
}

long Rows(const Method& method, int k) {
    return static_cast<long>(method.trajectories) * (k + 1);
}

Outcome Size(const Method& method, int k, Design&, long& rows) {
    rows = Rows(method, k);
    return Outcome::Success();
}

// One trajectory from row `start`: a random grid point, then every factor moved once by delta, in random
// order and direction.
void DrawTrajectory(const Method& method, Random& random, long start, Design& d) {
    const int k = d.factors;
    const int p = method.levels;
    const double delta = Delta(p);
    const auto cell = [&](long row, int factor) -> double& {
        return d.unit[static_cast<std::size_t>(row) * k + factor];
    };
    std::vector<double> x(static_cast<std::size_t>(k));
    std::vector<int> order(static_cast<std::size_t>(k));
    std::vector<int> direction(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) {
        const double base = static_cast<double>(random.Below(static_cast<std::size_t>(p / 2))) / (p - 1);
        direction[j] = random.Below(2) == 0 ? 1 : -1;
        x[j] = direction[j] > 0 ? base : base + delta;
        order[j] = j;
    }
    for (std::size_t i = order.size() - 1; i > 0; --i) std::swap(order[i], order[random.Below(i + 1)]);
    for (int j = 0; j < k; ++j) cell(start, j) = x[j];
    for (int s = 0; s < k; ++s) {
        const int j = order[s];
        x[j] = std::clamp(x[j] + direction[j] * delta, 0.0, 1.0);
        for (int f = 0; f < k; ++f) cell(start + s + 1, f) = x[f];
        d.stepFactor[start + s + 1] = j;
        d.stepSign[start + s + 1] = static_cast<signed char>(direction[j]);
    }
}

void Draw(const Method& method, Design& d) {
    Random random(method.seed);
    d.stepFactor.assign(static_cast<std::size_t>(d.rows), -1);
    d.stepSign.assign(static_cast<std::size_t>(d.rows), 0);
    for (int t = 0; t < method.trajectories; ++t)
        DrawTrajectory(method, random, static_cast<long>(t) * (d.factors + 1), d);
}

// mu* and sigma of the elementary effects of the trajectories a resample drew; `effect` holds them
// trajectory by trajectory, factor by factor.
std::vector<double> EffectStatistics(std::span<const double> effect, int k, Units w) {
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
}

// mu* and sigma, in the output's own units.
Outcome Indices(const Method& method, const Design& d, std::span<const double>, const Mapped& outputs,
                std::vector<FactorIndices>& indices, std::vector<Interaction>*) {
    const int k = d.factors;
    const std::span<const double> y = outputs.values;
    const int t = d.rows / (k + 1);
    const double delta = Delta(method.levels);
    std::vector<double> effect(static_cast<std::size_t>(t) * k, 0.0);
    for (int r = 0; r < d.rows; ++r)
        if (d.stepFactor[r] >= 0)
            effect[static_cast<std::size_t>(r / (k + 1)) * k + d.stepFactor[r]] =
                d.stepSign[r] * (y[r] - y[r - 1]) / delta;
    if (auto why = Bootstrap(
            t, k, method.seed, kBootstrapResamples, kBootstrapUnits,
            [&](Units w) -> std::optional<std::vector<double>> { return EffectStatistics(effect, k, w); },
            indices);
        !why)
        return why;
    for (FactorIndices& f : indices)
        for (Estimate* e : {&f.first, &f.second}) {
            e->value *= outputs.half;
            e->low *= outputs.half;
            e->high *= outputs.half;
        }
    return Outcome::Success();
}

} // namespace

MethodEntry MorrisMethod() {
    return {.kind = MethodKind::Morris,
            .keyword = "morris",
            .parse = Parse,
            .text = Text,
            .index1Name = "mu*",
            .index2Name = "sigma",
            .title = Title,
            .sizeSetting = Trajectories,
            .sizeUnit = "trajectories",
            .sizeLimits = Limits,
            .designRows = Rows,
            .size = Size,
            .draw = Draw,
            .indices = Indices};
}

} // namespace tulo::sensitivity
