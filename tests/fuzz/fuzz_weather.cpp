#include "io/WeatherFiles.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        if (!tulo::RecogniseWeatherText(text)) return 0;
        const tulo::WeatherFileSeries series = tulo::ReadWeatherText(text);
        const std::vector<int> years = series.years();
        if (years.empty()) return 0;
        tulo::Grid grid(400, 8);
        std::vector<std::string> notes;
        tulo::FillWeatherTable(series, tulo::ChooseWeatherYear(series, years.front()), grid, notes);
    } catch (const tulo::WeatherFileError&) {
    }
    return 0;
}
