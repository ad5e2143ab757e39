#include "sensitivity/methods/MethodTable.h"

#include "base/Numbers.h"
#include "sensitivity/methods/ExtendedFast.h"
#include "sensitivity/methods/Fast.h"
#include "sensitivity/methods/Lhs.h"
#include "sensitivity/methods/LpTau.h"
#include "sensitivity/methods/Morris.h"
#include "sensitivity/methods/RandomSampling.h"
#include "sensitivity/methods/Sobol.h"

#include <array>
#include <cmath>

namespace tulo::sensitivity {

std::span<const MethodEntry> MethodTable() {
    static const std::array<MethodEntry, 7> table{
        LatinHypercubeMethod(), RandomSamplingMethod(), LpTauMethod(),       MorrisMethod(),
        SobolMethod(),          FastMethod(),           ExtendedFastMethod()};
    return table;
}

const MethodEntry& EntryOf(MethodKind kind) {
    return MethodTable()[static_cast<std::size_t>(kind)];
}

const MethodEntry* FindEntry(std::string_view keyword) {
    for (const MethodEntry& entry : MethodTable())
        if (entry.keyword == keyword) return &entry;
    return nullptr;
}

std::optional<long> WholeNumber(std::string_view text, long least, long most) {
    const auto value = ParseNumber(text);
    if (!value || *value != std::floor(*value) || *value < static_cast<double>(least) ||
        *value > static_cast<double>(most))
        return std::nullopt;
    return static_cast<long>(*value);
}

Outcome ParseSeedAndExecutions(std::span<const std::string> t, Method& method) {
    const auto seed = t.size() == 2 ? WholeNumber(t[0], 0, kMaxSeed) : std::nullopt;
    const auto runs = t.size() == 2 ? WholeNumber(t[1], 2, kMaxRuns) : std::nullopt;
    if (!seed || !runs) return Outcome::Failure("a seed and a number of executions (2 or more)");
    method.seed = static_cast<std::uint64_t>(*seed);
    method.executions = static_cast<int>(*runs);
    return Outcome::Success();
}

std::string SeedAndExecutionsText(std::string_view keyword, const Method& m) {
    return std::string(keyword) + " " + std::to_string(static_cast<long>(m.seed)) + " " +
           std::to_string(m.executions);
}

Outcome ExecutionRows(const Method& method, int factors, Design&, long& rows) {
    rows = ExecutionCount(method, factors);
    return Outcome::Success();
}

long ExecutionCount(const Method& method, int) {
    return method.executions;
}

long Executions(const Method& method) {
    return method.executions;
}

} // namespace tulo::sensitivity
