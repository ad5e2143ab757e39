#include "sensitivity/methods/Lhs.h"

#include "sensitivity/methods/Regression.h"

namespace tulo::sensitivity {

namespace {

Outcome Parse(std::span<const std::string> tokens, Method& method) {
    method.kind = MethodKind::Lhs;
    return ParseSeedAndExecutions(tokens, method);
}

std::string Text(const Method& m) {
    return SeedAndExecutionsText("lhs", m);
}

std::string Title(const Method&) {
    return "Latin hypercube sampling";
}

// One stratum of each factor per row, the strata paired at random.
void Draw(const Method& method, Design& d) {
    Random random(method.seed);
    const int rows = d.rows;
    for (int j = 0; j < d.factors; ++j) {
        std::vector<int> strata(static_cast<std::size_t>(rows));
        for (int i = 0; i < rows; ++i) strata[i] = i;
        for (std::size_t i = strata.size() - 1; i > 0; --i) std::swap(strata[i], strata[random.Below(i + 1)]);
        for (int i = 0; i < rows; ++i)
            d.unit[static_cast<std::size_t>(i) * d.factors + j] =
                (strata[i] + random.Unit()) / static_cast<double>(rows);
    }
}

} // namespace

MethodEntry LatinHypercubeMethod() {
    return RegressionMethod(MethodKind::Lhs, "lhs", Parse, Text, Title, Draw);
}

} // namespace tulo::sensitivity
