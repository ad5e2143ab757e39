#pragma once
// Seasons on several workers at once. A run state is large, so each worker keeps one of its own on the
// heap and reuses it for every season it runs; a piece of work sees only its worker's state, never one
// another piece is using, so the results are those of one worker running every index in turn as long as
// each piece starts its season from a cleared state. The ensemble and the calibration searches all run
// their seasons here.

#include "base/Outcome.h"
#include "engine/RunState.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

// The most workers a caller may ask for: four per core (more keep no core busier and only cost memory
// and start-up), and never more than 1,024, the most the system's thread limits safely allow.
int MaxWorkerThreads();

// Refuses a `threads` that is no worker count a caller may ask for (0 .. MaxWorkerThreads(), 0 for every
// core), in a sentence that calls the count `name` ("--threads", "threads"); Done when it is one.
Outcome CheckWorkerThreads(long long threads, std::string_view name);

// Workers kept from one call to the next, with their run states: for a caller that runs many small
// batches (the vertices of a simplex), which then pays for the workers and their states once.
class ParallelSeasons {
public:
    // Up to `threads` workers (0: every core). More threads than cores are allowed when asked for, up to
    // MaxWorkerThreads(); throws std::invalid_argument (CheckWorkerThreads's sentence) otherwise.
    explicit ParallelSeasons(int threads);
    ~ParallelSeasons();
    ParallelSeasons(const ParallelSeasons&) = delete;
    ParallelSeasons& operator=(const ParallelSeasons&) = delete;

    // Calls work(i, run) exactly once for every index i in [0, count), in no set order, `run` being the
    // state of the worker that makes the call; returns when every call has returned.
    template <typename Work> void Run(std::size_t count, const Work& work) {
        // The work is called directly within a range of indices, so a season pays for no indirection.
        RunRanges(count, [&](std::size_t begin, std::size_t end, RunState& run) {
            for (std::size_t i = begin; i != end; ++i) work(i, run);
        });
    }

private:
    // Indices [begin, end) on the run state of the worker that runs them.
    using RangeWork = std::function<void(std::size_t begin, std::size_t end, RunState& run)>;
    void RunRanges(std::size_t count, const RangeWork& work);

    struct Workers;
    std::unique_ptr<Workers> workers_;
};

// One batch on workers made for it.
template <typename Work> void ForEachSeason(std::size_t count, int threads, const Work& work) {
    ParallelSeasons(threads).Run(count, work);
}

} // namespace tulo
