// tulo-cli reinit: a leaf area series the model made from another sowing, TSUM1 and RUE gives them back
// as JSON, the same on one and two threads, and the saved configuration holds them; a --save naming an
// input is refused before any work.

#include "CliFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <string>

namespace tulo {
namespace {

using test::CliRun;
using test::kDemo;
using test::Slurp;

class ReinitCommand : public test::CliTest {
protected:
    // The LAI of a season `run` simulates, every 9 days from DOY 140 while the crop has leaves.
    std::string SensedLai(const std::string& season) {
        std::string table = "DOY,LAI\n";
        for (const auto& cells : DailyRows(kDemo + season)) {
            const int day = std::stoi(cells[0]);
            if (day >= 140 && (day - 140) % 9 == 0 && std::stod(cells[16]) > 0)
                table += cells[0] + "," + cells[16] + "\n";
        }
        const std::string file = (dir_ / "sensed.csv").string();
        std::ofstream(file) << table;
        return file;
    }
};

TEST_F(ReinitCommand, RecoversTheSeasonAndSavesIt) {
    const std::string lai = SensedLai(" --sowing 128 --set TSUM1=1000 --set RUE=2.1");
    const std::string saved = (dir_ / "reinit.sim").string();
    const CliRun o = Run("reinit " + kDemo + " --lai " + lai + " --threads 1 --json --save " + saved);
    ASSERT_EQ(o.status, 0) << o.err;
    const nlohmann::json result = nlohmann::json::parse(o.out, nullptr, false);
    ASSERT_FALSE(result.is_discarded()) << o.out;
    EXPECT_EQ(result["sowing"], 128);
    EXPECT_NEAR(result["parameters"]["TSUM1"].get<double>(), 1000, 10);
    EXPECT_NEAR(result["parameters"]["RUE"].get<double>(), 2.1, 0.02);
    EXPECT_LT(result["objective"].get<double>(), 1);
    EXPECT_LE(result["uncertainty"]["sowing"]["low"].get<int>(), 128);
    EXPECT_GE(result["uncertainty"]["sowing"]["high"].get<int>(), 128);
    EXPECT_TRUE(result["uncertainty"]["RUE"].contains("se"));

    const CliRun two = Run("reinit " + kDemo + " --lai " + lai + " --threads 2 --json");
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(two.out, o.out);

    const CliRun rerun = Run("run " + saved + " --json");
    ASSERT_EQ(rerun.status, 0) << rerun.err;
    EXPECT_EQ(nlohmann::json::parse(rerun.out)["sowing"], 128);
}

TEST_F(ReinitCommand, RefusesASaveOverAnInputBeforeAnyWork) {
    const std::string lai = (dir_ / "lai.csv").string();
    std::ofstream(lai) << "DOY,LAI\n180,2\n200,5\n";
    CliRun o = RunExpecting("reinit " + kDemo + " --lai " + lai + " --save " + lai, 2, "--save " + lai);
    EXPECT_EQ(Slurp(lai), "DOY,LAI\n180,2\n200,5\n");
    o = Run("reinit " + kDemo + " --lai " + lai + " --param TSUM1:500:800");
    EXPECT_EQ(o.status, 2) << o.err; // the configuration's 900 lies outside the range
}

} // namespace
} // namespace tulo
