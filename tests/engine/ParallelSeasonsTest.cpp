// The workers every parallel season runs on: each index once, and a run state never in two pieces of
// work at once, whatever the number of threads and however often the workers are reused.

#include "engine/ParallelSeasons.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace tulo {
namespace {

struct Tally {
    std::vector<std::atomic<int>> runs;
    std::mutex mutex;
    std::set<const RunState*> busy; // the states some piece of work holds right now
    std::set<const RunState*> seen;
    bool shared = false;

    explicit Tally(std::size_t count) : runs(count) {}

    void Work(std::size_t i, RunState& run) {
        {
            const std::lock_guard lock(mutex);
            shared |= !busy.insert(&run).second;
            seen.insert(&run);
        }
        ++runs[i];
        // Long enough for the other workers to take pieces meanwhile.
        if (i % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        const std::lock_guard lock(mutex);
        busy.erase(&run);
    }
};

TEST(ParallelSeasons, EveryIndexRunsOnceOnAStateNoOtherPieceHolds) {
    for (const int threads : {0, 1, 2, 8}) {
        ParallelSeasons workers(threads);
        for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{300}}) {
            Tally tally(count);
            workers.Run(count, [&](std::size_t i, RunState& run) { tally.Work(i, run); });
            for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(tally.runs[i], 1) << threads << " " << i;
            EXPECT_FALSE(tally.shared) << threads;
            if (threads == 1) { // one state, reused for every season
                EXPECT_LE(tally.seen.size(), 1u);
            }
        }
    }
}

// A window may run an ensemble while a calibration searches: two batches at once share no state.
TEST(ParallelSeasons, TwoBatchesAtOnceShareNoState) {
    Tally tally(200);
    std::thread other(
        [&] { ForEachSeason(100, 2, [&](std::size_t i, RunState& run) { tally.Work(i, run); }); });
    ForEachSeason(100, 2, [&](std::size_t i, RunState& run) { tally.Work(100 + i, run); });
    other.join();
    for (std::size_t i = 0; i < 200; ++i) ASSERT_EQ(tally.runs[i], 1) << i;
    EXPECT_FALSE(tally.shared);
}

} // namespace
} // namespace tulo
