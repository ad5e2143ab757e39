// calibrate-sites on a sites table: measurements the engine made with a known shared RUE and a known
// leaf area at emergence per site are calibrated back, each site's own value apart from the others'.

#include "support/CliCommand.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

using test::Outcome;

struct TrueSite {
    std::string name, lat;
    double laiEmergence;
};
constexpr double kTrueRue = 2.6;
const std::array<TrueSite, 3> kSites = {
    {{"north", "45", 0.01}, {"centre", "40", 0.03}, {"south", "35", 0.06}}};

std::string LaiOn180(const std::string& daily) {
    const std::size_t line = daily.find("\n180,");
    std::istringstream row(daily.substr(line + 1, daily.find('\n', line + 1) - line - 1));
    std::string cell;
    for (int column = 0; column < 17; ++column) std::getline(row, cell, ',');
    return cell;
}

class CalibrateSitesTable : public test::ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        fs::copy_file(TULO_SOURCE_DIR "/examples/demo.sim", dir_ / "demo.sim");
        std::string table = "name,config,lat,agb,lai\n";
        for (const TrueSite& site : kSites) {
            // AGB (g/m2 in the daily output, t/ha measured) and LAI every 15 days of the true season.
            const Outcome daily = Run("run " + (dir_ / "demo.sim").string() + " --lat " + site.lat +
                                      " --set RUE=" + std::to_string(kTrueRue) +
                                      " --set LAIemerg=" + std::to_string(site.laiEmergence) + " --daily -");
            ASSERT_EQ(daily.status, 0) << daily.err;
            std::string agb = "DOY,AGB\n", lai = "DOY,LAI\n";
            std::istringstream lines(daily.out);
            std::string line;
            std::getline(lines, line); // titles: DOY is column 1, AGB 9 and LAI 17
            while (std::getline(lines, line)) {
                std::vector<std::string> cells;
                std::istringstream row(line);
                for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
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

    Outcome Run(const std::string& arguments) { return test::RunCli(dir_, arguments, "/"); }
    std::string Calibration(const std::string& genetic = "6,200,2,0.5,1.5,0.1 --seed 3") const {
        // The plain simplex stops short in these four dimensions; the genetic one finds the true values.
        return "calibrate-sites --sites " + (dir_ / "sites.csv").string() +
               " --with-lai --param RUE:1.5:4:2.3 --per-site LAIemerg:0.001:0.2:0.02 --json"
               " --genetic " +
               genetic;
    }
};

TEST_F(CalibrateSitesTable, RecoversTheSharedValueAndEachSitesOwn) {
    const Outcome o = Run(Calibration());
    ASSERT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::ordered_json::parse(o.out);
    EXPECT_NEAR(result["params"]["RUE"].get<double>(), kTrueRue, 0.02 * kTrueRue) << o.out;
    EXPECT_EQ(result["params"].size(), 1u) << "a site's own value is no shared one";
    for (const TrueSite& site : kSites)
        EXPECT_NEAR(result["sites"][site.name]["Initial LAI"].get<double>(), site.laiEmergence,
                    0.1 * site.laiEmergence)
            << site.name << "\n"
            << o.out;
    // One uncertainty per value searched: the shared one and three sites' own.
    EXPECT_EQ(result["uncertainty"].size(), 4u);
    EXPECT_TRUE(result["uncertainty"].contains("Initial LAI (south)")) << o.out;
}

TEST_F(CalibrateSitesTable, TheGeneticSearchGivesTheSameResultOnOneThreadAsOnTwo) {
    const std::string genetic = Calibration("3,40,1,0.5,1.5,0.2 --seed 11");
    const Outcome one = Run(genetic + " --threads 1");
    ASSERT_EQ(one.status, 0) << one.err;
    const Outcome two = Run(genetic + " --threads 2");
    ASSERT_EQ(two.status, 0) << two.err;
    const auto a = nlohmann::ordered_json::parse(one.out), b = nlohmann::ordered_json::parse(two.out);
    EXPECT_EQ(a["params"], b["params"]);
    EXPECT_EQ(a["sites"], b["sites"]);
    EXPECT_EQ(a["objective"], b["objective"]);
}

TEST_F(CalibrateSitesTable, RefusesATableWithTheCfgFormsArgumentsOrAParameterSharedAndOwn) {
    Outcome o = Run("calibrate-sites " + (dir_ / "demo.sim").string() + " --sites " +
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

TEST_F(CalibrateSitesTable, SavesEachRowsConfigurationWithItsOwnValues) {
    fs::create_directories(dir_ / "out-sims");
    const Outcome o = Run(Calibration() + " --save-dir " + (dir_ / "out-sims").string());
    ASSERT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::ordered_json::parse(o.out);
    for (const TrueSite& site : kSites) {
        ASSERT_TRUE(fs::exists(dir_ / "out-sims" / (site.name + ".sim"))) << site.name;
        // The saved configuration runs the row's season with the values found: the true one here.
        const Outcome run = Run("run " + (dir_ / "out-sims" / (site.name + ".sim")).string() + " --daily -");
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string laiAt180 = LaiOn180(run.out);
        const std::string measured = Slurp(dir_ / ("lai-" + site.name + ".csv"));
        EXPECT_NE(measured.find("\n180," + laiAt180 + "\n"), std::string::npos)
            << site.name << ": " << laiAt180 << "\n"
            << measured << result.dump();
    }
}

} // namespace
} // namespace tulo
