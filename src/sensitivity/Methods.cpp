#include "sensitivity/Methods.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "sensitivity/methods/MethodTable.h"

#include <boost/math/distributions/normal.hpp>

#include <algorithm>
#include <cmath>

namespace tulo::sensitivity {

namespace {

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

bool Finite(const Estimate& e) {
    return std::isfinite(e.value) && (!e.hasInterval || (std::isfinite(e.low) && std::isfinite(e.high)));
}

// Why the outputs (and the sample values, where the method needs them) cannot be analysed with the design.
Outcome CheckOutputs(const MethodEntry& entry, const Design& d, std::span<const double> values,
                     std::span<const double> outputs) {
    if (outputs.size() != static_cast<std::size_t>(d.rows))
        return Outcome::Failure("There are " + std::to_string(outputs.size()) + " outputs for " +
                                std::to_string(d.rows) + " samples.");
    if (entry.indicesFromValues && values.size() != static_cast<std::size_t>(d.rows) * d.factors)
        return Outcome::Failure("The sample values do not match the design.");
    for (std::size_t r = 0; r < outputs.size(); ++r)
        if (!std::isfinite(outputs[r]))
            return Outcome::Failure("Output " + std::to_string(r + 1) +
                                    " is not a finite number: the indices cannot be computed.");
    return Outcome::Success();
}

// A factor whose sampled values were all the same has no effect to measure, whatever an estimator makes of
// the noise: it loses its indices and its interactions.
void ClearUnvaried(const Design& d, std::span<const double> values, std::vector<FactorIndices>& indices,
                   std::vector<Interaction>* interactions) {
    const int k = d.factors;
    for (int j = 0; j < k; ++j) {
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
}

// Why the indices cannot be written: one of them is not a finite number.
Outcome CheckIndices(MethodKind kind, const std::vector<FactorIndices>& indices,
                     const std::vector<Interaction>* interactions) {
    const auto [name1, name2] = IndexNames(kind);
    for (const FactorIndices& f : indices)
        if (!Finite(f.first) || !Finite(f.second))
            return Outcome::Failure(
                "The indices of these outputs exceed the largest number the tool can write (" + name1 +
                " and " + name2 + "): rescale the output.");
    if (interactions)
        for (const Interaction& i : *interactions)
            if (!Finite(i.index))
                return Outcome::Failure("An interaction index of these outputs is not a finite number.");
    return Outcome::Success();
}

} // namespace

Outcome CheckFactor(const Factor& f) {
    const auto bad = [&](const std::string& why) { return Outcome::Failure(f.name + ": " + why + "."); };
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
    return Outcome::Success();
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

Outcome ParseMethod(std::string_view keyword, std::string_view line, Method& method) {
    std::string key(Trim(keyword));
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    method = Method{};
    const MethodEntry* entry = FindEntry(key);
    if (!entry)
        return Outcome::Failure("Unknown method " + QuoteValue(key) +
                                ": expected lhs, random, lptau, morris, sobol or fast.");
    if (const auto expected = entry->parse(Tokens(line), method); !expected)
        return Outcome::Failure("The method line " + QuoteValue(Trim(line)) + " of the method " +
                                QuoteValue(key) + " must be " + expected.message + ".");
    return Outcome::Success();
}

std::string MethodText(const Method& method) {
    return EntryOf(method.kind).text(method);
}

std::pair<std::string, std::string> IndexNames(MethodKind kind) {
    const MethodEntry& entry = EntryOf(kind);
    return {std::string(entry.index1Name), std::string(entry.index2Name)};
}

Outcome MakeDesign(const Method& method, int k, Design& d) {
    if (k < 1) return Outcome::Failure("The analysis needs at least one factor.");
    d = Design{};
    d.factors = k;
    const MethodEntry& entry = EntryOf(method.kind);
    long rows = 0;
    if (auto why = entry.size(method, k, d, rows); !why) return why;
    if (rows > kMaxDesignRows)
        return Outcome::Failure("The sample would have " + std::to_string(rows) + " rows, more than the " +
                                std::to_string(kMaxDesignRows) + " the tool draws.");
    if (rows * k > kMaxDesignValues)
        return Outcome::Failure("The sample would have " + std::to_string(rows) + " rows of " +
                                std::to_string(k) + " factors, more than the " +
                                std::to_string(kMaxDesignValues) + " values the tool draws.");
    d.rows = static_cast<int>(rows);
    d.unit.assign(static_cast<std::size_t>(rows) * k, 0.0);
    entry.draw(method, d);
    return Outcome::Success();
}

// Every index but Morris's is a ratio of the outputs' own spreads and does not change with their units:
// the outputs are mapped onto [-1, 1] before any is computed, and Morris's are scaled back.
Outcome ComputeIndices(const Method& method, const Design& d, std::span<const double> values,
                       std::span<const double> outputs, std::vector<FactorIndices>& indices,
                       std::vector<Interaction>* interactions) {
    indices.clear();
    if (interactions) interactions->clear();
    const MethodEntry& entry = EntryOf(method.kind);
    if (auto why = CheckOutputs(entry, d, values, outputs); !why) return why;
    const Mapped y = MapOntoUnitRange(outputs.size(), [&](std::size_t r) { return outputs[r]; });
    if (auto why = entry.indices(method, d, values, y, indices, interactions); !why) return why;
    if (values.size() == static_cast<std::size_t>(d.rows) * d.factors)
        ClearUnvaried(d, values, indices, interactions);
    return CheckIndices(method.kind, indices, interactions);
}

} // namespace tulo::sensitivity
