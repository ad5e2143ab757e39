// A season grown every year of a weather file (tulo-cli years) against the same seasons run alone: each
// growing season's days are put straight into typed inputs, so that a climate study of thirty years costs
// about what its seasons cost. Per growing season, on one thread:
//   BM_YearsPlannedAndRun       the years command's work: the seasons built from the file, then run
//   BM_SameSeasonsCompiledAlone each season as a run alone has it: its configuration compiled, then run
//   BM_SameSeasonsRunOnly       the runs alone, of seasons built beforehand

#include "commands/GrowingSeasons.h"
#include "commands/ParameterNames.h"
#include "engine/Season.h"
#include "inputs/SeasonCompile.h"
#include "inputs/SeasonOptions.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

const std::string kWeather = TULO_SOURCE_DIR "/examples/calendar/tropical-station.tsv";
constexpr int kFirst = 2014, kLast = 2020;

// The README's dry-season crop of one year.
tulo::SeasonConfiguration Boro(int year) {
    tulo::SeasonOptions options;
    options.weather = kWeather;
    options.latitude = "23.8";
    options.radiationKrs = 0.19;
    options.year = year;
    options.sowing = std::to_string(year) + "-12-05";
    options.transplanting = std::to_string(year + 1) + "-01-10";
    options.start = std::to_string(year) + "-12-01";
    options.end = std::to_string(year + 1) + "-05-31";
    tulo::SeasonConfiguration season;
    tulo::Messages messages;
    if (!tulo::MakeNewSeason(season, options, 5.0, tulo::FindParameterByName, messages))
        throw std::runtime_error("the benchmark's season is refused");
    return season;
}

struct Years {
    std::shared_ptr<const tulo::SeasonInputs> configured = tulo::CompileSeason(Boro(kFirst)).inputs;
    tulo::WeatherFileSeries weather = tulo::ReadWeatherFile(kWeather);
    tulo::GrowingSeasonsRequest request{kFirst, kLast, {}, {}, 0.19, "w"};
};

void BM_YearsPlannedAndRun(benchmark::State& state) {
    const Years years;
    for (auto _ : state) {
        const auto plan = tulo::PlanGrowingSeasons(*years.configured, years.weather, years.request);
        benchmark::DoNotOptimize(tulo::RunGrowingSeasons(plan.seasons, 1));
    }
    state.SetItemsProcessed(state.iterations() * (kLast - kFirst + 1));
}
BENCHMARK(BM_YearsPlannedAndRun)->Unit(benchmark::kMicrosecond);

void BM_SameSeasonsCompiledAlone(benchmark::State& state) {
    std::vector<tulo::SeasonConfiguration> seasons;
    for (int year = kFirst; year <= kLast; ++year) seasons.push_back(Boro(year));
    auto run = std::make_unique<tulo::RunState>();
    for (auto _ : state)
        for (const tulo::SeasonConfiguration& season : seasons) {
            const tulo::Compilation compiled = tulo::CompileSeason(season);
            tulo::RunSeason(*compiled.inputs, {}, *run);
            benchmark::DoNotOptimize(run->out.AGB[400]);
        }
    state.SetItemsProcessed(state.iterations() * (kLast - kFirst + 1));
}
BENCHMARK(BM_SameSeasonsCompiledAlone)->Unit(benchmark::kMicrosecond);

void BM_SameSeasonsRunOnly(benchmark::State& state) {
    const Years years;
    const auto plan = tulo::PlanGrowingSeasons(*years.configured, years.weather, years.request);
    for (auto _ : state) {
        // A fresh state for each season, as a run alone has.
        for (const tulo::GrowingSeason& season : plan.seasons) {
            auto run = std::make_unique<tulo::RunState>();
            tulo::RunSeason(*season.inputs, {}, *run);
            benchmark::DoNotOptimize(run->out.AGB[400]);
        }
    }
    state.SetItemsProcessed(state.iterations() * (kLast - kFirst + 1));
}
BENCHMARK(BM_SameSeasonsRunOnly)->Unit(benchmark::kMicrosecond);

} // namespace
