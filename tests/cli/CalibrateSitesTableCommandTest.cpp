// calibrate-sites on a sites table: measurements the engine made with a known shared RUE and a known
// leaf area at emergence per site are calibrated back, each site's own value apart from the others'.

#include "CliFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <filesystem>
#include <string>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::Slurp;

struct TrueSite {
    std::string name, lat;
    double laiEmergence;
};
constexpr double kTrueRue = 2.6;
const std::array<TrueSite, 3> kSites = {
    {{"north", "45", 0.01}, {"centre", "40", 0.03}, {"south", "35", 0.06}}};

class CalibrateSitesTable : public test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        fs::copy_file(test::kDemo, dir_ / "demo.sim");
        std::string table = "name,config,lat,agb,lai\n";
        for (const TrueSite& site : kSites) {
            // AGB (g/m2 in the daily output, t/ha measured) and LAI every 15 days of the true season.
            std::string agb = "DOY,AGB\n", lai = "DOY,LAI\n";
            for (const auto& cells : DailyRows((dir_ / "demo.sim").string() + " --lat " + site.lat +
                                               " --set RUE=" + std::to_string(kTrueRue) +
                                               " --set LAIemerg=" + std::to_string(site.laiEmergence))) {
                const int doy = std::stoi(cells[0]);
                if (doy < 150 || doy > 240 || doy % 15 != 0) continue;
                agb += cells[0] + "," + std::to_string(std::stod(cells[8]) / 100) + "\n";
                lai += cells[0] + "," + cells[16] + "\n";
            }
            Write("agb-" + site.name + ".csv", agb);
            Write("lai-" + site.name + ".csv", lai);
            table += site.name + ",demo.sim," + site.lat + ",agb-" + site.name + ".csv,lai-" + site.name +
                     ".csv\n";
        }
        Write("sites.csv", table);
    }

    // Run from another folder than the table's, so that its files are found beside it.
    CliRun Run(const std::string& arguments) { return CliTest::Run(arguments, "/"); }
    std::string Calibration(const std::string& genetic = "6,200,2,0.5,1.5,0.1 --seed 3") const {
        // The plain simplex stops short in these four dimensions; the genetic one finds the true values.
        return "calibrate-sites --sites " + (dir_ / "sites.csv").string() +
               " --with-lai --param RUE:1.5:4:2.3 --per-site LAIemerg:0.001:0.2:0.02 --json"
               " --genetic " +
               genetic;
    }
};

TEST_F(CalibrateSitesTable, RecoversTheSharedValueAndEachSitesOwnAndSavesEachRowsConfiguration) {
    fs::create_directories(dir_ / "out-sims");
    const CliRun o = Run(Calibration() + " --save-dir " + (dir_ / "out-sims").string());
    ASSERT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::ordered_json::parse(o.out);
    EXPECT_NEAR(result["params"]["RUE"].get<double>(), kTrueRue, 0.02 * kTrueRue) << o.out;
    EXPECT_EQ(result["params"].size(), 1u) << "a site's own value is no shared one";
    // One uncertainty per value searched: the shared one and three sites' own.
    EXPECT_EQ(result["uncertainty"].size(), 4u);
    EXPECT_TRUE(result["uncertainty"].contains("Initial LAI (south)")) << o.out;
    for (const TrueSite& site : kSites) {
        EXPECT_NEAR(result["sites"][site.name]["Initial LAI"].get<double>(), site.laiEmergence,
                    0.1 * site.laiEmergence)
            << site.name << "\n"
            << o.out;
        // The saved configuration runs the row's season with the values found: the true one here.
        const auto saved = dir_ / "out-sims" / (site.name + ".sim");
        ASSERT_TRUE(fs::exists(saved)) << site.name;
        std::string laiAt180;
        for (const auto& cells : DailyRows(saved.string()))
            if (cells[0] == "180") laiAt180 = cells[16];
        const std::string measured = Slurp(dir_ / ("lai-" + site.name + ".csv"));
        EXPECT_NE(measured.find("\n180," + laiAt180 + "\n"), std::string::npos)
            << site.name << ": " << laiAt180 << "\n"
            << measured << result.dump();
    }
}

TEST_F(CalibrateSitesTable, TheGeneticSearchGivesTheSameResultOnOneThreadAsOnTwo) {
    const std::string genetic = Calibration("3,40,1,0.5,1.5,0.2 --seed 11");
    const CliRun one = Run(genetic + " --threads 1");
    ASSERT_EQ(one.status, 0) << one.err;
    const CliRun two = Run(genetic + " --threads 2");
    ASSERT_EQ(two.status, 0) << two.err;
    const auto a = nlohmann::ordered_json::parse(one.out), b = nlohmann::ordered_json::parse(two.out);
    EXPECT_EQ(a["params"], b["params"]);
    EXPECT_EQ(a["sites"], b["sites"]);
    EXPECT_EQ(a["objective"], b["objective"]);
}

TEST_F(CalibrateSitesTable, RefusesATableWithTheCfgFormsArgumentsOrAParameterSharedAndOwn) {
    CliRun o = Run("calibrate-sites " + (dir_ / "demo.sim").string() + " --sites " +
                   (dir_ / "sites.csv").string() + " --param RUE:1.5:4");
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.err.find("excludes"), std::string::npos) << o.err;
    o = Run("calibrate-sites --param RUE:1.5:4");
    EXPECT_NE(o.status, 0);
    o = Run("calibrate-sites --sites " + (dir_ / "sites.csv").string() +
            " --param RUE:1.5:4 --per-site RUE:1.5:4");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("RUE"), std::string::npos) << o.err;
    // A row without the measurements the objective weighs is named by its row.
    Write("sites.csv", "name,config,agb\nlone,demo.sim,\n");
    o = Run("calibrate-sites --sites " + (dir_ / "sites.csv").string() + " --param RUE:1.5:4");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("sites.csv, row 2: the agb cell is empty"), std::string::npos) << o.err;
}

} // namespace
} // namespace tulo
