// `run --weather` with the weather text files of other crop models: the same season as the same
// numbers given as a workbook, the year of a file of several years, and a latitude far from the season's.

#include "CliFixture.h"
#include "support/DssatWeather.h"

#include <gtest/gtest.h>

#include <string>

namespace tulo {
namespace {

using test::Slurp;

using test::kDemo;

using WeatherFileCommand = test::RecordedCliTest;

// A plausible rice season's day: rain, Tmax, Tmin, radiation as the files write them.
struct Day {
    std::string rain, tmax, tmin, rad;
};
Day DayOf(int d) {
    const auto tenths = [](int v) { return std::to_string(v / 10) + "." + std::to_string(v % 10); };
    return {tenths((d * 37) % 97 < 20 ? (d * 53) % 250 : 0), tenths(220 + (d * 7) % 110),
            tenths(120 + (d * 11) % 80), tenths(80 + (d * 13) % 180)};
}

// Day d of a year (not a leap year) as day/month/year.
std::string DateOf(int year, int d) {
    static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    while (d > kMonthDays[month]) d -= kMonthDays[month++];
    return std::to_string(d) + "/" + std::to_string(month + 1) + "/" + std::to_string(year);
}

TEST_F(WeatherFileCommand, ADssatFileGivesTheSeasonOfTheSameWeatherAsAWorkbook) {
    std::string workbook = "DOY,Rain,Tmax,Tmin,Rad\n";
    std::string dated = "Tmax,Tmin,Rad,Rain,Date\n"; // the same days in another order of columns
    std::string wth = "*WEATHER DATA : by hand\n\n@ INSI      LAT     LONG  ELEV\n  XXXX   10.000   0.0  10\n"
                      "@DATE  TMIN  TMAX  RAIN  SRAD  WIND\n";
    for (const int year : {2018, 2019})
        for (int d = 1; d <= 365; ++d) {
            const Day day = DayOf(year == 2019 ? d : d + 17);
            if (year == 2019) {
                dated +=
                    day.tmax + "," + day.tmin + "," + day.rad + "," + day.rain + "," + DateOf(2019, d) + "\n";
                workbook += std::to_string(d) + "," + day.rain + "," + day.tmax + "," + day.tmin + "," +
                            day.rad + "\n";
            }
            const std::string yyddd = std::to_string(year % 100 * 1000 + d);
            wth += yyddd + " " + day.tmin + " " + day.tmax + " " + day.rain + " " + day.rad + " -99\n";
        }
    const auto workbookFile = Write("weather.csv", workbook);
    const auto wthFile = Write("SITE1801.WTH", wth);

    ASSERT_EQ(Run("run " + kDemo + " --weather " + workbookFile.string() + " --daily -"), 0) << err_;
    const std::string fromWorkbook = out_;
    ASSERT_EQ(Run("run " + kDemo + " --weather " + Write("dated.csv", dated).string() + " --daily -"), 0)
        << err_;
    EXPECT_EQ(out_, fromWorkbook);
    ASSERT_EQ(Run("run " + kDemo + " --weather " + wthFile.string() + " --year 2019 --daily -"), 0) << err_;
    EXPECT_EQ(out_, fromWorkbook);
    // The file's latitude is far from the configuration's: said, and the season keeps its own.
    EXPECT_NE(err_.find("Warning: the season's latitude 45.3° differs from " + wthFile.string() + "'s 10°"),
              std::string::npos)
        << err_;

    // Two years and no --year: refused, naming them.
    RunExpecting("run " + kDemo + " --weather " + wthFile.string(), 2, "2018, 2019");
    // --year means nothing to a workbook.
    RunExpecting("run " + kDemo + " --weather " + workbookFile.string() + " --year 2019", 2, "--year");
}

// A damaged or unreadable text weather file is told as what it is: never as an Excel file that may be
// locked.
TEST_F(WeatherFileCommand, DamagedTextWeatherFilesNameTheirRealCause) {
    std::string site = Slurp(TULO_SOURCE_DIR "/examples/field/site.WTH");
    std::string nul = site;
    nul[nul.find("\n", nul.find("@DATE")) + 3] = '\0';
    const auto cases = {
        std::pair{Write("nul.WTH", nul), std::string("nul.WTH, line 6 holds a NUL byte")},
        {Write("headless.WTH", site.substr(site.find("\n", site.find("@DATE")) + 1)),
         std::string(
             "headless.WTH: The file is text, which TULO reads as a table only under a .csv or .txt")},
        {dir_ / "absent.WTH", std::string("absent.WTH: The file cannot be read: it does not exist.")}};
    for (const auto& [file, says] : cases) {
        EXPECT_EQ(Run("run " + kDemo + " --weather " + file.string() +
                      (file.filename() == "absent.WTH" ? " --year 2019" : "")),
                  2)
            << file;
        EXPECT_NE(err_.find(says), std::string::npos) << err_;
        EXPECT_EQ(err_.find("Excel"), std::string::npos) << err_;
    }
}

// The shipped field example's weather files hold the demo's weather as 2019: each gives its season exactly.
TEST_F(WeatherFileCommand, TheFieldExamplesWeatherFilesGiveTheDemosSeason) {
    ASSERT_EQ(Run("run " + kDemo + " --daily -"), 0) << err_;
    const std::string demo = out_;
    for (const std::string file : {"site.WTH", "site.met", "POWER_Point_Daily.csv"}) {
        ASSERT_EQ(Run("run " + kDemo + " --weather " TULO_SOURCE_DIR "/examples/field/" + file +
                      " --year 2019 --daily -"),
                  0)
            << file << ": " << err_;
        EXPECT_EQ(out_, demo) << file;
        EXPECT_EQ(err_, "") << file;
    }
}

// Season options change the season of any command for that command only; the file stays as it was.
TEST_F(WeatherFileCommand, SeasonOptionsChangeTheSeasonButNotTheFile) {
    const auto config = Write("demo.sim", Slurp(kDemo));
    const std::string before = Slurp(config);
    ASSERT_EQ(Run("run " + config.string() + " --json"), 0) << err_;
    const std::string plain = out_;
    ASSERT_EQ(Run("run " + config.string() + " --json --set RUE=3.1 --set \"Tb for growth=9\""), 0) << err_;
    EXPECT_NE(out_, plain);
    const std::string byCaption = out_;
    ASSERT_EQ(Run("run " + config.string() + " --json --set myRUE=3.1 --set Tb=9"), 0) << err_;
    EXPECT_EQ(out_, byCaption);
    EXPECT_EQ(Slurp(config), before);

    // The same change on evaluate, calibrate's objective and ensemble: every command reads it.
    const auto measured = Write("agb.csv", "DOY,AGB\n200,3.2\n230,8.5\n");
    ASSERT_EQ(Run("evaluate " + config.string() + " --measured " + measured.string() +
                  " --variable \"AGB tot (tAGB/ha)\" --json"),
              0)
        << err_;
    const std::string evaluated = out_;
    ASSERT_EQ(Run("evaluate " + config.string() + " --measured " + measured.string() +
                  " --variable \"AGB tot (tAGB/ha)\" --json --set RUE=3.1"),
              0)
        << err_;
    EXPECT_NE(out_, evaluated);

    // A refused option: exit 2, the option named, nothing run.
    RunExpecting("run " + config.string() + " --set RUE=99", 2, "--set RUE: ");
    RunExpecting("ensemble " + config.string() + " --sets " + Write("sets.csv", "TSUM1\n800\n").string() +
                     " --sowing June",
                 2, "--sowing: \"June\" is neither a day of year nor a date");

    // No command writes over the weather file it read its season from.
    const auto weather = Write("weather.csv", "DOY,Rain,Tmax,Tmin,Rad\n1,0,20,10,15\n");
    for (const std::string& command :
         {"ensemble " + config.string() + " --sets " + (dir_ / "sets.csv").string() + " --out ",
          "calibrate " + config.string() + " --agb " + measured.string() + " --param RUE:1:4 --save ",
          "force-lai " + config.string() + " --at 200:3 --daily "}) {
        RunExpecting(command + weather.string() + " --weather " + weather.string(), 2,
                     "is the --weather file");
    }
}

// Measured dates belong to the season's year: of the weather file's year when it gives one, of one
// year at least when it does not.
TEST_F(WeatherFileCommand, MeasuredDatesOfAnotherYearAreRefusedByRow) {
    const auto weather = Write("SITE.WTH", test::DssatWeather({2019}));
    const std::string evaluate = "evaluate " + kDemo + " --variable \"AGB tot (tAGB/ha)\" --measured ";
    const auto sameYear = Write("same.csv", "Date,AGB\n2019-07-19,3.2\n2019-08-18,8.5\n");
    const auto otherYear = Write("other.csv", "Date,AGB\n2019-07-19,3.2\n2020-08-17,8.5\n");
    EXPECT_EQ(Run(evaluate + sameYear.string() + " --weather " + weather.string()), 0) << err_;
    RunExpecting(evaluate + otherYear.string() + " --weather " + weather.string(), 2,
                 "a date must fall in the season's year, 2019: row 3 (2020)");
    // Without a weather file's year, dates of two years are each read in their own year, and said so.
    RunExpecting(evaluate + otherYear.string(), 0, "the dates fall in more than one year (2019, 2020)");
}

} // namespace
} // namespace tulo
