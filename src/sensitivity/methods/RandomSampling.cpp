#include "sensitivity/methods/RandomSampling.h"

#include "sensitivity/methods/Regression.h"

namespace tulo::sensitivity {

namespace {

Outcome Parse(std::span<const std::string> tokens, Method& method) {
    method.kind = MethodKind::Random;
    return ParseSeedAndExecutions(tokens, method);
}

std::string Text(const Method& m) {
    return SeedAndExecutionsText("random", m);
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
    return RegressionMethod(MethodKind::Random, "random", Parse, Text, Title, Draw);
}

} // namespace tulo::sensitivity
