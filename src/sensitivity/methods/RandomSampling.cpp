#include "sensitivity/methods/RandomSampling.h"

#include "sensitivity/methods/Regression.h"

namespace tulo::sensitivity {

namespace {

WhyNot Parse(std::span<const std::string> tokens, Method& method) {
    method.kind = MethodKind::Random;
    return ParseSeedAndExecutions(tokens, method);
}

std::string Text(const Method& m) {
    return "random " + std::to_string(static_cast<long>(m.seed)) + " " + std::to_string(m.executions);
}

std::string Title(const Method&) {
    return "Random";
}

void Draw(const Method& method, Design& d) {
    Random random(method.seed);
    for (double& u : d.unit) u = random.Unit();
}

} // namespace

MethodEntry RandomSamplingMethod() {
    return {.kind = MethodKind::Random,
            .keyword = "random",
            .parse = Parse,
            .text = Text,
            .index1Name = "SRC",
            .index2Name = "PRCC",
            .indicesFromValues = true,
            .title = Title,
            .sizeSetting = Executions,
            .sizeLimits = RegressionSizeLimits,
            .designRows = ExecutionCount,
            .size = ExecutionRows,
            .draw = Draw,
            .indices = RegressionIndices};
}

} // namespace tulo::sensitivity
