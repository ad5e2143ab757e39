#pragma once
// Daily weather series read from the text files other crop models and weather services write: the
// DSSAT-style .WTH file, the NASA POWER daily CSV, the APSIM-style .met file, and a plain CSV table whose
// rows carry a date (ISO, or day/month/year) under a "date" title and named columns. The format is told
// by the file's content, not its name; anything else is left to the workbook readers.
//
// Humidity: a file that gives the dew point, the vapour pressure or a daily mean relative humidity gets
// the day's RHmax and RHmin from the actual vapour pressure ea and the saturation pressure at the day's
// extreme temperatures: RHmax = 100 ea / es(Tmin), RHmin = 100 ea / es(Tmax), both at most 100 %. A file
// without any of them brings no humidity, and the run estimates it as it does for a workbook without.

#include "engine/Grid.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

class WeatherFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class WeatherFileFormat { Dssat, NasaPower, Apsim, DatedCsv };

// What messages call the format: "a DSSAT weather file (.WTH)".
std::string_view DescribeWeatherFormat(WeatherFileFormat format);

struct WeatherFileDay {
    // The values a file leaves blank or marks missing (-99, -999): such a value reads as 0 and its bit
    // is set in `missing`.
    enum Value : unsigned { kRain = 1, kTmax = 2, kTmin = 4, kRadiation = 8 };

    int year = 0;
    int doy = 0;                                        // 1 .. 366, in the day's own calendar
    int line = 0;                                       // the file's line, for messages
    double rain = 0, tmax = 0, tmin = 0, radiation = 0; // mm, °C, °C, MJ m-2 d-1
    unsigned missing = 0;                               // Value bits
    std::optional<double> rhMax, rhMin;                 // %, both or neither
};

struct WeatherFileSeries {
    WeatherFileFormat format = WeatherFileFormat::Dssat;
    std::optional<double> latitude;   // degrees north, when the file gives it
    std::vector<WeatherFileDay> days; // in the file's order
    bool humidity = false;            // the file has a humidity column (a day may still lack a value)
    std::string humidityColumn;       // its title, for notes

    // The years the days fall in, ascending.
    std::vector<int> years() const;
};

// FAO-56's saturation vapour pressure (Tetens): es(T) = 0.6108 exp(17.27 T / (T + 237.3)) kPa.
double SaturationVapourPressure(double celsius);

// The format of a file's text, from its content alone; nothing for any other text.
std::optional<WeatherFileFormat> RecogniseWeatherText(std::string_view text);

// Reads a weather text of a recognised format. A value left blank or marked missing is no value (see
// WeatherFileDay); only FillWeatherTable and the run decide whether a day needs it. Throws
// WeatherFileError naming the line, the column and, where known, the date of the first problem: an
// impossible value, a date repeated, a row of the wrong length, text in a number column. A DSSAT row is
// read by the fixed columns its title line sets, so blank optional columns leave it readable.
WeatherFileSeries ReadWeatherText(std::string_view text);

// The file's format when it is one of the weather formats above; nothing otherwise, also for a file that
// cannot be read (the workbook readers then say why).
std::optional<WeatherFileFormat> RecogniseWeatherFile(const std::filesystem::path& file);

// ReadWeatherText of a file; messages start with the file's name.
WeatherFileSeries ReadWeatherFile(const std::filesystem::path& file);

// A dated weather table handed over as columns of values rather than text (a pandas DataFrame's). Each
// column holds one kind of cell; a cell reads as the same cell of a dated CSV table would, so titles,
// checks and messages are the CSV reader's, lines counted as in that table (titles on line 1).
struct WeatherColumn {
    static constexpr std::int64_t kNoDate = INT64_MIN; // numpy's NaT

    std::string title;
    std::vector<double> numbers;     // NaN: a blank cell
    std::vector<std::int64_t> dates; // days since 1970-01-01, or kNoDate
    std::vector<std::string> texts;  // any other cells, as a CSV table would write them
    bool integers = false;           // the numbers are a whole-number column's, written without ".0"
    std::size_t size() const { return std::max({numbers.size(), dates.size(), texts.size()}); }
};

// The series of a dated weather table's columns, read as ReadWeatherText reads a dated CSV table: a row
// with no value at all is skipped, a missing value or a missing-value code is none. Columns of unequal
// length are a programming error. Throws WeatherFileError, as ReadWeatherText does.
WeatherFileSeries ReadWeatherColumns(const std::vector<WeatherColumn>& columns);

// Whether the columns' titles make a dated weather table, which ReadWeatherColumns reads; other columns
// are a workbook's weather table, read from WeatherColumnCells.
bool IsDatedWeatherTable(const std::vector<WeatherColumn>& columns);

// The titles and cells of the columns as the CSV table pandas writes of them holds them (a number as
// Python writes it, "1.0"), without the table's trailing blank rows.
std::vector<std::vector<std::string>> WeatherColumnCells(const std::vector<WeatherColumn>& columns);

// The year of the series a season takes: `year` when given (refused when the series has no day in it),
// the only year of a single-year series. A series of several years without `year` is refused with the
// years it holds.
int ChooseWeatherYear(const WeatherFileSeries& series, std::optional<int> year);

// Global radiation from the day's temperature range where a station records none: Hargreaves and
// Samani's estimate (FAO-56 eq. 50), Rs = kRs sqrt(Tmax - Tmin) Ra, with Ra the extraterrestrial
// radiation (MJ m-2 d-1). kRs is about 0.16 inland and 0.19 on the coast.
inline constexpr double kInlandKrs = 0.16;
inline constexpr double kCoastalKrs = 0.19;
double HargreavesRadiation(double tmax, double tmin, double extraterrestrial, double kRs);
struct RadiationEstimate {
    double latitude = 0; // degrees north
    double kRs = kInlandKrs;
};

// The series' days from 1 January of `year` on, by the day of a season of that year (slot d holds day d,
// or nothing where the file has no such day), through the day after the longest season's last; and the
// last day the file gives (0: none).
struct SeasonDaysOfSeries {
    std::vector<const WeatherFileDay*> byDay;
    int lastGiven = 0;
};
SeasonDaysOfSeries DaysFromYear(const WeatherFileSeries& series, int year);
// Whether a day's radiation can be estimated: it gives both temperatures and no radiation.
bool RadiationEstimable(const WeatherFileDay& day);

// Fills the weather table (row 1 titles, row d + 1 for day d of a season counted from 1 January of
// `year`) with the file's days from that date on: through its last day, at most through day
// kLastSeasonDay + 1, and at least through day 365. Returns the days filled. A day the file lacks, or a
// value it does not give, leaves its cells empty with a note: the run refuses them only on the days it
// simulates. With `estimate`, a day with both temperatures but no radiation gets Hargreaves and Samani's
// estimate, told in one note. The humidity columns stay empty when the series has none, or lacks it on a
// day (a note says so): the run then estimates it. Throws WeatherFileError when the file holds no day
// from `year` on.
int FillWeatherTable(const WeatherFileSeries& series, int year, Grid& grid, std::vector<std::string>& notes,
                     std::optional<RadiationEstimate> estimate = std::nullopt);

} // namespace tulo
