// `years`: one configuration's season grown every year of a weather file, a row a growing season, with
// its output checked before the seasons run.

#include "CliFixture.h"
#include "support/DssatWeather.h"

#include <gtest/gtest.h>

#include <string>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

using YearsCommand = test::RecordedCliTest;

TEST_F(YearsCommand, WritesARowAGrowingSeasonAndRefusesWhatItCannotRun) {
    const fs::path wth = Write("HAND1701.WTH", test::DssatWeather({2017, 2018, 2019}, 23.8));
    const fs::path sim = dir_ / "dry.sim";
    ASSERT_EQ(Run("new " + sim.string() + " --weather " + wth.string() +
                  " --sowing 2017-11-15 --start 2017-11-01 --end 2018-04-30 --flooded 8"),
              0)
        << err_;

    const fs::path table = dir_ / "years.csv";
    ASSERT_EQ(Run("years " + sim.string() + " --weather " + wth.string() + " --from 2017 --to 2018 --out " +
                  table.string() + " --threads 2"),
              0)
        << err_;
    EXPECT_EQ(out_, "Wrote " + table.string() + ": 2 growing seasons.\n");
    const std::string rows = Slurp(table);
    EXPECT_TRUE(
        rows.starts_with("season,sowing,flowering,maturity,agb_maturity,panicles_maturity,"
                         "sterility_percent,blast_infection_days,water_used_mm,matured\n2017/18,2017-11-15,"))
        << rows;
    EXPECT_NE(rows.find("\n2018/19,2018-11-15,"), std::string::npos) << rows;
    ASSERT_EQ(
        Run("years " + sim.string() + " --weather " + wth.string() + " --from 2017 --to 2018 --threads 1"),
        0);
    EXPECT_EQ(out_, rows); // printed when no --out, and the same on one thread

    // Refused before any season runs, each in its words: nothing written.
    RunExpecting("years " + sim.string() + " --weather " + wth.string() + " --from 2017 --to 2019", 2,
                 "Growing season sown in 2019: " + wth.string() +
                     ": the season's last day, 2020-04-29, is beyond the file's last, 2019-12-31.");
    RunExpecting("years " + sim.string() + " --weather " + wth.string() + " --from 2018 --to 2017", 2,
                 "--to 2017 is before --from 2018.");
    RunExpecting("years " + sim.string() + " --weather " + wth.string() +
                     " --from 2017 --to 2018 --sowing 15/11",
                 2, "--sowing: \"15/11\" is not a month and day (11-15).");
    RunExpecting("years " + sim.string() + " --weather " + wth.string() +
                     " --from 2017 --to 2018 --transplanting 12-10",
                 2, "--transplanting: " + sim.string() + " sows the crop in the field");
    RunExpecting("years " + sim.string() + " --weather " + wth.string() + " --from 2017 --to 2018 --out " +
                     sim.string(),
                 2, "is the configuration");
    RunExpecting("years " + sim.string() + " --weather " + wth.string() + " --from 2017 --to 2018 --out " +
                     (dir_ / "no" / "none.csv").string(),
                 2, "does not exist");
}

} // namespace
} // namespace tulo

namespace tulo {
namespace {

// A sites table over years: each row its configuration, weather file and years, its sowing's month and
// day and its crop parameters; a row refused refuses the table before anything runs.
TEST_F(YearsCommand, ASitesTableGrowsEveryRowOverItsYears) {
    Write("HAND1701.WTH", test::DssatWeather({2017, 2018, 2019}, 23.8));
    ASSERT_EQ(Run("new " + (dir_ / "dry.sim").string() + " --weather " + (dir_ / "HAND1701.WTH").string() +
                  " --sowing 2017-11-15 --start 2017-11-01 --end 2018-04-30 --flooded 8"),
              0)
        << err_;
    Write("sites.csv", "name,config,weather,years,sowing,RUE\n"
                       "dry,dry.sim,HAND1701.WTH,2017-2018,,\n"
                       "\"dry, late\",dry.sim,HAND1701.WTH,2018,2018-11-25,2.6\n");
    ASSERT_EQ(Run("years --sites " + (dir_ / "sites.csv").string() + " --threads 2"), 0) << err_;
    EXPECT_TRUE(out_.starts_with("site,season,sowing,")) << out_;
    EXPECT_NE(out_.find("\ndry,2018/19,2018-11-15,"), std::string::npos) << out_;
    EXPECT_NE(out_.find("\n\"dry, late\",2018/19,2018-11-25,"), std::string::npos) << out_;

    Write("bad.csv", "name,config,weather,years,lat\n"
                     "a,dry.sim,HAND1701.WTH,2019-2017,\n"
                     "b,dry.sim,HAND1701.WTH,2017,12\n"
                     "c,dry.sim,HAND1701.WTH,2017-2019,\n");
    const test::CliRun o = RunExpecting("years --sites " + (dir_ / "bad.csv").string(), 2,
                                        "row 2: years: \"2019-2017\" is not years of sowings");
    EXPECT_NE(o.err.find("row 3: year, lat, start and end are the configuration's"), std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find("row 4: Growing season sown in 2019:"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
    RunExpecting("years --sites " + (dir_ / "sites.csv").string() + " --sowing 11-15", 2,
                 "years --sites takes each row's sowing");
}

} // namespace
} // namespace tulo

namespace tulo {
namespace {

// A season across 31 December is evaluated and calibrated on measurements dated in its second year, which
// a season inside one year refuses.
TEST_F(YearsCommand, MeasurementsOfASeasonsSecondYearPairWithItsDays) {
    const fs::path wth = Write("HAND1701.WTH", test::DssatWeather({2017, 2018}, 23.8));
    const fs::path sim = dir_ / "dry.sim";
    ASSERT_EQ(Run("new " + sim.string() + " --weather " + wth.string() +
                  " --sowing 2017-11-15 --start 2017-11-01 --end 2018-04-30 --flooded 8"),
              0)
        << err_;
    const fs::path agb = Write("agb.csv", "Date,AGB\n2017-12-20,0.5\n2018-01-25,3\n2018-02-25,9\n");
    ASSERT_EQ(
        Run("evaluate " + sim.string() + " --measured " + agb.string() + " --variable \"AGB tot (tAGB/ha)\""),
        0)
        << err_;
    EXPECT_NE(out_.find("n:                 3\n"), std::string::npos) << out_;
    ASSERT_EQ(Run("calibrate " + sim.string() + " --agb " + agb.string() + " --param RUE:1.5:4"), 0) << err_;

    const fs::path inYear = dir_ / "in-year.sim";
    ASSERT_EQ(Run("new " + inYear.string() + " --weather " + wth.string() +
                  " --sowing 2017-06-15 --start 2017-06-01 --end 2017-12-31"),
              0)
        << err_;
    RunExpecting("calibrate " + inYear.string() + " --agb " + agb.string() + " --param RUE:1.5:4", 2,
                 "a date must fall in the season's year, 2017: row 3 (2018), row 4 (2018).");
}

} // namespace
} // namespace tulo
