// Full-season runs per second: what calibration and sensitivity analysis pay for every evaluation.

#include "ExampleSeason.h"
#include "engine/DailyLoop.h"
#include "engine/Season.h"
#include "weather/SolarCalendar.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace {

enum class Season { Demo, FloodedFixedLevel, FloodedDynamicWithBlast };

std::unique_ptr<tulo::RunState> Load(Season season) {
    tulo::SeasonConfiguration configuration =
        tulo::bench::ReadExample(season == Season::FloodedDynamicWithBlast ? "flooded.sim" : "demo.sim");
    if (season == Season::FloodedFixedLevel) {
        // Deep enough for the apex to stay under water until flowering, so floodwater temperatures apply.
        configuration.flooding = tulo::choice::Flooded;
        configuration.fixedWaterLevel = true;
        configuration.dynamicWaterLevel = false;
        configuration.waterLevel = tulo::ReadSingleItem("10");
    }
    const auto inputs = tulo::bench::CompileExample(configuration);
    auto run = std::make_unique<tulo::RunState>();
    tulo::LoadInputs(*inputs, *run);
    run->crop = inputs->crop;
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

// The sun's course over a year at one latitude: once per compilation now, where every season used to
// work out the same day lengths, sunrise hours and extraterrestrial radiation day by day.
void BM_SolarCalendarOfALatitude(benchmark::State& state) {
    float latitude = 45.3f;
    for (auto _ : state) {
        const tulo::SolarCalendar calendar(latitude, 0, 1, 365);
        benchmark::DoNotOptimize(calendar.DayLength(172));
        latitude = latitude == 45.3f ? 45.4f : 45.3f;
    }
}

// Preparing a fresh season on a run state that last ran the same days (what calibration, sensitivity
// and ensembles do: only the series read ahead of the day are cleared), and on one that ran other days
// (everything is cleared).
void BM_PrepareFreshRun(benchmark::State& state) {
    auto run = Load(Season::Demo);
    const bool sameDays = state.range(0) == 1;
    const std::int32_t first = run->control.InitialDate;
    run->PrepareFreshRun();
    tulo::SimulateDays(*run);
    for (auto _ : state) {
        if (!sameDays) run->control.InitialDate = run->control.InitialDate == first ? first + 1 : first;
        run->PrepareFreshRun();
        run->loop.DOY = run->control.FinalDate; // as a finished season leaves it
        benchmark::DoNotOptimize(run->out.AGB.data());
    }
    state.SetLabel(sameDays ? "same days as the last run" : "other days than the last run");
}

BENCHMARK(BM_SolarCalendarOfALatitude)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PrepareFreshRun)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DemoSeason)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloodedFixedLevelSeason)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloodedDynamicSeasonWithBlast)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
