// A configuration's season changed for one command, and a new season made from a weather file: days as
// dates in their own year's calendar, the year a weather file of several years gives, a workbook's
// weather table, crop parameters named as users know them, and a refusal that leaves the configuration
// as it was, all on the configuration alone.

#include "inputs/SeasonOptions.h"

#include "commands/ParameterNames.h"
#include "engine/Parameters.h"
#include "inputs/OpeningSeason.h"
#include "inputs/SeasonCompile.h"
#include "support/DssatWeather.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

namespace tulo {
namespace {

TEST(SeasonDays, ReadDaysOfYearAndDatesInTheirOwnCalendar) {
    EXPECT_EQ(ParseSeasonDay("--sowing", "152", std::nullopt).doy, 152);
    const SeasonDay leap = ParseSeasonDay("--sowing", "2000-03-01", std::nullopt);
    EXPECT_EQ(leap.doy, 61);
    EXPECT_EQ(leap.year, 2000);
    EXPECT_EQ(ParseSeasonDay("--sowing", "01/03/2001", 2001).doy, 60);

    // Dates after the season's year count on from its 1 January, leap days included.
    EXPECT_EQ(ParseSeasonDay("--end", "2020-04-30", 2019).doy, 365 + 121);
    EXPECT_EQ(ParseSeasonDay("--end", "2020-12-31", 2020).doy, 366);
    EXPECT_EQ(ParseSeasonDay("--end", "2021-12-31", 2020).doy, 366 + 365);
    EXPECT_EQ(ParseSeasonDay("--end", "486", 2019).doy, 486);

    // Each refusal names the option and what is wrong.
    const auto refusal = [](std::string_view text, std::optional<int> year) {
        return ParseSeasonDay("--start", text, year).refusal;
    };
    EXPECT_NE(refusal("2019-06-01", 2020).find("--start: 2019-06-01 is before the season's year, 2020."),
              std::string::npos);
    EXPECT_NE(refusal("2022-01-01", 2019).find("more than two years after 1 January 2019"),
              std::string::npos);
    EXPECT_NE(refusal("1097", std::nullopt).find("not a day of the season's year"), std::string::npos);
    EXPECT_NE(refusal("0", std::nullopt).find("not a day of the season's year"), std::string::npos);
    EXPECT_NE(refusal("12.5", std::nullopt).find("not a day of the season's year"), std::string::npos);
    EXPECT_NE(refusal("June", std::nullopt).find("neither a day of year nor a date"), std::string::npos);
    EXPECT_NE(refusal("2019-02-29", std::nullopt).find("a date its year does not have"), std::string::npos);
}

// Ids, captions and calibration keys are also found through the sensitivity factors (AnalysisTest).
TEST(SeasonParameters, AreFoundByIdWorkbookKeyOrCaption) {
    EXPECT_EQ(FindParameterByName("IDLS")->id, "IDSL"); // the crop workbook's key
    EXPECT_EQ(FindParameterByName("Tb for growth")->id, "Tb");
    EXPECT_EQ(FindParameterByName("rue")->id, "RUE");
    EXPECT_EQ(FindParameterByName("no such thing"), nullptr);
    EXPECT_EQ(FindParameterByName(""), nullptr);
}

// Two years of weather, at latitude 14.18.
std::string TwoYearDssat() {
    return test::DssatWeather({2019, 2020}, 14.18);
}

class SeasonOptionsTest : public test::ScratchFolderTest {
protected:
    bool Said(std::string_view part) const {
        for (const Message& shown : said_)
            if (shown.text.find(part) != std::string::npos) return true;
        return false;
    }
    std::string Messages() const {
        std::string all;
        for (const Message& shown : said_) all += shown.text + "\n";
        return all;
    }
    std::optional<SeasonChanges> Apply(SeasonConfiguration& season, const SeasonOptions& options) {
        return ApplySeasonOptions(season, options, FindParameterByName, said_);
    }
    std::optional<SeasonChanges> MakeNew(SeasonConfiguration& season, const SeasonOptions& options,
                                         std::optional<double> level) {
        return MakeNewSeason(season, options, level, FindParameterByName, said_);
    }
    static std::string Crop(const SeasonConfiguration& season, std::string_view id) {
        const ParameterInfo& info = *FindParameter(id);
        return CropItemText(info, season.crop[static_cast<std::size_t>(ParameterIndex(id))]);
    }
    tulo::Messages said_;
};

TEST_F(SeasonOptionsTest, AWeatherFilesYearComesFromYearOrFromAStartGivenAsADate) {
    const std::string file = Write("site.WTH", TwoYearDssat()).string();
    SeasonConfiguration season = OpeningConfiguration();
    SeasonOptions options;
    options.weather = file;
    EXPECT_FALSE(Apply(season, options));
    EXPECT_TRUE(Said("2019, 2020")) << Messages();

    options.start = "2020-03-01"; // day 61 of a leap year
    options.latitude = "14.2";
    const auto changes = Apply(season, options);
    ASSERT_TRUE(changes) << Messages();
    EXPECT_EQ(changes->year, 2020);
    EXPECT_EQ(ItemText(season.initialDate), "61");
    EXPECT_EQ(ItemText(season.latitude), "14.2");
    EXPECT_EQ(season.weather.text(0, WeatherTmax), "25.7"); // 2020's Tmax, day 1
    EXPECT_EQ(season.weather.rows(), 365);                  // the days the season reads, no more
    EXPECT_FALSE(Said("Warning")) << Messages();            // 0.02° apart

    // A sowing date before the season's year is refused, naming both years; one after it falls in the
    // season's second year.
    options.year = 2020;
    options.start.reset();
    options.sowing = "2019-06-01";
    EXPECT_FALSE(Apply(season, options));
    EXPECT_TRUE(Said("--sowing: 2019-06-01 is before the season's year, 2020.")) << Messages();
    options.year = 2019;
    options.sowing = "2020-01-15";
    options.end = "2020-04-30";
    ASSERT_TRUE(Apply(season, options)) << Messages();
    EXPECT_EQ(ItemText(season.sowingDate), std::to_string(365 + 15));
    EXPECT_EQ(ItemText(season.finalDate), std::to_string(365 + 121 + 1)); // the day after the last simulated
    EXPECT_EQ(season.weather.rows(), 365 + 122);
    EXPECT_EQ(season.weather.text(365 + 120, WeatherDay), "2020-04-30");
    options.end.reset();

    // Far from the file's latitude: a warning, and the season keeps its own.
    options.sowing = "2019-06-01";
    options.latitude = "45";
    ASSERT_TRUE(Apply(season, options)) << Messages();
    EXPECT_EQ(ItemText(season.latitude), "45");
    EXPECT_TRUE(Said("Warning: the season's latitude 45° differs from " + file + "'s 14.18°")) << Messages();
}

// The year a weather file gives becomes the season's and stays with it until another weather comes.
TEST_F(SeasonOptionsTest, TheSeasonKeepsItsWeathersYearForTheDatesItReads) {
    const std::string file = Write("site.WTH", TwoYearDssat()).string();
    SeasonConfiguration season = OpeningConfiguration();
    SeasonOptions options;
    options.weather = file;
    options.year = 2020;
    ASSERT_TRUE(Apply(season, options)) << Messages();
    EXPECT_EQ(season.year, 2020);

    SeasonOptions later;
    auto changes = Apply(season, later);
    ASSERT_TRUE(changes);
    EXPECT_EQ(changes->year, 2020);
    const SeasonConfiguration before = season;
    later.sowing = "2019-06-01";
    EXPECT_FALSE(Apply(season, later));
    EXPECT_TRUE(Said("--sowing: 2019-06-01 is before the season's year, 2020.")) << Messages();
    later.sowing = "2020-04-30";
    later.year = 2019;
    EXPECT_FALSE(Apply(season, later));
    EXPECT_TRUE(Said("--year 2019: the season's weather is of 2020; a season of another year needs that "
                     "year's weather (--weather)."))
        << Messages();
    EXPECT_EQ(season, before);
    later.year.reset();
    ASSERT_TRUE(Apply(season, later)) << Messages();
    EXPECT_EQ(ItemText(season.sowingDate), "121");

    // Another weather brings its own year, which a date of the year before may choose.
    later.weather = file;
    later.sowing.reset();
    later.start = "2019-02-01";
    changes = Apply(season, later);
    ASSERT_TRUE(changes) << Messages();
    EXPECT_EQ(changes->year, 2019);
    EXPECT_EQ(season.year, 2019);
}

TEST_F(SeasonOptionsTest, SettingsChangeParametersAndARefusalChangesNothing) {
    SeasonConfiguration season = OpeningConfiguration();
    SeasonOptions options;
    options.sowing = "150";
    options.settings = {"RUE=2.9", "Development method=1", "Activate spikelet sterility simulation=0"};
    ASSERT_TRUE(Apply(season, options)) << Messages();
    EXPECT_EQ(Crop(season, "RUE"), "2.9");
    EXPECT_EQ(Crop(season, "IDSL"), FindParameter("IDSL")->choices[1]);
    EXPECT_EQ(Crop(season, "SterilityActive"), "0");

    // Every bad setting is named; the valid weather and sowing before them are not applied.
    const std::string weather = Write("site.WTH", TwoYearDssat()).string();
    options.weather = weather;
    options.year = 2019;
    options.sowing = "160";
    options.settings = {"RUE=60", "Nonsense=1", "TSUM1", "Development method=7"};
    const std::string tmaxBefore = season.weather.text(0, WeatherTmax);
    EXPECT_FALSE(Apply(season, options));
    EXPECT_TRUE(Said("--set RUE: ")) << Messages();
    EXPECT_TRUE(Said("\"Nonsense\" is not a crop parameter")) << Messages();
    EXPECT_TRUE(Said("\"TSUM1\": expected NAME=VALUE")) << Messages();
    EXPECT_TRUE(Said("IDSL: \"7\" is not one of 0")) << Messages();
    EXPECT_EQ(ItemText(season.sowingDate), "150");
    EXPECT_EQ(Crop(season, "RUE"), "2.9");
    EXPECT_EQ(season.weather.text(0, WeatherTmax), tmaxBefore);
}

TEST_F(SeasonOptionsTest, TransplantingTicksTheChoiceAndMustFollowTheSowing) {
    SeasonConfiguration season = OpeningConfiguration();
    season.sowingDate = ReadWholeItem("120");
    SeasonOptions options;
    options.transplanting = "145";
    options.settings = {"NH=33", "SHCKD=0.3"};
    ASSERT_TRUE(Apply(season, options)) << Messages();
    EXPECT_EQ(season.transplanted, true);
    EXPECT_EQ(ItemText(season.transplantingDate), "145");
    EXPECT_EQ(Crop(season, "NH"), "33");
    EXPECT_EQ(Crop(season, "SHCKD"), "0.3");

    // Not after the sowing, the configuration's or the one given with it: refused, nothing changed.
    const SeasonConfiguration before = season;
    for (const auto& [sowing, transplanting, message] :
         {std::tuple<const char*, const char*, const char*>{
              nullptr, "120", "--transplanting: day 120 is not after the sowing in the seedbed (day 120)."},
          {"150", "2000-05-24", "--transplanting: day 145 is not after the sowing in the seedbed (day 150)."},
          {"100", "1097", "--transplanting: \"1097\" is not a day of the season's year"}}) {
        SeasonOptions late;
        if (sowing) late.sowing = sowing;
        late.transplanting = transplanting;
        EXPECT_FALSE(Apply(season, late)) << transplanting;
        EXPECT_TRUE(Said(message)) << Messages();
        EXPECT_EQ(season, before) << transplanting;
    }
}

// A weather table of no dated format is a workbook's sheet: one season's, its titles and days as written.
TEST_F(SeasonOptionsTest, AWorkbooksWeatherTableFillsTheConfigurationsTable) {
    std::string csv = "DOY,Rain,Tmax,Tmin,Rad\n";
    for (int d = 1; d <= 365; ++d) csv += std::to_string(d) + ",0.5,30.25,21,18\n";
    const std::string file = Write("table.csv", csv).string();
    SeasonConfiguration season = OpeningConfiguration();
    season.year = 2018;
    SeasonOptions options;
    options.weather = file;
    const auto changes = Apply(season, options);
    ASSERT_TRUE(changes) << Messages();
    EXPECT_EQ(changes->weatherSource, file);
    EXPECT_EQ(changes->year, std::nullopt); // the workbook's table tells no year, and the old one went
    EXPECT_EQ(season.year, std::nullopt);
    EXPECT_EQ(season.weatherTitles[1], "Rain");
    EXPECT_EQ(season.weatherTitles[5], "");
    EXPECT_EQ(season.weather.value(364, WeatherDay), 365);
    EXPECT_EQ(season.weather.value(0, WeatherTmax), 30.25);
    EXPECT_EQ(season.weather.keptText(0, WeatherTmax), nullptr);
    EXPECT_TRUE(std::isnan(season.weather.value(0, WeatherRHmax)));

    // A year or a sheet chooses nothing in a file of neither.
    const SeasonConfiguration before = season;
    options.year = 2019;
    EXPECT_FALSE(Apply(season, options));
    EXPECT_TRUE(Said("--year chooses the season's year in a weather file of several years")) << Messages();
    options.year.reset();
    options.weather = Write("site.WTH", TwoYearDssat()).string();
    options.weatherSheet = 2;
    EXPECT_FALSE(Apply(season, options));
    EXPECT_TRUE(Said("--weather-sheet: " + *options.weather + " is")) << Messages();
    EXPECT_EQ(season, before);
}

// A file of an older layout takes the opening's later items before the options change them.
TEST_F(SeasonOptionsTest, AnOlderLayoutIsCompletedWithTheOpeningsItems) {
    SeasonConfiguration season = OpeningConfiguration();
    season.layout = ConfigurationLayout::ThroughSoil;
    season.sowingDate = ReadWholeItem("100");
    season.blastClass = WholeItem{};
    season.crop[static_cast<std::size_t>(ParameterIndex("NH"))] = CropItem{};
    SeasonOptions options;
    options.transplanting = "130";
    ASSERT_TRUE(Apply(season, options)) << Messages();
    EXPECT_EQ(season.layout, ConfigurationLayout::Complete);
    EXPECT_EQ(ItemText(season.blastClass), "1");
    EXPECT_EQ(Crop(season, "NH"), Crop(OpeningConfiguration(), "NH"));
    EXPECT_TRUE(season.transplanted);
    EXPECT_EQ(ItemText(season.transplantingDate), "130");
}

TEST_F(SeasonOptionsTest, ANewSeasonRunsFromAWeatherFileAndASowingDay) {
    SeasonOptions options;
    options.weather = Write("site.WTH", TwoYearDssat()).string();
    options.year = 2019;
    options.sowing = "2019-06-01";

    SeasonConfiguration dry;
    const auto changes = MakeNew(dry, options, std::nullopt);
    ASSERT_TRUE(changes) << Messages();
    EXPECT_EQ(ItemText(dry.latitude), "14.18"); // the file's
    EXPECT_EQ(ItemText(dry.sowingDate), "152");
    EXPECT_EQ(ItemText(dry.initialDate), "1");
    EXPECT_EQ(ItemText(dry.finalDate), "366"); // 31 December simulated
    EXPECT_EQ(dry.flooding, choice::Unflooded);
    EXPECT_EQ(dry.year, 2019);
    EXPECT_EQ(Crop(dry, "RUE"), Crop(OpeningConfiguration(), "RUE"));
    const Compilation compiled = CompileSeason(dry);
    EXPECT_TRUE(compiled.problems.empty()) << compiled.problems.front().text;

    SeasonConfiguration flooded;
    ASSERT_TRUE(MakeNew(flooded, options, 5.0)) << Messages();
    EXPECT_EQ(flooded.flooding, choice::Flooded);
    EXPECT_EQ(ItemText(flooded.waterLevel), "5");
    EXPECT_TRUE(flooded.fixedWaterLevel);
    EXPECT_TRUE(CompileSeason(flooded).problems.empty());

    // Without a sowing day, or with a file that gives no latitude and no --lat, nothing is made.
    SeasonConfiguration refused;
    options.sowing.reset();
    EXPECT_FALSE(MakeNew(refused, options, std::nullopt));
    EXPECT_TRUE(Said("needs --weather and --sowing")) << Messages();
    options.sowing = "152";
    std::string met = "[weather.met.weather]\nyear day radn maxt mint rain\n () () (MJ/m2) (oC) (oC) (mm)\n";
    for (int d = 1; d <= 365; ++d) met += "2019 " + std::to_string(d) + " 18 30 22 0\n";
    options.weather = Write("nolat.met", met).string();
    EXPECT_FALSE(MakeNew(refused, options, std::nullopt));
    EXPECT_TRUE(Said("gives no latitude: give the site's with --lat")) << Messages();
    EXPECT_EQ(refused, SeasonConfiguration());
}

} // namespace
} // namespace tulo
