// The sensitivity analysis: sample seasons per second on one and two threads, a whole Sobol' analysis of
// the eleven growth factors (the tool's sampling, the seasons, the tool's indices), the indices alone of a
// large Latin hypercube, and whole analyses on one thread beside the seasons they run, in this process and
// through the tool.

#include "ExampleSeason.h"
#include "sensitivity/Analysis.h"

#include <benchmark/benchmark.h>

#include <cmath>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <utility>

namespace {

namespace sa = tulo::sensitivity;

std::shared_ptr<const tulo::SeasonInputs> CompileDemo() {
    return tulo::bench::CompileExample("demo.sim");
}

sa::AnalysisRequest AllFactors(const char* keyword, const char* line) {
    sa::AnalysisRequest request;
    for (const sa::ParameterFactor& f : sa::GrowthFactors())
        request.factors.push_back({f.row, "normal", std::string(f.mean), std::string(f.sd)});
    request.keyword = keyword;
    request.methodLine = line;
    return request;
}

std::vector<int> AllRows() {
    std::vector<int> rows;
    for (const sa::ParameterFactor& f : sa::GrowthFactors()) rows.push_back(f.row);
    return rows;
}

// 1024 Latin hypercube rows of the eleven factors with their default distributions, each season giving
// its end-of-crop AGB (output 0) or its largest leaf area index (4, read from the summary).
void BM_SampleSeasonsDemo(benchmark::State& state) {
    const auto inputs = CompileDemo();
    sa::Configuration config;
    if (const auto why =
            sa::ParseConfiguration(sa::ConfigurationText(AllFactors("lhs", "1 1024"), "s"), config);
        !why)
        throw std::runtime_error(why.message);
    sa::Sample drawn;
    if (const auto why = sa::DrawSample(config, drawn); !why) throw std::runtime_error(why.message);
    sa::SampleFile sample;
    sample.rows = drawn.design.rows;
    sample.factors = drawn.design.factors;
    sample.values = drawn.values;
    const std::vector<int> rows = AllRows();
    sa::RunOptions options;
    options.threads = static_cast<int>(state.range(0));
    const auto output = static_cast<sa::SampleOutput>(state.range(1));
    for (auto _ : state) {
        const sa::SampleRuns runs = sa::RunSampleSimulations(*inputs, sample, rows, options, output);
        if (!runs.status) throw std::runtime_error(runs.status.message);
        benchmark::DoNotOptimize(runs.outputs.data());
    }
    state.counters["seasons/s"] = benchmark::Counter(static_cast<double>(state.iterations() * sample.rows),
                                                     benchmark::Counter::kIsRate);
}

// Sobol' "total" with 2^12 base rows: 2^12 x 12 = 49152 seasons, on every core.
void BM_SobolAnalysisElevenFactors(benchmark::State& state) {
    const auto inputs = CompileDemo();
    sa::ExchangeFiles files{std::filesystem::temp_directory_path() /
                            ("tulo-bench-sensitivity-" + std::to_string(::getpid()))};
    std::filesystem::create_directories(files.folder);
    const sa::AnalysisRequest request = AllFactors("sobol", "1 7");
    sa::RunOptions options;
    options.tool = TULO_SIMLAB_PATH;
    std::size_t runs = 0;
    for (auto _ : state) {
        const sa::Analysis analysis = sa::RunAnalysis(*inputs, request, files, options);
        if (!analysis.status) throw std::runtime_error(analysis.status.message);
        runs = analysis.simulations.runs.outputs.size();
    }
    std::filesystem::remove_all(files.folder);
    state.counters["runs"] = static_cast<double>(runs);
}

// The tool's second mode on a Latin hypercube of the eleven factors with a model's outputs: the SRC and
// PRCC of every factor with their bootstrap intervals, for 20,000 and 200,000 rows.
void BM_RegressionIndicesOfLhsRows(benchmark::State& state) {
    sa::Configuration config;
    const std::string line = "1 " + std::to_string(state.range(0));
    if (const auto why =
            sa::ParseConfiguration(sa::ConfigurationText(AllFactors("lhs", line.c_str()), "s"), config);
        !why)
        throw std::runtime_error(why.message);
    sa::Sample drawn;
    if (const auto why = sa::DrawSample(config, drawn); !why) throw std::runtime_error(why.message);
    const int k = drawn.design.factors;
    std::vector<double> outputs(static_cast<std::size_t>(drawn.design.rows));
    for (std::size_t r = 0; r < outputs.size(); ++r) {
        const double* x = &drawn.values[r * static_cast<std::size_t>(k)];
        outputs[r] = 400 * x[0] * x[1] + 30 * std::sin(x[3] / 5) - x[9] / 40 + x[10] * x[10] / 100;
    }
    std::vector<sa::FactorIndices> indices;
    for (auto _ : state) {
        if (const auto why = sa::ComputeIndices(drawn.method, drawn.design, drawn.values, outputs, indices);
            !why)
            throw std::runtime_error(why.message);
        benchmark::DoNotOptimize(indices.data());
    }
    state.counters["rows"] = static_cast<double>(drawn.design.rows);
}

// The analyses the command line runs most, of the eleven growth factors: the method keyword and line.
constexpr std::pair<const char*, const char*> kAnalyses[] = {
    {"sobol", "1 2"},      // 128 base rows: 1664 seasons
    {"lhs", "1 1000"},     // 1000 seasons, regression indices
    {"morris", "1 100 4"}, // 100 trajectories: 1200 seasons
    {"fast", "2 1 1430"},  // extended FAST, 130 points per curve: 1430 seasons
};

enum class Route { Seasons, InProcess, ThroughTheTool };

// One analysis of kAnalyses[range(0)] on one thread: its seasons alone (the sample drawn beforehand), the
// whole analysis in this process as tulo-cli sensitivity and tulo.sensitivity run it, or the whole
// analysis through tuloSimLab and its exchange files as the window runs it. The ratio of the second or
// third to the first is what the analysis costs beyond its seasons.
void BM_AnalysisOnOneThread(benchmark::State& state) {
    const auto inputs = CompileDemo();
    const auto [keyword, line] = kAnalyses[state.range(0)];
    const sa::AnalysisRequest request = AllFactors(keyword, line);
    const auto route = static_cast<Route>(state.range(1));
    sa::RunOptions options;
    options.threads = 1;
    options.tool = TULO_SIMLAB_PATH;
    sa::ExchangeFiles files{std::filesystem::temp_directory_path() /
                            ("tulo-bench-analysis-" + std::to_string(::getpid()))};
    std::filesystem::create_directories(files.folder);
    sa::SampleFile sample;
    if (route == Route::Seasons) {
        sa::Configuration config;
        if (const auto why = sa::ParseConfiguration(sa::ConfigurationText(request, "s"), config); !why)
            throw std::runtime_error(why.message);
        sa::Sample drawn;
        if (const auto why = sa::DrawSample(config, drawn); !why) throw std::runtime_error(why.message);
        sample.rows = drawn.design.rows;
        sample.factors = drawn.design.factors;
        sample.values = drawn.values;
    }
    const std::vector<int> rows = AllRows();
    std::size_t seasons = 0;
    for (auto _ : state) {
        if (route == Route::Seasons) {
            const sa::SampleRuns runs = sa::RunSampleSimulations(*inputs, sample, rows, options);
            if (!runs.status) throw std::runtime_error(runs.status.message);
            seasons = runs.outputs.size();
            continue;
        }
        const sa::Analysis analysis = route == Route::InProcess
                                          ? sa::RunAnalysisInProcess(*inputs, request, options)
                                          : sa::RunAnalysis(*inputs, request, files, options);
        if (!analysis.status) throw std::runtime_error(analysis.status.message);
        seasons = analysis.simulations.runs.outputs.size();
    }
    std::filesystem::remove_all(files.folder);
    state.SetLabel(std::string(keyword) + " " + line);
    state.counters["seasons"] = static_cast<double>(seasons);
}

} // namespace

BENCHMARK(BM_AnalysisOnOneThread)
    ->ArgNames({"analysis", "route"})
    ->ArgsProduct({{0, 1, 2, 3},
                   {static_cast<int>(Route::Seasons), static_cast<int>(Route::InProcess),
                    static_cast<int>(Route::ThroughTheTool)}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegressionIndicesOfLhsRows)
    ->Arg(20000)
    ->Arg(200000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleSeasonsDemo)
    ->ArgNames({"threads", "output"})
    ->Args({1, static_cast<int>(sa::SampleOutput::Agb)})
    ->Args({2, static_cast<int>(sa::SampleOutput::Agb)})
    ->Args({1, static_cast<int>(sa::SampleOutput::LaiMax)})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SobolAnalysisElevenFactors)->UseRealTime()->Unit(benchmark::kSecond)->Iterations(3);
