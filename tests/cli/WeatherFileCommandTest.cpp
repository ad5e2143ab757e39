// `run --weather` with the weather text files of other crop models: the same season as the same
// numbers given as a workbook, and the year of a file of several years.

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace tulo {
namespace {

using test::Slurp;

const std::string kDemo = TULO_SOURCE_DIR "/examples/demo.sim";

class WeatherFileCommand : public test::ScratchFolderTest {
protected:
    // The exit status; standard output in out_, standard error in err_.
    int Run(const std::string& arguments) {
        const std::string command = std::string(TULO_CLI_PATH) + " " + arguments + " >" +
                                    (dir_ / "out").string() + " 2>" + (dir_ / "err").string();
        const int raw = std::system(command.c_str());
        out_ = Slurp(dir_ / "out");
        err_ = Slurp(dir_ / "err");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::string out_, err_;
};

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
    ASSERT_EQ(Run("run " + kDemo + " --weather " + wthFile.string() + " --year 2019 --daily -"), 0) << err_;
    EXPECT_EQ(out_, fromWorkbook);
    ASSERT_EQ(Run("run " + kDemo + " --weather " + Write("dated.csv", dated).string() + " --daily -"), 0)
        << err_;
    EXPECT_EQ(out_, fromWorkbook);

    // Two years and no --year: refused, naming them.
    EXPECT_EQ(Run("run " + kDemo + " --weather " + wthFile.string()), 1);
    EXPECT_NE(err_.find("2018, 2019"), std::string::npos) << err_;
    // --year means nothing to a workbook.
    EXPECT_EQ(Run("run " + kDemo + " --weather " + workbookFile.string() + " --year 2019"), 1);
    EXPECT_NE(err_.find("--year"), std::string::npos) << err_;
}

TEST_F(WeatherFileCommand, AFileFarFromTheConfigurationsLatitudeIsWarnedOf) {
    std::string met =
        "[weather.met.weather]\nlatitude = -60.0 (DECIMAL DEGREES)\nyear day radn maxt mint rain\n";
    for (int d = 1; d <= 365; ++d) {
        const Day day = DayOf(d);
        met += "2019 " + std::to_string(d) + " " + day.rad + " " + day.tmax + " " + day.tmin + " " +
               day.rain + "\n";
    }
    ASSERT_EQ(Run("run " + kDemo + " --weather " + Write("site.met", met).string()), 0) << err_;
    EXPECT_NE(err_.find("Warning: the configuration's latitude"), std::string::npos) << err_;
    EXPECT_NE(err_.find("-60"), std::string::npos) << err_;
}

} // namespace
} // namespace tulo
