#include "sensitivity/methods/LpTau.h"

#include "sensitivity/methods/Regression.h"

namespace tulo::sensitivity {

namespace {

// No seed: the sequence is fixed.
Outcome Parse(std::span<const std::string> tokens, Method& method) {
    method.kind = MethodKind::LpTau;
    const auto runs = tokens.size() == 1 ? WholeNumber(tokens[0], 2, kMaxRuns) : std::nullopt;
    if (!runs) return Outcome::Failure("a number of executions (2 or more)");
    method.executions = static_cast<int>(*runs);
    return Outcome::Success();
}

std::string Text(const Method& m) {
    return "lptau " + std::to_string(m.executions);
}

std::string Title(const Method&) {
    return "Quasi-Random LpTau";
}

void Draw(const Method&, Design& d) {
    SobolPoints(d.factors, d.rows, d.unit);
}

} // namespace

MethodEntry LpTauMethod() {
    return RegressionMethod(MethodKind::LpTau, "lptau", Parse, Text, Title, Draw);
}

} // namespace tulo::sensitivity
