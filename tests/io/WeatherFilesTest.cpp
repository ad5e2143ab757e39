// The weather text files of other crop models and weather services, read into daily series and into
// the season's weather table.

#include "io/WeatherFiles.h"

#include "base/Numbers.h"
#include "weather/Evapotranspiration.h"

#include "forms/FormModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace tulo {
namespace {

// The message of the WeatherFileError a read throws; empty when it throws none.
template <typename F> std::string Refusal(F&& read) {
    try {
        read();
    } catch (const WeatherFileError& e) {
        return e.what();
    }
    return {};
}

std::string RefusalOf(const std::string& text) {
    return Refusal([&] { ReadWeatherText(text); });
}

// The text with the first `what` in it replaced.
std::string Replaced(std::string text, std::string_view what, std::string_view with) {
    text.replace(text.find(what), what.size(), with);
    return text;
}

void ExpectMentions(const std::string& message, std::initializer_list<std::string_view> parts) {
    ASSERT_FALSE(message.empty());
    for (const std::string_view part : parts) EXPECT_NE(message.find(part), std::string::npos) << message;
}

const std::string kDssat = "*WEATHER DATA : Los Banos\n"
                           "\n"
                           "@ INSI      LAT     LONG  ELEV   TAV   AMP REFHT WNDHT\n"
                           "  IRRI   14.180  121.250    21  27.5   4.0  2.00  2.00\n"
                           "@DATE  SRAD  TMAX  TMIN  RAIN  TDEW  WIND\n"
                           "99001  15.2  29.5  22.1   0.0  20.0   -99\n"
                           "99002  18.0  30.0  21.0  12.5  20.0   -99\n";

TEST(WeatherFiles, DssatReadsSiteTwoDigitYearsAndHumidityFromTheDewPoint) {
    ASSERT_EQ(RecogniseWeatherText(kDssat), WeatherFileFormat::Dssat);
    const WeatherFileSeries series = ReadWeatherText(kDssat);
    ASSERT_TRUE(series.latitude);
    EXPECT_DOUBLE_EQ(*series.latitude, 14.18);
    ASSERT_EQ(series.days.size(), 2u);
    const WeatherFileDay& first = series.days[0];
    EXPECT_EQ(first.year, 1999);
    EXPECT_EQ(first.doy, 1);
    EXPECT_EQ(first.line, 6);
    EXPECT_DOUBLE_EQ(first.radiation, 15.2);
    EXPECT_DOUBLE_EQ(first.tmax, 29.5);
    EXPECT_DOUBLE_EQ(first.tmin, 22.1);
    EXPECT_DOUBLE_EQ(series.days[1].rain, 12.5);
    // By hand: ea = es(20) = 2.33828 kPa; es(22.1) = 2.66010, es(29.5) = 4.12289 kPa. WIND's -99 is not used.
    ASSERT_TRUE(series.humidity);
    EXPECT_NEAR(*first.rhMax, 87.902, 0.001);
    EXPECT_NEAR(*first.rhMin, 56.715, 0.001);

    // The table's columns in another order, four-digit years, and the two-digit century rule.
    const std::string other = "@ INSI LAT LONG\n  XXXX -7.5 110\n"
                              "@DATE RAIN TMIN SRAD TMAX\n"
                              "2024060 1 20 15 30\n"
                              "49001 2 20 15 30\n"
                              "50001 3 20 15 30\n"
                              "00365 4 20 15 30\n";
    const WeatherFileSeries reordered = ReadWeatherText(other);
    EXPECT_DOUBLE_EQ(*reordered.latitude, -7.5);
    EXPECT_FALSE(reordered.humidity);
    ASSERT_EQ(reordered.days.size(), 4u);
    EXPECT_EQ(reordered.days[0].year, 2024);
    EXPECT_EQ(reordered.days[0].doy, 60);
    EXPECT_DOUBLE_EQ(reordered.days[0].tmax, 30);
    EXPECT_DOUBLE_EQ(reordered.days[0].radiation, 15);
    EXPECT_EQ(reordered.days[1].year, 2049);
    EXPECT_EQ(reordered.days[2].year, 1950);
    EXPECT_EQ(reordered.days[3].year, 2000);
    EXPECT_FALSE(reordered.days[0].rhMax);
}

TEST(WeatherFiles, MissingAndImpossibleValuesAreRefusedByDateAndColumn) {
    ExpectMentions(RefusalOf(Replaced(kDssat, "12.5", "abcd")),
                   {"line 7", "1999-01-02", "column RAIN", "\"abcd\" is not a number"});
    ExpectMentions(RefusalOf(Replaced(kDssat, "21.0", "31.0")),
                   {"line 7", "1999-01-02", "minimum temperature 31"});
    ExpectMentions(RefusalOf(Replaced(kDssat, "18.0", "-3.0")),
                   {"line 7", "column SRAD", "-3 must lie between 0 and 50"});
    ExpectMentions(RefusalOf(kDssat + "99002  18.0  30.0  21.0  12.5  20.0   -99\n"),
                   {"line 8", "1999-01-02", "again", "line 7 gave it already"});
    // A value across the columns' edges: the row follows neither the titles' places nor their number.
    ExpectMentions(RefusalOf(kDssat + "99003    18.0  30.0\n"), {"line 8", "3 values", "names 7 columns"});
    ExpectMentions(RefusalOf(kDssat + "99366  18.0  30.0  21.0  12.5  20.0   -99\n"),
                   {"line 8", "DATE", "day 366 of 1999"});
    ExpectMentions(RefusalOf(kDssat + "1999-01-03  18.0  30.0  21.0  12.5  20.0   -99\n"),
                   {"line 8", "YYDDD or YYYYDDD"});
    ExpectMentions(RefusalOf(Replaced(kDssat, "12.5", std::string("12\0", 3))), {"line 7 holds a NUL byte"});
    ExpectMentions(RefusalOf("*WEATHER\n@DATE SRAD TMIN RAIN\n99001 1 2 3\n"),
                   {"line 2", "no column TMAX or MAXT or T2M_MAX"});
}

TEST(WeatherFiles, NasaPowerReadsItsHeaderDatesAndHumidity) {
    const std::string power =
        "-BEGIN HEADER-\n"
        "NASA/POWER CERES/MERRA2 Native Resolution Daily Data\n"
        "Dates (month/day/year): 01/01/2021 through 01/02/2021\n"
        "Location: Latitude  45.3   Longitude 8.42\n"
        "Value for missing model data cannot be computed or out of model availability "
        "range: -999\n"
        "ALLSKY_SFC_SW_DWN     CERES SYN1deg All Sky Surface Shortwave Downward Irradiance "
        "(MJ/m^2/day)\n"
        "-END HEADER-\n"
        "YEAR,MO,DY,T2M_MAX,T2M_MIN,ALLSKY_SFC_SW_DWN,PRECTOTCORR,RH2M\n"
        "2021,1,1,30,20,5.1,0.2,80\n"
        "2021,3,1,30,20,6.2,0,80\n";
    ASSERT_EQ(RecogniseWeatherText(power), WeatherFileFormat::NasaPower);
    const WeatherFileSeries series = ReadWeatherText(power);
    EXPECT_DOUBLE_EQ(*series.latitude, 45.3);
    ASSERT_EQ(series.days.size(), 2u);
    EXPECT_EQ(series.days[1].doy, 60);
    EXPECT_DOUBLE_EQ(series.days[1].radiation, 6.2);
    // A daily mean of 80 %: ea = 0.8 (es(30) + es(20)) / 2, above es(20), so RHmax is held at 100.
    EXPECT_DOUBLE_EQ(*series.days[0].rhMax, 100.0);
    EXPECT_NEAR(*series.days[0].rhMin, 62.043, 0.001);

    // POWER's -999 is no value: only a season that simulates the day refuses it.
    EXPECT_EQ(ReadWeatherText(Replaced(power, ",0,80", ",-999,80")).days[1].missing, WeatherFileDay::kRain);
    ExpectMentions(RefusalOf(power.substr(0, power.find("-END HEADER-"))), {"line 1", "-END HEADER-"});

    const std::string byDay = "YEAR,DOY,T2M_MAX,T2M_MIN,ALLSKY_SFC_SW_DWN,PRECTOT,T2MDEW\n"
                              "2020,366,29.5,22.1,15.2,0,20\n";
    const WeatherFileSeries leap = ReadWeatherText(byDay);
    EXPECT_FALSE(leap.latitude);
    EXPECT_EQ(leap.days[0].doy, 366);
    EXPECT_NEAR(*leap.days[0].rhMin, 56.715, 0.001);
}

TEST(WeatherFiles, ApsimReadsCommentsUnitsAndVapourPressureInHectopascals) {
    const std::string met = "[weather.met.weather]\n"
                            "! written by hand\n"
                            "latitude = -27.5  (DECIMAL DEGREES)\n"
                            "tav = 19.6 (oC) ! annual average\n"
                            "amp = 10.2 (oC)\n"
                            "\n"
                            "year  day radn  maxt mint  rain  vp\n"
                            " ()   ()  (MJ/m^2) (oC) (oC) (mm) (hPa)\n"
                            "1988  1   20.7  31.0 21.0  0.0  25.0\n"
                            "1988  2   21.0  32.0 20.5  3.0  24.0 ! a comment\n";
    ASSERT_EQ(RecogniseWeatherText(met), WeatherFileFormat::Apsim);
    const WeatherFileSeries series = ReadWeatherText(met);
    EXPECT_DOUBLE_EQ(*series.latitude, -27.5);
    ASSERT_EQ(series.days.size(), 2u);
    EXPECT_EQ(series.days[1].line, 10);
    EXPECT_DOUBLE_EQ(series.days[1].rain, 3.0);
    // 25 hPa = 2.5 kPa, above es(21) = 2.487 kPa: RHmax held at 100; RHmin = 100 · 2.5 / es(31).
    EXPECT_DOUBLE_EQ(*series.days[0].rhMax, 100.0);
    EXPECT_NEAR(*series.days[0].rhMin, 55.647, 0.001);
    ExpectMentions(RefusalOf(met + "1988  3   21.0  32.0 20.5  3.0\n"), {"line 11", "6 values"});
    EXPECT_FALSE(RecogniseWeatherText("DOY,Rain,Tmax,Tmin,Rad\n1,0,30,20,15\n"));
}

TEST(WeatherFiles, APlainTableReadsItsDateColumnAndNamedColumnsInAnyOrder) {
    const std::string iso = "Date,Tmin (°C),Tmax (°C),Rain (mm),Radiation (MJ/m2),RHmax (%),RHmin (%)\n"
                            "2024-02-29,20,30,1.5,15,95,60\n"
                            "2024-03-01,19,29,0,16,90,55\n";
    ASSERT_EQ(RecogniseWeatherText(iso), WeatherFileFormat::DatedCsv);
    const WeatherFileSeries series = ReadWeatherText(iso);
    EXPECT_FALSE(series.latitude);
    ASSERT_EQ(series.days.size(), 2u);
    EXPECT_EQ(series.days[1].year, 2024);
    EXPECT_EQ(series.days[1].doy, 61); // in the leap year's own calendar
    EXPECT_DOUBLE_EQ(series.days[0].rain, 1.5);
    EXPECT_DOUBLE_EQ(series.days[0].tmin, 20);
    EXPECT_DOUBLE_EQ(*series.days[1].rhMin, 55);

    // Day/month/year, a semicolon between the cells and a decimal comma; a dew point in place of RH.
    const std::string dmy = "date;rain;tmax;tmin;rad;dew point\n"
                            "31/12/99;0;29,5;22,1;15,2;20\n"
                            "1.1.2000;0;29,5;22,1;15,2;20\n";
    const WeatherFileSeries european = ReadWeatherText(dmy);
    EXPECT_EQ(european.days[0].year, 1999);
    EXPECT_EQ(european.days[0].doy, 365);
    EXPECT_EQ(european.days[1].year, 2000);
    EXPECT_NEAR(*european.days[1].rhMax, 87.902, 0.001);
    ExpectMentions(RefusalOf(dmy + "13/13/2000;0;29,5;22,1;15,2;20\n"),
                   {"line 4", "\"13/13/2000\" is not a date"});
    EXPECT_EQ(ReadWeatherText(dmy + "2/1/2000;0;29,5;22,1;;20\n").days[2].missing,
              WeatherFileDay::kRadiation);
}

// A year of a DSSAT file as the field writes it: every column titled, the optional ones left blank or
// -99 on day `blankFrom` on, in 6-character columns under their titles.
std::string FieldDssat(int year, const char* tmaxOfDay10, int blankFrom) {
    std::string text = "*WEATHER DATA : Vercelli\n\n"
                       "@ INSI      LAT     LONG  ELEV   TAV   AMP REFHT WNDHT\n"
                       "  VERC   45.320    8.420   130  12.5  10.0  2.00  2.00\n"
                       "@DATE  SRAD  TMAX  TMIN  RAIN  DEWP  WIND   PAR  EVAP  RHUM\n";
    char line[96];
    for (int d = 1; d <= 365; ++d) {
        const std::string tmax = d == 10 ? tmaxOfDay10 : std::to_string(20 + d % 10) + ".0";
        if (d < blankFrom)
            std::snprintf(line, sizeof line, "%02d%03d%6.1f%6s%6.1f%6.1f%6.1f%6.1f%6s%6s%6s\n", year % 100, d,
                          15.0, tmax.c_str(), 10.0, d % 3 * 1.0, 12.0, 2.1, "-99", "", "");
        else
            std::snprintf(line, sizeof line, "%02d%03d%6.1f%6s%6.1f%6.1f%6s%6s%6s%6s%6s\n", year % 100, d,
                          15.0, tmax.c_str(), 10.0, d % 3 * 1.0, "", "", "", "", "-99");
        text += line;
    }
    return text;
}

TEST(WeatherFiles, DssatBlankOrMissingValuesAreNoValueAndOnlyANeededDayIsLeftEmpty) {
    // Blank DEWP, WIND, PAR, EVAP and RHUM from March on, and a -99 maximum temperature on 10 January.
    const WeatherFileSeries series = ReadWeatherText(FieldDssat(2018, "-99", 60));
    ASSERT_EQ(series.days.size(), 365u);
    EXPECT_EQ(series.days[9].missing, WeatherFileDay::kTmax);
    EXPECT_DOUBLE_EQ(series.days[100].rain, 101 % 3);
    EXPECT_DOUBLE_EQ(series.days[100].tmax, 21);
    EXPECT_TRUE(series.days[0].rhMax);
    EXPECT_FALSE(series.days[100].rhMax);

    FormModel form;
    Grid grid = form.grid(ctl::sprWeather);
    std::vector<std::string> notes;
    FillWeatherTable(series, 2018, grid, notes);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0],
              "the file gives no the maximum temperature (a blank or a missing-value code) on 1 day "
              "2018-01-10 (DOY 10, line 15): those cells stay empty, and a season that simulates one "
              "of those days is refused.");
    // Day 10 has no humidity either: its dew point gives none without the maximum temperature.
    ExpectMentions(notes[1], {"no DEWP", "307 days, the first 2018-01-10 (DOY 10, line 15)", "estimated"});
    EXPECT_EQ(grid.text(11, 3), "");
    EXPECT_EQ(grid.text(11, 4), "10");
    EXPECT_EQ(grid.text(12, 3), "21");
    EXPECT_EQ(grid.text(1, 6), ""); // humidity for part of the year only: estimated, as without
    EXPECT_EQ(grid.text(2, 6), "");

    // Four-digit years under the same titles, the row moving with its wider date.
    std::string wide = FieldDssat(2018, "21.0", 400);
    for (std::size_t at = wide.find("\n18"); at != std::string::npos; at = wide.find("\n18", at + 1))
        wide.insert(at + 1, "20");
    const WeatherFileSeries four = ReadWeatherText(wide);
    EXPECT_EQ(four.days[0].year, 2018);
    EXPECT_DOUBLE_EQ(four.days[9].tmax, 21);
    EXPECT_TRUE(four.days[300].rhMax);

    // A row whose values do not stand under the titles is still refused.
    ExpectMentions(RefusalOf(Replaced(FieldDssat(2018, "21.0", 60), "18061  15.0", "18061 15.0   ")),
                   {"line 66", "6 values", "names 10 columns"});
}

std::string DssatYears(std::initializer_list<int> years, int lastDay) {
    std::string text = "*WEATHER\n@DATE SRAD TMAX TMIN RAIN\n";
    for (const int year : years)
        for (int d = 1; d <= lastDay; ++d)
            text += std::to_string(year * 1000 + d) + " 15 " + std::to_string(20 + d % 10) + " 10 " +
                    std::to_string(d % 3) + "\n";
    return text;
}

TEST(WeatherFiles, ASeasonTakesTheFilesDaysFromItsFirstYearOn) {
    const WeatherFileSeries two = ReadWeatherText(DssatYears({2019, 2020}, 366 - 1));
    EXPECT_EQ(two.years(), (std::vector<int>{2019, 2020}));
    ExpectMentions(Refusal([&] { ChooseWeatherYear(two, std::nullopt); }), {"2019, 2020", "--year"});
    ExpectMentions(Refusal([&] { ChooseWeatherYear(two, 2018); }), {"no day of 2018", "2019, 2020"});
    EXPECT_EQ(ChooseWeatherYear(two, 2020), 2020);

    FormModel form;
    Grid grid = form.grid(ctl::sprWeather);
    std::vector<std::string> notes;
    EXPECT_EQ(FillWeatherTable(two, 2020, grid, notes), 365);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(grid.text(1, 1), "DOY");
    EXPECT_EQ(grid.text(1, 6), ""); // no humidity: the run estimates it
    EXPECT_EQ(grid.text(366, 1), "365");
    EXPECT_EQ(grid.text(366, 3), "25");
    EXPECT_EQ(grid.text(3, 2), "2");

    // From 2019 the table runs on through 2020, its days after 365 by date: a leap year's 31 December too.
    EXPECT_EQ(FillWeatherTable(two, 2019, grid, notes), 365 + 365);
    EXPECT_EQ(grid.text(367, 1), "2020-01-01");
    EXPECT_EQ(grid.text(366 + 365, 1), "2020-12-30");
    EXPECT_NE(grid.text(367, 3), ""); // 1 January 2020's maximum temperature
    const WeatherFileSeries leap = ReadWeatherText(DssatYears({2020}, 366));
    EXPECT_EQ(FillWeatherTable(leap, 2020, grid, notes), 366);
    EXPECT_EQ(grid.text(367, 1), "2020-12-31");
    EXPECT_TRUE(notes.empty());

    // Days the file lacks stay empty with a note naming them by date; the run refuses them only on the
    // days it simulates. A file with no day from the year on is refused.
    std::string gap = DssatYears({2021}, 365);
    gap.erase(gap.find("2021100 "), gap.find("2021101 ") - gap.find("2021100 "));
    const WeatherFileSeries holed = ReadWeatherText(gap);
    FillWeatherTable(holed, 2021, grid, notes);
    ASSERT_EQ(notes.size(), 1u);
    ExpectMentions(notes[0], {"2021-04-10 (DOY 100)", "refused"});
    EXPECT_EQ(grid.text(101, 1), "100");
    EXPECT_EQ(grid.text(101, 2), "");
    ExpectMentions(Refusal([&] { FillWeatherTable(holed, 2022, grid, notes); }), {"no day of 2022"});
}

// A station's record as it is often kept: tab-separated, the date in day, month and year columns, and no
// radiation, which the season estimates from each day's temperature range (Hargreaves and Samani).
TEST(WeatherFiles, AStationsTabSeparatedTableWithoutRadiationIsReadAndItsRadiationEstimated) {
    std::string text = "Day\tMonth\tYear\tTmax\tTmin\tRain\n";
    for (int d = 1; d <= 31; ++d) text += std::to_string(d) + "\t12\t2019\t30\t18\t0\n";
    for (int d = 1; d <= 31; ++d) text += std::to_string(d) + "\t1\t2020\t31\t17\t2.5\n";
    ASSERT_EQ(RecogniseWeatherText(text), WeatherFileFormat::DatedCsv);
    const WeatherFileSeries series = ReadWeatherText(text);
    ASSERT_EQ(series.days.size(), 62u);
    EXPECT_EQ(series.days[0].year, 2019);
    EXPECT_EQ(series.days[0].doy, 335);
    EXPECT_EQ(series.days[31].doy, 1);
    EXPECT_EQ(series.days[31].rain, 2.5);
    EXPECT_NE(series.days[0].missing & WeatherFileDay::kRadiation, 0u);

    // FAO-56's example 8: Ra at 20° S on 3 September is 32.2 MJ m-2 d-1.
    EXPECT_NEAR(ExtraterrestrialRadiation(246, -20.0), 32.2, 0.05);
    EXPECT_NEAR(HargreavesRadiation(30, 18, 32.2, 0.16), 0.16 * std::sqrt(12.0) * 32.2, 1e-12);
    EXPECT_EQ(HargreavesRadiation(18, 18, 32.2, 0.19), 0.0);

    Grid grid;
    std::vector<std::string> notes;
    FillWeatherTable(series, 2019, grid, notes, RadiationEstimate{23.8, kCoastalKrs});
    const double ra = ExtraterrestrialRadiation(1, 23.8);
    EXPECT_EQ(grid.text(1 + 365 + 1, 5), ShortestText(static_cast<float>(0.19 * std::sqrt(14.0) * ra)));
    EXPECT_EQ(grid.text(1 + 335, 1), "335");
    EXPECT_EQ(grid.text(1 + 366, 1), "2020-01-01");
    // One note tells of the estimate, another of the days before December the file lacks.
    ASSERT_EQ(notes.size(), 2u);
    ExpectMentions(notes[0], {"2019-01-01 (DOY 1)", "329 more days"});
    ExpectMentions(notes[1], {"62 days", "Hargreaves and Samani", "kRs 0.19", "23.8°"});

    // Without an estimate the radiation stays empty, a gap noted as any other.
    notes.clear();
    FillWeatherTable(series, 2019, grid, notes);
    EXPECT_EQ(grid.text(1 + 366, 5), "");
    ExpectMentions(notes.back(), {"no global radiation", "62 days"});
}

// A table's columns as the CSV table of the same cells: dates as days since 1970 (18262 is 2020-01-01).
TEST(WeatherFiles, ColumnsOfValuesReadAsTheirCsvTable) {
    const double nan = std::nan("");
    std::vector<WeatherColumn> columns(7);
    columns[0] = {"Date", {}, {18262, WeatherColumn::kNoDate, 18263, 18264}, {}};
    columns[1] = {"Tmax (°C)", {31.5, nan, 30.25, 29}, {}, {}};
    columns[2] = {"tmin", {21, nan, 22.5, 20}, {}, {}};
    columns[3] = {"srad", {15.5, nan, -99, 14}, {}, {}};
    columns[4] = {"rain", {0, nan, 1.2, nan}, {}, {}};
    columns[5] = {"VP (hPa)", {24, nan, 23.5, 22}, {}, {}};
    columns[6] = {"site", {}, {}, {"IRRI", " ", "IRRI", "IRRI"}};
    const std::string csv = "Date,Tmax (°C),tmin,srad,rain,VP (hPa),site\n"
                            "2020-01-01,31.5,21,15.5,0,24,IRRI\n"
                            ",,,,,, \n"
                            "2020-01-02,30.25,22.5,-99,1.2,23.5,IRRI\n"
                            "2020-01-03,29,20,14,,22,IRRI\n";
    const WeatherFileSeries given = ReadWeatherColumns(columns), read = ReadWeatherText(csv);
    EXPECT_EQ(given.humidity, read.humidity);
    EXPECT_EQ(given.humidityColumn, read.humidityColumn);
    ASSERT_EQ(given.days.size(), 3u);
    ASSERT_EQ(given.days.size(), read.days.size());
    for (std::size_t i = 0; i < read.days.size(); ++i) {
        const WeatherFileDay &a = given.days[i], &b = read.days[i];
        EXPECT_EQ(
            std::tie(a.year, a.doy, a.line, a.rain, a.tmax, a.tmin, a.radiation, a.missing, a.rhMax, a.rhMin),
            std::tie(b.year, b.doy, b.line, b.rain, b.tmax, b.tmin, b.radiation, b.missing, b.rhMax,
                     b.rhMin));
    }

    // Refused in the CSV reader's words: a date missing or repeated, an impossible value, an infinity.
    const auto refusals = [&](std::vector<WeatherColumn> spoilt, std::string table) {
        EXPECT_EQ(Refusal([&] { ReadWeatherColumns(spoilt); }), RefusalOf(table));
    };
    auto spoilt = columns;
    spoilt[1].numbers[1] = 30;
    refusals(spoilt, Replaced(csv, ",,,,,, ", ",30,,,,, "));
    spoilt[0].dates[1] = 18262;
    refusals(spoilt, Replaced(csv, ",,,,,, ", "2020-01-01,30,,,,, "));
    spoilt = columns;
    spoilt[4].numbers[2] = -3;
    refusals(spoilt, Replaced(csv, "-99,1.2", "-99,-3"));
    spoilt[4].numbers[2] = INFINITY;
    refusals(spoilt, Replaced(csv, "-99,1.2", "-99,inf"));
}

} // namespace
} // namespace tulo
