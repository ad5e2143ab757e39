// A configuration's season changed for one command, and a new season made from a weather file: days as
// dates in their own year's calendar, the year a weather file of several years gives, crop parameters
// named as users know them, and a refusal that leaves the form as it was.

#include "forms/SeasonOptions.h"

#include "engine/Parameters.h"
#include "forms/ParameterNames.h"
#include "forms/SeasonForm.h"
#include "support/DssatWeather.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

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

    // Each refusal names the option and what is wrong.
    const auto refusal = [](std::string_view text, std::optional<int> year) {
        return ParseSeasonDay("--start", text, year).refusal;
    };
    EXPECT_NE(
        refusal("2019-06-01", 2020).find("--start: 2019-06-01 is in 2019, but the season's year is 2020"),
        std::string::npos);
    EXPECT_NE(refusal("2020-12-31", std::nullopt).find("day 366"), std::string::npos);
    EXPECT_NE(refusal("366", std::nullopt).find("day 366"), std::string::npos);
    EXPECT_NE(refusal("0", std::nullopt).find("not a day of year"), std::string::npos);
    EXPECT_NE(refusal("12.5", std::nullopt).find("not a day of year"), std::string::npos);
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
    tulo::Messages said_;
};

TEST_F(SeasonOptionsTest, AWeatherFilesYearComesFromYearOrFromAStartGivenAsADate) {
    const std::string file = Write("site.WTH", TwoYearDssat()).string();
    FormModel form;
    SeasonOptions options;
    options.weather = file;
    EXPECT_FALSE(ApplySeasonOptions(form, options, said_));
    EXPECT_TRUE(Said("2019, 2020")) << Messages();

    options.start = "2020-03-01"; // day 61 of a leap year
    options.latitude = "14.2";
    const auto changes = ApplySeasonOptions(form, options, said_);
    ASSERT_TRUE(changes) << Messages();
    EXPECT_EQ(changes->year, 2020);
    EXPECT_EQ(form.text(ctl::txtInitialDate), "61");
    EXPECT_EQ(form.text(ctl::txtLatitude), "14.2");
    EXPECT_EQ(form.grid(ctl::sprWeather).text(2, 3), "25.7"); // 2020's Tmax, day 1
    EXPECT_TRUE(Said("(DOY 366, line 736) is not read"))
        << Messages();                           // 2020's last day is named, not dropped silently
    EXPECT_FALSE(Said("Warning")) << Messages(); // 0.02° apart

    // A sowing date of another year than the weather's is refused, naming both years.
    options.year = 2019;
    options.start.reset();
    options.sowing = "2020-06-01";
    EXPECT_FALSE(ApplySeasonOptions(form, options, said_));
    EXPECT_TRUE(Said("--sowing: 2020-06-01 is in 2020, but the season's year is 2019")) << Messages();

    // Far from the file's latitude: a warning, and the season keeps its own.
    options.sowing = "2019-06-01";
    options.latitude = "45";
    ASSERT_TRUE(ApplySeasonOptions(form, options, said_)) << Messages();
    EXPECT_EQ(form.text(ctl::txtLatitude), "45");
    EXPECT_TRUE(Said("Warning: the season's latitude 45° differs from " + file + "'s 14.18°")) << Messages();
}

// The year a weather file gives becomes the season's and stays with it until another weather comes.
TEST_F(SeasonOptionsTest, TheSeasonKeepsItsWeathersYearForTheDatesItReads) {
    const std::string file = Write("site.WTH", TwoYearDssat()).string();
    FormModel form;
    SeasonOptions options;
    options.weather = file;
    options.year = 2020;
    ASSERT_TRUE(ApplySeasonOptions(form, options, said_)) << Messages();
    EXPECT_EQ(form.text(ctl::txtSeasonYear), "2020");

    SeasonOptions later;
    auto changes = ApplySeasonOptions(form, later, said_);
    ASSERT_TRUE(changes);
    EXPECT_EQ(changes->year, 2020);
    const FormModel before = form;
    later.sowing = "2019-06-01";
    EXPECT_FALSE(ApplySeasonOptions(form, later, said_));
    EXPECT_TRUE(Said("--sowing: 2019-06-01 is in 2019, but the season's year is 2020")) << Messages();
    later.sowing = "2020-04-30";
    later.year = 2019;
    EXPECT_FALSE(ApplySeasonOptions(form, later, said_));
    EXPECT_TRUE(Said("--year 2019: the season's weather is of 2020; a season of another year needs that "
                     "year's weather (--weather)."))
        << Messages();
    EXPECT_EQ(form, before);
    later.year.reset();
    ASSERT_TRUE(ApplySeasonOptions(form, later, said_)) << Messages();
    EXPECT_EQ(form.text(ctl::txtSowingDate), "121");

    // Another weather brings its own year, which a date of the year before may choose.
    later.weather = file;
    later.sowing.reset();
    later.start = "2019-02-01";
    changes = ApplySeasonOptions(form, later, said_);
    ASSERT_TRUE(changes) << Messages();
    EXPECT_EQ(changes->year, 2019);
    EXPECT_EQ(form.text(ctl::txtSeasonYear), "2019");
}

TEST_F(SeasonOptionsTest, SettingsChangeParametersAndARefusalChangesNothing) {
    FormModel form;
    int notifications = 0;
    form.subscribe([&](std::span<const FormChange>) { ++notifications; });
    SeasonOptions options;
    options.sowing = "150";
    options.settings = {"RUE=2.9", "Development method=1", "Activate spikelet sterility simulation=0"};
    ASSERT_TRUE(ApplySeasonOptions(form, options, said_)) << Messages();
    EXPECT_EQ(form.text(ctl::txtRUE), "2.9");
    EXPECT_EQ(form.text(ctl::cmbIDSL), FindParameter("IDSL")->choices[1]);
    EXPECT_EQ(form.check(ctl::chkSterilityActive), 0);
    EXPECT_EQ(notifications, 1); // one step to undo

    // Every bad setting is named; the valid weather and sowing before them are not applied.
    const std::string weather = Write("site.WTH", TwoYearDssat()).string();
    options.weather = weather;
    options.year = 2019;
    options.sowing = "160";
    options.settings = {"RUE=60", "Nonsense=1", "TSUM1", "Development method=7"};
    const std::string tmaxBefore = form.grid(ctl::sprWeather).text(2, 3);
    EXPECT_FALSE(ApplySeasonOptions(form, options, said_));
    EXPECT_TRUE(Said("--set RUE: ")) << Messages();
    EXPECT_TRUE(Said("\"Nonsense\" is not a crop parameter")) << Messages();
    EXPECT_TRUE(Said("\"TSUM1\": expected NAME=VALUE")) << Messages();
    EXPECT_TRUE(Said("IDSL: \"7\" is not one of 0")) << Messages();
    EXPECT_EQ(form.text(ctl::txtSowingDate), "150");
    EXPECT_EQ(form.text(ctl::txtRUE), "2.9");
    EXPECT_EQ(form.grid(ctl::sprWeather).text(2, 3), tmaxBefore);
    EXPECT_EQ(notifications, 1);
}

TEST_F(SeasonOptionsTest, TransplantingTicksTheChoiceAndMustFollowTheSowing) {
    FormModel form;
    form.setText(ctl::txtSowingDate, "120");
    SeasonOptions options;
    options.transplanting = "145";
    options.settings = {"NH=33", "SHCKD=0.3"};
    ASSERT_TRUE(ApplySeasonOptions(form, options, said_)) << Messages();
    EXPECT_EQ(form.check(ctl::chkTransplanted), 1);
    EXPECT_EQ(form.text(ctl::txtTransplantingDate), "145");
    EXPECT_EQ(form.text(ctl::txtNH), "33");
    EXPECT_EQ(form.text(ctl::txtSHCKD), "0.3");

    // Not after the sowing, the form's or the one given with it: refused, nothing changed.
    const FormModel before = form;
    for (const auto& [sowing, transplanting, message] :
         {std::tuple<const char*, const char*, const char*>{
              nullptr, "120", "--transplanting: day 120 is not after the sowing in the seedbed (day 120)."},
          {"150", "2000-05-24", "--transplanting: day 145 is not after the sowing in the seedbed (day 150)."},
          {"100", "366", "--transplanting: day 366 cannot be simulated"}}) {
        SeasonOptions late;
        if (sowing) late.sowing = sowing;
        late.transplanting = transplanting;
        EXPECT_FALSE(ApplySeasonOptions(form, late, said_)) << transplanting;
        EXPECT_TRUE(Said(message)) << Messages();
        EXPECT_EQ(form, before) << transplanting;
    }
}

TEST_F(SeasonOptionsTest, ANewSeasonRunsFromAWeatherFileAndASowingDay) {
    SeasonOptions options;
    options.weather = Write("site.WTH", TwoYearDssat()).string();
    options.year = 2019;
    options.sowing = "2019-06-01";

    FormModel dry;
    const auto changes = MakeNewSeason(dry, options, std::nullopt, said_);
    ASSERT_TRUE(changes) << Messages();
    EXPECT_EQ(dry.text(ctl::txtLatitude), "14.18"); // the file's
    EXPECT_EQ(dry.text(ctl::txtSowingDate), "152");
    EXPECT_EQ(dry.text(ctl::txtInitialDate), "1");
    EXPECT_EQ(dry.text(ctl::txtFinalDate), "365");
    EXPECT_EQ(dry.text(ctl::cmbFlooded), choice::Unflooded);
    const Compilation compiled = CompileInputs(dry);
    EXPECT_TRUE(compiled.problems.empty()) << compiled.problems.front().text;

    FormModel flooded;
    ASSERT_TRUE(MakeNewSeason(flooded, options, 5.0, said_)) << Messages();
    EXPECT_EQ(flooded.text(ctl::cmbFlooded), choice::Flooded);
    EXPECT_EQ(flooded.text(ctl::txtWaterLevel), "5");
    EXPECT_TRUE(CompileInputs(flooded).problems.empty());

    // Without a sowing day, or with a file that gives no latitude and no --lat, nothing is made.
    FormModel refused;
    options.sowing.reset();
    EXPECT_FALSE(MakeNewSeason(refused, options, std::nullopt, said_));
    EXPECT_TRUE(Said("needs --weather and --sowing")) << Messages();
    options.sowing = "152";
    std::string met = "[weather.met.weather]\nyear day radn maxt mint rain\n () () (MJ/m2) (oC) (oC) (mm)\n";
    for (int d = 1; d <= 365; ++d) met += "2019 " + std::to_string(d) + " 18 30 22 0\n";
    options.weather = Write("nolat.met", met).string();
    EXPECT_FALSE(MakeNewSeason(refused, options, std::nullopt, said_));
    EXPECT_TRUE(Said("gives no latitude: give the site's with --lat")) << Messages();
    EXPECT_EQ(refused.text(ctl::txtSowingDate), "");
}

} // namespace
} // namespace tulo
