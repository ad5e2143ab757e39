// tulo-cli as a user runs it: exit statuses, what it prints and what it writes.

#include "support/TestForms.h"

#include "CliFixture.h"
#include "calibration/CalibrationParameters.h"
#include "commands/CropWorkbook.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"

#include "engine/ParallelSeasons.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

using test::CliRun;

using test::kDemo;
using test::Lines;
const std::string kAgb = TULO_SOURCE_DIR "/examples/calibration/agb.xlsx";

// The data folder, where searches and analyses leave their files, is the test's own.
class Cli : public test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        ::setenv("TULO_HOME", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("TULO_HOME");
        CliTest::TearDown();
    }
};

TEST_F(Cli, RunPrintsTheSeasonAndWritesTheDailySeriesAndReport) {
    const auto daily = dir_ / "daily.csv";
    const auto report = dir_ / "report.csv";
    const CliRun o =
        Run("run " + kDemo + " --daily " + daily.string() + " --report " + report.string() + " --repeat 3");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("Emergence:            DOY "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Maturity:             DOY "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Harvest index:        0.38\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("3 seasons in "), std::string::npos);

    // The same summary as JSON, keys in their documented order, a stage not reached as null.
    const CliRun json = Run("run " + kDemo + " --json");
    ASSERT_EQ(json.status, 0) << json.err;
    const auto summary = nlohmann::ordered_json::parse(json.out);
    std::vector<std::string> keys;
    for (const auto& item : summary.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"sowing", "emergence", "flowering", "maturity", "crop_end",
                                              "agb_maturity", "panicles_maturity", "harvest_index", "agb_max",
                                              "lai_max", "sterility_percent", "blast_infection_days",
                                              "final_water_level", "agb_end_of_crop", "frost_days",
                                              "first_frost", "warnings"}));
    EXPECT_EQ(summary["maturity"], 277);
    EXPECT_EQ(summary["frost_days"], 0);
    EXPECT_TRUE(summary["first_frost"].is_null());
    EXPECT_EQ(summary["warnings"], nlohmann::ordered_json::array());
    EXPECT_EQ(summary["crop_end"], 277);
    EXPECT_NEAR(summary["harvest_index"].get<double>(), 0.376, 0.001);
    EXPECT_NEAR(summary["agb_maturity"].get<double>(), summary["agb_max"].get<double>(), 1e-9);

    const auto rows = Lines(Slurp(daily));
    ASSERT_EQ(rows.size(), 201u); // the titles, then DOY 100 .. 299
    EXPECT_EQ(rows[0],
              "DOY,DVS,GDD,GDDcum,Phase,RUE,AGBdayRad,AGBday,AGB,LeavesDay,StemsDay,PaniclesDay,Leaves,Stems,"
              "Panicles,LAIday,LAI,SterilityDay,SterilityCum,PanicleHeight,WaterLevel,TmaxAir,TminAir,"
              "TmaxApex,TminApex,ET1,ET2,ET3,ET4,RiskLevel,BlastDVStoday,MF1,MF2,MF3,MF4,MF12,DTempRisk,"
              "MaxRhRisk,DltRhRisk,MxTempRisk,RainRisk");
    EXPECT_EQ(rows[1].rfind("100,0,0,0,bare soil,", 0), 0u) << rows[1];
    EXPECT_EQ(rows[200].rfind("299,", 0), 0u);

    const std::string reportText = Slurp(report);
    EXPECT_EQ(reportText.rfind("DOY,Date,DVS (-),AGB tot (tAGB/ha),", 0), 0u);
    EXPECT_NE(reportText.find("\n100,10 Apr,"), std::string::npos); // the first simulated day
}

// The demo's weather freezes in January, February and December: sown on 1 February and grown too slowly
// to mature, the crop stands through the frosts of DOY 36 and 40 and is still green on the last day,
// 31 December, which --end names and the season simulates.
TEST_F(Cli, ACropThroughFrostOrShortOfMaturityIsWarnedOfInTheSummaryAndItsJson) {
    const std::string season = "run " + kDemo + " --start 1 --end 365 --sowing 32 --set TSUM2=2000";
    const CliRun text = Run(season);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("\nWarning: the air Tmin fell below 0 °C on "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("first on DOY 36 (5 Feb)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(
                  "\nWarning: the crop did not reach maturity by the last simulated day, DOY 365 (31 Dec)"),
              std::string::npos)
        << text.out;

    const CliRun json = Run(season + " --json");
    ASSERT_EQ(json.status, 0) << json.err;
    const auto summary = nlohmann::ordered_json::parse(json.out);
    EXPECT_GE(summary["frost_days"].get<int>(), 2);
    EXPECT_EQ(summary["first_frost"], 36);
    ASSERT_EQ(summary["warnings"].size(), 2u) << json.out;
    EXPECT_EQ(summary["warnings"][0]["kind"], "frost");
    EXPECT_EQ(summary["warnings"][1]["kind"], "no_maturity");
    EXPECT_NE(text.out.find(summary["warnings"][1]["text"].get<std::string>()), std::string::npos);
}

TEST_F(Cli, InvalidInputsExitWithTwoAndWriteNothing) {
    FormModel form = test::DemoForm();
    form.setText(ctl::txtLatitude, "");
    form.setText(ctl::txtRUE, "x");
    ASSERT_TRUE(WriteSimConfig(form, dir_ / "bad.sim"));
    const auto daily = dir_ / "daily.csv";
    const CliRun o = Run("run " + (dir_ / "bad.sim").string() + " --daily " + daily.string());
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err,
              "Radiation use efficiency (g/MJ): \"x\" is not a number.\nYou have to specify Latitude\n");
    EXPECT_EQ(o.out, "");
    EXPECT_FALSE(fs::exists(daily));
}

TEST_F(Cli, UnreadableFilesAndOutputsThatCannotBeWrittenExitWithTwo) {
    CliRun o = Run("run " + (dir_ / "missing.sim").string());
    EXPECT_EQ(o.status, 2);
    EXPECT_FALSE(o.err.empty());

    std::ofstream(dir_ / "short.sim") << "100\r\n300\r\n";
    o = RunExpecting("run " + (dir_ / "short.sim").string(), 2, "item");

    o = RunExpecting("run " + kDemo + " --daily " + (dir_ / "no-such-folder" / "daily.csv").string(), 2,
                     "Cannot write");
}

// Usage errors exit with 2, as unreadable files do, naming what is wrong; --help exits with 0.
TEST_F(Cli, UsageErrorsExitWithTwoAndHelpWithZero) {
    const std::string kMore = "Run with --help for more information.\n";
    const std::string threadsRange = "--threads must be a whole number from 0 (every core) to " +
                                     std::to_string(MaxWorkerThreads()) + " (four per core), not ";
    const std::pair<std::string, std::string> cases[] = {
        {"run " + kDemo + " --bogus",
         "The following argument was not expected: --bogus\nRun with --help for more information.\n"},
        {"frobnicate", "A subcommand is required\nRun with --help for more information.\n"},
        {"run " + kDemo + " --repeat 1.5",
         "--repeat must be a whole number from 0, not \"1.5\".\nRun with --help for more information.\n"},
        {"ensemble " + kDemo + " --sets s.csv --threads -1", threadsRange + "-1.\n" + kMore},
        // Far more threads than the system allows end in a message, not in its thread limits.
        {"ensemble " + kDemo + " --sets s.csv --threads 100000", threadsRange + "100000.\n" + kMore},
        {"ensemble " + kDemo + " --sets s.csv --threads 99999999999",
         threadsRange + "99999999999.\n" + kMore},
        {"ensemble " + kDemo + " --sets s.csv --threads many", threadsRange + "\"many\".\n" + kMore},
        {"run " + kDemo + " --soil-sheet 2",
         "--soil-sheet requires --soil\nRun with --help for more information.\n"},
        {"evaluate " + kDemo + " --measured m.csv", "evaluate needs --measured and --variable, or "
                                                    "--lai-index.\nRun with --help for more information.\n"},
        {"force-lai " + kDemo,
         "force-lai needs --at DOY:LAI or --lai FILE.\nRun with --help for more information.\n"},
        {"calibrate-sites " + kDemo,
         "calibrate-sites needs CONFIG and SETTINGS (a .cfg), or --sites TABLE.\nRun with --help for more "
         "information.\n"},
        {"phenology --sites t.csv --sowing 120",
         "phenology --sites takes each row's season from the table: give the season's options as its "
         "columns.\nRun with --help for more information.\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliRun o = Run(arguments);
        EXPECT_EQ(o.status, 2) << arguments;
        EXPECT_EQ(o.err, message) << arguments;
        EXPECT_EQ(o.out, "") << arguments;
    }
    const CliRun help = Run("calibrate --help");
    EXPECT_EQ(help.status, 0);
    // The search options calibrate shares with calibrate-sites, in their place among its own.
    EXPECT_NE(help.out.find("--objective"), std::string::npos) << help.out;
    EXPECT_LT(help.out.find("--param"), help.out.find("--threads")) << help.out;
    EXPECT_LT(help.out.find("--threads"), help.out.find("--save")) << help.out;
}

TEST_F(Cli, FilesThatAreNoTablesAreRefusedAndOutputsGoWhereTheyAreSent) {
    for (const std::string& input : {std::string("/dev/zero"), dir_.string()}) {
        EXPECT_EQ(Run("run " + input).status, 2);
        RunExpecting("run " + kDemo + " --weather " + input, 2, input + ": The file cannot be read: it is ");
    }
    std::ofstream(dir_ / "cell.csv") << "Tmax,Tmin\n" << std::string(10'000'000, 'x') << ",1\n";
    CliRun o = Run("run " + kDemo + " --weather " + (dir_ / "cell.csv").string());
    EXPECT_EQ(o.status, 2);
    EXPECT_LT(o.err.size(), 10'000u) << o.err.substr(0, 2000);

    EXPECT_EQ(Run("run " + kDemo + " --report " + (dir_ / "r.ods").string()).status, 2);
    std::ofstream(dir_ / "t.csv") << "DOY\n1\n";
    o = RunExpecting("table " + (dir_ / "t.csv").string() + " " + (dir_ / "t.ods").string(), 2,
                     ".xlsx or .csv");
    EXPECT_FALSE(fs::exists(dir_ / "r.ods"));

    // Through a link to its target; "-" alone is standard output, "./-" a file of that name.
    std::ofstream(dir_ / "real.csv") << "old";
    fs::create_symlink("./real.csv", dir_ / "link.csv");
    ASSERT_EQ(Run("run " + kDemo + " --daily " + (dir_ / "link.csv").string()).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
    o = Run("run " + kDemo + " --daily -");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, Slurp(dir_ / "real.csv"));
    ASSERT_EQ(Run("run " + kDemo + " --daily " + dir_.string() + "/./-").status, 0);
    EXPECT_EQ(Slurp(dir_ / "-"), o.out);

    // The window's question about saving the report has nobody to answer it here: nothing is printed.
    FormModel form = test::DemoForm();
    form.setOption(ctl::optReportAsk, true);
    ASSERT_TRUE(WriteSimConfig(form, dir_ / "ask.sim"));
    o = Run("run " + (dir_ / "ask.sim").string());
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
}

TEST_F(Cli, WorkbooksReplaceTablesAndCarryCropParameters) {
    const std::string weather = TULO_SOURCE_DIR "/tests/data/workbooks/weather.xlsx";
    CliRun o = Run("run " + kDemo + " --weather " + weather);
    EXPECT_EQ(o.status, 0); // two sheets and nobody to ask: the first is read, and the command says so
    EXPECT_EQ(o.err,
              weather + " has 2 sheets: read sheet 1 (\"Weather\"); --weather-sheet chooses another.\n");
    o = Run("run " + kDemo + " --weather " + weather + " --weather-sheet 0");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err.rfind("--weather-sheet must be a whole number from 1, not \"0\".\n", 0), 0u) << o.err;
    const auto report = dir_ / "report.xlsx";
    o = Run("run " + kDemo + " --weather " + weather + " --weather-sheet 1 --report " + report.string());
    ASSERT_EQ(o.status, 0) << o.err;
    o = Run("table " + report.string() + " " + (dir_ / "report.csv").string());
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Slurp(dir_ / "report.csv").rfind("DOY,Date,DVS (-),", 0), 0u);

    // A crop exported, edited elsewhere, and imported into another configuration.
    const auto crop = dir_ / "crop.csv";
    ASSERT_EQ(Run("crop export " + kDemo + " " + crop.string()).status, 0);
    std::string text = Slurp(crop);
    text.replace(text.find("\n900,"), 5, "\n875,");
    std::ofstream(crop, std::ios::binary) << text;
    const auto saved = dir_ / "edited.sim";
    ASSERT_EQ(Run("crop import " + kDemo + " " + crop.string() + " --save " + saved.string()).status, 0);
    FormModel form;
    ASSERT_TRUE(ReadSimConfig(saved, form));
    EXPECT_EQ(form.text(ctl::txtTSUM1), "875");
    EXPECT_EQ(form.text(ctl::txtLatitude), "45.3"); // the rest of the configuration is kept
}

TEST_F(Cli, CropImportOfAWrongSheetOrAWrongValueSavesNothing) {
    const auto crop = dir_ / "crop.csv";
    ASSERT_EQ(Run("crop export " + kDemo + " " + crop.string()).status, 0);
    std::string outOfBounds = Slurp(crop);
    outOfBounds.replace(outOfBounds.find("\n2.3,"), 5, "\n9,");
    struct Case {
        std::string name, content;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"weather.csv", "DOY,Tmax,Tmin\n1,10.5,2\n", 2,
         "weather.csv is not a crop parameter workbook: cell C2: key \"2\", expected \"TBASEM\"."},
        {"bounds.csv", outOfBounds, 2,
         "Crop workbook cell A15: Radiation use efficiency (g/MJ): 9 is outside"},
    };
    for (const Case& c : cases) {
        std::ofstream(dir_ / c.name, std::ios::binary) << c.content;
        const auto saved = dir_ / (c.name + ".sim");
        RunExpecting("crop import " + kDemo + " " + (dir_ / c.name).string() + " --save " + saved.string(),
                     c.status, c.message);
        EXPECT_FALSE(fs::exists(saved)) << c.name;
    }
}

TEST_F(Cli, EvaluatePrintsIndicesAndTheMeasurementsLeftOut) {
    const auto measured = dir_ / "agb.csv";
    std::ofstream(measured) << "DOY,AGB\n180,6.5\n200,9\n240,15.5\n320,12\n";
    CliRun o = Run("evaluate " + kDemo + " --measured " + measured.string() +
                   " --variable \"AGB tot (tAGB/ha)\" --json");
    ASSERT_EQ(o.status, 0) << o.err;
    for (const char* key :
         {"\"n\": 3", "\"RMSE\"", "\"RRMSE\"", "\"EF\"", "\"CRM\"", "\"RRMSEcvLastPoint\"", "\"Slope\"",
          "\"Intercept\"", "\"R2\"", "\"F\"", "\"pF\"", "\"mark\"", "\"doy\": 320.0"})
        EXPECT_NE(o.out.find(key), std::string::npos) << key << "\n" << o.out;
    o = Run("evaluate " + kDemo + " --measured " + measured.string() + " --variable \"GAI (m2/m2)\"");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("Left out:          row 5 (DOY 320, not a simulated day)"), std::string::npos)
        << o.out;
    EXPECT_EQ(Run("evaluate " + kDemo + " --measured " + measured.string() + " --variable LAI").status, 2);

    // A day that no season has is named as such; long lists of skipped rows are cut at 20.
    std::ofstream unreadable(measured);
    unreadable << "DOY,AGB\n180,6.5\n1100,9\n";
    for (int k = 0; k < 25; ++k) unreadable << "x,1\n";
    unreadable.close();
    o = Run("evaluate " + kDemo + " --measured " + measured.string() + " --variable \"GAI (m2/m2)\"");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("not a number: 4, 5, "), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(", 23 ... and 5 more.\n" + measured.string() +
                         ": rows skipped: row 3: DOY 1100 is outside 1..1096.\n"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.out.find("Left out:          none"), std::string::npos) << o.out;
}

// Evaluation and calibration refuse the same doubtful tables with the same words, and name the rows they
// leave out; calibrate reads the sheet it is told.
TEST_F(Cli, EvaluateAndCalibrateRefuseDoubtfulMeasurementsAlike) {
    const std::string rue = " --param RUE:1.5:4:2.3 --param 'Tb for growth:7:15:12'";
    const auto negative = Write("negative.csv", "DOY,AGB\n180,6.5\n200,-9\n240,15\n");
    CliRun o =
        Run("evaluate " + kDemo + " --measured " + negative.string() + " --variable \"AGB tot (tAGB/ha)\"");
    EXPECT_EQ(o.status, 2);
    const std::string refusal = negative.string() + ": a measured value cannot be negative: row 3 (-9).\n";
    EXPECT_EQ(o.err, refusal);
    o = Run("calibrate " + kDemo + " --agb " + negative.string() + rue);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, refusal);

    // Sown on DOY 120 after every measurement: nothing the parameters change is measured.
    const auto early = Write("early.csv", "DOY,AGB\n105,1\n110,2\n350,3\n");
    o = RunExpecting("calibrate " + kDemo + " --agb " + early.string() + rue, 2,
                     early.string() +
                         ": rows not paired, the run did not simulate their day: row 4 (DOY "
                         "350).\n" +
                         early.string() +
                         ": 2 measurements before sowing on DOY 120 are compared with a bare "
                         "field (DOY 105, 110).\n");
    EXPECT_NE(o.err.find("no pair to calibrate on"), std::string::npos) << o.err;

    const std::string twoSheets = TULO_SOURCE_DIR "/tests/data/workbooks/weather.xlsx";
    o = Run("calibrate " + kDemo + " --agb " + twoSheets + rue);
    EXPECT_NE(o.err.find("; --agb-sheet chooses another."), std::string::npos) << o.err;
    o = RunExpecting("calibrate " + kDemo + " --agb " + twoSheets + " --agb-sheet 3" + rue, 2, "sheet 3");
}

TEST_F(Cli, NoOutputReplacesAnInputWhateverItsSpelling) {
    const auto config = dir_ / "demo.sim";
    fs::copy_file(kDemo, config);
    fs::create_symlink("demo.sim", dir_ / "link.sim");
    std::ofstream(dir_ / "t.csv") << "DOY\n1\n";
    fs::copy_file(TULO_SOURCE_DIR "/tests/data/workbooks/weather.xlsx", dir_ / "weather.xlsx");
    const std::pair<std::string, std::string> cases[] = {
        {"run demo.sim --daily ./demo.sim", "--daily ./demo.sim is the configuration demo.sim"},
        {"run demo.sim --daily ../" + dir_.filename().string() + "/link.sim",
         "--daily ../" + dir_.filename().string() + "/link.sim is the configuration demo.sim"},
        {"run link.sim --report ./weather.xlsx --weather weather.xlsx",
         "--report ./weather.xlsx is the --weather file weather.xlsx"},
        {"table t.csv ./t.csv", "The output ./t.csv is the input t.csv"},
        {"crop import demo.sim t.csv --save demo.sim", "--save demo.sim is the configuration demo.sim"},
        {"ensemble demo.sim --sets t.csv --out link.sim", "--out link.sim is the configuration demo.sim"},
    };
    const std::string workbook = Slurp(dir_ / "weather.xlsx");
    for (const auto& [arguments, refusal] : cases) {
        const CliRun o = Run(arguments, dir_.string());
        EXPECT_EQ(o.status, 2) << arguments;
        EXPECT_EQ(o.err, refusal + ": choose another file.\n");
    }
    EXPECT_EQ(Slurp(config), Slurp(kDemo));
    EXPECT_EQ(Slurp(dir_ / "t.csv"), "DOY\n1\n");
    EXPECT_EQ(Slurp(dir_ / "weather.xlsx"), workbook);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.sim"));
}

TEST_F(Cli, MessagesAboutWorkbooksNameTheFileAndCell) {
    std::string weather = "DOY,Rain,Tmax,Tmin,Rad\n", pandas = ",DOY,AGB\n0,180,6.5\n1,200,9\n";
    for (int day = 1; day <= 365; ++day)
        weather += std::to_string(day) + ",0," + (day == 153 ? "99" : "25") + ",15,20\n";
    std::ofstream(dir_ / "hot.csv") << weather;
    std::ofstream(dir_ / "pandas.csv") << pandas;
    CliRun o = Run("run " + kDemo + " --weather " + (dir_ / "hot.csv").string());
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err.rfind((dir_ / "hot.csv").string() + ": Weather, DOY 153 (cell C154), Tmax(°C): 99 ", 0),
              0u)
        << o.err;
    o = RunExpecting("evaluate " + kDemo + " --measured " + (dir_ / "pandas.csv").string() +
                         " --variable \"AGB tot (tAGB/ha)\"",
                     2, "pandas.csv has an extra first column (an index written by pandas?)");
}

TEST_F(Cli, VarietiesAreListedInTheDiseasesWindowOrder) {
    const CliRun o = Run("varieties");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.rfind("Variety,Susceptibility,Class\nADELIO,medium/susceptible,2\n", 0), 0u);
    EXPECT_NE(o.out.find("\nARBORIO,medium/resistant,3\nARBORIO PRECOCE,"), std::string::npos);
    EXPECT_TRUE(o.out.ends_with("\nZEUS,medium/resistant,3\nother,,\n"));
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 129);
}

// Forcing tables are read without titles as with them, and in any row order.
TEST_F(Cli, ForceLaiForcesEveryRowAndRefusesADayWithNothingToRescale) {
    std::ofstream(dir_ / "plain.csv") << "200,3.5\n150,0.2\n";
    std::ofstream(dir_ / "titled.csv") << "DOY,LAI\n150,0.2\n200,3.5\n";
    CliRun o = Run("force-lai " + kDemo + " --lai " + (dir_ / "plain.csv").string() + " --daily -");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string fromPlain = o.out;
    const auto daily = dir_ / "daily.csv";
    o = Run("force-lai " + kDemo + " --lai " + (dir_ / "titled.csv").string() + " --json --daily " +
            daily.string());
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Slurp(daily), fromPlain);
    const auto forced = nlohmann::json::parse(o.out)["forced"];
    ASSERT_EQ(forced.size(), 2u);
    EXPECT_EQ(forced[1]["doy"], 200);
    EXPECT_EQ(forced[1]["lai"], 3.5);
    EXPECT_NEAR(forced[1]["AGB_t_ha"].get<double>(), forced[1]["AGB_g_m2"].get<double>() / 100, 1e-5);

    fs::remove(daily);
    o = RunExpecting("force-lai " + kDemo + " --at 110:1 --daily " + daily.string(), 2,
                     "DOY 110 cannot be forced");
    EXPECT_FALSE(fs::exists(daily));
    o = RunExpecting("force-lai " + kDemo + " --at 200:1000 --daily " + daily.string(), 2,
                     "DOY 200 cannot be forced: the leaf area index 1000 is outside the accepted range 0 "
                     "to 15 m2/m2");
    EXPECT_FALSE(fs::exists(daily));
}

TEST_F(Cli, LaiIndexPairsTheSimulatedDaysAndListsTheOthers) {
    std::ofstream(dir_ / "lai.csv") << "150,0.5\n200,5\n240,6\n320,1\n";
    const CliRun o = Run("evaluate " + kDemo + " --lai-index " + (dir_ / "lai.csv").string() + " --json");
    ASSERT_EQ(o.status, 0) << o.err;
    const auto index = nlohmann::json::parse(o.out);
    EXPECT_EQ(index["pairs"], 3);
    EXPECT_EQ(index["left_out"], nlohmann::json::array({320}));
    for (const char* key : {"RMSE", "RRMSE", "EF", "CRM", "R2", "Slope", "Intercept"})
        EXPECT_TRUE(index[key].is_number()) << key;
}

TEST_F(Cli, CalibrateRecoversTheParametersByTheGeneticSearch) {
    const CliRun o = Run("calibrate " + kDemo + " --agb " + kAgb +
                         " --param RUE:1.5:4:2.3 --param 'Tb for growth:7:15:12' --genetic 6,60,1,0.5,1.5,0.2"
                         " --seed 7 --json");
    ASSERT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::json::parse(o.out);
    EXPECT_NEAR(result["params"]["RUE"].get<double>(), 2.8, 0.028);
    EXPECT_NEAR(result["params"]["Tb for growth"].get<double>(), 11, 0.11);
    EXPECT_EQ(result["seed"], 7);
    EXPECT_GT(result["runs"].get<int>(), 100);
}

// Any crop parameter by id, key or caption, its initial value the configuration's unless given; the
// result lists them all with how sure each is, and --save writes them all.
TEST_F(Cli, CalibrateTakesAnyParametersAndSaysHowSureEachIs) {
    for (const ParameterInfo& info : CropParameterRegistry()) // what lets a NAME:MIN:MAX split on colons
        for (const std::string_view name : {info.id, WorkbookKey(info), info.label, CalibrationCaption(info)})
            EXPECT_EQ(name.find(':'), std::string_view::npos) << name;
    const auto saved = dir_ / "calibrated.sim";
    CliRun o = Run("calibrate " + kDemo + " --agb " + kAgb +
                   " --param RUE:1.5:4:2.3 --param 'Tb for growth:7:15' --param StSen:0.5:10 --json --save " +
                   saved.string());
    ASSERT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::json::parse(o.out);
    ASSERT_EQ(result["params"].size(), 3u);
    EXPECT_NEAR(result["params"]["RUE"].get<double>(), 2.8, 0.028);
    const auto& uncertainty = result["uncertainty"];
    // The biomass alone hardly tells a faster growth from a longer one: RUE and Tb go together.
    EXPECT_GT(result["correlation"]["RUE"]["Tb for growth"].get<double>(), 0.95);
    EXPECT_FALSE(uncertainty["RUE"]["identifiable"].get<bool>());
    EXPECT_FALSE(uncertainty["Tb for growth"]["identifiable"].get<bool>());
    EXPECT_LE(uncertainty["RUE"]["low"].get<double>(), result["params"]["RUE"].get<double>());
    // Cold sterility moves no biomass in this season: the data cannot tell its sensitivity.
    EXPECT_FALSE(uncertainty["StSen"]["identifiable"].get<bool>());
    EXPECT_TRUE(uncertainty["StSen"]["se"].is_null());
    EXPECT_TRUE(result["correlation"]["StSen"]["RUE"].is_null());
    FormModel form;
    ASSERT_TRUE(ReadSimConfig(saved.string(), form));
    EXPECT_EQ(form.text(ControlOf(*FindParameter("StSen"))),
              ShortestText(result["params"]["StSen"].get<double>()));
    EXPECT_EQ(form.text(ctl::txtRUE), ShortestText(result["params"]["RUE"].get<double>()));

    o = Run("calibrate " + kDemo + " --agb " + kAgb + " --param RUE:1.5:4 --param StSen:0.5:10");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("  StSen: se infinite - not identifiable from these data\n"), std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("Correlation:\n  RUE: 1 -\n"), std::string::npos) << o.out;
    const std::size_t rue = o.out.find("  RUE: se ");
    ASSERT_NE(rue, std::string::npos) << o.out;
    EXPECT_EQ(o.out.substr(rue, o.out.find('\n', rue) - rue).find("not identifiable"), std::string::npos);

    fs::remove(saved);
    const std::pair<std::string, std::string> refusals[] = {
        {"RUE:4:1.5:2.3", "\": the minimum 4 is not below the maximum 1.5."},
        {"Nope:1:2", "\"Nope\" is not a crop parameter"},
        {"RUE:1.5", "is not NAME:MIN:MAX or NAME:MIN:MAX:INITIAL"},
        {"'Tb for growth:13:15'", "the configuration's value 12 is outside the range (above 13, at most 15)"},
        {"SenDuration:0:1:0.5", "SenDuration is a code or a switch"}};
    for (const auto& [param, refusal] : refusals) {
        o = RunExpecting("calibrate " + kDemo + " --agb " + kAgb + " --param " + param + " --save " +
                             saved.string(),
                         2, refusal);
        EXPECT_FALSE(fs::exists(saved)) << param;
    }
}

// Each search writes a trace of its own, named in its result, or the one --trace names; a trace that
// could not be written is not named. The result says whether the search converged.
TEST_F(Cli, EachCalibrationWritesItsOwnTraceAndSaysHowItEnded) {
    const std::string calibrate = "calibrate " + kDemo + " --agb " + kAgb + " --param RUE:1.5:4:2.3";
    const CliRun first = Run(calibrate + " --json"), second = Run(calibrate + " --json");
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    const auto a = nlohmann::json::parse(first.out), b = nlohmann::json::parse(second.out);
    EXPECT_EQ(a["search"], "converged");
    EXPECT_TRUE(a.contains("uncertainty"));
    const std::string traceA = a["trace"].get<std::string>(), traceB = b["trace"].get<std::string>();
    EXPECT_NE(traceA, traceB);
    EXPECT_EQ(fs::path(traceA).parent_path(), dir_);
    EXPECT_EQ(Slurp(traceA), Slurp(traceB)) << "the same search traces the same lines";
    EXPECT_FALSE(Slurp(traceA).empty());

    const auto chosen = dir_ / "mine.dat";
    CliRun o = Run(calibrate + " --trace " + chosen.string());
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("\nSearch: converged\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\nTrace: " + chosen.string() + "\n"), std::string::npos) << o.out;
    EXPECT_EQ(Slurp(chosen), Slurp(traceA));

    // A data folder that cannot be made: the search runs, its trace is not named.
    const auto blocked = dir_ / "blocked";
    std::ofstream(blocked) << "a file, not a folder";
    ::setenv("TULO_HOME", (blocked / "home").c_str(), 1);
    o = Run(calibrate);
    const CliRun json = Run(calibrate + " --json");
    ::setenv("TULO_HOME", dir_.c_str(), 1);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_FALSE(o.err.empty());
    EXPECT_EQ(o.out.find("Trace:"), std::string::npos) << o.out;
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(nlohmann::json::parse(json.out)["trace"].is_null()) << json.out;
}

// The output is checked before the first season: a search or an ensemble never runs for nothing.
TEST_F(Cli, OutputsThatCannotBeWrittenAreRefusedBeforeTheFirstSeason) {
    const std::string sites = TULO_SOURCE_DIR "/examples/calibration/two-sites.cfg";
    const auto missing = dir_ / "missing" / "x.sim";
    const std::string refusal = "Cannot write " + missing.string() + ": the folder " +
                                (dir_ / "missing").string() + " does not exist.\n";
    for (const std::string& command :
         {"calibrate " + kDemo + " --agb " + kAgb + " --param RUE:1.5:4:2.3 --param 'Tb for growth:7:15:12'",
          "calibrate-sites " + kDemo + " " + sites}) {
        const CliRun o = Run(command + " --save " + missing.string());
        EXPECT_EQ(o.status, 2) << command;
        EXPECT_EQ(o.err, refusal);
        EXPECT_EQ(o.out, "");
    }
    EXPECT_FALSE(fs::exists(dir_ / "hyperspace.dat"));

    // Refused before the table is read: its bad title is never reached.
    std::ofstream(dir_ / "sets.csv") << "NOPE\n1\n";
    for (const std::string& out :
         {dir_.string(), std::string("/proc/x.csv"), (dir_ / "missing" / "x.csv").string()}) {
        const CliRun o =
            Run("ensemble " + kDemo + " --sets " + (dir_ / "sets.csv").string() + " --out " + out);
        EXPECT_EQ(o.status, 2) << out;
        EXPECT_EQ(o.err.rfind("Cannot write " + out + ": ", 0), 0u) << o.err;
    }
}

// A settings file names no sheet, so a site's workbook of several sheets is read from its first, and the
// advice names what the user can do rather than an option that does not exist.
TEST_F(Cli, ASitesWorkbookOfSeveralSheetsIsReadFromItsFirst) {
    const fs::path examples = TULO_SOURCE_DIR "/examples/calibration";
    const std::string workbook = TULO_SOURCE_DIR "/tests/data/workbooks/weather.xlsx";
    std::ifstream in(examples / "two-sites.cfg");
    std::ofstream out(dir_ / "sites.cfg");
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line == "weather.csv") line = (examples / line).string();
        if (number == 7) line = workbook;
        if (number == 15) line = (examples / line).string();
        out << line << '\n';
    }
    out.close();
    const CliRun o = Run("calibrate-sites " + kDemo + " " + (dir_ / "sites.cfg").string());
    EXPECT_NE(o.err.find(workbook + " has 2 sheets: read sheet 1 (\"Weather\"); a settings file names no "
                                    "sheet: put Site 1's AGB table first.\n"),
              std::string::npos)
        << o.err;
    EXPECT_EQ(o.err.find("chooses another"), std::string::npos);
}

// Each set passes the checks of a configuration; a table whose titles name a parameter twice is refused.
TEST_F(Cli, EnsembleRefusesTheSetsThatRunRefusesAndARepeatedColumn) {
    std::ofstream(dir_ / "sets.csv") << "RUE,IDSL,DLC,DLO,SterilityActive\n"
                                        "2.5,,,,\n,1,,,\n,1,12,12,\n,0.5,,,\n,,,,0.5\n,1,15,12,\n";
    CliRun o = Run("ensemble " + kDemo + " --sets " + (dir_ / "sets.csv").string() + " --series AGB@200");
    EXPECT_EQ(o.status, 2);
    const auto rows = Lines(o.out);
    ASSERT_EQ(rows.size(), 7u) << o.out;
    EXPECT_EQ(rows[0], "row,AGB@200,problem");
    EXPECT_EQ(rows[1].rfind("2,", 0), 0u);
    EXPECT_TRUE(rows[1].ends_with(",")) << rows[1];
    EXPECT_NE(rows[2].find("reads DLC and DLO"), std::string::npos) << rows[2];
    EXPECT_EQ(rows[3], "4,,DLC and DLO must differ (both are 12 h): the response to day length runs from one "
                       "to the other.");
    EXPECT_NE(rows[4].find("Development method: 0.5 is not a code"), std::string::npos) << rows[4];
    EXPECT_NE(rows[5].find("Activate spikelet sterility simulation: 0.5 is not a code"), std::string::npos);
    EXPECT_TRUE(rows[6].ends_with(",")) << rows[6];

    // A row cut short is not run with the configuration's values in place of its missing cells.
    std::ofstream(dir_ / "short.csv") << "RUE,Tb,K\n2.5,12,0.6\n2.5,12\n2.5,12,\n";
    o = Run("ensemble " + kDemo + " --sets " + (dir_ / "short.csv").string() + " --series AGB@200");
    EXPECT_EQ(o.status, 2);
    const auto cut = Lines(o.out);
    ASSERT_EQ(cut.size(), 4u) << o.out;
    EXPECT_EQ(cut[2], "3,,\"row 3 ends after 2 cells, but row 1 names parameters in 3 columns; a cell left "
                      "empty keeps the configuration's value, a row cut short is not run\"");
    EXPECT_TRUE(cut[3].starts_with("4,") && cut[3].ends_with(",")) << cut[3];

    std::ofstream(dir_ / "twice.csv") << "RUE,Tb,RUE\n2.5,12,3\n";
    o = Run("ensemble " + kDemo + " --sets " + (dir_ / "twice.csv").string());
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, (dir_ / "twice.csv").string() +
                         ": cells A1 and C1 both name RUE; a parameter takes one column.\n");
    EXPECT_EQ(o.out, "");
    std::ofstream(dir_ / "untitled.csv") << ",\n2.5,12\n";
    o = RunExpecting("ensemble " + kDemo + " --sets " + (dir_ / "untitled.csv").string(), 2,
                     "row 1 names no parameter");
}

// A CSV table streams through in blocks: longer than a table read whole may be, with the rows numbered
// and ordered as a workbook's, whatever the number of threads.
TEST_F(Cli, EnsembleStreamsATableOfAnyLengthInItsOrder) {
    {
        std::ofstream sets(dir_ / "sets.csv", std::ios::binary);
        sets << "RUE,Tb\n";
        for (int k = 0; k < 5000; ++k) sets << "x,\n"; // refused rows run no season
        sets << "2.5,11\n,\n3,\n";
        const std::string blank(1 << 20, ' ');
        for (int k = 0; k < 66; ++k) sets << blank << "\n"; // beyond the 64 MiB a whole-file read takes
        sets << "2.7,12\n";
    }
    const std::string ensemble = "ensemble " + kDemo + " --series AGB@250 --sets ";
    const CliRun one = Run(ensemble + (dir_ / "sets.csv").string() + " --threads 1");
    EXPECT_EQ(one.status, 2) << one.err; // the refused rows
    const CliRun three =
        Run(ensemble + (dir_ / "sets.csv").string() + " --threads 3 --out " + (dir_ / "out.csv").string());
    EXPECT_EQ(three.status, 2) << three.err;
    EXPECT_EQ(Slurp(dir_ / "out.csv"), one.out);
    const auto rows = Lines(one.out);
    ASSERT_EQ(rows.size(), 5004u);
    EXPECT_EQ(rows[5000], "5001,,\"RUE (cell A5001): \"\"x\"\" is not a number\"");
    EXPECT_EQ(rows[5001].rfind("5002,", 0), 0u);
    EXPECT_TRUE(rows[5001].ends_with(",")) << rows[5001];
    EXPECT_EQ(rows[5002].rfind("5004,", 0), 0u);
    EXPECT_EQ(rows[5003].rfind("5071,", 0), 0u);
    EXPECT_TRUE(rows[5003].ends_with(",")) << rows[5003];
}

TEST_F(Cli, SensitivityPrintsTheIndicesOfTheChosenFactorsOfADryOrAFloodedField) {
    CliRun o =
        Run("sensitivity " + kDemo +
            " --method 'Latin hypercube sampling' --executions 60 --factors par1,par6 --sd par6=0.01 --json "
            "--keep-files");
    ASSERT_EQ(o.status, 0) << o.err;
    const auto list = nlohmann::json::parse(o.out);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]["factor"], "par6");
    EXPECT_EQ(list[1]["label"], "LAI at emergence (m2/m2)");
    EXPECT_GT(list[1]["truncated"].get<int>(), 0);
    EXPECT_LE(list[0]["ci1"][0].get<double>(), list[0]["index1"].get<double>());
    // The folder of the kept files is the analysis's own in the data folder, named before the runs.
    const std::string named = "Exchange files: " + (dir_ / "sensitivity").string() + "/";
    ASSERT_NE(o.err.find(named), std::string::npos) << o.err;
    const fs::path folder = o.err.substr(o.err.find(named) + 16, named.size() - 16 + 22);
    EXPECT_TRUE(fs::exists(folder / "tuloSAindex.txt")) << folder;
    EXPECT_NE(o.err.find("Runs: 60 seasons (lhs 1 60, 2 factors)"), std::string::npos) << o.err;

    o = Run("sensitivity " + std::string(TULO_SOURCE_DIR "/examples/flooded.sim") +
            " --method 'Latin hypercube sampling' --executions 60 --factors par1,par6 --sd par6=0.01 --json");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err.find("unflooded"), std::string::npos) << o.err;
    EXPECT_EQ(nlohmann::json::parse(o.out).size(), 2u) << o.out;
    // Unless asked to, an analysis writes no files.
    EXPECT_EQ(o.err.find("Exchange files"), std::string::npos) << o.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "sensitivity"), fs::directory_iterator()), 1);
}

// Factors are named as --set names parameters, growth parameters staying parK; the output is chosen by
// keyword; codes, switches and unknown outputs are refused before anything runs.
TEST_F(Cli, SensitivityVariesAnyNumericParameterForTheOutputChosen) {
    const CliRun o = Run(
        "sensitivity " + kDemo +
        " --method lhs --executions 40 --factors 'RUE,GDDs emergence - flowering (°C-days)' "
        "--mean TSUM1=950 --sd 'GDDs emergence - flowering (°C-days)=50' --output flowering --keep-files");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("(40 runs; output: flowering day)"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\npar1  Radiation use efficiency (g/MJ)\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\nTSUM1  GDDs emergence - flowering (°C-days)\n"), std::string::npos) << o.out;
    const fs::path folder = o.err.substr(o.err.find(dir_.string()), dir_.string().size() + 35);
    EXPECT_NE(test::Slurp(folder / "SIMLABconfig.txt").find("TSUM1 normal 950 50 0.01 0.99"),
              std::string::npos)
        << folder;
    // Unnamed means and deviations follow the configuration: TSUM1 900, 10 % of it.
    const CliRun defaults =
        Run("sensitivity " + kDemo +
            " --method lhs --executions 40 --factors TSUM1,TSUM2 --output lai-max --json");
    ASSERT_EQ(defaults.status, 0) << defaults.err;
    EXPECT_EQ(nlohmann::json::parse(defaults.out)[0]["factor"], "TSUM1");

    for (const auto& [arguments, message] : std::vector<std::pair<std::string, std::string>>{
             {"--factors par1,IDSL", "--factors: IDSL (Development method) is a code"},
             {"--factors SterilityActive",
              "--factors: SterilityActive (Activate spikelet sterility simulation) is a switch"},
             {"--factors par1 --mean TSUM1=900",
              "--mean \"TSUM1=900\" is not NAME=VALUE with NAME one of the analysed"},
             {"--factors par1 --output yield",
              "--output \"yield\" is not one of agb, panicles, flowering, maturity, lai-max."}}) {
        RunExpecting("sensitivity " + kDemo + " --method lhs --executions 40 " + arguments, 2, message);
    }
}

// Two analyses at once in one data folder, with other seeds: each gives what it gives alone.
TEST_F(Cli, SensitivityAnalysesRunAtOnceWithoutTouchingEachOther) {
    const std::string common = std::string(TULO_CLI_PATH) + " sensitivity " + kDemo +
                               " --method lhs --executions 2000 --factors par1,par4 --threads 1 --json";
    const CliRun alone =
        Run("sensitivity " + kDemo + " --method lhs --executions 2000 --factors par1,par4 --json");
    ASSERT_EQ(alone.status, 0) << alone.err;
    const std::string both = "(" + common + " --seed 1 >" + (dir_ / "a").string() +
                             " 2>/dev/null; echo $? >" + (dir_ / "a.status").string() + ") & " + common +
                             " --seed 2 >" + (dir_ / "b").string() + " 2>/dev/null; wait";
    ASSERT_EQ(std::system(both.c_str()), 0);
    EXPECT_EQ(test::Slurp(dir_ / "a.status"), "0\n");
    const auto first = nlohmann::json::parse(test::Slurp(dir_ / "a"));
    const auto second = nlohmann::json::parse(test::Slurp(dir_ / "b"));
    const auto solo = nlohmann::json::parse(alone.out);
    EXPECT_EQ(first[0]["index1"], solo[0]["index1"]);
    EXPECT_EQ(first[1]["index2"], solo[1]["index2"]);
    EXPECT_NE(second[0]["index1"], solo[0]["index1"]);
}

// Settings that do not fit the method are refused before anything runs, in the options' own words.
TEST_F(Cli, SensitivitySettingsAreCheckedUpFrontWithTheMethodsLimits) {
    const std::string two = "sensitivity " + kDemo + " --factors par1,par4 ";
    for (const auto& [arguments, message] : std::vector<std::pair<std::string, std::string>>{
             {"--method lhs",
              "--executions is required: the base sample size: 5 to 2097152 runs for 2 factors."},
             {"--method lhs --executions", "--executions is required"},
             {"--method lhs --executions 3",
              "Latin hypercube sampling of 2 factors takes 5 to 2097152 executions, not 3."},
             {"--method lhs --executions 3000000", "takes 5 to 2097152 executions, not 3000000."},
             {"--method fast --computation classic --executions 40", "FAST (classic) of 2 factors takes"},
             {"--method sobol --executions 384",
              "a power of two from 32 to 1048576 (32, 64, 128, ...), not \"384\""},
             {"--method sobol", "a power of two from 32 to 524288 for 2 factors, run 4 times."},
             {"--method sobol --executions 32 --order second",
              "--order applies to the Sobol method's custom"},
             {"--method morris --executions 100", "--executions does not size the Morris method"}}) {
        const CliRun o = RunExpecting(two + arguments, 2, message);
        EXPECT_EQ(o.err.find("method line"), std::string::npos) << o.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "sensitivity"));
    // Morris runs as many trajectories as the window unless told.
    RunExpecting(two + "--method morris", 0, "Runs: 30 seasons (morris 1 10 4, 2 factors)");
    EXPECT_NE(Run("sensitivity --help").out.find("Base sample size"), std::string::npos);
}

} // namespace
} // namespace tulo
