// Importing a year of weather from a workbook: what a user waits for after choosing the file.

#include "base/Numbers.h"
#include "forms/FormModel.h"
#include "forms/SpreadsheetCommands.h"
#include "io/Workbook.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A weather workbook as users bring them: a title row, then 365 days of seven columns.
fs::path WeatherWorkbook() {
    tulo::Grid grid(366, 7);
    const char* titles[] = {"DOY", "Rain", "Tmax", "Tmin", "Rad", "RHmax", "RHmin"};
    for (int c = 1; c <= 7; ++c) grid.setText(1, c, titles[c - 1]);
    for (int d = 1; d <= 365; ++d) {
        grid.setText(d + 1, 1, std::to_string(d));
        for (int c = 2; c <= 7; ++c) grid.setText(d + 1, c, tulo::ShortestText(0.1 * d + 1.7 * c));
    }
    const fs::path file =
        fs::temp_directory_path() / ("tulo-bench-weather-" + std::to_string(::getpid()) + ".xlsx");
    tulo::WriteXlsx(grid, file, "Weather");
    return file;
}

void BM_ImportWeatherWorkbook(benchmark::State& state) {
    const fs::path file = WeatherWorkbook();
    tulo::FormModel form;
    for (auto _ : state) {
        tulo::Messages messages;
        const auto outcome = form.editGrid(tulo::ctl::sprWeather, [&](tulo::Grid& grid) {
            return tulo::ImportWorkbookSheet(grid, file, {}, messages);
        });
        if (outcome != tulo::Outcome::Done) state.SkipWithError("import failed");
        benchmark::DoNotOptimize(form.grid(tulo::ctl::sprWeather).text(366, 7));
    }
    fs::remove(file);
}

BENCHMARK(BM_ImportWeatherWorkbook)->Unit(benchmark::kMillisecond);

} // namespace
