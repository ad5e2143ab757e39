// `new`: a configuration made from a weather file, which then runs as any other.

#include "base/Numbers.h"
#include "forms/FormModel.h"
#include "forms/SimConfig.h"
#include "io/WeatherFiles.h"

#include "CliFixture.h"
#include "support/DssatWeather.h"

#include <gtest/gtest.h>

#include <string>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

using NewSeasonCommand = test::RecordedCliTest;

TEST_F(NewSeasonCommand, MakesASeasonOfTheFilesYearThatRuns) {
    const fs::path wth = Write("HAND1801.WTH", test::DssatWeather({2018, 2019}, 45.3));
    const fs::path sim = dir_ / "made.sim";
    ASSERT_EQ(Run("new " + sim.string() + " --weather " + wth.string() + " --year 2019 --sowing 2019-05-10"),
              0)
        << err_;
    EXPECT_NE(out_.find(sim.string()), std::string::npos) << out_;

    FormModel made;
    ASSERT_TRUE(ReadSimConfig(sim, made));
    EXPECT_EQ(made.text(ctl::txtSowingDate), "130");
    EXPECT_EQ(ParseNumber(made.text(ctl::txtLatitude)), std::optional(45.3));
    EXPECT_EQ(made.text(ctl::txtInitialDate), "1");
    EXPECT_EQ(made.text(ctl::cmbFlooded), choice::Unflooded);
    Grid expected;
    std::vector<std::string> notes;
    FillWeatherTable(ReadWeatherText(test::DssatWeather({2018, 2019}, 45.3)), 2019, expected, notes);
    const Grid& weather = made.grid(ctl::sprWeather);
    for (int d : {1, 130, 365})
        for (int c = 2; c <= 5; ++c)
            EXPECT_EQ(weather.text(d + 1, c), expected.text(d + 1, c)) << d << "," << c;

    ASSERT_EQ(Run("run " + sim.string() + " --json"), 0) << err_;
    EXPECT_NE(out_.find("\"sowing\": 130,"), std::string::npos) << out_;

    // A flooded season at a latitude of the user's, sown on a day of year.
    const fs::path flooded = dir_ / "flooded.sim";
    ASSERT_EQ(Run("new " + flooded.string() + " --weather " + wth.string() +
                  " --year 2018 --lat 44 --sowing 120 --start 100 --end 300 --flooded 8"),
              0)
        << err_;
    ASSERT_TRUE(ReadSimConfig(flooded, made));
    EXPECT_EQ(made.text(ctl::cmbFlooded), choice::Flooded);
    EXPECT_EQ(made.text(ctl::txtWaterLevel), "8");
    EXPECT_EQ(made.text(ctl::txtLatitude), "44");
    EXPECT_EQ(made.text(ctl::txtInitialDate), "100");
    EXPECT_EQ(made.text(ctl::txtFinalDate), "301"); // day 300 simulated, the loop stops at 301
    ASSERT_EQ(Run("run " + flooded.string()), 0) << err_;

    // Transplanted: the sowing is the seedbed's; run moves the crop on another day when asked.
    const fs::path transplanted = dir_ / "transplanted.sim";
    ASSERT_EQ(Run("new " + transplanted.string() + " --weather " + wth.string() +
                  " --year 2019 --sowing 2019-05-10 --transplanting 2019-06-04"),
              0)
        << err_;
    EXPECT_NE(out_.find("sowing on 2019-05-10, transplanting on 2019-06-04, simulating 2019-01-01 to "
                        "2019-12-31,"),
              std::string::npos)
        << out_;
    ASSERT_TRUE(ReadSimConfig(transplanted, made));
    EXPECT_EQ(made.check(ctl::chkTransplanted), 1);
    EXPECT_EQ(made.text(ctl::txtTransplantingDate), "155");
    ASSERT_EQ(Run("run " + transplanted.string() + " --daily -"), 0) << err_;
    const std::string onDay155 = out_;
    ASSERT_EQ(Run("run " + transplanted.string() + " --transplanting 160 --daily -"), 0) << err_;
    EXPECT_NE(out_, onDay155);
    RunExpecting("run " + transplanted.string() + " --transplanting 130", 2,
                 "--transplanting: day 130 is not after the sowing in the seedbed (day 130).");
}

// The configuration keeps the season's year: the commands that reopen it date its days in that year's
// calendar and pair only measurements of that year.
TEST_F(NewSeasonCommand, TheConfigurationKeepsTheSeasonsYearForEveryDateShownOrRead) {
    const fs::path wth = Write("HAND1901.WTH", test::DssatWeather({2019, 2020}, 45.3));
    const fs::path sim = dir_ / "leap.sim";
    ASSERT_EQ(Run("new " + sim.string() + " --weather " + wth.string() + " --year 2020 --sowing 2020-04-30"),
              0)
        << err_;
    FormModel made;
    ASSERT_TRUE(ReadSimConfig(sim, made));
    EXPECT_EQ(made.text(ctl::txtSowingDate), "121");
    EXPECT_EQ(made.text(ctl::txtSeasonYear), "2020");
    // Simulated through 31 December, the season names its first and last days after its year.
    EXPECT_NE(Slurp(sim).find("\r\n 2020 \r\n2020-01-01\r\n2020-12-31\r\n"), std::string::npos);

    ASSERT_EQ(Run("run " + sim.string()), 0) << err_;
    EXPECT_NE(out_.find("Sowing:               DOY 121 (30 Apr)\n"), std::string::npos) << out_;
    RunExpecting("run " + sim.string() + " --start 2019-03-01", 2,
                 "--start: 2019-03-01 is before the season's year, 2020.");

    const std::string evaluate = "evaluate " + sim.string() + " --variable \"AGB tot (tAGB/ha)\" --measured ";
    const fs::path sameYear = Write("same.csv", "Date,AGB\n2020-07-19,3.2\n2020-08-18,8.5\n");
    const fs::path yearBefore = Write("before.csv", "Date,AGB\n2019-07-19,3.2\n2019-08-18,8.5\n");
    ASSERT_EQ(Run(evaluate + sameYear.string() + " --json"), 0) << err_;
    EXPECT_NE(out_.find("\"n\": 2"), std::string::npos) << out_;
    RunExpecting(evaluate + yearBefore.string(), 2,
                 "a date must fall in the season's year, 2020: row 2 (2019), row 3 (2019).");
    // Another weather file brings its own year.
    ASSERT_EQ(Run(evaluate + yearBefore.string() + " --weather " + wth.string() + " --year 2019"), 0) << err_;
}

TEST_F(NewSeasonCommand, RefusesBeforeWritingAndWritesNothingHalfMade) {
    const std::string weatherText = test::DssatWeather({2018, 2019});
    const fs::path wth = Write("HAND1801.WTH", weatherText);

    // The weather file as the output: refused, the file kept.
    RunExpecting("new " + wth.string() + " --weather " + wth.string() + " --year 2019 --sowing 130", 2,
                 "the weather file");
    EXPECT_EQ(Slurp(wth), weatherText);
    // An output that cannot be written is refused before the weather is read, here a file that is none.
    const test::CliRun unwritable =
        RunExpecting("new " + (dir_ / "no" / "such" / "a.sim").string() + " --weather " +
                         (dir_ / "missing.WTH").string() + " --sowing 130",
                     2, (dir_ / "no").string());
    EXPECT_EQ(unwritable.err.find("missing.WTH"), std::string::npos) << unwritable.err;

    // Options the season cannot take: nothing is written.
    const fs::path sim = dir_ / "a.sim";
    for (const std::string options : {" --sowing 130",                                 // which year?
                                      " --year 2019 --sowing 400",                     // no day of the year
                                      " --year 2019 --sowing 2018-05-10",              // another year
                                      " --year 2019 --sowing 130 --flooded x",         // no level
                                      " --year 2019 --sowing 130 --transplanting 129", // before sowing
                                      " --year 2019"}) {                               // no sowing
        EXPECT_EQ(Run("new " + sim.string() + " --weather " + wth.string() + options), 2) << options;
        EXPECT_FALSE(err_.empty()) << options;
        EXPECT_FALSE(fs::exists(sim)) << options;
    }
    // A season the run's checks refuse is not written either, and says so.
    RunExpecting("new " + sim.string() + " --weather " + wth.string() + " --year 2019 --sowing 130 --lat 70",
                 2, "Latitude");
    EXPECT_FALSE(fs::exists(sim));
}

} // namespace
} // namespace tulo
