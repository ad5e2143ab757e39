#include "sensitivity/DesignSize.h"

#include <algorithm>

namespace tulo::sensitivity {

namespace {

// Pairs among n factors.
long Pairs(long n) {
    return n * (n - 1) / 2;
}

// The Sobol' blocks of base rows each: A, B and one per factor; with pairs one more per factor; with
// triples the pairs within each half of the factors (none more for three factors).
long SobolBlockCount(const Method& method, int k) {
    if (!method.sobolCustom || method.sobolOrder < 2 || k < 2) return k + 2;
    const long blocks = 2L * k + 2;
    if (method.sobolOrder < 3 || k <= 3) return blocks;
    const long half = (k + 1) / 2;
    return blocks + Pairs(half) + Pairs(k - half);
}

// The most rows of `k` factors the tool draws.
long MostRows(int k) {
    return std::min(kMaxDesignRows, kMaxDesignValues / std::max(k, 1));
}

std::string MethodName(const Method& method) {
    switch (method.kind) {
    case MethodKind::Lhs:
        return "Latin hypercube sampling";
    case MethodKind::Random:
        return "Random";
    case MethodKind::LpTau:
        return "Quasi-Random LpTau";
    case MethodKind::Morris:
        return "Morris method";
    case MethodKind::Sobol:
        return method.sobolCustom ? "Sobol method (custom)" : "Sobol method (total)";
    case MethodKind::Fast:
        return "FAST (classic)";
    case MethodKind::ExtendedFast:
        return "FAST (extended)";
    }
    return {};
}

std::string Factors(int k) {
    return std::to_string(k) + (k == 1 ? " factor" : " factors");
}

} // namespace

long SizeSetting(const Method& method) {
    switch (method.kind) {
    case MethodKind::Morris:
        return method.trajectories;
    case MethodKind::Sobol:
        return 1L << (method.sobolExponent + 5);
    default:
        return method.executions;
    }
}

std::optional<SizeLimits> MethodSizeLimits(const Method& method, int k) {
    if (k < 1) return std::nullopt;
    const long most = MostRows(k);
    const long M = kFastHarmonics;
    SizeLimits limits;
    switch (method.kind) {
    case MethodKind::Lhs:
    case MethodKind::Random:
    case MethodKind::LpTau:
        // The regression of the output on every factor and a constant needs two rows more than that.
        limits = {k + 3L, most};
        break;
    case MethodKind::Morris:
        // A deviation of the elementary effects needs two trajectories.
        limits = {2, std::min(100000L, most / (k + 1))};
        break;
    case MethodKind::Sobol: {
        const long blocks = SobolBlockCount(method, k);
        long base = 32;
        while (base * 2 <= (1L << 20) && base * 2 * blocks <= most) base *= 2;
        limits = {32, base * blocks <= most ? base : 0};
        break;
    }
    case MethodKind::Fast:
        if (k > kMaxFastFactors) return std::nullopt;
        limits = {2 * M * FastFrequencies(k).back() + 1, most};
        break;
    case MethodKind::ExtendedFast:
        limits = {(4 * M * M + 1) * k, most / k * k};
        break;
    }
    if (limits.most < limits.least) return std::nullopt;
    return limits;
}

long DesignRows(const Method& method, int k) {
    switch (method.kind) {
    case MethodKind::Morris:
        return static_cast<long>(method.trajectories) * (k + 1);
    case MethodKind::Sobol:
        return SizeSetting(method) * SobolBlockCount(method, k);
    case MethodKind::ExtendedFast:
        return k > 0 ? method.executions / k * k : 0;
    default:
        return method.executions;
    }
}

WhyNot CheckDesignSize(const Method& method, int k) {
    const std::string name = MethodName(method) + " of " + Factors(k);
    const auto limits = MethodSizeLimits(method, k);
    if (!limits) {
        if (method.kind == MethodKind::Fast && k > kMaxFastFactors)
            return name + " is refused: classic FAST takes at most " + std::to_string(kMaxFastFactors) +
                   " factors; extended FAST takes more.";
        return name + " would need more runs than the " + std::to_string(MostRows(k)) + " the tool draws.";
    }
    const long size = SizeSetting(method);
    const std::string range = std::to_string(limits->least) + " to " + std::to_string(limits->most);
    if (method.kind == MethodKind::Sobol) {
        if (size >= limits->least && size <= limits->most) return std::nullopt;
        return name + " takes a base sample of 32, 64, ... up to " + std::to_string(limits->most) +
               " (a power of two; the runs are the base times " + std::to_string(SobolBlockCount(method, k)) +
               "), not " + std::to_string(size) + ".";
    }
    if (size >= limits->least && size <= limits->most) return std::nullopt;
    const char* what = method.kind == MethodKind::Morris ? " trajectories" : " executions";
    return name + " takes " + range + what + ", not " + std::to_string(size) + ".";
}

} // namespace tulo::sensitivity
