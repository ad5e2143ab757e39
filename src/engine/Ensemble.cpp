#include "engine/Ensemble.h"

#include "base/Numbers.h"
#include "engine/Parameters.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

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

std::vector<EnsembleResult> RunEnsemble(const CompiledInputs& inputs, std::span<const ParameterSet> sets,
                                        const SeasonReader& read, const EnsembleOptions& options) {
    std::vector<EnsembleResult> results(sets.size());
    std::vector<std::string> problems = RunEnsembleInto(
        inputs, sets, [&](std::size_t i, const RunState& run) { results[i].cells = read(run); }, options);
    for (std::size_t i = 0; i < sets.size(); ++i) results[i].problem = std::move(problems[i]);
    return results;
}

std::vector<std::string> RunEnsembleInto(const CompiledInputs& inputs, std::span<const ParameterSet> sets,
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

#if defined(__SANITIZE_THREAD__)
    // Debian's oneTBB is not built for ThreadSanitizer, which then reports every hand-over inside the
    // scheduler; the sanitizer build runs the same per-set work on plain threads so that it judges ours.
    const unsigned threads = options.threads > 0 ? static_cast<unsigned>(options.threads)
                                                 : std::max(1u, std::thread::hardware_concurrency());
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            auto run = std::make_unique<RunState>();
            for (std::size_t i = next++; i < sets.size(); i = next++) runSet(i, *run);
        });
    for (std::thread& worker : workers) worker.join();
#else
    // A run state is large: one per worker, on the heap, reused for every season the worker runs.
    tbb::enumerable_thread_specific<std::unique_ptr<RunState>> states(
        [] { return std::make_unique<RunState>(); });
    // More threads than cores are allowed when asked for (the scheduler caps its workers at the cores).
    std::optional<tbb::global_control> allowed;
    if (options.threads > 0)
        allowed.emplace(tbb::global_control::max_allowed_parallelism,
                        static_cast<std::size_t>(options.threads));
    const int threads = options.threads > 0 ? options.threads : tbb::task_arena::automatic;
    tbb::task_arena arena(threads);
    arena.execute([&] {
        tbb::parallel_for(tbb::blocked_range<std::size_t>(0, sets.size()),
                          [&](const tbb::blocked_range<std::size_t>& range) {
                              RunState& run = *states.local();
                              for (std::size_t i = range.begin(); i != range.end(); ++i) runSet(i, run);
                          });
    });
#endif
    return problems;
}

} // namespace tulo
