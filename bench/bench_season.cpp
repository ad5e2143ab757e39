// Full-season runs per second: what calibration and sensitivity analysis pay for every evaluation.

#include "engine/DailyLoop.h"
#include "engine/FormModel.h"
#include "engine/ReadInputs.h"
#include "engine/UserInterface.h"
#include "io/SimConfig.h"

#include "SilentUi.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

enum class Season { Demo, FloodedFixedLevel, FloodedDynamicWithBlast };

std::unique_ptr<tulo::RunState> Load(Season season) {
    tulo::FormModel form;
    const char* file = season == Season::FloodedDynamicWithBlast ? TULO_SOURCE_DIR "/examples/flooded.sim"
                                                                 : TULO_SOURCE_DIR "/examples/demo.sim";
    if (const auto error = tulo::ReadSimConfig(file, form)) throw std::runtime_error(*error);
    const bool floodedFixedLevel = season == Season::FloodedFixedLevel;
    if (floodedFixedLevel) {
        // Deep enough for the apex to stay under water until flowering, so floodwater temperatures apply.
        form.setText(tulo::ctl::cmbFlooded, "Flooded");
        form.setOption(tulo::ctl::OptionFixWlevel, true);
        form.setText(tulo::ctl::txtWaterLevel, "10");
    }
    tulo::bench::SilentUi ui;
    auto run = std::make_unique<tulo::RunState>();
    if (!tulo::ReadAllInputs(form, ui, *run).empty())
        throw std::runtime_error("example inputs do not validate");
    return run;
}

void RunSeasons(benchmark::State& state, Season season) {
    auto run = Load(season);
    for (auto _ : state) {
        run->PrepareFreshRun();
        tulo::SimulateDays(*run);
        benchmark::DoNotOptimize(run->out.AGB.data());
    }
    state.counters["seasons/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DemoSeason(benchmark::State& state) {
    RunSeasons(state, Season::Demo);
}
void BM_FloodedFixedLevelSeason(benchmark::State& state) {
    RunSeasons(state, Season::FloodedFixedLevel);
}
// Three soil layers, daily irrigation, blast on: the hourly water balance dominates.
void BM_FloodedDynamicSeasonWithBlast(benchmark::State& state) {
    RunSeasons(state, Season::FloodedDynamicWithBlast);
}

BENCHMARK(BM_DemoSeason)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloodedFixedLevelSeason)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloodedDynamicSeasonWithBlast)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
