// The calibration windows' settings files, and the multi-site calibration that reads one.

#include "calibration/SettingsFiles.h"

#include "forms/SimConfig.h"

#include "io/TextFiles.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

using SettingsFiles = test::ScratchFolderTest;

AccSettings SomeAcc() {
    AccSettings acc;
    acc.agbOnly = false;
    acc.agbAndLai = true;
    acc.agbWeight = "0.7";
    acc.laiWeight = "0.3";
    acc.objective = "RRMSE + CV on Last Point";
    acc.parameters = {{{"RUE", "1.5", "4"}, {"Tb for growth", "7", "15"}, {"", "", ""}}};
    acc.initial = {"2.3", "12", ""};
    acc.rrmse = "12.5";
    return acc;
}

TEST_F(SettingsFiles, RoundTripInTheirLineOrder) {
    const AccSettings acc = SomeAcc();
    ASSERT_TRUE(WriteAccSettings(dir_ / "a.acc", acc));
    EXPECT_EQ(Slurp(dir_ / "a.acc"), "False\nTrue\n0.7\n0.3\nRRMSE + CV on Last Point\nRUE\n1.5\n4\nTb for "
                                     "growth\n7\n15\n\n\n\n2.3\n12\n\n12.5\n\n");
    AccSettings read;
    ASSERT_TRUE(ReadAccSettings(dir_ / "a.acc", read));
    EXPECT_EQ(read, acc);

    CfgSettings cfg;
    cfg.sites[0] = {"100", "300", "130", "45.7", "", "demo.sim", "agb.xlsx", "lai.xlsx"};
    cfg.sites[2].weather = "after a gap.sim";
    cfg.parameters = acc.parameters;
    cfg.initial = acc.initial;
    EXPECT_EQ(SitesInUse(cfg), 1);
    ASSERT_TRUE(WriteCfgSettings(dir_ / "c.cfg", cfg));
    const std::string text = Slurp(dir_ / "c.cfg");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 52);
    CfgSettings back;
    ASSERT_TRUE(ReadCfgSettings(dir_ / "c.cfg", back));
    EXPECT_EQ(back, cfg);
}

TEST_F(SettingsFiles, ShortOrMalformedFilesAreRefusedByLineAndChangeNothing) {
    const std::string good = FormatAccSettings(SomeAcc());
    const auto refusal = [&](std::string text) {
        AccSettings settings = SomeAcc();
        const Outcome parsed = ParseAccSettings(text, settings);
        EXPECT_EQ(settings, SomeAcc());
        return parsed ? std::string("accepted") : parsed.message;
    };
    EXPECT_EQ(refusal(good.substr(0, good.find("RUE"))),
              "line 6 (parameter caption) is missing: a .acc file has 19 lines.");
    EXPECT_EQ(refusal("yes" + good.substr(good.find('\n'))),
              "line 1 (evaluate on AGB): \"yes\" is neither True nor False.");
    std::string badMax = good;
    badMax.replace(badMax.find("\n4\n"), 3, "\nfour\n");
    EXPECT_EQ(refusal(badMax), "line 8 (parameter maximum): \"four\" is not a number.");
    EXPECT_EQ(refusal(good + "\n\nmore\n"), "line 22 is more than a .acc file holds (19 lines).");

    CfgSettings cfg;
    cfg.sites[1].finalDate = "300.5";
    const std::string text = FormatCfgSettings(cfg);
    EXPECT_EQ(ParseCfgSettings(text, cfg).message, "line 10 (final date): \"300.5\" is not a whole number.");
    cfg.sites[1].finalDate = "1e38"; // beyond any whole type: refused, not converted
    EXPECT_EQ(ParseCfgSettings(FormatCfgSettings(cfg), cfg).message,
              "line 10 (final date): \"1e38\" is not a whole number.");

    // A value with a line break would shift every later line: the file on disk stays as it was.
    ASSERT_TRUE(WriteAccSettings(dir_ / "a.acc", SomeAcc()));
    AccSettings broken = SomeAcc();
    broken.objective = "RRMSE\nTrue";
    EXPECT_EQ(WriteAccSettings(dir_ / "a.acc", broken), Outcome::Failed);
    EXPECT_EQ(Slurp(dir_ / "a.acc"), good);
}

// Lines may end with CR alone, as with CR LF or LF; a message quotes at most 60 characters of a line.
TEST_F(SettingsFiles, LineEndingsOfEveryKindAndLongLinesQuotedShort) {
    const std::string good = FormatAccSettings(SomeAcc());
    for (const std::string& ending : {std::string("\r"), std::string("\r\n")}) {
        std::string text = good;
        for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += ending.size())
            text.replace(at, 1, ending);
        AccSettings read;
        EXPECT_TRUE(ParseAccSettings(text, read));
        EXPECT_EQ(read, SomeAcc());
    }
    std::string huge = good;
    huge.replace(huge.find("0.7"), 3, std::string(1 << 20, '7') + "x");
    AccSettings read;
    const std::string error = ParseAccSettings(huge, read).message;
    EXPECT_EQ(error, "line 3 (AGB weight): \"" + std::string(60, '7') + "...\" is not a number.");
}

// The sites are read up to the first without a weather workbook: a site after it that names a file would
// be dropped without a word, so it is refused, named.
TEST_F(SettingsFiles, ASiteAfterAnEmptyOneIsNamedNotDropped) {
    CfgSettings cfg;
    cfg.sites[0] = {"", "", "", "", "", "w.csv", "agb.xlsx", ""};
    cfg.sites[1] = cfg.sites[0];
    cfg.sites[2].rrmse = "12"; // the index shown last fills no site
    EXPECT_EQ(SiteAfterTheLast(cfg), std::nullopt);
    cfg.sites[3] = cfg.sites[0];
    EXPECT_EQ(SiteAfterTheLast(cfg),
              "Site 4 names its files, but site 3 has no weather workbook and the sites "
              "are read up to the first without one: fill site 3 or move site 4 up.");
    cfg.sites[2].agb = "agb.xlsx";
    EXPECT_EQ(SiteAfterTheLast(cfg), "Site 3 names measurements but no weather workbook, so it cannot be "
                                     "simulated: give it its weather or empty its row.");

    cfg.parameters = {{{"RUE", "1.5", "4"}, {"Tb for growth", "7", "15"}, {"", "", ""}}};
    cfg.initial = {"2.3", "12", ""};
    ASSERT_TRUE(WriteCfgSettings(dir_ / "gap.cfg", cfg));
    const std::string command = std::string(TULO_CLI_PATH) +
                                " calibrate-sites " TULO_SOURCE_DIR "/examples/demo.sim " +
                                (dir_ / "gap.cfg").string() + " 2>" + (dir_ / "err").string();
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2);
    EXPECT_NE(Slurp(dir_ / "err").find("gap.cfg: Site 3 names measurements"), std::string::npos)
        << Slurp(dir_ / "err");
}

// Two sites from the demo, measured as the engine made them with RUE 2.8 and Tb 11; the second types its
// latitude with a decimal, which it keeps.
TEST_F(SettingsFiles, CalibrateSitesRecoversTheParametersOnTwoSites) {
    const fs::path source = TULO_SOURCE_DIR;
    fs::copy_file(source / "examples/demo.sim", dir_ / "demo.sim");
    fs::copy_file(source / "examples/calibration/agb.xlsx", dir_ / "agb.xlsx");
    FormModel demo; // the sites' weather workbook: the demo's own weather table
    ASSERT_TRUE(ReadSimConfig(dir_ / "demo.sim", demo));
    ASSERT_TRUE(WriteFileAtomically(dir_ / "weather.csv", GridToCsv(demo.grid(ctl::sprWeather))));
    CfgSettings cfg;
    cfg.sites[0] = {"", "", "", "", "", "weather.csv", "agb.xlsx", ""};
    cfg.sites[1] = {"", "", "", "45.3", "", "weather.csv", "agb.xlsx", ""};
    cfg.parameters = {{{"RUE", "1.5", "4"}, {"Tb for growth", "7", "15"}, {"", "", ""}}};
    cfg.initial = {"2.3", "12", ""};
    ASSERT_TRUE(WriteCfgSettings(dir_ / "two.cfg", cfg));

    const std::string command = "TULO_HOME=" + dir_.string() + " " + TULO_CLI_PATH + " calibrate-sites " +
                                (dir_ / "demo.sim").string() + " " + (dir_ / "two.cfg").string() +
                                " --json >" + (dir_ / "out").string() + " 2>" + (dir_ / "err").string();
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << Slurp(dir_ / "err");
    const std::string out = Slurp(dir_ / "out");
    const auto value = [&](const std::string& key) {
        const std::size_t at = out.find("\"" + key + "\": ");
        return at == std::string::npos ? -1.0 : std::atof(out.c_str() + at + key.size() + 4);
    };
    EXPECT_NEAR(value("RUE"), 2.8, 0.028) << out;
    EXPECT_NEAR(value("Tb for growth"), 11, 0.11) << out;
    const double runs = value("runs");
    EXPECT_GT(runs, 0);
    EXPECT_EQ(static_cast<long long>(runs) % 2, 0) << "every point runs both sites";
}

} // namespace
} // namespace tulo
