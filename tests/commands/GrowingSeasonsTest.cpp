// A season grown once a year over a weather file of many years: each growing season is the season a
// configuration of that year would make, whatever the number of threads, and a year the file does not
// cover is refused by its date.

#include "commands/GrowingSeasons.h"

#include "commands/ParameterNames.h"
#include "engine/Season.h"
#include "inputs/SeasonCompile.h"
#include "inputs/SeasonOptions.h"
#include "support/DssatWeather.h"
#include "support/ScratchFolder.h"
#include "support/TypedSeasons.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tulo {
namespace {

// Three dry seasons' weather at a tropical site, a station that recorded no radiation on some days.
std::string StationWeather() {
    std::istringstream lines(test::DssatWeather({2017, 2018, 2019}, 23.8));
    std::string text, line;
    int n = 0;
    while (std::getline(lines, line)) {
        if (line.size() > 6 && std::isdigit(static_cast<unsigned char>(line[0])) && ++n % 17 == 0)
            line = line.substr(0, 6) + "-99.0" + line.substr(line.find(' ', 6));
        text += line + "\n";
    }
    return text;
}

class GrowingSeasonsTest : public test::ScratchFolderTest {
protected:
    // A new flooded season of `year`, sown on 15 November, simulated to 30 April, as `tulo-cli new` makes it.
    std::optional<SeasonConfiguration> NewSeason(int year, const std::string& start, const std::string& end) {
        SeasonOptions options;
        options.weather = weather_.string();
        options.year = year;
        options.sowing = std::to_string(year) + "-11-15";
        options.start = start;
        options.end = end;
        options.settings = {"SterilityActive=1"};
        SeasonConfiguration season;
        if (!MakeNewSeason(season, options, 8.0, FindParameterByName, said_)) return std::nullopt;
        return season;
    }
    std::filesystem::path weather_;
    Messages said_;
};

TEST_F(GrowingSeasonsTest, EachYearIsTheSeasonAConfigurationOfThatYearMakes) {
    weather_ = Write("STAT1701.WTH", StationWeather());
    const auto configured = NewSeason(2017, "2017-11-01", "2018-04-30");
    ASSERT_TRUE(configured) << (said_.empty() ? "" : said_.front().text);
    const Compilation compiled = CompileSeason(*configured);
    ASSERT_TRUE(compiled.inputs) << compiled.problems.front().text;
    const WeatherFileSeries series = ReadWeatherFile(weather_);

    const GrowingSeasonsPlan plan =
        PlanGrowingSeasons(*compiled.inputs, series, {2017, 2018, {}, {}, {}, "w"});
    ASSERT_EQ(plan.seasons.size(), 2u) << (plan.messages.empty() ? "" : plan.messages.front().text);
    ASSERT_EQ(plan.messages.size(), 1u); // the radiation estimate, told once
    EXPECT_NE(plan.messages[0].text.find("Hargreaves"), std::string::npos) << plan.messages[0].text;

    const auto rows = RunGrowingSeasons(plan.seasons, 2);
    for (std::size_t i = 0; i < plan.seasons.size(); ++i) {
        const int year = 2017 + static_cast<int>(i);
        const SeasonInputs& moved = *plan.seasons[i].inputs;
        EXPECT_EQ(moved.control.Year, year);
        // The same days in that year's calendar: 2019-2020 crosses a leap February.
        const auto alone =
            NewSeason(year, std::to_string(year) + "-11-01", std::to_string(year + 1) + "-04-30");
        ASSERT_TRUE(alone);
        const Compilation own = CompileSeason(*alone);
        ASSERT_TRUE(own.inputs) << own.problems.front().text;
        EXPECT_EQ(own.inputs->control.InitialDate, moved.control.InitialDate);
        EXPECT_EQ(own.inputs->control.FinalDate, moved.control.FinalDate);
        for (int d = moved.control.InitialDate - 1; d <= moved.control.FinalDate; ++d) {
            const auto k = static_cast<std::size_t>(d);
            const WeatherSeries &x = own.inputs->weather, &y = moved.weather;
            ASSERT_TRUE(x.Rain[k] == y.Rain[k] && x.TmaxAir[k] == y.TmaxAir[k] &&
                        x.TminAir[k] == y.TminAir[k] && x.Rad[k] == y.Rad[k] && x.RHmax[k] == y.RHmax[k] &&
                        x.RHmin[k] == y.RHmin[k])
                << year << " day " << d;
        }
        const auto a = test::SimulatedSeason(*own.inputs);
        auto b = std::make_unique<RunState>();
        RunSeason(moved, {}, *b);
        EXPECT_EQ(test::DailyDigest(*a, 0), test::DailyDigest(*b, 0)) << year;
        EXPECT_EQ(GrowingSeasonCells(rows[i])[0],
                  std::to_string(year) + "/" + std::to_string((year + 1) % 100));
        EXPECT_EQ(GrowingSeasonCells(rows[i])[1], std::to_string(year) + "-11-15");
    }
}

TEST_F(GrowingSeasonsTest, RowsAreTheSameForEveryThreadCountAndAnUncoveredYearIsRefused) {
    weather_ = Write("STAT1701.WTH", StationWeather());
    const auto configured = NewSeason(2017, "2017-11-01", "2018-04-30");
    ASSERT_TRUE(configured);
    const Compilation compiled = CompileSeason(*configured);
    ASSERT_TRUE(compiled.inputs);
    const WeatherFileSeries series = ReadWeatherFile(weather_);

    // Sown on other days: a December sowing, transplanted in January of the next year.
    GrowingSeasonsRequest request{2017, 2018, DayMonth{5, 12}, std::nullopt, kCoastalKrs, "w"};
    const GrowingSeasonsPlan plan = PlanGrowingSeasons(*compiled.inputs, series, request);
    ASSERT_EQ(plan.seasons.size(), 2u);
    EXPECT_EQ(GrowingSeasonsCsv(RunGrowingSeasons(plan.seasons, 1)),
              GrowingSeasonsCsv(RunGrowingSeasons(plan.seasons, 3)));
    EXPECT_EQ(plan.seasons[1].inputs->manag.SowingDate, 339); // 5 December 2018

    // The file ends with 2019: the season sown in 2019 would run into 2020.
    request.lastYear = 2019;
    const GrowingSeasonsPlan refused = PlanGrowingSeasons(*compiled.inputs, series, request);
    EXPECT_TRUE(refused.seasons.empty());
    ASSERT_FALSE(refused.messages.empty());
    EXPECT_EQ(refused.messages[0].text,
              "Growing season sown in 2019: w: the season's last day, 2020-05-19, is "
              "beyond the file's last, 2019-12-31.");

    EXPECT_EQ(ParseMonthDay("11-15")->month, 11);
    EXPECT_EQ(ParseMonthDay("--02-29")->day, 29);
    for (const char* text : {"11/15", "13-01", "02-30", "1115", "11-15-2019", ""})
        EXPECT_FALSE(ParseMonthDay(text)) << text;
}

} // namespace
} // namespace tulo
