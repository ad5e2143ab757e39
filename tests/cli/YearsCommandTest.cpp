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
