#include "io/WeatherFiles.h"

#include "base/Calendar.h"
#include "base/DailySeries.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/InputItems.h"
#include "engine/InputLimits.h"
#include "io/FixedColumns.h"
#include "io/TextFiles.h"
#include "io/Workbook.h"
#include "weather/Evapotranspiration.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

namespace tulo {

namespace {

namespace chr = std::chrono;

// How much of a file tells its format.
constexpr std::size_t kRecognisedBytes = 64 * 1024;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::vector<std::string_view> SplitCommas(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(Trim(line.substr(start, comma == std::string_view::npos ? comma : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields;
}

std::string LineText(int line) {
    return "line " + std::to_string(line);
}

// A table of a weather file: its column names (upper case) and its data rows.
struct RawTable {
    int namesLine = 0;
    std::vector<std::string> names;
    struct Row {
        int line = 0;
        std::vector<std::string_view> fields;
        // A row of columns of values instead of fields: the row `index` of each.
        const std::vector<WeatherColumn>* columns = nullptr;
        std::size_t index = 0;
        std::size_t size() const { return columns ? columns->size() : fields.size(); }
    };
    bool dssatDates = false;    // one DATE column, YYDDD or YYYYDDD
    bool calendarDates = false; // one DATE column, ISO or day/month/year
    double vapourToKpa = 1.0;   // the vapour-pressure column's unit in kPa
    double radiationToMj = 1.0; // the radiation column's unit in MJ m-2 d-1
};

std::string IsoDate(int year, int doy) {
    const chr::year_month_day date{chr::sys_days{chr::year{year} / 1 / 1} + chr::days{doy - 1}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

int DaysIn(int year) {
    return chr::year{year}.is_leap() ? 366 : 365;
}

// A float as Python's repr writes it: the shortest digits that read back as it, in positional notation
// with at least one decimal ("30.0") for exponents -4 to 15, else as "1.5e-05".
std::string PythonFloatText(double v) {
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific);
    const std::string text(buffer, written.ptr);
    const std::size_t e = text.find('e');
    const int exponent = std::stoi(text.substr(e + 1));
    const bool negative = text.front() == '-';
    std::string digits;
    for (const char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
        if (c != '.') digits += c;
    std::string out;
    if (exponent < -4 || exponent >= 16) {
        out = digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "");
        char power[16];
        std::snprintf(power, sizeof power, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out += power;
    } else if (exponent < 0) {
        out = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else if (digits.size() <= static_cast<std::size_t>(exponent) + 1) {
        out = digits + std::string(static_cast<std::size_t>(exponent) + 1 - digits.size(), '0') + ".0";
    } else {
        out = digits.substr(0, static_cast<std::size_t>(exponent) + 1) + "." +
              digits.substr(static_cast<std::size_t>(exponent) + 1);
    }
    return (negative ? "-" : "") + out;
}

// A column's cell as a CSV table written by pandas holds it: a blank for no value, an ISO date.
std::string CellText(const WeatherColumn& column, std::size_t row) {
    if (!column.numbers.empty()) {
        const double v = column.numbers[row];
        if (std::isnan(v)) return {};
        if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
        if (column.integers) {
            char text[64];
            std::snprintf(text, sizeof text, "%.0f", v);
            return text;
        }
        return PythonFloatText(v);
    }
    if (!column.dates.empty()) {
        const std::int64_t days = column.dates[row];
        if (days == WeatherColumn::kNoDate) return {};
        const chr::year_month_day date{chr::sys_days{chr::days{days}}};
        const auto start = chr::sys_days{date.year() / chr::January / 1};
        return IsoDate(static_cast<int>(date.year()),
                       static_cast<int>((chr::sys_days{date} - start).count()) + 1);
    }
    return column.texts[row];
}

bool BlankCell(const WeatherColumn& column, std::size_t row) {
    if (!column.numbers.empty()) return std::isnan(column.numbers[row]);
    if (!column.dates.empty()) return column.dates[row] == WeatherColumn::kNoDate;
    return Trim(column.texts[row]).empty();
}

// A date as users write it (see ParseDateText), if its year has it.
std::optional<chr::year_month_day> CalendarDate(std::string_view text) {
    const auto parsed = ParseDateText(Trim(text));
    if (!parsed || parsed->year < 1) return std::nullopt;
    const chr::year_month_day date{chr::year{parsed->year}, chr::month{static_cast<unsigned>(parsed->month)},
                                   chr::day{static_cast<unsigned>(parsed->day)}};
    if (!date.ok()) return std::nullopt;
    return date;
}

// The name a plain table's column title stands for, in the names the readers use; the title itself, in
// upper case, when it names nothing they read. Blanks, underscores, dots and hyphens are ignored, and a
// title names a quantity when it starts with one of its words ("Tmax (°C)", "max_temp").
std::string CanonicalTitle(std::string_view title, bool& hectopascals) {
    std::string squeezed;
    for (const char c : title)
        if (c != ' ' && c != '_' && c != '.' && c != '-' && c != '\t')
            squeezed += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    // A station's date in three columns: short titles must be whole, lest "mm" take a rain column's unit.
    static const std::pair<std::string_view, std::vector<std::string_view>> kWholeWords[] = {
        {"YEAR", {"yyyy", "yy", "yr"}},
        {"MONTH", {"mm", "mo", "mon"}},
        {"DAY", {"dd", "dy", "dom"}},
        {"DOY", {"doy", "jday"}},
    };
    for (const auto& [name, words] : kWholeWords)
        for (const std::string_view word : words)
            if (squeezed == word) return std::string(name);
    static const std::pair<std::string_view, std::vector<std::string_view>> kWords[] = {
        {"DATE", {"date"}},
        {"DOY", {"dayofyear"}},
        {"YEAR", {"year"}},
        {"MONTH", {"month"}},
        {"DAY", {"day"}},
        {"RHMAX", {"rhmax", "maxrh", "humiditymax", "maxhum"}},
        {"RHMIN", {"rhmin", "minrh", "humiditymin", "minhum"}},
        {"TMAX", {"tmax", "maxt", "maximumt", "tx"}},
        {"TMIN", {"tmin", "mint", "minimumt", "tn"}},
        {"SRAD", {"rad", "srad", "solarrad", "globalrad"}},
        {"RAIN", {"rain", "prec", "rr"}},
        {"TDEW", {"tdew", "dew"}},
        {"VPRS", {"vp", "vapourpressure", "vaporpressure"}},
        {"RHUM", {"rh", "humidity"}},
    };
    for (const auto& [name, words] : kWords)
        for (const std::string_view word : words)
            if (squeezed.starts_with(word)) {
                if (name == "VPRS") hectopascals = squeezed.find("hpa") != std::string::npos;
                return std::string(name);
            }
    return UpperCase(title);
}

class SeriesBuilder {
public:
    // `rows`: about how many rows the file holds.
    SeriesBuilder(const RawTable& table, std::size_t rows) : table_(table) { days_.reserve(rows); }

    // One data row, read at once: the days are built as the file is read, so that no row of text is kept.
    // The table's column names must be known by the first row.
    void add(const RawTable::Row& row) {
        if (!started_) start();
        if (row.size() != table_.names.size())
            fail(LineText(row.line) + ": " + std::to_string(row.size()) + " values, but the column line (" +
                 LineText(table_.namesLine) + ") names " + std::to_string(table_.names.size()) + " columns.");
        WeatherFileDay day;
        day.line = row.line;
        readDate(row, day);
        std::vector<int>& lines = seen_[day.year];
        if (lines.empty()) lines.assign(367, 0);
        int& earlier = lines[static_cast<std::size_t>(day.doy)];
        if (earlier != 0)
            fail(where(row, day) + ": this date again; " + LineText(earlier) + " gave it already.");
        earlier = row.line;
        day.rain = value(row, day, rain_, *FindInputLimit("weather.Rain"), WeatherFileDay::kRain);
        day.tmax = value(row, day, tmax_, *FindInputLimit("weather.Tmax"), WeatherFileDay::kTmax);
        day.tmin = value(row, day, tmin_, *FindInputLimit("weather.Tmin"), WeatherFileDay::kTmin);
        day.radiation = value(row, day, radiation_, *FindInputLimit("weather.Radiation"),
                              WeatherFileDay::kRadiation, table_.radiationToMj);
        const bool temperatures = (day.missing & (WeatherFileDay::kTmax | WeatherFileDay::kTmin)) == 0;
        if (temperatures && day.tmin > day.tmax)
            fail(where(row, day) + ": the minimum temperature " + ShortestText(day.tmin) +
                 " °C is above the maximum " + ShortestText(day.tmax) + " °C.");
        if (humidity_ >= 0) deriveHumidity(row, day);
        days_.push_back(day);
    }

    std::vector<WeatherFileDay> finish(bool& humidity) {
        if (!started_) start();
        humidity = humidity_ >= 0;
        return std::move(days_);
    }

    // The title of the column humidity is taken from; empty when there is none.
    std::string humidityTitle() const {
        if (humidity_ < 0) return {};
        std::string title = table_.names[static_cast<std::size_t>(humidity_)];
        if (source_ == HumiditySource::Given)
            title += " and " + table_.names[static_cast<std::size_t>(rhMin_)];
        return title;
    }

private:
    enum class HumiditySource { Given, DewPoint, VapourPressure, MeanRelative, SpecificHumidity };

    [[noreturn]] static void fail(const std::string& message) { throw WeatherFileError(message); }

    int column(std::initializer_list<std::string_view> names) const {
        for (const std::string_view name : names)
            for (std::size_t i = 0; i < table_.names.size(); ++i)
                if (table_.names[i] == name) return static_cast<int>(i);
        return -1;
    }

    int required(std::initializer_list<std::string_view> names, std::string_view what) const {
        const int found = column(names);
        if (found >= 0) return found;
        std::string list;
        for (const std::string_view name : names) list += (list.empty() ? "" : " or ") + std::string(name);
        std::string present;
        for (const std::string& name : table_.names) present += (present.empty() ? "" : ", ") + name;
        fail(LineText(table_.namesLine) + ": no column " + list + " (" + std::string(what) +
             "); the columns are " + QuoteValue(present) + ".");
    }

    void findColumns() {
        if (table_.names.empty()) fail("the file has no line naming its columns.");
        if (table_.calendarDates && column({"DATE"}) < 0 && column({"YEAR"}) >= 0) {
            // A station's table: the date in year, month and day columns.
            year_ = column({"YEAR"});
            month_ = required({"MONTH"}, "the month");
            dayOfMonth_ = required({"DAY"}, "the day of the month");
        } else if (table_.dssatDates || table_.calendarDates) {
            date_ = required({"DATE"}, table_.dssatDates ? "the date, YYDDD or YYYYDDD" : "the date");
        } else {
            year_ = required({"YEAR"}, "the year");
            month_ = column({"MO", "MONTH"});
            dayOfMonth_ = column({"DY", "DOM"});
            if (month_ < 0 || dayOfMonth_ < 0) {
                month_ = dayOfMonth_ = -1;
                doy_ = required({"DOY", "DAY"}, "the day of the year");
            }
        }
        tmax_ = required({"TMAX", "MAXT", "T2M_MAX"}, "the maximum temperature, °C");
        tmin_ = required({"TMIN", "MINT", "T2M_MIN"}, "the minimum temperature, °C");
        // Station records often lack radiation: its days are then missing it, which the season may
        // estimate (FillWeatherTable).
        radiation_ = column({"SRAD", "RADN", "ALLSKY_SFC_SW_DWN"});
        rain_ = required({"RAIN", "PRECTOTCORR", "PRECTOT"}, "rain, mm");
        // One humidity column serves every day, the most direct first.
        if ((humidity_ = column({"RHMAX"})) >= 0 && (rhMin_ = column({"RHMIN"})) >= 0) {
            source_ = HumiditySource::Given;
        } else if ((humidity_ = column({"TDEW", "DEWP", "T2MDEW"})) >= 0) {
            source_ = HumiditySource::DewPoint;
        } else if ((humidity_ = column({"VPRS", "VP"})) >= 0) {
            source_ = HumiditySource::VapourPressure;
        } else if ((humidity_ = column({"RHUM", "RH", "RH2M"})) >= 0) {
            source_ = HumiditySource::MeanRelative;
        } else if ((humidity_ = column({"QV2M"})) >= 0 && (pressure_ = column({"PS"})) >= 0) {
            source_ = HumiditySource::SpecificHumidity;
        } else {
            humidity_ = -1;
        }
    }

    std::string where(const RawTable::Row& row, const WeatherFileDay& day) const {
        return LineText(row.line) + ", " + IsoDate(day.year, day.doy) + " (DOY " + std::to_string(day.doy) +
               ")";
    }

    std::string where(const RawTable::Row& row, const WeatherFileDay& day, int col) const {
        return where(row, day) + ", column " + table_.names[static_cast<std::size_t>(col)];
    }

    // A blank cell or a missing-value code is no value: whether the day needs it is not known here.
    std::optional<double> number(const RawTable::Row& row, const WeatherFileDay& day, int col) const {
        if (!row.columns) return number(row, day, col, row.fields[static_cast<std::size_t>(col)]);
        const WeatherColumn& column = (*row.columns)[static_cast<std::size_t>(col)];
        if (!column.numbers.empty()) {
            const double v = column.numbers[row.index];
            if (std::isnan(v)) return std::nullopt;
            // An infinity is text no number reads as, in a CSV table too.
            if (std::isfinite(v)) return IsMissingValueCode(v) ? std::nullopt : std::optional(v);
        }
        return number(row, day, col, CellText(column, row.index));
    }

    std::optional<double> number(const RawTable::Row& row, const WeatherFileDay& day, int col,
                                 std::string_view text) const {
        if (Trim(text).empty()) return std::nullopt;
        const auto parsed = ParseNumber(text);
        if (!parsed) fail(NotANumberMessage(where(row, day, col), text));
        if (IsMissingValueCode(*parsed)) return std::nullopt;
        return *parsed;
    }

    std::optional<double> checked(const RawTable::Row& row, const WeatherFileDay& day, int col,
                                  const InputLimit& limit, double factor = 1.0) const {
        const auto v = number(row, day, col);
        if (!v) return std::nullopt;
        const double scaled = *v * factor;
        if (!WithinLimit(limit, scaled))
            fail(where(row, day, col) + ": " + ShortestText(scaled) + " " + DescribeLimit(limit) + ".");
        return scaled;
    }

    double value(const RawTable::Row& row, WeatherFileDay& day, int col, const InputLimit& limit,
                 WeatherFileDay::Value bit, double factor = 1.0) const {
        const auto v = col < 0 ? std::nullopt : checked(row, day, col, limit, factor);
        if (!v) day.missing |= bit;
        return v.value_or(0.0);
    }

    void deriveHumidity(const RawTable::Row& row, WeatherFileDay& day) const {
        if (source_ == HumiditySource::Given) {
            const auto rhMax = checked(row, day, humidity_, *FindInputLimit("weather.RHmax"));
            const auto rhMin = checked(row, day, rhMin_, *FindInputLimit("weather.RHmin"));
            if (rhMax && rhMin) {
                day.rhMax = rhMax;
                day.rhMin = rhMin;
            }
            return;
        }
        const auto given = number(row, day, humidity_);
        // The day's extremes come from its temperatures: without them there is no humidity either.
        if (!given || (day.missing & (WeatherFileDay::kTmax | WeatherFileDay::kTmin)) != 0) return;
        const double h = *given;
        const auto refuse = [&](std::string_view range) {
            fail(where(row, day, humidity_) + ": " + ShortestText(h) + " " + std::string(range) + ".");
        };
        double ea = 0;
        switch (source_) {
        case HumiditySource::Given:
            break;
        case HumiditySource::DewPoint:
            if (h < -60 || h > 60) refuse("must lie between -60 and 60 °C (a dew point)");
            ea = SaturationVapourPressure(h);
            break;
        case HumiditySource::VapourPressure:
            ea = h * table_.vapourToKpa;
            if (ea <= 0 || ea > 10) refuse("must lie above 0 and at most 10 kPa (a vapour pressure)");
            break;
        case HumiditySource::MeanRelative:
            if (h < 0 || h > 100) refuse("must lie between 0 and 100 % (a relative humidity)");
            // FAO-56's actual vapour pressure from a daily mean relative humidity.
            ea = h / 100.0 * (SaturationVapourPressure(day.tmax) + SaturationVapourPressure(day.tmin)) / 2.0;
            break;
        case HumiditySource::SpecificHumidity: {
            if (h <= 0 || h > 50) refuse("must lie above 0 and at most 50 g/kg (a specific humidity)");
            const auto pressure = number(row, day, pressure_);
            if (!pressure) return;
            if (*pressure < 30 || *pressure > 110)
                fail(where(row, day, pressure_) + ": " + ShortestText(*pressure) +
                     " must lie between 30 and 110 kPa (a surface pressure).");
            const double q = h / 1000.0;
            ea = q * *pressure / (0.622 + 0.378 * q);
            break;
        }
        }
        day.rhMax = std::min(100.0, 100.0 * ea / SaturationVapourPressure(day.tmin));
        day.rhMin = std::min(100.0, 100.0 * ea / SaturationVapourPressure(day.tmax));
    }

    void readDate(const RawTable::Row& row, WeatherFileDay& day) const {
        const auto whole = [&](int col, std::string_view what) {
            const std::string owned = row.columns
                                          ? CellText((*row.columns)[static_cast<std::size_t>(col)], row.index)
                                          : std::string();
            const std::string_view text =
                row.columns ? std::string_view(owned) : row.fields[static_cast<std::size_t>(col)];
            const auto v = ParseNumber(text);
            if (!v || *v != std::floor(*v) || *v < 1 || *v > 9999)
                fail(LineText(row.line) + ", column " + table_.names[static_cast<std::size_t>(col)] + ": " +
                     QuoteValue(text) + " is not " + std::string(what) + ".");
            return static_cast<int>(*v);
        };
        if (date_ >= 0 && table_.calendarDates) {
            const WeatherColumn* column =
                row.columns ? &(*row.columns)[static_cast<std::size_t>(date_)] : nullptr;
            const std::string owned = column ? CellText(*column, row.index) : std::string();
            const std::string_view text =
                column ? std::string_view(owned) : row.fields[static_cast<std::size_t>(date_)];
            std::optional<chr::year_month_day> date;
            if (column && !column->dates.empty()) {
                if (column->dates[row.index] != WeatherColumn::kNoDate)
                    date = chr::year_month_day{chr::sys_days{chr::days{column->dates[row.index]}}};
            } else {
                date = CalendarDate(text);
            }
            if (!date)
                fail(LineText(row.line) + ", column " + table_.names[static_cast<std::size_t>(date_)] + ": " +
                     QuoteValue(text) + " is not a date (YYYY-MM-DD or day/month/year).");
            day.year = static_cast<int>(date->year());
            day.doy = static_cast<int>(
                          (chr::sys_days{*date} - chr::sys_days{date->year() / chr::January / 1}).count()) +
                      1;
            return;
        }
        if (date_ >= 0) {
            const std::string_view text = row.fields[static_cast<std::size_t>(date_)];
            const bool digits =
                std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (!digits || (text.size() != 5 && text.size() != 7))
                fail(LineText(row.line) + ", column DATE: " + QuoteValue(text) +
                     " is not a date written YYDDD or YYYYDDD.");
            const int year = std::stoi(std::string(text.substr(0, text.size() - 3)));
            day.year = text.size() == 5 ? YearOfTwoDigits(year) : year;
            day.doy = std::stoi(std::string(text.substr(text.size() - 3)));
            if (day.year < 1 || day.doy < 1 || day.doy > DaysIn(day.year))
                fail(LineText(row.line) + ", column DATE: " + QuoteValue(text) + " names day " +
                     std::to_string(day.doy) + " of " + std::to_string(day.year) + ", which has " +
                     std::to_string(day.year < 1 ? 0 : DaysIn(day.year)) + " days.");
            return;
        }
        day.year = whole(year_, "a year");
        if (doy_ >= 0) {
            day.doy = whole(doy_, "a day of the year");
            if (day.doy > DaysIn(day.year))
                fail(LineText(row.line) + ", column " + table_.names[static_cast<std::size_t>(doy_)] + ": " +
                     std::to_string(day.year) + " has no day " + std::to_string(day.doy) + ".");
            return;
        }
        const int month = whole(month_, "a month");
        const int dom = whole(dayOfMonth_, "a day of the month");
        const chr::year_month_day date{chr::year{day.year}, chr::month{static_cast<unsigned>(month)},
                                       chr::day{static_cast<unsigned>(std::min(dom, 99))}};
        if (!date.ok())
            fail(LineText(row.line) + ": " + std::to_string(day.year) + ", month " + std::to_string(month) +
                 ", day " + std::to_string(dom) + " is not a date.");
        day.doy =
            static_cast<int>((chr::sys_days{date} - chr::sys_days{chr::year{day.year} / 1 / 1}).count()) + 1;
    }

    void start() {
        findColumns();
        started_ = true;
    }

    const RawTable& table_;
    bool started_ = false;
    std::vector<WeatherFileDay> days_;
    std::map<int, std::vector<int>> seen_; // the line of each year's days, by day of the year
    int date_ = -1, year_ = -1, doy_ = -1, month_ = -1, dayOfMonth_ = -1;
    int tmax_ = -1, tmin_ = -1, radiation_ = -1, rain_ = -1, humidity_ = -1, pressure_ = -1, rhMin_ = -1;
    HumiditySource source_ = HumiditySource::DewPoint;
};

void FinishSeries(SeriesBuilder& builder, WeatherFileSeries& series) {
    bool humidity = false;
    series.days = builder.finish(humidity);
    series.humidity = humidity;
    series.humidityColumn = builder.humidityTitle();
}

std::vector<std::string> UpperNames(const std::vector<std::string_view>& fields) {
    std::vector<std::string> names;
    for (const std::string_view f : fields) names.push_back(UpperCase(f));
    return names;
}

// The number after "latitude" in a header line ("Location: Latitude  45.3   Longitude -93.2").
std::optional<double> LatitudeIn(std::string_view line) {
    const std::string upper = UpperCase(line);
    const std::size_t at = upper.find("LATITUDE");
    if (at == std::string::npos) return std::nullopt;
    std::size_t i = at + 8;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ':' || line[i] == '=')) ++i;
    std::size_t end = i;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != ',') ++end;
    return ParseNumber(line.substr(i, end - i));
}

double Latitude(std::string_view text, int line) {
    const auto value = ParseNumber(text);
    if (!value || *value < -90 || *value > 90)
        throw WeatherFileError(LineText(line) + ": the latitude " + QuoteValue(text) +
                               " is not a number of degrees between -90 and 90.");
    return *value;
}

// DSSAT: "*WEATHER ..." title, "@ INSI LAT LONG ..." site line and values, "@DATE SRAD TMAX ..." table.
WeatherFileSeries ReadDssat(std::string_view text) {
    WeatherFileSeries series;
    series.format = WeatherFileFormat::Dssat;
    RawTable table;
    table.dssatDates = true;
    const auto lines = TextLines(text);
    SeriesBuilder builder(table, lines.size());
    enum class Expect { Nothing, Site, Days } expect = Expect::Nothing;
    std::vector<std::string> siteNames;
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const std::string_view line = Trim(lines[i]);
        if (line.empty() || line.front() == '!' || line.front() == '*' || line.front() == '$') continue;
        if (line.front() == '@') {
            auto names = UpperNames(SplitBlanks(line.substr(1)));
            if (std::find(names.begin(), names.end(), "DATE") != names.end()) {
                if (!table.names.empty() && names != table.names)
                    throw WeatherFileError(LineText(number) +
                                           ": a second table with other columns than line " +
                                           std::to_string(table.namesLine) + "'s.");
                table.names = std::move(names);
                table.namesLine = number;
                ends = TitleEnds(lines[i]);
                expect = Expect::Days;
            } else {
                siteNames = std::move(names);
                expect = Expect::Site;
            }
            continue;
        }
        if (expect == Expect::Site) {
            const auto fields = SplitBlanks(line);
            const auto lat = std::find(siteNames.begin(), siteNames.end(), "LAT");
            const auto at = static_cast<std::size_t>(lat - siteNames.begin());
            if (lat != siteNames.end() && at < fields.size() && !series.latitude)
                series.latitude = Latitude(fields[at], number);
            expect = Expect::Nothing;
        } else if (expect == Expect::Days) {
            // Most rows give every column; one whose optional columns are left blank is read by the
            // columns' places, as the format lays them out.
            auto fields = SplitBlanks(lines[i]);
            if (fields.size() != table.names.size() && ends.size() == table.names.size())
                if (auto columns = FixedColumns(lines[i], ends)) fields = std::move(*columns);
            builder.add({number, std::move(fields)});
        }
    }
    FinishSeries(builder, series);
    return series;
}

// NASA POWER: "-BEGIN HEADER-" ... "-END HEADER-", then a CSV table.
WeatherFileSeries ReadPower(std::string_view text) {
    WeatherFileSeries series;
    series.format = WeatherFileFormat::NasaPower;
    RawTable table;
    const auto lines = TextLines(text);
    SeriesBuilder builder(table, lines.size());
    std::size_t i = 0;
    while (i < lines.size() && Trim(lines[i]).empty()) ++i;
    if (i < lines.size() && StartsWithNoCase(Trim(lines[i]), "-BEGIN HEADER-")) {
        const int begin = static_cast<int>(i) + 1;
        for (++i; i < lines.size() && !StartsWithNoCase(Trim(lines[i]), "-END HEADER-"); ++i) {
            if (!series.latitude)
                if (const auto lat = LatitudeIn(lines[i]))
                    series.latitude = Latitude(ShortestText(*lat), int(i) + 1);
            const std::string upper = UpperCase(lines[i]);
            if (upper.find("ALLSKY_SFC_SW_DWN") != std::string::npos &&
                upper.find("KW-HR") != std::string::npos)
                table.radiationToMj = 3.6;
        }
        if (i == lines.size())
            throw WeatherFileError(LineText(begin) +
                                   ": the header that starts here has no \"-END HEADER-\" line.");
        ++i;
    }
    for (; i < lines.size(); ++i) {
        const std::string_view line = Trim(lines[i]);
        if (line.empty()) continue;
        if (table.names.empty()) {
            table.names = UpperNames(SplitCommas(line));
            table.namesLine = static_cast<int>(i) + 1;
        } else {
            builder.add({static_cast<int>(i) + 1, SplitCommas(line)});
        }
    }
    FinishSeries(builder, series);
    return series;
}

// APSIM: "[weather.met.weather]", "name = value" lines, a column line, a units line; "!" comments.
WeatherFileSeries ReadApsim(std::string_view text) {
    WeatherFileSeries series;
    series.format = WeatherFileFormat::Apsim;
    RawTable table;
    table.vapourToKpa = 0.1; // hPa
    const auto lines = TextLines(text);
    SeriesBuilder builder(table, lines.size());
    bool anyRow = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        std::string_view line = lines[i];
        if (const std::size_t bang = line.find('!'); bang != std::string_view::npos)
            line = line.substr(0, bang);
        line = Trim(line);
        if (line.empty() || line.front() == '[') continue;
        if (const std::size_t equals = line.find('=');
            equals != std::string_view::npos && table.names.empty()) {
            if (UpperCase(Trim(line.substr(0, equals))) == "LATITUDE") {
                const auto fields = SplitBlanks(line.substr(equals + 1));
                series.latitude = Latitude(fields.empty() ? std::string_view() : fields.front(), number);
            }
            continue;
        }
        const auto fields = SplitBlanks(line);
        if (table.names.empty()) {
            table.names = UpperNames(fields);
            table.namesLine = number;
        } else if (!anyRow && !fields.empty() && fields.front().starts_with("(")) {
            // The units line.
        } else {
            anyRow = true;
            builder.add({number, fields});
        }
    }
    FinishSeries(builder, series);
    return series;
}

// A plain CSV table: a title row with a date column and named columns, one day a row.
WeatherFileSeries ReadDatedCsv(std::string_view text) {
    WeatherFileSeries series;
    series.format = WeatherFileFormat::DatedCsv;
    WorkbookData workbook;
    try {
        workbook = ReadWorkbookBytes(text, "weather.csv");
    } catch (const WorkbookError& e) {
        throw WeatherFileError(e.what());
    }
    RawTable table;
    table.calendarDates = true;
    const auto& cells = workbook.sheets.front().cells;
    SeriesBuilder builder(table, cells.size());
    for (std::size_t r = 0; r < cells.size(); ++r) {
        const auto& row = cells[r];
        if (std::all_of(row.begin(), row.end(), [](const std::string& cell) { return Trim(cell).empty(); }))
            continue;
        std::vector<std::string_view> fields(row.begin(), row.end());
        if (table.names.empty()) {
            bool hectopascals = false;
            for (const std::string_view title : fields)
                table.names.push_back(CanonicalTitle(title, hectopascals));
            if (hectopascals) table.vapourToKpa = 0.1;
            table.namesLine = static_cast<int>(r) + 1;
        } else {
            // A spreadsheet may leave a row's last empty cells out; a shorter row is refused below.
            while (fields.size() > table.names.size() && Trim(fields.back()).empty()) fields.pop_back();
            builder.add({static_cast<int>(r) + 1, std::move(fields)});
        }
    }
    FinishSeries(builder, series);
    return series;
}

// A date (one column, or a station's year, month and day), both temperatures and rain; radiation may be
// left to an estimate.
bool HasDatedTableNames(const std::set<std::string>& names) {
    const bool dated = names.contains("DATE") ||
                       (names.contains("YEAR") && names.contains("MONTH") && names.contains("DAY"));
    for (const char* needed : {"TMAX", "TMIN", "RAIN"})
        if (!names.contains(needed)) return false;
    return dated;
}

// Whether a line is the title row of a plain dated weather table.
bool IsDatedTableTitles(std::string_view line) {
    const char separator = line.find('\t') != std::string_view::npos  ? '\t'
                           : line.find(';') != std::string_view::npos ? ';'
                                                                      : ',';
    std::set<std::string> names;
    std::size_t start = 0;
    bool hectopascals = false;
    for (;;) {
        const std::size_t end = line.find(separator, start);
        std::string_view title = Trim(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (title.size() >= 2 && title.front() == '"' && title.back() == '"')
            title = title.substr(1, title.size() - 2);
        names.insert(CanonicalTitle(title, hectopascals));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return HasDatedTableNames(names);
}

} // namespace

std::string_view DescribeWeatherFormat(WeatherFileFormat format) {
    switch (format) {
    case WeatherFileFormat::Dssat:
        return "a DSSAT weather file (.WTH)";
    case WeatherFileFormat::NasaPower:
        return "a NASA POWER daily CSV file";
    case WeatherFileFormat::Apsim:
        return "an APSIM weather file (.met)";
    case WeatherFileFormat::DatedCsv:
        return "a CSV weather table with a date column";
    }
    return "";
}

std::vector<int> WeatherFileSeries::years() const {
    std::set<int> set;
    for (const WeatherFileDay& day : days) set.insert(day.year);
    return {set.begin(), set.end()};
}

double SaturationVapourPressure(double celsius) {
    return 0.6108 * std::exp(17.27 * celsius / (celsius + 237.3));
}

std::optional<WeatherFileFormat> RecogniseWeatherText(std::string_view text) {
    const auto lines = TextLines(text.substr(0, std::min(text.size(), kRecognisedBytes)));
    int seen = 0;
    for (std::size_t i = 0; i < lines.size() && seen < 60; ++i) {
        const std::string_view line = Trim(lines[i]);
        if (line.empty()) continue;
        ++seen;
        if (StartsWithNoCase(line, "*WEATHER")) return WeatherFileFormat::Dssat;
        if (StartsWithNoCase(line, "-BEGIN HEADER-")) return WeatherFileFormat::NasaPower;
        if (line.front() == '@') {
            const auto names = UpperNames(SplitBlanks(line.substr(1)));
            if (std::find(names.begin(), names.end(), "DATE") != names.end() &&
                std::find(names.begin(), names.end(), "TMAX") != names.end())
                return WeatherFileFormat::Dssat;
        }
        if (line.front() == '[' && UpperCase(line).find("WEATHER") != std::string::npos)
            return WeatherFileFormat::Apsim;
        if (const std::size_t equals = line.find('=');
            equals != std::string_view::npos && UpperCase(Trim(line.substr(0, equals))) == "LATITUDE")
            return WeatherFileFormat::Apsim;
        if (seen == 1 && line.find(',') != std::string_view::npos) {
            const auto names = UpperNames(SplitCommas(line));
            if (std::find(names.begin(), names.end(), "YEAR") != names.end() &&
                std::find(names.begin(), names.end(), "T2M_MAX") != names.end())
                return WeatherFileFormat::NasaPower;
        }
        if (seen == 1 && IsDatedTableTitles(line)) return WeatherFileFormat::DatedCsv;
    }
    return std::nullopt;
}

WeatherFileSeries ReadWeatherText(std::string_view text) {
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
        const auto breaks = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(nul), '\n');
        throw WeatherFileError(LineText(static_cast<int>(breaks) + 1) +
                               " holds a NUL byte, which no text file holds: the file is damaged.");
    }
    const auto format = RecogniseWeatherText(text);
    if (!format)
        throw WeatherFileError(
            "the text is no weather file TULO reads (DSSAT .WTH, NASA POWER, APSIM .met).");
    switch (*format) {
    case WeatherFileFormat::Dssat:
        return ReadDssat(text);
    case WeatherFileFormat::NasaPower:
        return ReadPower(text);
    case WeatherFileFormat::Apsim:
        return ReadApsim(text);
    case WeatherFileFormat::DatedCsv:
        return ReadDatedCsv(text);
    }
    return {};
}

std::optional<WeatherFileFormat> RecogniseWeatherFile(const std::filesystem::path& file) {
    // The format shows in the first lines: a file too large to read is still told as a weather file, whose
    // reading then says so, and not taken for a workbook.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::string head(kRecognisedBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    // A zip or compound-document workbook is no text.
    if (head.starts_with("PK\x03\x04") || head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return std::nullopt;
    return RecogniseWeatherText(head);
}

WeatherFileSeries ReadWeatherFile(const std::filesystem::path& file) {
    const auto bytes = ReadWholeFile(file, kMaxTextFileBytes);
    if (!bytes) throw WeatherFileError(file.string() + ": cannot be read: " + bytes.message() + ".");
    try {
        return ReadWeatherText(*bytes);
    } catch (const WeatherFileError& e) {
        throw WeatherFileError(file.string() + ", " + e.what());
    }
}

WeatherFileSeries ReadWeatherColumns(const std::vector<WeatherColumn>& columns) {
    WeatherFileSeries series;
    series.format = WeatherFileFormat::DatedCsv;
    RawTable table;
    table.calendarDates = true;
    table.namesLine = 1;
    bool hectopascals = false;
    for (const WeatherColumn& column : columns)
        table.names.push_back(CanonicalTitle(column.title, hectopascals));
    if (hectopascals) table.vapourToKpa = 0.1;
    const std::size_t rows = columns.empty() ? 0 : columns.front().size();
    SeriesBuilder builder(table, rows);
    for (std::size_t r = 0; r < rows; ++r) {
        if (std::all_of(columns.begin(), columns.end(),
                        [&](const WeatherColumn& column) { return BlankCell(column, r); }))
            continue;
        RawTable::Row row;
        row.line = static_cast<int>(r) + 2;
        row.columns = &columns;
        row.index = r;
        builder.add(row);
    }
    FinishSeries(builder, series);
    return series;
}

bool IsDatedWeatherTable(const std::vector<WeatherColumn>& columns) {
    std::set<std::string> names;
    bool hectopascals = false;
    for (const WeatherColumn& column : columns) names.insert(CanonicalTitle(column.title, hectopascals));
    return HasDatedTableNames(names);
}

std::vector<std::vector<std::string>> WeatherColumnCells(const std::vector<WeatherColumn>& columns) {
    std::vector<std::vector<std::string>> cells(1);
    for (const WeatherColumn& column : columns) cells.front().push_back(column.title);
    std::size_t rows = columns.empty() ? 0 : columns.front().size();
    while (rows > 0 && std::all_of(columns.begin(), columns.end(), [&](const WeatherColumn& column) {
               return CellText(column, rows - 1).empty();
           }))
        --rows;
    for (std::size_t r = 0; r < rows; ++r) {
        auto& row = cells.emplace_back();
        for (const WeatherColumn& column : columns) row.push_back(CellText(column, r));
    }
    return cells;
}

int ChooseWeatherYear(const WeatherFileSeries& series, std::optional<int> year) {
    const std::vector<int> years = series.years();
    if (years.empty()) throw WeatherFileError("the file holds no day of weather.");
    std::string list;
    for (const int y : years) list += (list.empty() ? "" : ", ") + std::to_string(y);
    if (year) {
        if (std::find(years.begin(), years.end(), *year) == years.end())
            throw WeatherFileError("the file holds no day of " + std::to_string(*year) + "; its years are " +
                                   list + ".");
        return *year;
    }
    if (years.size() > 1)
        throw WeatherFileError("the file holds the years " + list + ": choose the season's with --year.");
    return years.front();
}

double HargreavesRadiation(double tmax, double tmin, double extraterrestrial, double kRs) {
    return kRs * std::sqrt(std::max(0.0, tmax - tmin)) * extraterrestrial;
}

SeasonDaysOfSeries DaysFromYear(const WeatherFileSeries& series, int year) {
    SeasonDaysOfSeries days;
    days.byDay.assign(static_cast<std::size_t>(kLastSeasonDay) + 2, nullptr);
    for (const WeatherFileDay& day : series.days) {
        if (day.year < year || day.year > year + 3) continue;
        int seasonDay = day.doy;
        for (int y = year; y < day.year; ++y) seasonDay += DaysInYear(y);
        if (seasonDay > kLastSeasonDay + 1) continue;
        days.byDay[static_cast<std::size_t>(seasonDay)] = &day;
        days.lastGiven = std::max(days.lastGiven, seasonDay);
    }
    return days;
}

bool RadiationEstimable(const WeatherFileDay& day) {
    return (day.missing & WeatherFileDay::kRadiation) != 0 &&
           (day.missing & (WeatherFileDay::kTmax | WeatherFileDay::kTmin)) == 0;
}

int FillWeatherTable(const WeatherFileSeries& series, int year, Grid& grid, std::vector<std::string>& notes,
                     std::optional<RadiationEstimate> estimate) {
    const auto [byDay, lastGiven] = DaysFromYear(series, year);
    if (lastGiven == 0)
        throw WeatherFileError("the file holds no day of " + std::to_string(year) + " or later.");
    const int days = std::max(kLastDay, lastGiven);
    const auto label = [&](int seasonDay) {
        const CivilDate date = *DateOfSeasonDay(seasonDay, year);
        return IsoDateText(date) + " (DOY " + std::to_string(*DayOfYear(date)) + ")";
    };
    // Days the file lacks: told, left empty, and refused by the run only on a day it simulates.
    int missingCount = 0;
    std::string missing;
    for (int d = 1; d <= days; ++d)
        if (!byDay[static_cast<std::size_t>(d)] && ++missingCount <= 5)
            missing += (missing.empty() ? "" : ", ") + label(d);
    if (missingCount > 0)
        notes.push_back("the file has no " + missing +
                        (missingCount > 5 ? " and " + std::to_string(missingCount - 5) + " more days" : "") +
                        ": those rows stay empty, and a season that simulates one of those days is refused.");
    // The values the file does not give, a note per column; and whether the humidity covers the days.
    struct Gap {
        WeatherFileDay::Value bit;
        const char* what;
        int days = 0;
        const WeatherFileDay* first = nullptr;
    };
    Gap gaps[] = {{WeatherFileDay::kRain, "rain"},
                  {WeatherFileDay::kTmax, "the maximum temperature"},
                  {WeatherFileDay::kTmin, "the minimum temperature"},
                  {WeatherFileDay::kRadiation, "global radiation"}};
    Gap humidityGap{WeatherFileDay::kRain, "humidity"};
    const auto estimated = [&](const WeatherFileDay& day) { return estimate && RadiationEstimable(day); };
    int estimatedDays = 0;
    const WeatherFileDay* firstEstimated = nullptr;
    for (int d = 1; d <= days; ++d) {
        const WeatherFileDay* day = byDay[static_cast<std::size_t>(d)];
        if (!day) continue;
        if (estimated(*day) && ++estimatedDays == 1) firstEstimated = day;
        for (Gap& gap : gaps)
            if ((day->missing & gap.bit) != 0 &&
                !(gap.bit == WeatherFileDay::kRadiation && estimated(*day)) && ++gap.days == 1)
                gap.first = day;
        if (series.humidity && !day->rhMax && ++humidityGap.days == 1) humidityGap.first = day;
    }
    const auto firstOf = [&](const WeatherFileDay& day) {
        return IsoDate(day.year, day.doy) + " (DOY " + std::to_string(day.doy) + ", line " +
               std::to_string(day.line) + ")";
    };
    const auto count = [](int n) {
        return n == 1 ? std::string("1 day") : std::to_string(n) + " days, the first";
    };
    for (const Gap& gap : gaps)
        if (gap.days > 0)
            notes.push_back(
                "the file gives no " + std::string(gap.what) + " (a blank or a missing-value code) on " +
                count(gap.days) + " " + firstOf(*gap.first) +
                ": those cells stay empty, and a season that simulates one of those days is refused.");
    if (estimatedDays > 0)
        notes.push_back(
            "the file gives no global radiation on " + count(estimatedDays) + " " + firstOf(*firstEstimated) +
            ": it is estimated from the day's temperature range by Hargreaves and Samani (FAO-56 "
            "eq. 50) with kRs " +
            ShortestText(estimate->kRs) + " at latitude " + ShortestText(estimate->latitude) + "°.");
    const bool humidity = series.humidity && humidityGap.days == 0;
    if (humidityGap.days > 0)
        notes.push_back(
            "the file gives no " + series.humidityColumn + " (a blank or a missing-value code) on " +
            count(humidityGap.days) + " " + firstOf(*humidityGap.first) +
            ": RHmax and RHmin are estimated from the temperatures, as for a file without humidity.");

    grid.resize(std::max(grid.rows(), days + 1), std::max(grid.cols(), kWeatherCols));
    grid.clearData();
    const char* titles[] = {"DOY",         "Rain (mm)", "Tmax (°C)", "Tmin (°C)",
                            "Rad (MJ/m2)", "RHmax (%)", "RHmin (%)"};
    const int columns = humidity ? 7 : 5;
    for (int c = 1; c <= columns; ++c) grid.setText(1, c, titles[c - 1]);
    const auto cell = [](const WeatherFileDay& day, WeatherFileDay::Value bit, double value) {
        return (day.missing & bit) != 0 ? std::string() : ShortestText(value);
    };
    for (int d = 1; d <= days; ++d) {
        // Days of the first year by their number, as tables always listed them; later days by date.
        if (d <= kLastDay) {
            grid.setText(d + 1, 1, std::to_string(d));
            grid.setWholeNumber(d + 1, 1, true);
        } else {
            grid.setText(d + 1, 1, IsoDateText(*DateOfSeasonDay(d, year)));
        }
        const WeatherFileDay* day = byDay[static_cast<std::size_t>(d)];
        if (!day) continue;
        grid.setText(d + 1, 2, cell(*day, WeatherFileDay::kRain, day->rain));
        grid.setText(d + 1, 3, cell(*day, WeatherFileDay::kTmax, day->tmax));
        grid.setText(d + 1, 4, cell(*day, WeatherFileDay::kTmin, day->tmin));
        if (estimated(*day)) {
            const double ra = ExtraterrestrialRadiation(day->doy, estimate->latitude);
            // The run reads single precision: its shortest text loses nothing.
            grid.setText(d + 1, 5,
                         ShortestText(static_cast<float>(
                             HargreavesRadiation(day->tmax, day->tmin, ra, estimate->kRs))));
        } else {
            grid.setText(d + 1, 5, cell(*day, WeatherFileDay::kRadiation, day->radiation));
        }
        if (humidity) {
            // The run reads single-precision values: their shortest text loses nothing.
            grid.setText(d + 1, 6, ShortestText(static_cast<float>(*day->rhMax)));
            grid.setText(d + 1, 7, ShortestText(static_cast<float>(*day->rhMin)));
        }
    }
    return days;
}

} // namespace tulo
