// The season as a function of its parameters: from compiled inputs, in an ensemble on one and two
// threads, and through the run command with and without its report.

#include "engine/Ensemble.h"
#include "engine/Parameters.h"
#include "engine/RunCommand.h"
#include "engine/Season.h"
#include "engine/SeasonSummary.h"
#include "io/SimConfig.h"

#include "SilentUi.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

tulo::FormModel LoadForm(const char* example) {
    tulo::FormModel form;
    const std::string file = std::string(TULO_SOURCE_DIR) + "/examples/" + example;
    if (const auto error = tulo::ReadSimConfig(file, form)) throw std::runtime_error(*error);
    return form;
}

std::shared_ptr<const tulo::CompiledInputs> Compile(const char* example) {
    const tulo::Compilation compiled = tulo::CompileInputs(LoadForm(example));
    if (!compiled.inputs) throw std::runtime_error("example inputs do not validate");
    return compiled.inputs;
}

void SeasonsPerSecond(benchmark::State& state, std::int64_t seasons) {
    state.counters["seasons/s"] =
        benchmark::Counter(static_cast<double>(seasons), benchmark::Counter::kIsRate);
}

// One parameter changed per season, as a calibration does.
void CompiledSeason(benchmark::State& state, const char* example) {
    const auto inputs = Compile(example);
    auto run = std::make_unique<tulo::RunState>();
    const tulo::ParameterValue rue{tulo::ParameterIndex("RUE"), 2.5};
    for (auto _ : state) {
        tulo::RunSeason(*inputs, {&rue, 1}, *run);
        benchmark::DoNotOptimize(run->out.AGB.data());
    }
    SeasonsPerSecond(state, state.iterations());
}
void BM_CompiledSeasonDemo(benchmark::State& state) {
    CompiledSeason(state, "demo.sim");
}
void BM_CompiledSeasonFlooded(benchmark::State& state) {
    CompiledSeason(state, "flooded.sim");
}

// 256 sets of the demo season, each reading the season summary as `tulo-cli ensemble` does (summary:1),
// or nothing, to weigh the ensemble's own cost against a bare season (summary:0).
void BM_EnsembleDemo(benchmark::State& state) {
    const auto inputs = Compile("demo.sim");
    std::vector<tulo::ParameterSet> sets;
    for (int i = 0; i < 256; ++i) sets.push_back({{tulo::ParameterIndex("RUE"), 2.0 + i / 256.0}});
    tulo::EnsembleOptions options;
    options.threads = static_cast<int>(state.range(0));
    const tulo::SeasonReader read = [&](const tulo::RunState& run) {
        if (state.range(1) == 0) return std::vector<std::string>{};
        return tulo::SummaryCells(tulo::Summarize(run));
    };
    for (auto _ : state) benchmark::DoNotOptimize(tulo::RunEnsemble(*inputs, sets, read, options));
    SeasonsPerSecond(state, state.iterations() * static_cast<std::int64_t>(sets.size()));
}

// The window's run command: reading the form, the season, the charts, and the report when asked.
void RunCommand(benchmark::State& state, bool report) {
    tulo::FormModel form = LoadForm("demo.sim");
    form.setOption(report ? tulo::ctl::optReportAlways : tulo::ctl::optReportNever, true);
    tulo::bench::SilentUi ui;
    auto run = std::make_unique<tulo::RunState>();
    tulo::RunResults results;
    const tulo::ReportExporter exporter = [](const tulo::Grid& grid, std::string_view) {
        benchmark::DoNotOptimize(grid.rows());
    };
    for (auto _ : state) benchmark::DoNotOptimize(tulo::RunSimulation(form, ui, *run, results, exporter));
    SeasonsPerSecond(state, state.iterations());
}
void BM_RunCommandWithoutReport(benchmark::State& state) {
    RunCommand(state, false);
}
void BM_RunCommandWithReport(benchmark::State& state) {
    RunCommand(state, true);
}

BENCHMARK(BM_CompiledSeasonDemo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompiledSeasonFlooded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnsembleDemo)
    ->ArgNames({"threads", "summary"})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RunCommandWithoutReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunCommandWithReport)->Unit(benchmark::kMicrosecond);

} // namespace
