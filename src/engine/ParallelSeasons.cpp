#include "engine/ParallelSeasons.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#if defined(__SANITIZE_THREAD__)
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>
#else
#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <optional>
#endif

namespace tulo {

int MaxWorkerThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1024 : static_cast<int>(std::min(1024u, 4 * cores));
}

Outcome CheckWorkerThreads(long long threads, std::string_view name) {
    if (threads >= 0 && threads <= MaxWorkerThreads()) return Outcome::Success();
    return Outcome::Failure(std::string(name) + " must be a whole number from 0 (every core) to " +
                            std::to_string(MaxWorkerThreads()) + " (four per core), not " +
                            std::to_string(threads) + ".");
}

namespace {

int CheckedThreads(int threads) {
    if (const auto checked = CheckWorkerThreads(threads, "the number of threads"); !checked)
        throw std::invalid_argument(checked.message);
    return threads;
}

} // namespace

#if defined(__SANITIZE_THREAD__)

// Debian's oneTBB is not built for ThreadSanitizer, which then reports every hand-over inside the
// scheduler: the sanitizer build runs the same pieces of work on plain threads, each with a run state of
// its own for the call, so that the sanitizer judges the sharing of our own code.
struct ParallelSeasons::Workers {
    unsigned threads;
};

ParallelSeasons::ParallelSeasons(int threads)
    : workers_(std::make_unique<Workers>(Workers{CheckedThreads(threads) > 0
                                                     ? static_cast<unsigned>(threads)
                                                     : std::max(1u, std::thread::hardware_concurrency())})) {}

void ParallelSeasons::RunRanges(std::size_t count, const RangeWork& work) {
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < workers_->threads; ++t)
        pool.emplace_back([&] {
            auto run = std::make_unique<RunState>();
            for (std::size_t i = next++; i < count; i = next++) work(i, i + 1, *run);
        });
    for (std::thread& worker : pool) worker.join();
}

#else

struct ParallelSeasons::Workers {
    explicit Workers(int asked)
        : threads(asked), arena(asked > 0 ? asked : tbb::task_arena::automatic),
          states([] { return std::make_unique<RunState>(); }) {}

    int threads; // as asked for; 0: every core
    tbb::task_arena arena;
    tbb::enumerable_thread_specific<std::unique_ptr<RunState>> states;
};

ParallelSeasons::ParallelSeasons(int threads)
    : workers_(std::make_unique<Workers>(CheckedThreads(threads))) {}

void ParallelSeasons::RunRanges(std::size_t count, const RangeWork& work) {
    // The scheduler caps its workers at the cores unless told otherwise, for the time of the call only.
    std::optional<tbb::global_control> allowed;
    if (workers_->threads > 0)
        allowed.emplace(tbb::global_control::max_allowed_parallelism,
                        static_cast<std::size_t>(workers_->threads));
    workers_->arena.execute([&] {
        // A piece of work is at least a season, worth a task of its own: no grain above one.
        tbb::parallel_for(tbb::blocked_range<std::size_t>(0, count, 1),
                          [&](const tbb::blocked_range<std::size_t>& range) {
                              work(range.begin(), range.end(), *workers_->states.local());
                          });
    });
}

#endif

ParallelSeasons::~ParallelSeasons() = default;

} // namespace tulo
