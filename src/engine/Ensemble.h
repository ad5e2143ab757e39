#pragma once
// Ensemble runs: one season per parameter set, in parallel on every core, each worker with a run state
// of its own. The sample runs of a sensitivity analysis and the objective evaluations of a calibration
// are ensembles. Results stand in the order of the sets whatever the number of threads, and a set never
// sees another's state, so the results are the same for every thread count.

#include "engine/RunState.h"
#include "engine/Season.h"
#include "engine/SeasonInputs.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tulo {

using ParameterSet = std::vector<ParameterValue>;

struct EnsembleResult {
    std::vector<std::string> cells; // what the reader took from the season (empty when it failed)
    std::string problem;            // why the set has no season: a value out of bounds, a season not finite
};

// Reads what the caller wants of a finished season; called on the worker's thread.
using SeasonReader = std::function<std::vector<std::string>(const RunState& run)>;

struct EnsembleOptions {
    int threads = 0;                 // 0: every core
    std::function<bool()> cancelled; // polled between seasons; a cancelled set gets the problem "cancelled"
    std::function<void(std::size_t)> done; // called after each set with the number done so far (any thread)
};

std::vector<EnsembleResult> RunEnsemble(const SeasonInputs& inputs, std::span<const ParameterSet> sets,
                                        const SeasonReader& read, const EnsembleOptions& options = {});

// Reads the finished season of set `index` into the caller's own storage; called on the worker's thread,
// once for each set whose season ran and is finite.
using SeasonSink = std::function<void(std::size_t index, const RunState& run)>;

// The seasons of RunEnsemble, each handed to `sink` rather than read into texts, for callers that keep
// numbers or write rows themselves: each set's problem is returned (empty when its season was read).
std::vector<std::string> RunEnsembleInto(const SeasonInputs& inputs, std::span<const ParameterSet> sets,
                                         const SeasonSink& sink, const EnsembleOptions& options = {});

} // namespace tulo
