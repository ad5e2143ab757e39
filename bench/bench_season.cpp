// Full-season runs per second: what calibration and sensitivity analysis pay for every evaluation.

#include "engine/DailyLoop.h"
#include "engine/FormModel.h"
#include "engine/ReadInputs.h"
#include "engine/UserInterface.h"
#include "io/SimConfig.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

class SilentUi : public tulo::UserInterface {
public:
    void message(std::string_view, std::string_view, tulo::Icon) override {}
    tulo::Answer ask(std::string_view, tulo::Buttons, std::string_view, tulo::Icon) override {
        return tulo::Answer::Cancel;
    }
    std::optional<std::string> input(std::string_view, std::string_view, std::string_view) override {
        return {};
    }
    std::optional<std::string> openFile(const tulo::FileDialog&) override { return {}; }
    std::optional<std::string> saveFile(const tulo::FileDialog&) override { return {}; }
    void setBusy(bool) override {}
    void processEvents() override {}
};

std::unique_ptr<tulo::RunState> LoadDemo(bool floodedFixedLevel) {
    tulo::FormModel form;
    if (const auto error = tulo::ReadSimConfig(TULO_SOURCE_DIR "/examples/demo.sim", form))
        throw std::runtime_error(*error);
    if (floodedFixedLevel) {
        // Deep enough for the apex to stay under water until flowering, so floodwater temperatures apply.
        form.setText(tulo::ctl::cmbFlooded, "Flooded");
        form.setOption(tulo::ctl::OptionFixWlevel, true);
        form.setText(tulo::ctl::txtWaterLevel, "10");
    }
    SilentUi ui;
    auto run = std::make_unique<tulo::RunState>();
    if (!tulo::ReadAllInputs(form, ui, *run).empty()) throw std::runtime_error("demo inputs do not validate");
    return run;
}

void RunSeasons(benchmark::State& state, bool flooded) {
    auto run = LoadDemo(flooded);
    for (auto _ : state) {
        run->PrepareFreshRun();
        tulo::SimulateDays(*run);
        benchmark::DoNotOptimize(run->out.AGB.data());
    }
    state.counters["seasons/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DemoSeason(benchmark::State& state) {
    RunSeasons(state, false);
}
void BM_FloodedFixedLevelSeason(benchmark::State& state) {
    RunSeasons(state, true);
}

BENCHMARK(BM_DemoSeason)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloodedFixedLevelSeason)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
