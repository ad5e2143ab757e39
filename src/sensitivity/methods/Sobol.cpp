#include "sensitivity/methods/Sobol.h"

#include <algorithm>
#include <tuple>

namespace tulo::sensitivity {

namespace {

Outcome Parse(std::span<const std::string> t, Method& method) {
    method.kind = MethodKind::Sobol;
    // 0 for a variant not given or not 1 to 3.
    const long variant = t.empty() ? 0 : WholeNumber(t[0], 1, 3).value_or(0);
    const bool custom = variant == 3;
    const auto exponent =
        t.size() == (custom ? 3u : 2u) && variant != 2 ? WholeNumber(t[1], 0, 15) : std::nullopt;
    const auto order = custom && exponent ? WholeNumber(t[2], 1, 3) : std::optional<long>(1);
    if (!exponent || !order)
        return Outcome::Failure(
            std::string("1 and a whole exponent from 0 to 15 (total), or 3, the exponent and an order 1 to 3 "
                        "(custom)"));
    method.sobolCustom = custom;
    method.sobolExponent = static_cast<int>(*exponent);
    method.sobolOrder = static_cast<int>(*order);
    return Outcome::Success();
}

std::string Text(const Method& m) {
    const auto n = [](long v) { return std::to_string(v); };
    return m.sobolCustom ? "sobol 3 " + n(m.sobolExponent) + " " + n(m.sobolOrder)
                         : "sobol 1 " + n(m.sobolExponent);
}

// The number of Sobol' blocks of n rows, and per pair j < l (at j * k + l) the block whose rows share
// exactly the columns i, j and l with B_A^i: A_B^jl, or -1 when not drawn. A triple's closed effect
// needs one drawn pair in it, so the pairs are drawn within two halves of the factors only: any three
// factors have two in one half, and that takes about k^2 / 4 blocks instead of k^2 / 2. With three
// factors A_B^jl is B_A^i itself and nothing more is drawn.
// Without `pairBlock` the blocks are only counted.
int SobolBlocks(const Method& method, int k, std::vector<int>* pairBlock) {
    if (pairBlock) pairBlock->clear();
    if (!method.sobolCustom || method.sobolOrder < 2 || k < 2) return k + 2;
    int blocks = 2 * k + 2;
    if (method.sobolOrder < 3 || k < 3) return blocks;
    if (pairBlock) pairBlock->assign(static_cast<std::size_t>(k) * k, -1);
    const int half = (k + 1) / 2;
    for (int j = 0; j < k; ++j)
        for (int l = j + 1; l < k; ++l) {
            int block = -1;
            if (k == 3)
                block = 2 + k + (3 - j - l);
            else if ((j < half) == (l < half))
                block = blocks++;
            if (pairBlock) (*pairBlock)[static_cast<std::size_t>(j) * k + l] = block;
        }
    return blocks;
}

std::string Title(const Method& method) {
    return method.sobolCustom ? "Sobol method (custom)" : "Sobol method (total)";
}

// The base sample: the rows of each block.
long BaseRows(const Method& method) {
    return 1L << (method.sobolExponent + 5);
}

// The bases are powers of two from 32 up to 2^20; none (the most below 32) when even 32 does not fit.
std::optional<SizeLimits> Limits(const Method& method, int k, long most) {
    const long blocks = SobolBlocks(method, k, nullptr);
    long base = 32;
    while (base * 2 <= (1L << 20) && base * 2 * blocks <= most) base *= 2;
    return SizeLimits{32, base * blocks <= most ? base : 0};
}

long Rows(const Method& method, int k) {
    return BaseRows(method) * SobolBlocks(method, k, nullptr);
}

Outcome Refusal(const Method& method, int k, const std::optional<SizeLimits>& limits) {
    if (!limits) return Outcome::Success();
    return Outcome::Failure(" takes a base sample of 32, 64, ... up to " + std::to_string(limits->most) +
                            " (a power of two; the runs are the base times " +
                            std::to_string(SobolBlocks(method, k, nullptr)) + "), not " +
                            std::to_string(BaseRows(method)) + ".");
}

Outcome Size(const Method& method, int k, Design& d, long& rows) {
    d.baseRows = static_cast<int>(BaseRows(method));
    rows = static_cast<long>(d.baseRows) * SobolBlocks(method, k, &d.sobolPairBlock);
    return Outcome::Success();
}

// The blocks Design describes, all from one 2k-dimensional low-discrepancy sequence.
void Draw(const Method&, Design& d) {
    const int k = d.factors;
    const int n = d.baseRows;
    const bool pairs = d.rows > n * (k + 2);
    const auto cell = [&](long row, int factor) -> double& {
        return d.unit[static_cast<std::size_t>(row) * k + factor];
    };
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
}

// The pairs, then the triples, of factors whose interaction indices are asked for, in lexicographic order.
std::vector<std::vector<int>> InteractionSets(const Design& d, bool asked) {
    const int k = d.factors;
    const bool pairs = asked && d.rows > d.baseRows * (k + 2);
    const bool triples = asked && !d.sobolPairBlock.empty();
    std::vector<std::vector<int>> sets;
    for (int i = 0; i < k && pairs; ++i)
        for (int j = i + 1; j < k; ++j) sets.push_back({i, j});
    for (int i = 0; i < k && triples; ++i)
        for (int j = i + 1; j < k; ++j)
            for (int l = j + 1; l < k; ++l) sets.push_back({i, j, l});
    return sets;
}

// The outputs of the base rows a resample drew, by block, with the mean and variance of A and B together.
class Resample {
public:
    Resample(const Design& d, std::span<const double> y, Units w) : d_(d), y_(y), w_(w) {
        const UnitMoments a = Moments(w, [&](int r) { return f(0, r); });
        const UnitMoments b = Moments(w, [&](int r) { return f(1, r); });
        total_ = a.total;
        mean_ = (a.mean + b.mean) / 2;
        variance_ = (a.variance + b.variance) / 2 +
                    ((a.mean - mean_) * (a.mean - mean_) + (b.mean - mean_) * (b.mean - mean_)) / 2;
    }
    bool Defined() const { return variance_ > 0 && total_ != 0; }
    double f(int block, int r) const { return y_[static_cast<std::size_t>(block) * d_.baseRows + r]; }

    // First-order (Saltelli et al. 2010) and total (Jansen 1999) indices of factor i.
    std::pair<double, double> FirstAndTotal(int i) const {
        double first = 0, total = 0;
        for (const int r : w_) {
            const double ya = f(0, r), yb = f(1, r), yab = f(2 + i, r);
            // Saltelli et al. 2010 on the centred output: the same expectation, but a mean far from zero,
            // as a biomass has, no longer swamps it with noise.
            first += (yb - mean_) * (yab - ya);
            total += (ya - yab) * (ya - yab);
        }
        return {first / total_ / variance_, total / (2 * total_) / variance_};
    }

    // E[f(X) (f(Y) - f(Z))] over the variance, f(X) centred as for the first-order index.
    double Closed(int x, int y, int z) const {
        double sum = 0;
        for (const int r : w_) sum += (f(x, r) - mean_) * (f(y, r) - f(z, r));
        return sum / total_ / variance_;
    }

private:
    const Design& d_;
    std::span<const double> y_;
    Units w_;
    double total_ = 0, mean_ = 0, variance_ = 0;
};

// Closed effects by the estimator of Saltelli et al. 2010 carried over to the blocks of Saltelli 2002:
// E[f(X) (f(Y) - f(Z))] with Y sharing exactly the set's columns with X and Z none, so that no squared
// mean is subtracted. Each index then takes off the lower-order indices of its set. Pairs: X = A_B^i,
// Y = B_A^j, Z = B_A^i; triples: X = B_A^i, Y = A_B^jl, Z = A_B^i, with j and l the triple's drawn pair.
// `out` holds the first-order indices from 0 and receives the interactions from 2k on.
void InteractionIndices(const Resample& s, const Design& d, const std::vector<std::vector<int>>& sets,
                        std::vector<double>& out) {
    const int k = d.factors;
    const auto ab = [](int i) { return 2 + i; };
    const auto ba = [k](int i) { return 2 + k + i; };
    const auto pairBlock = [&](int j, int l) {
        return d.sobolPairBlock[static_cast<std::size_t>(j) * k + l];
    };
    const std::vector<double> first(out.begin(), out.begin() + k);
    std::vector<double> second(static_cast<std::size_t>(k) * k, 0.0);
    const auto s2 = [&](int p, int q) {
        return second[static_cast<std::size_t>(std::min(p, q)) * k + std::max(p, q)];
    };
    for (std::size_t set = 0; set < sets.size(); ++set) {
        const std::vector<int>& u = sets[set];
        double& index = out[2 * static_cast<std::size_t>(k) + set];
        if (u.size() == 2) {
            index = s.Closed(ab(u[0]), ba(u[1]), ba(u[0])) - first[u[0]] - first[u[1]];
            second[static_cast<std::size_t>(u[0]) * k + u[1]] = index;
            continue;
        }
        // The first pair of the triple that was drawn; i is the factor left.
        int i = u[0], j = u[1], l = u[2];
        if (pairBlock(j, l) < 0) std::swap(i, pairBlock(i, l) >= 0 ? j : l);
        index = s.Closed(ba(i), pairBlock(std::min(j, l), std::max(j, l)), ab(i)) - s2(i, j) - s2(i, l) -
                s2(j, l) - first[i] - first[j] - first[l];
    }
}

// Every index of a resample: first-order, total, then the interactions of `sets`.
std::vector<double> ResampleIndices(const Design& d, std::span<const double> y,
                                    const std::vector<std::vector<int>>& sets, Units w) {
    const int k = d.factors;
    const Resample s(d, y, w);
    std::vector<double> out(2 * static_cast<std::size_t>(k) + sets.size(), 0.0);
    if (!s.Defined()) return out;
    for (int i = 0; i < k; ++i) std::tie(out[i], out[k + i]) = s.FirstAndTotal(i);
    InteractionIndices(s, d, sets, out);
    return out;
}

Outcome Indices(const Method& method, const Design& d, std::span<const double>, const Mapped& outputs,
                std::vector<FactorIndices>& indices, std::vector<Interaction>* interactions) {
    const int k = d.factors;
    const std::span<const double> y = outputs.values;
    const std::vector<std::vector<int>> sets = InteractionSets(d, interactions != nullptr);
    std::vector<Estimate> estimates;
    if (auto why = BootstrapEstimates(
            d.baseRows, method.seed, kBootstrapResamples, kBootstrapUnits,
            [&](Units w) -> std::optional<std::vector<double>> { return ResampleIndices(d, y, sets, w); },
            estimates);
        !why)
        return why;
    FactorEstimates(estimates, k, indices);
    if (interactions) {
        interactions->clear();
        for (std::size_t s = 0; s < sets.size(); ++s)
            interactions->push_back({sets[s], estimates[2 * static_cast<std::size_t>(k) + s]});
    }
    return Outcome::Success();
}

} // namespace

MethodEntry SobolMethod() {
    return {.kind = MethodKind::Sobol,
            .keyword = "sobol",
            .parse = Parse,
            .text = Text,
            .index1Name = "S1",
            .index2Name = "ST",
            .title = Title,
            .sizeSetting = BaseRows,
            .sizeLimits = Limits,
            .designRows = Rows,
            .sizeRefusal = Refusal,
            .size = Size,
            .draw = Draw,
            .indices = Indices};
}

} // namespace tulo::sensitivity
