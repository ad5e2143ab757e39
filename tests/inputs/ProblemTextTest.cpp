#include "inputs/ConfigurationFile.h"
#include "inputs/SeasonCompile.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

// Only the weather's and the soil's problems come from a file a user named; the rest are the
// configuration's own and stand alone.
TEST(ProblemText, TheWeatherAndSoilTablesNameTheirSource) {
    const auto text = [](std::string field) {
        return ProblemText({std::move(field), 0, 0, "bad"}, "w.csv", "s.xlsx, sheet 2");
    };
    EXPECT_EQ(text("weather"), "w.csv: bad");
    EXPECT_EQ(text("weather.Titles"), "w.csv: bad");
    EXPECT_EQ(text("weather.Tmax"), "w.csv: bad");
    EXPECT_EQ(text("soil.Thickness"), "s.xlsx, sheet 2: bad");
    EXPECT_EQ(text("water.FirstDay"), "bad");
    EXPECT_EQ(text("Latitude"), "bad");
    EXPECT_EQ(text("weatherish"), "bad");
    // Without a source (the configuration's own tables) a problem stands alone.
    EXPECT_EQ(ProblemText({"weather.Rain", 0, 0, "bad"}, ""), "bad");
    EXPECT_EQ(ProblemText({"soil.Sand", 0, 0, "bad"}, "w.csv"), "bad");
}

// What a compiled season refuses reads, with its source, as the command line prints it.
TEST(ProblemText, ACompiledSeasonsWeatherProblemNamesTheWeatherFile) {
    const ConfigurationReading reading = ReadConfigurationFile(TULO_SOURCE_DIR "/examples/demo.sim");
    ASSERT_TRUE(reading.configuration) << reading.message;
    SeasonConfiguration c = *reading.configuration;
    c.weather.setText(149, WeatherRain, "wet");
    const Compilation compiled = CompileSeason(c);
    ASSERT_EQ(compiled.problems.size(), 1u);
    EXPECT_EQ(ProblemText(compiled.problems[0], "site.csv"),
              "site.csv: Weather, DOY 150 (cell B151), Rain(mm): \"wet\" is not a number.");
}

} // namespace
} // namespace tulo
