#include "sensitivity/methods/Statistics.h"

#include <boost/random/sobol.hpp>
#include <tbb/parallel_for.h>

#include <cmath>

namespace tulo::sensitivity {

namespace {

// Distinct streams for the sample and the bootstrap of one seed.
constexpr std::uint64_t kBootstrapStream = 0x9e3779b97f4a7c15ULL;

// Every resample is drawn in turn from one stream before any is estimated, so that the estimates, made in
// parallel, are the same on any number of threads. Resample b holds `drawn` units from position b * drawn.
std::vector<int> DrawResamples(int units, int drawn, int resamples, std::uint64_t seed) {
    const auto size = static_cast<std::size_t>(drawn);
    std::vector<int> resample(size * static_cast<std::size_t>(resamples));
    Random random(seed ^ kBootstrapStream);
    for (int b = 0; b < resamples; ++b) {
        const auto from = resample.begin() + static_cast<std::ptrdiff_t>(size * b);
        for (auto u = from; u != from + drawn; ++u)
            *u = static_cast<int>(random.Below(static_cast<std::size_t>(units)));
        std::sort(from, from + drawn);
    }
    return resample;
}

// The estimate `value` with the 2.5 and 97.5 % points of its replicates `draws` (sorted here), their
// spread about it scaled by `shrink`; no interval but the value itself from fewer than two replicates.
Estimate PercentileInterval(double value, std::vector<double>& draws, double shrink) {
    Estimate e{value, value, value};
    if (draws.size() < 2) return e;
    std::sort(draws.begin(), draws.end());
    const auto quantile = [&](double p) {
        const double at = p * static_cast<double>(draws.size() - 1);
        const auto lo = static_cast<std::size_t>(at);
        const std::size_t hi = std::min(lo + 1, draws.size() - 1);
        return draws[lo] + (at - static_cast<double>(lo)) * (draws[hi] - draws[lo]);
    };
    e.low = value + shrink * (quantile(0.025) - value);
    e.high = value + shrink * (quantile(0.975) - value);
    return e;
}

} // namespace

void SobolPoints(int dimension, int points, std::vector<double>& out) {
    boost::random::sobol engine(static_cast<std::size_t>(dimension));
    out.resize(static_cast<std::size_t>(points) * dimension);
    for (double& u : out) u = static_cast<double>(engine()) * 0x1p-64;
}

std::vector<int> AllUnits(int count) {
    std::vector<int> units(static_cast<std::size_t>(count));
    for (int u = 0; u < count; ++u) units[u] = u;
    return units;
}

// Percentile intervals: the 2.5 and 97.5 % points of the replicates, so that an interval holds only values
// the estimator itself can take (a correlation stays within [-1, 1], mu* and sigma above 0). A resample
// draws at most `most` units; with fewer than all, the replicates' spread about the estimate is scaled by
// sqrt(drawn / units), which keeps a range that is an interval, as the estimate and the replicates lie in it.
Outcome BootstrapEstimates(int units, std::uint64_t seed, int resamples, int most, const Estimator& estimate,
                           std::vector<Estimate>& estimates) {
    const auto point = estimate(AllUnits(units));
    if (!point)
        return Outcome::Failure(
            std::string("The indices are undefined for this sample: too few rows, or factors that "
                        "move together."));
    const int drawn = std::min(units, most);
    const auto size = static_cast<std::size_t>(drawn);
    const std::vector<int> resample = DrawResamples(units, drawn, resamples, seed);
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
    for (std::size_t v = 0; v < point->size(); ++v)
        estimates.push_back(PercentileInterval((*point)[v], draws[v], shrink));
    return Outcome::Success();
}

void FactorEstimates(std::span<const Estimate> estimates, int factors, std::vector<FactorIndices>& indices) {
    indices.assign(static_cast<std::size_t>(factors), FactorIndices{});
    for (int j = 0; j < factors; ++j) {
        indices[j].first = estimates[static_cast<std::size_t>(j)];
        indices[j].second = estimates[static_cast<std::size_t>(factors + j)];
    }
}

Outcome Bootstrap(int units, int factors, std::uint64_t seed, int resamples, int most,
                  const Estimator& estimate, std::vector<FactorIndices>& indices) {
    std::vector<Estimate> estimates;
    if (auto why = BootstrapEstimates(units, seed, resamples, most, estimate, estimates); !why) return why;
    FactorEstimates(estimates, factors, indices);
    return Outcome::Success();
}

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

std::vector<int> AscendingUnits(std::span<const double> values) {
    std::vector<int> units = AllUnits(static_cast<int>(values.size()));
    std::stable_sort(units.begin(), units.end(), [&](int a, int b) {
        return values[static_cast<std::size_t>(a)] < values[static_cast<std::size_t>(b)];
    });
    return units;
}

std::vector<double> Ranks(std::span<const double> values, const Distinct& drawn,
                          std::span<const int> ascending) {
    // Walking every unit costs less than sorting the drawn ones while they are more than a sixteenth.
    if (drawn.units.size() * 16 < ascending.size()) return Ranks(values, drawn);
    std::vector<int> slot(ascending.size(), -1);
    for (std::size_t i = 0; i < drawn.units.size(); ++i)
        slot[static_cast<std::size_t>(drawn.units[i])] = static_cast<int>(i);
    // The ties of all units, as Ranks groups those of the drawn ones: a group none was drawn of adds
    // nothing to the positions.
    std::vector<double> rank(drawn.units.size());
    double position = 0;
    for (std::size_t i = 0; i < ascending.size();) {
        const double value = values[static_cast<std::size_t>(ascending[i])];
        std::size_t j = i;
        double copies = 0;
        for (; j < ascending.size() && values[static_cast<std::size_t>(ascending[j])] == value; ++j)
            if (const int s = slot[static_cast<std::size_t>(ascending[j])]; s >= 0)
                copies += drawn.copies[static_cast<std::size_t>(s)];
        for (std::size_t t = i; t < j; ++t)
            if (const int s = slot[static_cast<std::size_t>(ascending[t])]; s >= 0)
                rank[static_cast<std::size_t>(s)] = position + (copies + 1) / 2;
        position += copies;
        i = j;
    }
    return rank;
}

} // namespace tulo::sensitivity
