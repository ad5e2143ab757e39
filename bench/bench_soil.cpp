// The soil water balance of the flooded example: one day of it, as the season's days come, and what a
// season pays to start its soil, from the compiled profile and from the table.

#include "ExampleSeason.h"
#include "base/Numbers.h"
#include "engine/Season.h"
#include "engine/SeasonInputs.h"
#include "engine/SoilProfile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::shared_ptr<const tulo::SeasonInputs> CompileFlooded() {
    return tulo::bench::CompileExample("flooded.sim");
}

// What the daily loop hands the balance on each day of the example's season.
struct BalanceDay {
    double Qing = 0, h = 0, Evg = 0, WUg = 0;
    std::int32_t HQin = 0;
};

std::vector<BalanceDay> SeasonDays(const tulo::SeasonInputs& inputs) {
    auto run = std::make_unique<tulo::RunState>();
    tulo::RunSeason(inputs, {}, *run);
    const auto& c = run->control;
    const auto& m = run->manag;
    const auto& o = run->out;
    std::vector<BalanceDay> days;
    for (std::int32_t d = c.InitialDate; d < c.FinalDate; ++d)
        days.push_back(
            {run->weather.Rain[d] + m.Winputmm[d],
             10.0 * (d == c.InitialDate ? m.IniWaterLevel : o.WaterLevel[d - 1]), o.ET4[d - 1], o.ET3[d - 1],
             static_cast<std::int32_t>(std::clamp(tulo::RoundHalfEven(m.WinputH[d]), -1000.0, 1000.0))});
    return days;
}

// One day per iteration, the season's days in turn; each season starts from the prepared profile.
void BM_WaterBalanceDay(benchmark::State& state) {
    const auto inputs = CompileFlooded();
    const auto days = SeasonDays(*inputs);
    tulo::Soil soil = inputs->control.soilProfile.soil;
    std::size_t next = 0;
    for (auto _ : state) {
        if (next == days.size()) {
            soil = inputs->control.soilProfile.soil;
            next = 0;
        }
        const BalanceDay& day = days[next++];
        double uptake = day.WUg;
        soil.WaterBalanceDarcy(day.Qing, day.HQin, day.h, day.Evg, uptake);
        benchmark::DoNotOptimize(soil.PondDepth(24));
    }
}
BENCHMARK(BM_WaterBalanceDay);

// A season's soil from the compiled profile (a copy) and, its table edited, from the table (the
// pedotransfer functions and the retention curve on every layer).
void SeasonSoil(benchmark::State& state, bool edited) {
    const auto inputs = CompileFlooded();
    tulo::SoilTableRows table = inputs->control.SoilLayers;
    if (edited) table[1][11] = 20;
    std::optional<tulo::Soil> soil;
    for (auto _ : state) {
        tulo::StartSeasonSoil(soil, inputs->control.soilProfile, inputs->control.NLayers, table);
        benchmark::DoNotOptimize(soil->LayerWaterContent(1));
    }
}
void BM_SeasonSoilFromCompiledInputs(benchmark::State& state) {
    SeasonSoil(state, false);
}
void BM_SeasonSoilFromTable(benchmark::State& state) {
    SeasonSoil(state, true);
}
BENCHMARK(BM_SeasonSoilFromCompiledInputs);
BENCHMARK(BM_SeasonSoilFromTable);

} // namespace
