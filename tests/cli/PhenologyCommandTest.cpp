// tulo-cli phenology: observed days as days of year or dates, the residuals printed, the fitted
// configuration saved, and the days and outputs it cannot work with refused before any work.

#include "CliFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tulo {
namespace {

using test::kExamples;

using test::CliRun;

class PhenologyCommand : public test::CliTest {
protected:
    // The stages of a configuration's season as `run --json` gives them.
    nlohmann::json Stages(const std::string& arguments) {
        const CliRun o = Run("run " + arguments + " --json");
        EXPECT_EQ(o.status, 0) << o.err;
        return nlohmann::json::parse(o.out, nullptr, false);
    }
};

TEST_F(PhenologyCommand, HitsTheObservedDaysAndSavesTheValuesThatDo) {
    // A later sowing at another latitude, the days given as dates of the demo's year.
    const std::string season = " --lat 12.5 --sowing 2026-05-10";
    const std::string saved = (dir_ / "fitted.sim").string();
    const CliRun o = Run("phenology " + kExamples + "demo.sim" + season +
                         " --emergence 2026-05-19 --flowering 2026-08-01 --maturity 262 --save " + saved);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_NE(o.out.find("TSUMEM: "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(" °C d (was 900)\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Stage      Observed  Simulated   Error (days)\n"
                         "emergence  139       139         0\n"
                         "flowering  213       213         0\n"
                         "maturity   262       262         0\n"),
              std::string::npos)
        << o.out;
    // The saved configuration holds the season it was fitted on, and simulates the observed days.
    const nlohmann::json fitted = Stages(saved);
    EXPECT_EQ(fitted["sowing"], 130);
    EXPECT_EQ(fitted["emergence"], 139);
    EXPECT_EQ(fitted["flowering"], 213);
    EXPECT_EQ(fitted["maturity"], 262);
}

TEST_F(PhenologyCommand, FloodedSeasonResidualsAsJson) {
    // Flowering two days after emergence is out of reach: the residual and the reason are told.
    const CliRun o =
        Run("phenology " + kExamples + "flooded.sim --set DVSEND=1.2 --flowering 140 --maturity 270 --json");
    ASSERT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::ordered_json::parse(o.out);
    std::vector<std::string> ids;
    for (const auto& item : result["parameters"].items()) ids.push_back(item.key());
    EXPECT_EQ(ids, (std::vector<std::string>{"TSUM1", "TSUM2", "DVSEND"}));
    EXPECT_EQ(result["parameters"]["DVSEND"], 2);
    ASSERT_EQ(result["stages"].size(), 2u);
    const auto& flowering = result["stages"][0];
    EXPECT_EQ(flowering["stage"], "flowering");
    EXPECT_EQ(flowering["observed"], 140);
    EXPECT_GT(flowering["error"].get<int>(), 0);
    EXPECT_EQ(flowering["error"].get<int>(), flowering["simulated"].get<int>() - 140);
    EXPECT_EQ(result["stages"][1]["error"], 0);
    EXPECT_NE(o.err.find("Note: flowering missed DOY 140: even the least TSUM1 accepted, 100 °C d, brings "
                         "flowering on DOY "),
              std::string::npos)
        << o.err;
}

TEST_F(PhenologyCommand, RefusesDaysItCannotFitAndAnOutputReplacingItsInput) {
    const std::string demo = kExamples + "demo.sim";
    CliRun o = Run("phenology " + demo + " --emergence 125 --flowering 2026-07-20 --maturity 300");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "--maturity: DOY 300 is after the last simulated day (DOY 299).\n");
    EXPECT_EQ(o.out, "");

    o = RunExpecting("phenology " + demo + " --emergence 210 --flowering 200 --maturity 250 --start 130", 2,
                     "--flowering: DOY 200 is not after the observed emergence (DOY 210).\n");

    o = Run("phenology " + demo + " --flowering 2025-08-01 --maturity 260 --sowing 2026-05-01");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "--flowering: 2025-08-01 is before the season's year, 2026.\n");

    o = Run("phenology " + demo + " --flowering 119 --maturity 260");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "--flowering: DOY 119 is not after the sowing (DOY 120).\n");

    o = RunExpecting("phenology " + demo + " --flowering 200 --maturity 260 --save " + demo, 2,
                     "--save " + demo + " is the configuration");
    EXPECT_EQ(o.out, "");
}

// Three sowings of one variety: the thermal times the engine ran them with give every row its days back.
TEST_F(PhenologyCommand, FitsOneSetOfThermalTimesToEveryRowOfASitesTable) {
    const std::string truth = " --set TSUMEM=90 --set TSUM1=850 --set TSUM2=450";
    std::string table = "name,config,sowing,lat,emergence,flowering,maturity\n";
    const std::pair<std::string, std::string> sowings[] = {{"105", "40"}, {"115", "43"}, {"125", "45"}};
    for (const auto& [sowing, lat] : sowings) {
        const auto days = Stages(kExamples + "demo.sim --sowing " + sowing + " --lat " + lat + truth);
        table += "sown " + sowing + "," + kExamples + "demo.sim," + sowing + "," + lat + "," +
                 std::to_string(days["emergence"].get<int>()) + "," +
                 std::to_string(days["flowering"].get<int>()) + "," +
                 std::to_string(days["maturity"].get<int>()) + "\n";
    }
    Write("sites.csv", table);
    const CliRun o = Run("phenology --sites " + (dir_ / "sites.csv").string() + " --json");
    ASSERT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::json::parse(o.out);
    ASSERT_EQ(result["sites"].size(), 3u);
    for (const auto& site : result["sites"]) {
        ASSERT_EQ(site["stages"].size(), 3u) << site;
        for (const auto& stage : site["stages"]) EXPECT_EQ(stage["error"], 0) << site;
    }
    // A day's degree-days apart from the truth at most.
    EXPECT_NEAR(result["parameters"]["TSUM1"].get<double>(), 850, 30);
    EXPECT_NEAR(result["parameters"]["TSUM2"].get<double>(), 450, 30);

    const CliRun text = Run("phenology --sites " + (dir_ / "sites.csv").string());
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("sown 115 flowering"), std::string::npos) << text.out;
}

TEST_F(PhenologyCommand, RefusesASitesTableRowWithoutItsStagesAndTheSingleSeasonsOptions) {
    Write("sites.csv", "name,config,flowering,maturity\nfirst," + kExamples + "demo.sim,217,\n");
    CliRun o = RunExpecting("phenology --sites " + (dir_ / "sites.csv").string(), 2,
                            "sites.csv, row 2: the maturity cell is empty");
    o = Run("phenology --sites " + (dir_ / "sites.csv").string() + " --flowering 200");
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.err.find("excludes"), std::string::npos) << o.err;
    o = Run("phenology --sites " + (dir_ / "sites.csv").string() + " --lat 40");
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.err.find("as its columns"), std::string::npos) << o.err;
    o = Run("phenology " + kExamples + "demo.sim --maturity 270");
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.err.find("phenology needs CONFIG with --flowering and --maturity"), std::string::npos)
        << o.err;
}

} // namespace
} // namespace tulo
