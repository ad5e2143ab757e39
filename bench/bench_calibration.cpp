// The automatic calibration: seasons per second inside a search, and the genetic simplex of 100
// simplexes on one and two threads, whose searches run side by side.

#include "ExampleSeason.h"
#include "calibration/Simplex.h"
#include "engine/Season.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

std::shared_ptr<const tulo::SeasonInputs> Demo() {
    static const auto inputs = tulo::bench::CompileExample("demo.sim");
    return inputs;
}

// The demo's AGB with RUE 2.8 and Tb 11 on eight days, the measurements of the recovery tests.
tulo::MeasuredData EngineMadeAgb() {
    auto run = std::make_unique<tulo::RunState>();
    const tulo::ParameterValue made[] = {{tulo::ParameterIndex("RUE"), 2.8},
                                         {tulo::ParameterIndex("Tb"), 11}};
    tulo::RunSeason(*Demo(), made, *run);
    tulo::MeasuredData data;
    int row = 2;
    for (const int day : {150, 165, 180, 195, 210, 225, 245, 265})
        data.rows.push_back({row++, static_cast<float>(day), static_cast<float>(run->out.AGB[day] / 100.0)});
    return data;
}

tulo::CalibrationProblem RueAndTb(int threads) {
    tulo::CalibrationSettings settings;
    settings.parameters = {{tulo::ParameterIndex("RUE"), 1.5, 4}, {tulo::ParameterIndex("Tb"), 7, 15}};
    tulo::SearchControl control;
    control.threads = threads;
    return tulo::CalibrationProblem(settings, {{"", Demo(), EngineMadeAgb(), "agb", {}, ""}}, control);
}

void RunsPerSecond(benchmark::State& state, std::int64_t runs) {
    state.counters["runs/s"] = benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kIsRate);
}

// One objective evaluation: a season and the agreement of its AGB with the measurements.
void BM_CalibrationEvaluation(benchmark::State& state) {
    const tulo::CalibrationProblem problem = RueAndTb(1);
    auto run = std::make_unique<tulo::RunState>();
    const double point[] = {2.6, 11.5};
    for (auto _ : state) benchmark::DoNotOptimize(tulo::EvaluateTrial(problem, point, *run).objective);
    RunsPerSecond(state, problem.runs());
}
BENCHMARK(BM_CalibrationEvaluation)->Unit(benchmark::kMicrosecond);

// What the objective reads of a finished season: the AGB of the eight measured days, paired.
void BM_CalibrationPairs(benchmark::State& state) {
    auto run = std::make_unique<tulo::RunState>();
    tulo::RunSeason(*Demo(), {}, *run);
    const tulo::MeasuredData data = EngineMadeAgb();
    std::vector<double> simulated, measured;
    for (auto _ : state) {
        simulated.clear();
        measured.clear();
        tulo::AppendPairs(*run, 2, data, simulated, measured);
        benchmark::DoNotOptimize(simulated.data());
    }
}
BENCHMARK(BM_CalibrationPairs);

// A line of the search's trace: a trial point of two values and its index.
void BM_CalibrationTraceLine(benchmark::State& state) {
    const double point[] = {2.6123456789, 11.49876543};
    for (auto _ : state) benchmark::DoNotOptimize(tulo::TraceLine(point, 12.3456789012));
}
BENCHMARK(BM_CalibrationTraceLine);

// The standard simplex from the demo's values: about 80 seasons, its start and shrinks side by side.
void BM_CalibrationStandardSimplex(benchmark::State& state) {
    const double initial[] = {2.3, 12};
    std::int64_t runs = 0;
    for (auto _ : state) {
        const tulo::CalibrationProblem problem = RueAndTb(static_cast<int>(state.range(0)));
        runs += tulo::SearchFromInitialValues(problem, initial).runs;
    }
    RunsPerSecond(state, runs);
}
BENCHMARK(BM_CalibrationStandardSimplex)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100 random starting simplexes of 100 passes, then three generations of half the rows with 1.5 times
// the passes: the searches of a generation run side by side.
void BM_CalibrationGenetic100x3(benchmark::State& state) {
    const double initial[] = {2.3, 12};
    const tulo::GeneticSettings genetic{100, 100, 3, 0.5, 1.5, 0.1};
    std::int64_t runs = 0;
    for (auto _ : state) {
        const tulo::CalibrationProblem problem = RueAndTb(static_cast<int>(state.range(0)));
        runs += tulo::GeneticSearch(problem, initial, genetic, 42).runs;
    }
    RunsPerSecond(state, runs);
}
BENCHMARK(BM_CalibrationGenetic100x3)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
