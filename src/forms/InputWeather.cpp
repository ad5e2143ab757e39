#include "forms/InputWeather.h"

#include "engine/InputLimits.h"
#include "engine/SeasonInputs.h"

#include "base/CellName.h"
#include "base/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tulo {

namespace {

// Beyond this many bad cells the user learns only how many more there are: a wrongly imported sheet
// would otherwise bury the first, telling, messages under hundreds of the same.
constexpr int kMaxCellMessages = 20;

// Words by which sheets title the weather columns 2 .. 7, written without blanks, underscores, dots or
// hyphens and in lower case; a title names a column when it starts with one of its words. TULO's own
// captions ("Tmax(°C)", "Rad (MJ/m2)", ...) are among them.
constexpr std::string_view kTitleWords[8][7] = {
    {},
    {},
    {"rain", "prec", "rr", "pioggia"},
    {"tmax", "maxt", "maximumt", "maxair", "temperaturemax", "tx"},
    {"tmin", "mint", "minimumt", "minair", "temperaturemin", "tn"},
    {"rad", "srad", "solarrad", "globalrad", "sun"},
    {"rhmax", "maxrh", "urmax", "humiditymax", "maximumhumidity", "maxhum"},
    {"rhmin", "minrh", "urmin", "humiditymin", "minimumhumidity", "minhum"},
};
constexpr std::string_view kColumnContents[8] = {"",
                                                 "",
                                                 "rain (mm)",
                                                 "the maximum temperature (°C)",
                                                 "the minimum temperature (°C)",
                                                 "global radiation (MJ/m2)",
                                                 "the maximum relative humidity (%)",
                                                 "the minimum relative humidity (%)"};

std::string Squeezed(std::string_view title) {
    std::string out;
    for (const char c : title)
        if (c != ' ' && c != '_' && c != '.' && c != '-' && c != '\t')
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

// The column (2 .. 7) whose quantity a title names, or 0 when it names none of them.
int ColumnNamedBy(std::string_view title) {
    const std::string squeezed = Squeezed(title);
    for (int col = 2; col <= 7; ++col)
        for (const std::string_view word : kTitleWords[col])
            if (!word.empty() && squeezed.starts_with(word)) return col;
    return 0;
}

bool HumidityCellsEmpty(const Grid& grid) {
    for (int d = 1; d <= kLastDay; ++d)
        if (!Trim(grid.text(d + 1, 6)).empty() || !Trim(grid.text(d + 1, 7)).empty()) return false;
    return true;
}

// The table's problems: every one counts, the first ones are named.
class CellProblems {
public:
    explicit CellProblems(Problems& problems) : problems_(problems) {}
    // Day d's row (0 for the titles) and column col.
    void add(int day, int col, std::string message) {
        if (++count_ <= kMaxCellMessages)
            problems_.push_back({std::string(ctl::sprWeather), day + 1, col, std::move(message)});
    }
    int count() const { return count_; }
    // Says how many were not named.
    void closeList() {
        if (count_ > kMaxCellMessages)
            problems_.push_back({std::string(ctl::sprWeather), 0, 0,
                                 "... and " + std::to_string(count_ - kMaxCellMessages) +
                                     " more weather cells with problems."});
    }

private:
    Problems& problems_;
    int count_ = 0;
};

// A title that names another column's quantity means the sheet's columns stand in another order.
void CheckColumnTitles(const Grid& grid, CellProblems& report) {
    for (int col = 2; col <= 7; ++col) {
        const int named = ColumnNamedBy(grid.text(1, col));
        if (named != 0 && named != col)
            report.add(0, col,
                       "Weather, column " + std::to_string(col) + ": its title " +
                           QuoteValue(grid.text(1, col)) + " names " + std::string(kColumnContents[named]) +
                           ", but this column must hold " + std::string(kColumnContents[col]) + ".");
    }
}

// The day column may stay blank; a number or a date must be the row's own day, so a shuffled or wrongly
// numbered sheet is not read day by day from the wrong rows, and other text tells of a table whose cells
// have moved.
void CheckDayColumn(const Grid& grid, CellProblems& report) {
    for (int d = 1; d <= kLastDay; ++d)
        if (const auto problem = WeatherDayCellProblem(grid.text(d + 1, 1), d))
            report.add(d, 1, "Weather, row " + std::to_string(d + 1) + ": " + *problem);
}

// One day's value of a column into its series, or the cell's problem. A day the run does not read may
// be left without a value (empty or a missing-value code): a weather file need not cover the months
// outside the season.
// Returns whether the cell gave a value.
bool ReadCell(const Grid& grid, int day, int col, DailySeries& series, CellProblems& report,
              const WeatherReader::Days& needed) {
    const std::string& text = grid.text(day + 1, col);
    const bool read = day >= needed.first && day <= needed.last;
    if (!read && Trim(text).empty()) return false;
    // The day of year and the cell the user finds it in: row 1 holds the titles, so DOY d is row d + 1.
    const std::string where = "Weather, DOY " + std::to_string(day) + " (cell " + CellName(day + 1, col) +
                              "), " + grid.text(0, col);
    const auto value = ParseNumber(text);
    if (!value) {
        report.add(day, col, NotANumberMessage(where, text));
        return false;
    }
    if (IsMissingValueCode(*value)) {
        if (!read) return false;
        report.add(day, col,
                   where + ": " + ShortestText(*value) +
                       " is a missing-value code; every day needs a value.");
        return false;
    }
    const InputLimit& limit = *FindInputLimit(ctl::sprWeather, col);
    if (!WithinLimit(limit, *value)) {
        report.add(day, col, where + ": " + ShortestText(*value) + " " + DescribeLimit(limit) + ".");
        return false;
    }
    series[day] = static_cast<float>(*value);
    return true;
}

// Humidity columns whose titles a template kept but whose cells are all empty bring no humidity,
// exactly as blank titles do (with a warning); a column partly filled is read, and its empty cells are
// named.
bool HumidityGiven(const Grid& grid, Problems& warnings) {
    if (Trim(grid.text(1, 6)).empty()) return false;
    if (!HumidityCellsEmpty(grid)) return true;
    const std::string titles = Trim(grid.text(1, 7)).empty()
                                   ? "column " + QuoteValue(grid.text(1, 6)) + " has a title"
                                   : "columns " + QuoteValue(grid.text(1, 6)) + " and " +
                                         QuoteValue(grid.text(1, 7)) + " have titles";
    warnings.push_back({std::string(ctl::sprWeather), 1, 6,
                        "Weather: the humidity " + titles +
                            " but no values, so RHmax and RHmin are estimated from the temperatures, as "
                            "for a sheet whose humidity titles are blank."});
    return false;
}

void CheckTemperatureOrder(const DailySeries& Tmax, const DailySeries& Tmin, const std::vector<bool>& given,
                           CellProblems& report) {
    for (int d = 1; d <= kLastDay; ++d)
        if (given[static_cast<std::size_t>(d)] && Tmin[d] > Tmax[d])
            report.add(d, 4,
                       "Weather, DOY " + std::to_string(d) + ": the minimum temperature " +
                           ShortestText(Tmin[d]) + " °C is above the maximum " + ShortestText(Tmax[d]) +
                           " °C.");
}

} // namespace

void WeatherReader::ReadWeatherData(const FormModel& form, Problems& problems, Problems& warnings,
                                    const Days& needed) {
    const Grid& grid = form.grid(ctl::sprWeather);
    correctlyOpen_ = true;
    humidityEstimated_ = false;
    if (Trim(grid.text(1, 1)).empty()) {
        problems.push_back(
            {std::string(ctl::sprWeather), 1, 1, "I notice something wrong with your weather file..."});
        correctlyOpen_ = false;
        return;
    }

    CellProblems report(problems);
    CheckColumnTitles(grid, report);
    CheckDayColumn(grid, report);
    // The days that give both temperatures, whose order is checked.
    std::vector<bool> temperatures(kLastDay + 1, false);
    for (int d = 1; d <= kLastDay; ++d) {
        ReadCell(grid, d, 2, Rain_, report, needed);
        const bool tmax = ReadCell(grid, d, 3, Tmax_, report, needed);
        const bool tmin = ReadCell(grid, d, 4, Tmin_, report, needed);
        temperatures[static_cast<std::size_t>(d)] = tmax && tmin;
        ReadCell(grid, d, 5, Rad_, report, needed);
    }
    const bool humidityGiven = HumidityGiven(grid, warnings);
    if (humidityGiven)
        for (int d = 1; d <= kLastDay; ++d) {
            ReadCell(grid, d, 6, RHmax_, report, needed);
            ReadCell(grid, d, 7, RHmin_, report, needed);
        }
    if (report.count() == 0) CheckTemperatureOrder(Tmax_, Tmin_, temperatures, report);
    report.closeList();
    if (report.count() > 0) {
        correctlyOpen_ = false;
        return;
    }

    if (!humidityGiven) {
        EstimateHumidities(Tmin_, Tmax_, RHmax_, RHmin_);
        humidityEstimated_ = true;
    }
}

void WriteEstimatedHumidities(FormModel& form, const DailySeries& RHmax, const DailySeries& RHmin) {
    // Worked out again at every run from the temperatures: shown, but no edit to undo or to save.
    const FormModel::Derived derived(form);
    form.editGrid(ctl::sprWeather, [&](Grid& grid) {
        if (grid.rows() < kWeatherRows || grid.cols() < kWeatherCols)
            grid.resize(std::max(grid.rows(), kWeatherRows), std::max(grid.cols(), kWeatherCols));
        for (int d = 1; d <= kLastDay; ++d) {
            grid.setText(d + 1, 6, ShortestText(RHmax[d]));
            grid.setText(d + 1, 7, ShortestText(RHmin[d]));
            grid.setBackground(d + 1, 6, kLightCyan);
            grid.setBackground(d + 1, 7, kLightCyan);
        }
    });
}

} // namespace tulo
