// The desktop program as its users feel it: how long the window takes to open, and a Run of the demo
// season with its charts and report refreshed. Runs offscreen.

#include "app/MainWindow.h"
#include "app/UnattendedUi.h"

#include <QApplication>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BM_WindowStartUp(benchmark::State& state) {
    for (auto _ : state) {
        tulo::app::MainWindow window(std::make_unique<tulo::app::UnattendedUi>());
        window.show();
        QApplication::processEvents();
    }
}

void BM_RunAndChartRefreshDemo(benchmark::State& state) {
    tulo::app::MainWindow window(std::make_unique<tulo::app::UnattendedUi>());
    window.show();
    if (!window.openConfiguration(TULO_SOURCE_DIR "/examples/demo.sim")) {
        state.SkipWithError("the demo configuration did not open");
        return;
    }
    for (auto _ : state) {
        window.run();
        QApplication::processEvents(); // the charts repaint
    }
}

BENCHMARK(BM_WindowStartUp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunAndChartRefreshDemo)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true); // the user's settings and recent files stay untouched
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
