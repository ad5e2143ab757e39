// The season as a function of its parameters: from compiled inputs, in an ensemble on one and two
// threads, and through the run command with and without its report; and the steps an ensemble adds to
// each season (the checks of a set's values, the finiteness check, the summary and its row of text),
// each alone on a finished season, to weigh against the season itself (BM_DemoSeason).

#include "ExampleSeason.h"
#include "base/FiniteSeries.h"
#include "engine/Ensemble.h"
#include "engine/Parameters.h"
#include "engine/Season.h"
#include "engine/SeasonSummary.h"
#include "forms/RunCommand.h"
#include "forms/SimConfig.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

tulo::FormModel LoadForm(const char* example) {
    tulo::FormModel form;
    const std::string file = std::string(TULO_SOURCE_DIR) + "/examples/" + example;
    if (const tulo::Outcome read = tulo::ReadSimConfig(file, form); !read)
        throw std::runtime_error(read.message);
    return form;
}

std::shared_ptr<const tulo::SeasonInputs> Compile(const char* example) {
    return tulo::bench::CompileExample(example);
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

// 256 sets of the demo season written as `tulo-cli ensemble` writes them: each worker puts the summary's
// row of text in the set's slot. Seasons per second to compare with BM_DemoSeason's.
void BM_EnsembleRowsDemo(benchmark::State& state) {
    const auto inputs = Compile("demo.sim");
    std::vector<tulo::ParameterSet> sets;
    for (int i = 0; i < 256; ++i) sets.push_back({{tulo::ParameterIndex("RUE"), 2.0 + i / 256.0}});
    tulo::EnsembleOptions options;
    options.threads = static_cast<int>(state.range(0));
    std::vector<char> rows(sets.size() * tulo::kSummaryRowChars);
    std::vector<std::size_t> lengths(sets.size());
    const tulo::SeasonSink sink = [&](std::size_t i, const tulo::RunState& run) {
        char* const row = rows.data() + i * tulo::kSummaryRowChars;
        lengths[i] = static_cast<std::size_t>(tulo::WriteSummaryRow(tulo::Summarize(run), row) - row);
    };
    for (auto _ : state) benchmark::DoNotOptimize(tulo::RunEnsembleInto(*inputs, sets, sink, options));
    SeasonsPerSecond(state, state.iterations() * static_cast<std::int64_t>(sets.size()));
}

std::unique_ptr<tulo::RunState> FinishedDemo() {
    auto run = std::make_unique<tulo::RunState>();
    tulo::RunSeason(*Compile("demo.sim"), {}, *run);
    return run;
}

// The bounds and rules of a set's values: every parameter of the registry at the middle of its range.
void BM_SetChecks(benchmark::State& state) {
    const auto registry = tulo::CropParameterRegistry();
    for (auto _ : state)
        for (const tulo::ParameterInfo& info : registry)
            benchmark::DoNotOptimize(tulo::CheckParameterBounds(info, 0.5 * (info.min + info.max)));
    state.counters["values/s"] = benchmark::Counter(static_cast<double>(state.iterations() * registry.size()),
                                                    benchmark::Counter::kIsRate);
}

// Whether every output of a finished demo season is finite.
void BM_FiniteCheckDemo(benchmark::State& state) {
    const auto run = FinishedDemo();
    for (auto _ : state) benchmark::DoNotOptimize(tulo::FirstNonFiniteOutput(*run));
}

// The same sums over the 37 series of the demo's 200 days by one path: 1 narrow (SSE), 2 wide (AVX).
void BM_FiniteSums(benchmark::State& state) {
    const auto path = static_cast<tulo::FiniteSumPath>(state.range(0));
    if (path == tulo::FiniteSumPath::Wide && !tulo::WideFiniteSumsAvailable()) {
        state.SkipWithError("no AVX");
        return;
    }
    const auto finished = FinishedDemo();
    const tulo::RunState& run = *finished;
    const auto first = static_cast<std::size_t>(run.control.InitialDate);
    const auto count = static_cast<std::size_t>(run.control.FinalDate - run.control.InitialDate);
    const tulo::DailyOutputs& o = run.out;
    std::vector<const float*> singles;
    for (const tulo::DailySeries* s :
         {&o.DVS,          &o.GDD,          &o.GDDcum,        &o.RUEday,         &o.AGBdayRad,
          &o.AGBday,       &o.AGB,          &o.LeavesDay,     &o.StemsDay,       &o.PaniclesDay,
          &o.Leaves,       &o.Stems,        &o.Panicles,      &o.LAIday,         &o.LAI,
          &o.SterilityDay, &o.SterilityCum, &o.PanicleHeight, &run.weather.Tmax, &run.weather.Tmin})
        singles.push_back(s->data() + first);
    std::vector<const double*> doubles;
    for (const tulo::DailySeriesD* s :
         {&o.WaterLevel, &o.ET1, &o.ET2, &o.ET3, &o.ET4, &o.RiskLevel, &o.BlastDVStoday, &o.MF1, &o.MF2,
          &o.MF3, &o.MF4, &o.MF12, &o.DTempRisk, &o.MaxRhRisk, &o.DltRhRisk, &o.MxTempRisk, &o.RainRisk})
        doubles.push_back(s->data() + first);
    for (auto _ : state) benchmark::DoNotOptimize(tulo::AllFinite(singles, doubles, count, path));
}

// What `tulo-cli ensemble` reads of each season: its summary, and the summary's row of text.
void BM_SummaryRowDemo(benchmark::State& state) {
    const auto run = FinishedDemo();
    char row[tulo::kSummaryRowChars];
    for (auto _ : state) {
        const tulo::SeasonSummary summary = tulo::Summarize(*run);
        benchmark::DoNotOptimize(state.range(0) == 0 ? row : tulo::WriteSummaryRow(summary, row));
        benchmark::DoNotOptimize(summary.agbMax);
    }
}

// The run command: reading the form, the season, the charts, and the report when the option asks for it.
void RunCommand(benchmark::State& state, bool report) {
    tulo::FormModel form = LoadForm("demo.sim");
    form.setOption(report ? tulo::ctl::optReportAlways : tulo::ctl::optReportNever, true);
    auto run = std::make_unique<tulo::RunState>();
    tulo::RunResults results;
    for (auto _ : state) {
        const tulo::SeasonRunOutcome season = tulo::RunFormSeason(form, *run, results);
        if (season.report == tulo::ReportOption::Always && !tulo::ReportVariablesMissing(form)) {
            tulo::BuildReportGrid(form, *run, results);
            benchmark::DoNotOptimize(results.report.rows());
        }
        benchmark::DoNotOptimize(season.outcome.status);
    }
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
BENCHMARK(BM_EnsembleRowsDemo)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SetChecks);
BENCHMARK(BM_FiniteCheckDemo);
BENCHMARK(BM_FiniteSums)->ArgName("path")->Arg(1)->Arg(2);
BENCHMARK(BM_SummaryRowDemo)->ArgName("row")->Arg(0)->Arg(1);
BENCHMARK(BM_RunCommandWithoutReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunCommandWithReport)->Unit(benchmark::kMicrosecond);

} // namespace
