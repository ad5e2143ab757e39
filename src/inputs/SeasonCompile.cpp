#include "inputs/SeasonCompile.h"

#include "base/Calendar.h"
#include "base/CellName.h"
#include "base/Numbers.h"
#include "engine/InputLimits.h"
#include "engine/Parameters.h"
#include "inputs/OpeningSeason.h"
#include "inputs/WeatherDays.h"
#include "soil/Soil.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tulo {

namespace {

// The input a value was read for, the label the user knows it by, and the cell when it is a table's.
struct Where {
    std::string_view input;
    std::string label;
    int row = 0;
    int column = 0;
};

// Collects a problem for each value that does not convert or lies outside its range.
class Checker {
public:
    explicit Checker(Problems& problems) : problems_(problems) {}

    void fail(const Where& where, std::string message) {
        problems_.push_back({std::string(where.input), where.row, where.column, std::move(message)});
    }
    void add(InputProblem problem) { problems_.push_back(std::move(problem)); }

    // An item without a value: a text that reads as a number did not fit the item's precision.
    void refuse(std::string_view text, const Where& where) {
        if (ParseNumber(text))
            fail(where, where.label + ": " + QuoteValue(Trim(text)) + " is out of range.");
        else
            fail(where, NotANumberMessage(where.label, text));
    }

    template <class T> std::optional<T> value(const NumberItem<T>& item, const Where& where) {
        if (!item.value) refuse(item.text, where);
        return item.value;
    }

    // A day of the season: of year 1 .. 365, or beyond for the next years' days of a season that crosses
    // 31 December.
    std::optional<std::int32_t> day(std::optional<std::int32_t> value, const Where& where) {
        if (value && (*value < 1 || *value > kLastSeasonDay)) {
            fail(where, where.label + " must be a day of year between 1 and 365, or up to " +
                            std::to_string(kLastSeasonDay) +
                            " for the next years' days of a season that crosses 31 December (it is " +
                            std::to_string(*value) + ").");
            return std::nullopt;
        }
        return value;
    }
    std::optional<std::int32_t> day(const WholeItem& item, const Where& where) {
        return day(value(item, where), where);
    }

    // A table's cell: its value, or the problem of its text.
    std::optional<double> number(const NumberTable& table, int row, int col, const Where& where) {
        const double value = table.value(row, col);
        if (!std::isnan(value)) return value;
        const std::string* kept = table.keptText(row, col);
        fail(where, NotANumberMessage(where.label, kept ? std::string_view(*kept) : std::string_view()));
        return std::nullopt;
    }
    std::optional<std::int32_t> whole(const NumberTable& table, int row, int col, const Where& where) {
        const auto value = number(table, row, col, where);
        if (!value) return std::nullopt;
        const auto converted = ToInt32(*value);
        if (!converted)
            fail(where, where.label + ": " + QuoteValue(Trim(table.text(row, col))) + " is out of range.");
        return converted;
    }

    // The value when it lies within the input's limit; otherwise a problem naming the limit.
    std::optional<double> limited(std::optional<double> value, const Where& where, std::string_view limitId) {
        if (!value) return value;
        const InputLimit& limit = *FindInputLimit(limitId);
        if (WithinLimit(limit, *value)) return value;
        fail(where, where.label + ": " + ShortestText(*value) + " " + DescribeLimit(limit) + ".");
        return std::nullopt;
    }

    // Whether a mandatory item was given; when not, its own message.
    template <class T>
    bool required(const NumberItem<T>& item, std::string_view input, std::string_view missingMessage) {
        if (item.value || !Trim(item.text).empty()) return true;
        fail({input, {}}, std::string(missingMessage));
        return false;
    }

private:
    Problems& problems_;
};

bool Blank(const NumberTable& table, int row, int col) {
    if (!std::isnan(table.value(row, col))) return false;
    const std::string* kept = table.keptText(row, col);
    return !kept || Trim(*kept).empty();
}

// A season's days: its first in the first year, and at most two years of them.
bool SeasonDaysValid(std::int32_t initialDate, std::int32_t finalDate) {
    return initialDate >= 1 && initialDate <= 366 && finalDate > initialDate &&
           finalDate - initialDate <= kLongestSeason;
}

// The control record's values.
struct Control {
    std::int32_t initialDate = 0;
    std::int32_t finalDate = 0;
    bool laiFromNdvi = false;
    std::int32_t ndviDay = 0;
    float ndviLai = 0;

    bool datesValid() const { return SeasonDaysValid(initialDate, finalDate); }
};

Control CheckControl(const SeasonConfiguration& c, const SeasonRunChoices& choices, Checker& check) {
    Control v;
    std::optional<std::int32_t> initialDate, finalDate;
    if (check.required(c.initialDate, "InitialDate", "You have not specified the Initial date"))
        initialDate = check.value(c.initialDate, {"InitialDate", "Initial date (DOY)"});
    if (check.required(c.finalDate, "FinalDate", "You have not specified the Final date"))
        finalDate = check.value(c.finalDate, {"FinalDate", "Final date (DOY)"});
    if (initialDate && finalDate && !SeasonDaysValid(*initialDate, *finalDate))
        check.fail({"FinalDate", {}},
                   "The simulation dates must satisfy 1 <= Initial date <= 366 and Initial date < Final date "
                   "<= Initial date + " +
                       std::to_string(kLongestSeason) + ", a season of at most two years (Initial date " +
                       std::to_string(*initialDate) + ", Final date " + std::to_string(*finalDate) + ").");
    v.initialDate = initialDate.value_or(0);
    v.finalDate = finalDate.value_or(0);

    v.laiFromNdvi = choices.laiFromNdvi;
    if (v.laiFromNdvi) {
        if (check.required(choices.ndviDay, "DOYforcingLAI",
                           "You have to specify the DOY corresponding to the NDVI estimation"))
            v.ndviDay =
                check.day(choices.ndviDay, {"DOYforcingLAI", "DOY of the NDVI-derived LAI"}).value_or(0);
        if (check.required(choices.ndviLai, "ForcingLAI", "You have not specified the NDVI LAI estimation"))
            v.ndviLai =
                check.value(choices.ndviLai, {"ForcingLAI", "NDVI-derived LAI (m2/m2)"}).value_or(0.0f);
    }
    return v;
}

// The code of a list's item, or a problem listing the accepted choices.
std::optional<double> ListCode(const ParameterInfo& info, const CropItem& item, Checker& check) {
    if (item.value) return item.value;
    std::string accepted;
    for (std::size_t k = 0; k < info.choices.size(); ++k)
        accepted += (k == 0                         ? "\""
                     : k + 1 == info.choices.size() ? " or \""
                                                    : ", \"") +
                    std::string(info.choices[k]) + "\"";
    check.fail({info.id, {}},
               std::string(info.label) + ": " + QuoteValue(item.text) + " is not one of " + accepted + ".");
    return std::nullopt;
}

bool ReadsDayLengths(const SeasonConfiguration& c) {
    const ParameterInfo& method = *FindParameter("IDSL");
    const CropItem& item = c.crop.at(static_cast<std::size_t>(ParameterIndex("IDSL")));
    if (!item.value || !(*item.value >= 0 && *item.value < static_cast<double>(method.choices.size())))
        return false;
    const std::string_view choice = method.choices[static_cast<std::size_t>(*item.value)];
    return choice == choice::PhotoperiodBased || choice == choice::Both;
}

CropParameters CheckCrop(const SeasonConfiguration& c, Checker& check) {
    CropParameters crop;
    // The day lengths drive only the photoperiod methods: with the temperature method their items stay
    // unread (a blank one is fine) and the run holds 0.
    const bool readDayLengths = ReadsDayLengths(c);
    std::vector<bool> known; // which parameters read correctly, for the checks between them
    const auto registry = CropParameterRegistry();
    for (std::size_t k = 0; k < registry.size(); ++k) {
        const ParameterInfo& info = registry[k];
        const CropItem& item = c.crop.at(k);
        std::optional<double> value;
        switch (info.kind) {
        case ParameterKind::Constant:
            value = DefaultParameterValue(info);
            break;
        case ParameterKind::Switch:
            value = item.value.value_or(0) == 0 ? 0 : 1;
            break;
        case ParameterKind::Code:
            value = ListCode(info, item, check);
            break;
        case ParameterKind::Number:
            // A crop sown in the field leaves the transplanting items unread, as the day lengths above.
            if (info.transplanting && !c.transplanted) {
                value = DefaultParameterValue(info);
                break;
            }
            if ((info.id == "DLC" || info.id == "DLO") && !readDayLengths) {
                value = 0;
                break;
            }
            value = check.value(item, {info.id, std::string(info.label)});
            if (value)
                if (auto problem = CheckParameterBounds(info, *value)) check.add(std::move(*problem));
            break;
        }
        SetParameter(crop, info, value.value_or(0));
        known.push_back(value.has_value());
    }
    for (InputProblem& problem : CheckParameterRelations(crop, known)) check.add(std::move(problem));
    return crop;
}

// Kept flooded deeper before flowering when asked to, against cold-induced sterility.
void CheckSterilityAvoidance(const SeasonConfiguration& c, Checker& check, ManagementParameters& m) {
    if (!c.raiseWaterAgainstColdShock) return;
    m.AvoidSterility = 1;
    const Where where{"PreFlowWaterLevel", "Water level during pre-flowering (cm)"};
    const auto level = check.value(c.preFloweringWaterLevel, where);
    m.PreFlowWaterLevel = static_cast<float>(
        check.limited(level ? std::optional<double>(*level) : std::nullopt, where, "PreFlowWaterLevel")
            .value_or(0));
}

// The sowing, and the transplanting of a crop raised in a seedbed.
void CheckCropEstablishment(const SeasonConfiguration& c, Checker& check, ManagementParameters& m) {
    if (check.required(c.sowingDate, "SowingDate", "You have not specified the sowing date"))
        m.SowingDate = check.day(c.sowingDate, {"SowingDate", "Sowing date (DOY)"}).value_or(0);
    m.Transplanted = c.transplanted;
    if (!m.Transplanted) return;
    const Where where{"TransplantingDate", "Transplanting date (DOY)"};
    if (!check.required(c.transplantingDate, "TransplantingDate",
                        "You have not specified the transplanting date"))
        return;
    if (const auto day = check.day(c.transplantingDate, where)) {
        m.TransplantingDate = *day;
        // The seedlings are raised in the seedbed from the sowing on.
        if (m.SowingDate > 0 && *day <= m.SowingDate)
            check.fail(where, "Transplanting date (DOY): day " + std::to_string(*day) +
                                  " is not after the sowing in the seedbed (day " +
                                  std::to_string(m.SowingDate) + ").");
    }
}

std::optional<double> AsReal(std::optional<float> value) {
    return value ? std::optional<double>(*value) : std::nullopt;
}

// Flooded or not, and how the water level is simulated.
void CheckIrrigation(const SeasonConfiguration& c, Checker& check, ManagementParameters& m) {
    if (Trim(c.flooding).empty())
        check.fail({"Flooding", {}}, "You have to specify the irrigation strategy");
    else if (c.flooding == choice::Flooded)
        m.Flooded = 1;
    else if (c.flooding == choice::Unflooded)
        m.Flooded = 0;
    else
        check.fail({"Flooding", {}}, "Irrigation strategy: " + QuoteValue(c.flooding) + " is not one of \"" +
                                         std::string(choice::Flooded) + "\" and \"" +
                                         std::string(choice::Unflooded) + "\".");

    // A window shows one of the two options selected, the later when a file says both.
    const bool fixed = c.fixedWaterLevel && !c.dynamicWaterLevel;
    if (m.Flooded == 1) {
        if (!fixed && !c.dynamicWaterLevel) {
            check.fail({"WaterLevelMethod", {}},
                       "You have to specify how do you want to simulate the water level");
        } else if (fixed) {
            if (check.required(c.waterLevel, "WaterLevel", "You have not specified the water level")) {
                const Where where{"WaterLevel", "Water level (cm)"};
                m.WaterLevel = static_cast<float>(
                    check.limited(AsReal(check.value(c.waterLevel, where)), where, "WaterLevel").value_or(0));
            }
        } else if (check.required(c.initialWaterLevel, "InitialWaterLevel",
                                  "You have not specified the initial water level")) {
            const Where where{"InitialWaterLevel", "Initial water level (cm)"};
            m.IniWaterLevel =
                check.limited(check.value(c.initialWaterLevel, where), where, "InitialWaterLevel")
                    .value_or(0);
        }
    } else {
        m.WaterLevel = 0;
    }
    m.DynamicLevel = c.dynamicWaterLevel;
}

void CheckLatitude(const SeasonConfiguration& c, Checker& check, ManagementParameters& m) {
    if (!check.required(c.latitude, "Latitude", "You have to specify Latitude")) return;
    const Where where{"Latitude", "Latitude (degrees)"};
    if (const auto lat = check.limited(AsReal(check.value(c.latitude, where)), where, "Latitude"))
        m.Lat = static_cast<float>(*lat);
}

// The water input table's rows that count: from the first down to the first whose initial day is
// blank, at most the window's 100, as the window's table ends there. A hand-edited file may hold rows
// past a blank one; they would never show in the window, so they never run either.
int CountedWaterInputRows(const NumberTable& input) {
    int rows = 0;
    while (rows < kWaterInputRows && rows < input.rows() && !input.text(rows, InflowFirstDay).empty()) ++rows;
    return rows;
}

// Daily water input, row by row.
void CheckWaterInputs(const SeasonConfiguration& c, Checker& check, ManagementParameters& m) {
    const NumberTable& input = c.waterInflow;
    constexpr std::string_view ids[] = {"water.FirstDay", "water.LastDay", "water.Input", "water.Hours"};
    const int rows = CountedWaterInputRows(input);
    for (int r = 0; r < rows; ++r) {
        const std::string table = "Water input table, row " + std::to_string(r + 1);
        auto cell = [&](int col, std::string_view caption) {
            return Where{ids[col], caption.empty() ? std::string() : table + ", " + std::string(caption), r,
                         col};
        };
        const auto first =
            check.day(check.whole(input, r, InflowFirstDay, cell(InflowFirstDay, "Initial DOY")),
                      cell(InflowFirstDay, "Initial DOY"));
        const auto last = check.day(check.whole(input, r, InflowLastDay, cell(InflowLastDay, "Final DOY")),
                                    cell(InflowLastDay, "Final DOY"));
        const auto mm =
            check.limited(check.number(input, r, InflowDaily, cell(InflowDaily, "Daily input (mm)")),
                          cell(InflowDaily, "Daily input (mm)"), "water.Input");
        const auto hours = check.limited(check.number(input, r, InflowHours, cell(InflowHours, "(h)")),
                                         cell(InflowHours, "(h)"), "water.Hours");
        if (!first || !last || !mm || !hours) continue;
        if (*last < *first) {
            check.fail(cell(InflowLastDay, {}), table + ": the final DOY " + std::to_string(*last) +
                                                    " is before the initial DOY " + std::to_string(*first) +
                                                    ".");
            continue;
        }
        for (int d = *first; d <= *last; ++d) {
            m.Winputmm[d] = *mm;
            m.WinputH[d] = *hours;
        }
    }
}

// Fungicide treatments: each protects the crop for 21 days after the day it is applied.
void CheckBlastTreatments(const SeasonConfiguration& c, Checker& check, ManagementParameters& m) {
    const int rows = static_cast<int>(c.treatmentDays.size());
    if (rows > kMaxTreatments)
        check.fail({"blast.Treatments", {}}, "The blast treatment table has " + std::to_string(rows) +
                                                 " rows; at most " + std::to_string(kMaxTreatments) +
                                                 " treatments are accepted.");
    m.NumTreatments = std::min(rows, kMaxTreatments);
    for (int i = 1; i <= m.NumTreatments; ++i) {
        const auto day =
            check.day(c.treatmentDays[static_cast<std::size_t>(i - 1)],
                      {"blast.TreatmentDay", "Blast treatment " + std::to_string(i) + ", DOY", i - 1, 0});
        m.TreatmentDOY[i] = day.value_or(0);
        m.WindowStart[i] = m.TreatmentDOY[i];
        m.WindowEnd[i] = m.TreatmentDOY[i] + 21;
    }
}

ManagementParameters CheckManagement(const SeasonConfiguration& c, Checker& check) {
    ManagementParameters m;
    // In this order, which is the order of the problems listed.
    CheckSterilityAvoidance(c, check, m);
    CheckCropEstablishment(c, check, m);
    CheckIrrigation(c, check, m);
    CheckLatitude(c, check, m);
    CheckWaterInputs(c, check, m);
    CheckBlastTreatments(c, check, m);
    return m;
}

// ---- The weather table.

// Beyond this many bad cells the user learns only how many more there are: a wrongly imported sheet
// would otherwise bury the first, telling, messages under hundreds of the same.
constexpr int kMaxCellMessages = 20;

// Words by which sheets title the weather columns after the day, written without blanks, underscores,
// dots or hyphens and in lower case; a title names a column when it starts with one of its words. TULO's
// own captions ("Tmax(°C)", "Rad (MJ/m2)", ...) are among them.
constexpr std::string_view kTitleWords[kWeatherCols][6] = {
    {},
    {"rain", "prec", "rr", "pioggia"},
    {"tmax", "maxt", "maximumt", "maxair", "temperaturemax", "tx"},
    {"tmin", "mint", "minimumt", "minair", "temperaturemin", "tn"},
    {"rad", "srad", "solarrad", "globalrad", "sun"},
    {"rhmax", "maxrh", "urmax", "humiditymax", "maximumhumidity", "maxhum"},
    {"rhmin", "minrh", "urmin", "humiditymin", "minimumhumidity", "minhum"},
};
constexpr std::string_view kColumnContents[kWeatherCols] = {"",
                                                            "rain (mm)",
                                                            "the maximum temperature (°C)",
                                                            "the minimum temperature (°C)",
                                                            "global radiation (MJ/m2)",
                                                            "the maximum relative humidity (%)",
                                                            "the minimum relative humidity (%)"};

std::string_view WeatherColumnId(int col) {
    return col == WeatherDay ? std::string_view("weather.Day")
                             : WeatherLimits()[static_cast<std::size_t>(col - WeatherRain)].id;
}

std::string Squeezed(std::string_view title) {
    std::string out;
    for (const char c : title)
        if (c != ' ' && c != '_' && c != '.' && c != '-' && c != '\t')
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

// The column whose quantity a title names, or the day column when it names none of them.
int ColumnNamedBy(std::string_view title) {
    const std::string squeezed = Squeezed(title);
    for (int col = WeatherRain; col < kWeatherCols; ++col)
        for (const std::string_view word : kTitleWords[col])
            if (!word.empty() && squeezed.starts_with(word)) return col;
    return WeatherDay;
}

// The table's problems: every one counts, the first ones are named.
class CellProblems {
public:
    explicit CellProblems(Problems& problems) : problems_(problems) {}
    bool naming() const { return count_ < kMaxCellMessages; }
    void add(std::string_view input, int row, int col, std::string message) {
        if (++count_ <= kMaxCellMessages)
            problems_.push_back({std::string(input), row, col, std::move(message)});
    }
    void addCell(int row, int col, std::string message) {
        add(WeatherColumnId(col), row, col, std::move(message));
    }
    int count() const { return count_; }
    // Says how many were not named.
    void closeList() {
        if (count_ > kMaxCellMessages)
            problems_.push_back({"weather", 0, 0,
                                 "... and " + std::to_string(count_ - kMaxCellMessages) +
                                     " more weather cells with problems."});
    }

private:
    Problems& problems_;
    int count_ = 0;
};

// A title that names another column's quantity means the sheet's columns stand in another order.
void CheckColumnTitles(const SeasonConfiguration& c, CellProblems& report) {
    for (int col = WeatherRain; col < kWeatherCols; ++col) {
        const std::string& title = c.weatherTitles[static_cast<std::size_t>(col)];
        const int named = ColumnNamedBy(title);
        if (named != WeatherDay && named != col)
            report.add("weather.Titles", 0, col,
                       "Weather, column " + std::to_string(col + 1) + ": its title " + QuoteValue(title) +
                           " names " + std::string(kColumnContents[named]) + ", but this column must hold " +
                           std::string(kColumnContents[col]) + ".");
    }
}

// The day column may stay blank; a number or a date must be the row's own day, so a shuffled or wrongly
// numbered sheet is not read day by day from the wrong rows, and other text tells of a table whose cells
// have moved.
void CheckDayColumn(const NumberTable& weather, int year, CellProblems& report) {
    for (int d = 1; d <= weather.rows(); ++d) {
        const int row = d - 1;
        const std::string* kept = weather.keptText(row, WeatherDay);
        // A number in its canonical text states just its value.
        if (!kept && (std::isnan(weather.value(row, WeatherDay)) || weather.value(row, WeatherDay) == d))
            continue;
        if (const auto problem = WeatherDayCellProblem(kept ? *kept : weather.text(row, WeatherDay), d, year))
            report.addCell(row, WeatherDay, "Weather, row " + std::to_string(d + 1) + ": " + *problem);
    }
}

// How messages name a season's day of the weather table: its day of year inside the first year, its
// date beyond it (a season that crosses 31 December).
std::string WeatherDayLabel(int day, int year) {
    if (day <= kLastDay) return "DOY " + std::to_string(day);
    const auto date = DateOfSeasonDay(day, year);
    if (!date || year == 0) return "day " + std::to_string(day);
    return IsoDateText(*date) + " (day " + std::to_string(day) + ")";
}

// The day and the cell the user finds it in: the sheet's row 1 holds the titles, so day d is its row
// d + 1, and column c its column c + 1.
std::string CellLabel(int day, int year, int col) {
    return "Weather, " + WeatherDayLabel(day, year) + " (cell " + CellName(day + 1, col + 1) + "), " +
           std::string(kWeatherCaptions[static_cast<std::size_t>(col)]);
}

// One day's value of a column into its series, or the cell's problem. A day the run does not read may
// be left without a value (blank or a missing-value code): a weather file need not cover the months
// outside the season. Returns whether the cell gave a value.
bool ReadCell(const NumberTable& weather, int day, int year, int col, DailySeries& series,
              CellProblems& report, bool needed) {
    const int row = day - 1;
    const double value = weather.value(row, col);
    if (std::isnan(value)) {
        if (!needed && Blank(weather, row, col)) return false;
        const std::string* kept = weather.keptText(row, col);
        report.addCell(row, col,
                       NotANumberMessage(CellLabel(day, year, col),
                                         kept ? std::string_view(*kept) : std::string_view()));
        return false;
    }
    if (IsMissingValueCode(value)) {
        if (!needed) return false;
        report.addCell(row, col,
                       CellLabel(day, year, col) + ": " + ShortestText(value) +
                           " is a missing-value code; every day needs a value.");
        return false;
    }
    const InputLimit& limit = WeatherLimits()[static_cast<std::size_t>(col - WeatherRain)];
    if (!WithinLimit(limit, value)) {
        report.addCell(row, col,
                       CellLabel(day, year, col) + ": " + ShortestText(value) + " " + DescribeLimit(limit) +
                           ".");
        return false;
    }
    series[day] = static_cast<float>(value);
    return true;
}

bool HumidityCellsBlank(const NumberTable& weather) {
    for (int row = 0; row < weather.rows(); ++row)
        if (!Blank(weather, row, WeatherRHmax) || !Blank(weather, row, WeatherRHmin)) return false;
    return true;
}

// Humidity columns whose titles a template kept but whose cells are all blank bring no humidity,
// exactly as blank titles do (with a warning); a column partly filled is read, and its blank cells are
// named.
bool HumidityGiven(const SeasonConfiguration& c, Problems& warnings) {
    const std::string& maxTitle = c.weatherTitles[WeatherRHmax];
    const std::string& minTitle = c.weatherTitles[WeatherRHmin];
    if (Trim(maxTitle).empty()) return false;
    if (!HumidityCellsBlank(c.weather)) return true;
    const std::string titles = Trim(minTitle).empty() ? "column " + QuoteValue(maxTitle) + " has a title"
                                                      : "columns " + QuoteValue(maxTitle) + " and " +
                                                            QuoteValue(minTitle) + " have titles";
    warnings.push_back({"weather.Titles", 0, WeatherRHmax,
                        "Weather: the humidity " + titles +
                            " but no values, so RHmax and RHmin are estimated from the temperatures, as "
                            "for a sheet whose humidity titles are blank."});
    return false;
}

void CheckTemperatureOrder(const DailySeries& Tmax, const DailySeries& Tmin, const std::vector<bool>& given,
                           int year, CellProblems& report) {
    for (std::size_t d = 1; d < given.size(); ++d)
        if (given[d] && Tmin[d] > Tmax[d])
            report.addCell(static_cast<int>(d) - 1, WeatherTmin,
                           "Weather, " + WeatherDayLabel(static_cast<int>(d), year) +
                               ": the minimum temperature " + ShortestText(Tmin[d]) +
                               " °C is above the maximum " + ShortestText(Tmax[d]) + " °C.");
}

struct Weather {
    DailySeries rain{}, tmax{}, tmin{}, rad{}, rhMax{}, rhMin{};
    bool humidityEstimated = false;
};

// The days `first` .. `last` are those the run reads; the others may be left without a value. A table
// that ends on the season's last day lends that day's weather to the day after, which the floodwater and
// cold-sterility steps read: a table of one year simulated through 31 December has no 1 January.
Weather CheckWeather(const SeasonConfiguration& c, int first, int last, Problems& problems,
                     Problems& warnings) {
    Weather w;
    if (Trim(c.weatherTitles[WeatherDay]).empty()) {
        problems.push_back(
            {"weather.Titles", 0, WeatherDay, "I notice something wrong with your weather file..."});
        return w;
    }
    CellProblems report(problems);
    CheckColumnTitles(c, report);
    const int year = c.year.value_or(0);
    const int days = std::min(c.weather.rows(), kDaySlots - 1);
    const bool borrowsLastDay = last == days + 1 && last > kLastDay;
    if (last > days + (borrowsLastDay ? 1 : 0)) {
        report.add("weather.Titles", 0, WeatherDay,
                   "Weather: the season's last day, " + WeatherDayLabel(last - 1, year) +
                       ", is beyond the weather table's last, " + WeatherDayLabel(days, year) +
                       "; give the season's weather to its end.");
        report.closeList();
        return w;
    }
    CheckDayColumn(c.weather, year, report);
    // The days that give both temperatures, whose order is checked.
    std::vector<bool> temperatures(static_cast<std::size_t>(days) + 1, false);
    for (int d = 1; d <= days; ++d) {
        const bool needed = d >= first && d <= last;
        ReadCell(c.weather, d, year, WeatherRain, w.rain, report, needed);
        const bool tmax = ReadCell(c.weather, d, year, WeatherTmax, w.tmax, report, needed);
        const bool tmin = ReadCell(c.weather, d, year, WeatherTmin, w.tmin, report, needed);
        temperatures[static_cast<std::size_t>(d)] = tmax && tmin;
        ReadCell(c.weather, d, year, WeatherRadiation, w.rad, report, needed);
    }
    const bool humidityGiven = HumidityGiven(c, warnings);
    if (humidityGiven)
        for (int d = 1; d <= days; ++d) {
            const bool needed = d >= first && d <= last;
            ReadCell(c.weather, d, year, WeatherRHmax, w.rhMax, report, needed);
            ReadCell(c.weather, d, year, WeatherRHmin, w.rhMin, report, needed);
        }
    if (report.count() == 0) CheckTemperatureOrder(w.tmax, w.tmin, temperatures, year, report);
    report.closeList();
    if (report.count() > 0) return w;
    if (!humidityGiven) {
        EstimateHumidities(w.tmin, w.tmax, w.rhMax, w.rhMin, days);
        w.humidityEstimated = true;
    }
    if (borrowsLastDay)
        for (DailySeries* series : {&w.rain, &w.tmax, &w.tmin, &w.rad, &w.rhMax, &w.rhMin})
            (*series)[static_cast<std::size_t>(last)] = (*series)[static_cast<std::size_t>(days)];
    return w;
}

// ---- The soil table.

enum SoilColumn {
    Thickness,
    BulkDensity,
    Carbon,
    Clay,
    Sand,
    Alpha,
    VanGenuchtenN,
    SWCres,
    FieldCapacity,
    WiltingPoint,
    Sat,
    SatK,
    SWCstart,
};

constexpr int kMaxLayers = 15;

std::string LayerName(int layer) {
    return "Soil layer " + std::to_string(layer);
}

std::string Shown(double value) {
    return FormatSignificant(value, 6);
}

std::string_view Caption(SoilColumn col) {
    return kSoilCaptions[static_cast<std::size_t>(col)];
}

// A layer's values by column; -1 (`Soil::kMissing`) where an optional value is to be estimated.
using Layer = std::array<double, kSoilCols>;

// The problems of layer `layer` (from 1), pointed at its cells.
class LayerProblems {
public:
    LayerProblems(Problems& problems, int layer) : problems_(problems), layer_(layer) {}
    void add(SoilColumn col, std::string text) {
        problems_.push_back(
            {std::string(SoilLimits()[static_cast<std::size_t>(col)].id), layer_ - 1, col, std::move(text)});
    }

private:
    Problems& problems_;
    int layer_;
};

void CheckLayerOrders(const Layer& v, int layer, LayerProblems& report) {
    auto given = [&](SoilColumn col) { return v[col] != Soil::kMissing; };
    if (v[Clay] + v[Sand] > 100.0)
        report.add(Sand, LayerName(layer) + ": clay and sand make " + Shown(v[Clay] + v[Sand]) +
                             " %; together they are at most 100 %, silt the rest.");
    // Given water contents in the order the retention curve needs: residual < wilting point < field
    // capacity < saturation.
    const SoilColumn order[] = {SWCres, WiltingPoint, FieldCapacity, Sat};
    SoilColumn lower = SWCres;
    bool anyLower = false;
    for (const SoilColumn col : order) {
        if (!given(col)) continue;
        if (anyLower && !(v[lower] < v[col]))
            report.add(col, LayerName(layer) + ": " + std::string(Caption(lower)) + " (" + Shown(v[lower]) +
                                ") must be below " + std::string(Caption(col)) + " (" + Shown(v[col]) + ").");
        lower = col;
        anyLower = true;
    }
    // The starting water multiplies field capacity: it can fill the layer up to saturation, no more.
    if (given(SWCstart) && given(FieldCapacity) && given(Sat) && v[FieldCapacity] > 0 &&
        v[SWCstart] > v[Sat] / v[FieldCapacity])
        report.add(SWCstart, LayerName(layer) + ": " + std::string(Caption(SWCstart)) + " " +
                                 Shown(v[SWCstart]) +
                                 " times field capacity is more water than saturation holds (at most " +
                                 Shown(v[Sat] / v[FieldCapacity]) + ").");
}

void CheckEstimates(const Layer& v, int layer, LayerProblems& report) {
    const double clay = v[Clay], carbon = v[Carbon], bd = v[BulkDensity];
    const double silt = 100.0 - clay - v[Sand];
    const std::string siltName = "silt (100 - clay - sand)";

    // What each estimate takes the logarithm or reciprocal of (bulk density is already above 0).
    struct Estimate {
        SoilColumn col;
        bool needsCarbon;
    };
    const Estimate estimates[] = {{Alpha, true}, {VanGenuchtenN, true}, {Sat, false}, {SatK, true}};
    bool nEstimable = true;
    for (const Estimate& e : estimates) {
        if (v[e.col] != Soil::kMissing) continue;
        std::vector<std::string> faults;
        std::string needs;
        if (e.needsCarbon) {
            needs = "carbon and " + siltName;
            if (!(carbon > 0.0)) faults.push_back("carbon is " + Shown(carbon));
        } else {
            needs = "clay and " + siltName;
            if (!(clay > 0.0)) faults.push_back("clay is " + Shown(clay));
        }
        if (!(silt > 0.0)) faults.push_back("silt is " + Shown(silt));
        if (faults.empty()) continue;
        if (e.col == VanGenuchtenN) nEstimable = false;
        std::string message = LayerName(layer) + ": " + std::string(Caption(e.col)) +
                              " is not given and cannot be estimated, which needs " + needs +
                              " above 0, but " + faults.front();
        if (faults.size() > 1) message += " and " + faults.back();
        report.add(e.col, message + ".");
    }

    // The retention curve needs m = 1 - 1/n above 0; a given n is held to that by its limit.
    if (v[VanGenuchtenN] == Soil::kMissing && nEstimable) {
        const double estimated = Soil::nPTF(clay, silt, bd, carbon);
        if (!(estimated > 1.0))
            report.add(VanGenuchtenN, LayerName(layer) + ": the van Genuchten n must be above 1 (estimated " +
                                          Shown(estimated) +
                                          "); give n, or check clay, sand, carbon and bulk density.");
    }
}

// The layers are the table's rows from the first down to the first whose thickness is blank, at most 15.
// The values go to the run as they went when they travelled as text with 15 significant digits.
void CheckSoil(const NumberTable& soil, Problems& problems, ControlParameters& control) {
    if (soil.rows() == 0 || Blank(soil, 0, Thickness)) {
        problems.push_back({std::string(SoilLimits()[Thickness].id), 0, Thickness,
                            "I notice something wrong with your soil file..."});
        return;
    }
    int layers = 0;
    while (layers < kMaxLayers && layers < soil.rows() && !Blank(soil, layers, Thickness)) ++layers;

    const std::size_t problemsBefore = problems.size();
    std::vector<Layer> values(static_cast<std::size_t>(layers));
    for (int layer = 1; layer <= layers; ++layer) {
        const int row = layer - 1;
        Layer& v = values[static_cast<std::size_t>(row)];
        LayerProblems report(problems, layer);
        bool textureRead = true;
        for (int col = Thickness; col < kSoilCols; ++col) {
            const std::string label =
                LayerName(layer) + ", " + std::string(Caption(static_cast<SoilColumn>(col)));
            // The starting water has no estimate: a blank cell would start the layer with negative water.
            const bool optional = col >= Alpha && col != SWCstart;
            v[col] = 0;
            if (optional && Blank(soil, row, col)) {
                v[col] = Soil::kMissing;
                continue;
            }
            const double value = soil.value(row, col);
            if (std::isnan(value)) {
                const std::string* kept = soil.keptText(row, col);
                report.add(static_cast<SoilColumn>(col),
                           NotANumberMessage(label, kept ? std::string_view(*kept) : std::string_view()));
                if (!optional) textureRead = false;
                continue;
            }
            v[col] = value;
            // -1 in an optional column asks for an estimate, as a blank cell does.
            if (optional && value == Soil::kMissing) continue;
            const InputLimit& limit = SoilLimits()[static_cast<std::size_t>(col)];
            if (!WithinLimit(limit, value)) {
                report.add(static_cast<SoilColumn>(col),
                           label + ": " + ShortestText(value) + " " + DescribeLimit(limit) + ".");
                if (!optional) textureRead = false;
            }
        }
        if (textureRead) CheckLayerOrders(v, layer, report);
        // The estimates can only be judged on a layer whose texture and density read correctly.
        if (textureRead) CheckEstimates(v, layer, report);
    }

    control.NLayers = layers;
    for (int layer = 1; layer <= layers; ++layer)
        for (std::size_t k = 0; k < kSoilCols; ++k)
            control.SoilLayers[static_cast<std::size_t>(layer)][k] =
                RoundToSignificant(values[static_cast<std::size_t>(layer - 1)][k], 15);
    control.SoilCorrectlyOpen = problems.size() == problemsBefore;
    // Once per compilation: every season of it starts from a copy.
    if (control.SoilCorrectlyOpen) control.soilProfile.Prepare(control.NLayers, control.SoilLayers);
}

// The crop starts counting on the later of the sowing date and the first simulated day: a sowing after
// the season, or a transplanting outside it, leaves no crop to simulate.
void CheckSeasonDates(const Control& dates, const ManagementParameters& manag, Problems& problems,
                      Problems& warnings) {
    const std::int32_t sowing = manag.SowingDate;
    if (!dates.datesValid() || sowing <= 0) return;
    if (sowing >= dates.finalDate)
        problems.push_back({"SowingDate", 0, 0,
                            "Sowing date (DOY) " + std::to_string(sowing) +
                                " is after the last simulated day " + std::to_string(dates.finalDate - 1) +
                                ": the season would have no crop."});
    else if (sowing < dates.initialDate)
        warnings.push_back({"SowingDate", 0, 0,
                            "Sowing date (DOY) " + std::to_string(sowing) +
                                " is before the first simulated day: the crop starts on DOY " +
                                std::to_string(dates.initialDate) + "."});
    // The move to the field happens at the end of a simulated day, or the season is the seedbed's.
    const std::int32_t transplanting = manag.TransplantingDate;
    if (manag.Transplanted && transplanting > sowing &&
        (transplanting < dates.initialDate || transplanting >= dates.finalDate))
        problems.push_back({"TransplantingDate", 0, 0,
                            "Transplanting date (DOY) " + std::to_string(transplanting) +
                                " is outside the simulated days " + std::to_string(dates.initialDate) +
                                " to " + std::to_string(dates.finalDate - 1) +
                                ": the seedlings would never be moved to the field."});
}

} // namespace

Compilation CompileSeason(const SeasonConfiguration& configuration, const SeasonRunChoices& choices) {
    // A file of an older layout ends before the later items, which take a new season's values.
    if (configuration.layout != ConfigurationLayout::Complete) {
        SeasonConfiguration completed = configuration;
        CompleteLayout(completed);
        return CompileSeason(completed, choices);
    }
    const SeasonConfiguration& c = configuration;
    Compilation result;
    Problems& problems = result.problems;
    Checker check(problems);
    const Control control = CheckControl(c, choices, check);
    const CropParameters crop = CheckCrop(c, check);
    ManagementParameters manag = CheckManagement(c, check);
    // The simulated days and the day either side, whose temperatures the floodwater and sterility models
    // read.
    const bool datesValid = control.datesValid();
    const Weather weather =
        CheckWeather(c, datesValid ? std::max(1, control.initialDate - 1) : 1,
                     datesValid ? control.finalDate : kLastDay, problems, result.warnings);

    auto inputs = std::make_shared<SeasonInputs>();
    // The user asked for soil dynamics: the soil table must then be complete, whether or not this
    // season's water management needs it.
    if (c.soilSimulation) CheckSoil(c.soil, problems, inputs->control);
    // The diseases window sets the class: 3 medium/resistant, 2 medium/susceptible, 1 susceptible.
    const auto& blastClass = c.blastClass.value;
    if (c.diseaseSimulation && !(blastClass && *blastClass >= 1 && *blastClass <= 3))
        problems.push_back({"BlastClass", 0, 0,
                            "Blast susceptibility class: " + QuoteValue(ItemText(c.blastClass)) +
                                " is not 1, 2 or 3; choose the variety in the diseases window."});
    CheckSeasonDates(control, manag, problems, result.warnings);
    if (!problems.empty()) return result;

    inputs->control.InitialDate = control.initialDate;
    inputs->control.FinalDate = control.finalDate;
    inputs->control.SoilSimulation = c.soilSimulation;
    inputs->control.BLASTsimulation = c.diseaseSimulation;
    inputs->control.OptReportFile = std::clamp(c.reportOption, 0, 2);
    inputs->control.Year = c.year.value_or(0);
    inputs->optiLAIndvi = control.laiFromNdvi;
    inputs->DOYforcingLAI = control.ndviDay;
    inputs->ForcingLAI = control.ndviLai;
    inputs->crop = crop;
    inputs->manag = std::move(manag);
    inputs->manag.ProductApplied = c.blastProduct != choice::NoTreatment;
    inputs->manag.BlastClass = blastClass.value_or(0);
    WeatherSeries& w = inputs->weather;
    for (int d = 1; d <= std::max(kLastDay, std::min(c.weather.rows() + 1, kDaySlots - 1)); ++d) {
        w.Rain[d] = weather.rain[d];
        w.Tmax[d] = w.TmaxAir[d] = weather.tmax[d];
        w.Tmin[d] = w.TminAir[d] = weather.tmin[d];
        w.Rad[d] = weather.rad[d];
        w.RHmax[d] = weather.rhMax[d];
        w.RHmin[d] = weather.rhMin[d];
    }
    inputs->humidityEstimated = weather.humidityEstimated;
    SealSeasonInputs(*inputs);
    result.inputs = std::move(inputs);
    return result;
}

namespace {

bool IdOfTable(std::string_view id, std::string_view table) {
    return id.starts_with(table) && (id.size() == table.size() || id[table.size()] == '.');
}

} // namespace

std::string ProblemText(const InputProblem& problem, std::string_view weatherSource,
                        std::string_view soilSource) {
    const std::string_view field = problem.field;
    const bool weather = IdOfTable(field, "weather");
    const bool soil = IdOfTable(field, "soil");
    const std::string_view source = weather ? weatherSource : soil ? soilSource : std::string_view();
    return source.empty() ? problem.text : std::string(source) + ": " + problem.text;
}

} // namespace tulo
