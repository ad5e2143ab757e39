#include "engine/Ensemble.h"

#include "base/Numbers.h"
#include "engine/ParallelSeasons.h"
#include "engine/Parameters.h"

#include <atomic>

namespace tulo {

namespace {

// Why a set cannot run: the first value outside its parameter's bounds or not a code, or the first rule
// between parameters it breaks, as the configuration's own values are checked.
std::string SetProblem(const ParameterSet& set, const CropParameters& configured) {
    const auto registry = CropParameterRegistry();
    static const int critical = ParameterIndex("DLC"), optimum = ParameterIndex("DLO");
    CropParameters crop = configured;
    bool criticalGiven = false, optimumGiven = false;
    for (const ParameterValue& p : set) {
        if (p.index < 0 || static_cast<std::size_t>(p.index) >= registry.size()) return "unknown parameter";
        const ParameterInfo& info = registry[static_cast<std::size_t>(p.index)];
        if (const auto problem = CheckParameterBounds(info, p.value)) return problem->text;
        SetParameter(crop, info, p.value);
        criticalGiven |= p.index == critical;
        optimumGiven |= p.index == optimum;
    }
    // A configuration whose method ignores the day lengths holds none (its boxes are not read): a set
    // that switches to a method reading them has to bring both.
    if (!MethodReadsDayLengths(configured) && MethodReadsDayLengths(crop) &&
        !(criticalGiven && optimumGiven)) {
        const ParameterInfo& method = *FindParameter("IDSL");
        const auto code = static_cast<std::size_t>(crop.IDSL);
        return std::string(method.label) + " " + ShortestText(crop.IDSL) + " (\"" +
               std::string(code < method.choices.size() ? method.choices[code] : "") +
               "\") reads DLC and DLO, which the configuration's method leaves unset: the set must give "
               "both.";
    }
    const Problems broken = CheckParameterRelations(crop);
    return broken.empty() ? std::string() : broken.front().text;
}

} // namespace

std::vector<EnsembleResult> RunEnsemble(const SeasonInputs& inputs, std::span<const ParameterSet> sets,
                                        const SeasonReader& read, const EnsembleOptions& options) {
    std::vector<EnsembleResult> results(sets.size());
    std::vector<std::string> problems = RunEnsembleInto(
        inputs, sets, [&](std::size_t i, const RunState& run) { results[i].cells = read(run); }, options);
    for (std::size_t i = 0; i < sets.size(); ++i) results[i].problem = std::move(problems[i]);
    return results;
}

std::vector<std::string> RunEnsembleInto(const SeasonInputs& inputs, std::span<const ParameterSet> sets,
                                         const SeasonSink& sink, const EnsembleOptions& options) {
    std::vector<std::string> problems(sets.size());
    std::atomic<std::size_t> finished{0};

    auto runSet = [&](std::size_t i, RunState& run) {
        std::string& problem = problems[i];
        if (options.cancelled && options.cancelled()) {
            problem = "cancelled";
            return;
        }
        problem = SetProblem(sets[i], inputs.crop);
        if (problem.empty()) {
            RunSeason(inputs, sets[i], run);
            if (const auto where = FirstNonFiniteOutput(run))
                problem = "the season is not finite (" + *where + ")";
            else
                sink(i, run);
        }
        const std::size_t count = ++finished;
        if (options.done) options.done(count);
    };

    ForEachSeason(sets.size(), options.threads, runSet);
    return problems;
}

} // namespace tulo
