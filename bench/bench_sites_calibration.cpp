// The calibration of a sites table: five parameters by the genetic simplex over ten sites, one season per
// site at every trial point. Seasons per second on one and on two threads tell how well the searches of
// a generation share the cores.

#include "ExampleSeason.h"
#include "calibration/Simplex.h"
#include "commands/SeasonOptions.h"
#include "engine/Season.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// RUE, Tb, LAIemerg, SLA0 and GDDLeafLife: growth, its temperature, the canopy's start and its life.
const std::vector<tulo::CalibratedParameter>& FiveParameters() {
    static const std::vector<tulo::CalibratedParameter> parameters = {
        {tulo::ParameterIndex("RUE"), 1.5, 4},
        {tulo::ParameterIndex("Tb"), 7, 15},
        {tulo::ParameterIndex("LAIemerg"), 0.005, 0.1},
        {tulo::ParameterIndex("SLA0"), 15, 40},
        {tulo::ParameterIndex("GDDLeafLife"), 600, 1300}};
    return parameters;
}

// Ten seasons of the demo, sown five days apart from DOY 105 at latitudes 36 to 49, their AGB and LAI
// made by the engine with known values every 15 days from a month after sowing.
std::vector<tulo::CalibrationDataSet> TenSites() {
    static const std::vector<tulo::CalibrationDataSet> sites = [] {
        const double truth[] = {2.7, 11, 0.03, 24, 1000};
        std::vector<tulo::ParameterValue> made;
        for (std::size_t k = 0; k < FiveParameters().size(); ++k)
            made.push_back({FiveParameters()[k].index, truth[k]});
        std::vector<tulo::CalibrationDataSet> sets;
        auto run = std::make_unique<tulo::RunState>();
        for (int site = 0; site < 10; ++site) {
            tulo::SeasonConfiguration configuration = tulo::bench::ReadExample("demo.sim");
            const int sowing = 105 + 5 * site;
            tulo::SeasonOptions season;
            season.sowing = std::to_string(sowing);
            season.latitude = std::to_string(36 + (13 * site) / 9);
            tulo::Messages messages;
            if (!tulo::ApplySeasonOptions(configuration, season, messages))
                throw std::runtime_error("season refused");
            auto inputs = tulo::bench::CompileExample(configuration);
            tulo::RunSeason(*inputs, made, *run);
            tulo::CalibrationDataSet set;
            set.name = "site " + std::to_string(site + 1);
            set.inputs = inputs;
            set.agbSource = "agb";
            set.laiSource = "lai";
            int row = 2;
            for (int day = sowing + 30; day <= sowing + 120; day += 15, ++row) {
                set.agb.rows.push_back(
                    {row, static_cast<float>(day), static_cast<float>(run->out.AGB[day] / 100.0)});
                set.lai.rows.push_back({row, static_cast<float>(day), static_cast<float>(run->out.LAI[day])});
            }
            sets.push_back(std::move(set));
        }
        return sets;
    }();
    return sites;
}

// Eight starting simplexes of 60 passes, then one generation of half the rows: a few seconds a search.
void BM_SitesCalibrationGenetic5x10(benchmark::State& state) {
    tulo::CalibrationSettings settings;
    settings.parameters = FiveParameters();
    settings.withLai = true;
    settings.laiWeight = 1;
    const double initial[] = {2.3, 12, 0.02, 27, 950};
    const tulo::GeneticSettings genetic{8, 60, 1, 0.5, 1.5, 0.1};
    tulo::SearchControl control;
    control.threads = static_cast<int>(state.range(0));
    std::int64_t seasons = 0;
    for (auto _ : state) {
        const tulo::CalibrationProblem problem(settings, TenSites(), control);
        seasons += tulo::GeneticSearch(problem, initial, genetic, 42).runs;
    }
    state.counters["seasons/s"] =
        benchmark::Counter(static_cast<double>(seasons), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SitesCalibrationGenetic5x10)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace
