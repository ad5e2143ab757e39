#include "evaluation/MeasuredEvaluation.h"

#include "base/Calendar.h"
#include "base/CellName.h"
#include "base/DailySeries.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/Outputs.h"
#include "engine/Parameters.h"
#include "engine/Season.h"
#include "evaluation/PolynomialFit.h"
#include "evaluation/Statistics.h"
#include "io/DataFolder.h"
#include "io/TextFiles.h"
#include "io/Workbook.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace tulo {

namespace fs = std::filesystem;

std::vector<std::string> EvaluableVariables() {
    std::vector<std::string> names;
    for (int i = 0; i < kEvaluableVariables; ++i)
        names.emplace_back(ReportVariables()[static_cast<std::size_t>(i)].header);
    return names;
}

std::optional<int> EvaluableVariableIndex(std::string_view header) {
    for (int i = 0; i < kEvaluableVariables; ++i)
        if (ReportVariables()[static_cast<std::size_t>(i)].header == header) return i + 1;
    return std::nullopt;
}

void PlaceInSeason(MeasuredData& data, int seasonYear, int laterYears) {
    for (Measurement& m : data.rows)
        if (m.date && !m.placed && m.year > seasonYear && m.year <= seasonYear + laterYears)
            if (const auto day = SeasonDayOfDate(*m.date, seasonYear); day && *day <= kLastSeasonDay) {
                m.doy = static_cast<float>(*day);
                m.placed = true;
            }
}

int LaterYearsOf(const ControlParameters& control) {
    if (control.Year <= 0) return 0;
    const auto last = DateOfSeasonDay(control.FinalDate - 1, control.Year);
    return last ? last->year - control.Year : 0;
}

MeasuredData ReadMeasured(const Grid& grid, std::optional<int> seasonYear, int laterYears) {
    MeasuredData data;
    std::unordered_map<float, std::size_t> firstOfDay; // index in data.rows
    // The columns row 1 titles, at least the day and the value: a cell beyond them is no part of a
    // measurement, and was most often split from its value by a decimal comma in a CSV file.
    int titled = grid.cols();
    while (titled > 2 && Trim(grid.text(1, titled)).empty()) --titled;
    for (int r = 2; r <= grid.rows(); ++r) {
        const std::string& doy = grid.text(r, 1);
        const std::string& value = grid.text(r, 2);
        for (int c = titled + 1; c <= grid.cols(); ++c)
            if (!Trim(grid.text(r, c)).empty()) {
                data.strayCells.push_back({r, c, QuoteValue(Trim(grid.text(r, c)))});
                break;
            }
        if (Trim(doy).empty() && Trim(value).empty()) continue;
        auto d = ParseNumber(doy);
        const auto date = d ? std::nullopt : ParseDateText(doy);
        const auto v = ParseNumber(value);
        if ((!d && !date) || !v || std::fabs(*v) > 3e38) {
            data.skippedRows.push_back(r);
            continue;
        }
        bool placed = false;
        if (date) {
            const auto day = DayOfYear(*date);
            if (!day) { // 31 April, 29 February 2026 and the like
                data.skippedRows.push_back(r);
                continue;
            }
            d = *day;
            // A date of the season's later years is its day counted on from the season's 1 January.
            if (seasonYear && date->year > *seasonYear && date->year <= *seasonYear + laterYears) {
                const auto seasonDay = SeasonDayOfDate(*date, *seasonYear);
                if (!seasonDay) {
                    data.beyondSeasonDays.push_back({r, *date, *day});
                    continue;
                }
                d = *seasonDay;
                placed = true;
            }
        }
        const int year = date ? date->year : 0;
        // A run simulates days of at most two years from its first 1 January, so no other day can ever
        // be paired.
        if (*d < 1 || *d > kLastSeasonDay)
            data.outsideYear.push_back({r, *d});
        else {
            const Measurement m{r, static_cast<float>(*d), static_cast<float>(*v), year, placed, date};
            const auto [earlier, first] = firstOfDay.try_emplace(m.doy, data.rows.size());
            if (!first) {
                const Measurement& e = data.rows[earlier->second];
                const RepeatedDay repeat{r, e.row, m.doy, m.value, e.value};
                if (e.value == m.value) {
                    data.repeated.push_back(repeat);
                    continue;
                }
                data.conflicting.push_back(repeat);
            }
            if (m.value < 0) data.negative.push_back(r);
            data.rows.push_back(m);
        }
    }
    return data;
}

// A table of hundreds of bad rows would bury everything else a message says.
std::string CappedList(const std::vector<std::string>& items, std::string_view separator) {
    constexpr std::size_t kShown = 20;
    std::string text;
    for (std::size_t k = 0; k < std::min(items.size(), kShown); ++k)
        text += (k ? std::string(separator) : std::string()) + items[k];
    if (items.size() > kShown) text += " ... and " + std::to_string(items.size() - kShown) + " more";
    return text;
}

std::vector<std::string> MeasuredRefusals(const MeasuredData& data, std::optional<int> seasonYear) {
    std::vector<std::string> refusals;
    if (seasonYear) {
        std::vector<std::string> rows;
        for (const Measurement& m : data.rows)
            if (m.year != 0 && m.year != *seasonYear && !m.placed)
                rows.push_back("row " + std::to_string(m.row) + " (" + std::to_string(m.year) + ")");
        if (!rows.empty())
            refusals.push_back("a date must fall in the season's year, " + std::to_string(*seasonYear) +
                               ": " + CappedList(rows, ", ") + ".");
    }
    if (!data.negative.empty()) {
        std::vector<std::string> rows;
        for (const int r : data.negative) {
            const auto m = std::find_if(data.rows.begin(), data.rows.end(),
                                        [&](const Measurement& row) { return row.row == r; });
            rows.push_back("row " + std::to_string(r) + " (" + ShortestText(m->value) + ")");
        }
        refusals.push_back("a measured value cannot be negative: " + CappedList(rows, ", ") + ".");
    }
    if (!data.strayCells.empty()) {
        std::vector<std::string> cells;
        for (const StrayCell& c : data.strayCells)
            cells.push_back("row " + std::to_string(c.row) + " (cell " + CellName(c.row, c.column) + ", " +
                            c.text + ")");
        refusals.push_back(
            "a row holds a cell beyond the columns row 1 titles, as a value split by a decimal "
            "comma does: " +
            CappedList(cells, ", ") + ".");
    }
    if (!data.conflicting.empty()) {
        std::vector<std::string> rows;
        for (const RepeatedDay& c : data.conflicting)
            rows.push_back("rows " + std::to_string(c.earlierRow) + " and " + std::to_string(c.row) +
                           " (DOY " + ShortestText(c.doy) + ": " + ShortestText(c.earlierValue) + " and " +
                           ShortestText(c.value) + ")");
        refusals.push_back("one day cannot have two different measured values: " + CappedList(rows, "; ") +
                           ".");
    }
    return refusals;
}

std::vector<std::string> ReadingNotes(const MeasuredData& data) {
    std::vector<std::string> notes;
    // Without a weather file's year the dates cannot be checked against the season's; dates of several
    // years are read each in its own year's calendar, which a user who mixed them up should hear of.
    std::vector<int> years;
    for (const Measurement& m : data.rows)
        if (m.year != 0 && std::find(years.begin(), years.end(), m.year) == years.end())
            years.push_back(m.year);
    if (years.size() > 1) {
        std::sort(years.begin(), years.end());
        std::vector<std::string> listed;
        for (const int y : years) listed.push_back(std::to_string(y));
        notes.push_back("the dates fall in more than one year (" + CappedList(listed, ", ") +
                        "); each is read as a day of its own year's calendar.");
    }
    if (!data.skippedRows.empty()) {
        std::vector<std::string> rows;
        for (const int r : data.skippedRows) rows.push_back(std::to_string(r));
        notes.push_back("rows skipped because their DOY or value is empty or not a number: " +
                        CappedList(rows, ", ") + ".");
    }
    std::vector<std::pair<int, std::string>> refused;
    for (const DayOutsideYear& o : data.outsideYear)
        refused.emplace_back(o.row, "DOY " + ShortestText(o.doy) + " is outside 1.." +
                                        std::to_string(kLastSeasonDay));
    for (const DateBeyondSeason& b : data.beyondSeasonDays) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", b.date.year, b.date.month, b.date.day);
        refused.emplace_back(b.row,
                             std::string(date) + " is more than two years after the season's 1 January");
    }
    for (const RepeatedDay& d : data.repeated)
        refused.emplace_back(d.row, "it repeats row " + std::to_string(d.earlierRow) + " (DOY " +
                                        ShortestText(d.doy) + ", " + ShortestText(d.value) +
                                        "), which is counted once");
    if (!refused.empty()) {
        std::sort(refused.begin(), refused.end());
        std::vector<std::string> rows;
        for (const auto& [row, why] : refused) rows.push_back("row " + std::to_string(row) + ": " + why);
        notes.push_back("rows skipped: " + CappedList(rows, "; ") + ".");
    }
    return notes;
}

namespace {

// The day the crop finished, when it did within the simulated days.
std::optional<std::int32_t> CropEndDay(const RunState& run) {
    const EndOfCrop end = EndOfCropValues(run);
    if (!end.finished) return std::nullopt;
    return end.day == 0 ? run.control.InitialDate : end.day + 1;
}

// A crop-chart column's value of the crop as it stood on its last day, in the chart's units.
float StandingCropValue(const RunState& run, std::int32_t day, int column) {
    const HarvestedCrop& crop = run.loop.harvested;
    switch (column) {
    case 1:
        return static_cast<float>(crop.AGB / 100.0);
    case 2:
        return static_cast<float>(crop.Panicles / 100.0);
    case 3:
        return static_cast<float>(crop.Leaves / 100.0);
    case 4:
        return static_cast<float>(crop.Stems / 100.0);
    case 5:
        return crop.LAI;
    default:
        return run.out.DVS[day];
    }
}

} // namespace

EvaluationTable BuildEvaluationTable(const RunState& run, int variable) {
    EvaluationTable table;
    if (variable < 1 || variable > kEvaluableVariables) return table;
    // The report's values of the simulated days (chart rows 0 .. FinalDate - InitialDate - 1).
    const ChartMatrix chart = FillCropChart(run);
    const int column = ReportVariables()[static_cast<std::size_t>(variable - 1)].column;
    for (int d = run.control.InitialDate; d < run.control.FinalDate; ++d) {
        table.doy.push_back(d);
        table.simulated.push_back(chart.at(d - run.control.InitialDate, column));
        table.measured.push_back(0.0f);
    }
    // The report shows the field cleared at the end of the crop's last day, but a sample of that day was
    // taken from the standing crop, as the summary at maturity weighs it.
    if (const auto end = CropEndDay(run))
        table.simulated[static_cast<std::size_t>(*end - run.control.InitialDate)] =
            StandingCropValue(run, *end, column);
    return table;
}

namespace {

std::optional<std::size_t> RowOfDay(const EvaluationTable& table, float doy) {
    for (std::size_t j = 0; j < table.doy.size(); ++j)
        if (static_cast<float>(table.doy[j]) == doy) return j;
    return std::nullopt;
}

} // namespace

void MatchMeasuredToDays(EvaluationTable& table, const MeasuredData& data) {
    for (const Measurement& m : data.rows)
        if (const auto j = RowOfDay(table, m.doy)) table.measured[*j] = m.value;
}

FittingMatrix PairMeasuredWithSimulated(const EvaluationTable& table, const MeasuredData& data) {
    FittingMatrix matrix;
    for (const Measurement& m : data.rows) {
        if (const auto j = RowOfDay(table, m.doy)) {
            matrix.measured.push_back(m.value);
            matrix.simulated.push_back(table.simulated[*j]);
            matrix.day.push_back(table.doy[*j]);
        } else {
            matrix.leftOut.push_back({m.row, m.doy, m.date});
        }
    }
    return matrix;
}

void AppendPairs(const RunState& run, int variable, const MeasuredData& data, std::vector<double>& simulated,
                 std::vector<double>& measured) {
    if (variable < 1 || variable > kEvaluableVariables) return;
    const int column = ReportVariables()[static_cast<std::size_t>(variable - 1)].column;
    const auto first = static_cast<float>(run.control.InitialDate);
    const auto beyond = static_cast<float>(run.control.FinalDate);
    // The day the crop ended, looked for only when a measured day has reached the stage at harvest.
    std::optional<std::optional<std::int32_t>> end;
    for (const Measurement& m : data.rows) {
        // The table's rows are the whole simulated days: a measurement pairs with the row of its day.
        if (!(m.doy >= first && m.doy < beyond)) continue;
        const auto day = static_cast<std::int32_t>(m.doy);
        if (static_cast<float>(day) != m.doy) continue;
        float value = CropChartValue(run, column, day);
        if (run.out.DVS[day] >= run.crop.DVSEND) {
            if (!end) end = CropEndDay(run);
            if (*end == day) value = StandingCropValue(run, day, column);
        }
        simulated.push_back(value);
        measured.push_back(m.value);
    }
}

AgreementIndices ComputeAgreementIndices(const FittingMatrix& matrix) {
    AgreementIndices indices;
    indices.n = static_cast<int>(matrix.measured.size());
    if (indices.n == 0) return indices;
    std::vector<double> simulated(1, 0.0), observed(1, 0.0);
    for (std::size_t i = 0; i < matrix.measured.size(); ++i) {
        simulated.push_back(matrix.simulated[i]);
        observed.push_back(matrix.measured[i]);
    }
    AgreementStatistics objective;
    objective.ObjectiveFunction(simulated, observed);
    indices.RMSE = objective.GetRMSE();
    indices.RRMSE = objective.GetRRMSE();
    indices.EF = objective.GetEF();
    indices.CRM = objective.GetCRM();
    indices.RRMSEcvLastPoint = objective.GetRRMSEcvLastPoint();
    return indices;
}

Regression RegressSimulatedOnMeasured(const FittingMatrix& matrix) {
    Regression regression;
    const int n = static_cast<int>(matrix.measured.size());
    if (n < 2) return regression; // no line through fewer than two points
    std::vector<double> x(1, 0.0), y(1, 0.0);
    for (int i = 0; i < n; ++i) {
        x.push_back(matrix.measured[static_cast<std::size_t>(i)]);
        y.push_back(matrix.simulated[static_cast<std::size_t>(i)]);
    }
    // Every pair carries the same weight (standard deviation 0.2), however many there are.
    const std::vector<double> sig(static_cast<std::size_t>(n) + 1, 0.2);
    constexpr int ma = 2;
    std::vector<double> a(ma + 1, 0.0);
    std::vector<int> lista = {0, 1, 2};
    PolynomialFit::Matrix covar(ma + 1, std::vector<double>(ma + 1, 0.0));
    double chisq = 0;
    PolynomialFit fit;
    fit.SetNumberOfValues(x);
    if (!fit.FitLinearLeastSquares(x, y, sig, n, a, ma, lista, ma, covar, ma, chisq)) {
        regression.failure = fit.GetFailure();
        return regression;
    }
    regression.fitted = true;
    regression.intercept = a[1];
    regression.slope = a[2];
    double explained = 0, residual = 0;
    fit.AnalysisOfVariance(x, y, ma, a, regression.mark, regression.R2, regression.F, regression.pF,
                           explained, residual);
    return regression;
}

Evaluation EvaluateAgainstMeasured(const RunState& run, int variable, const MeasuredData& data) {
    Evaluation evaluation;
    EvaluationTable table = BuildEvaluationTable(run, variable);
    MatchMeasuredToDays(table, data);
    evaluation.matrix = PairMeasuredWithSimulated(table, data);
    evaluation.regression = RegressSimulatedOnMeasured(evaluation.matrix);
    evaluation.indices = ComputeAgreementIndices(evaluation.matrix);
    evaluation.skippedRows = data.skippedRows;
    if (const auto end = CropEndDay(run)) {
        evaluation.cropEnd = *end;
        for (const Measurement& m : data.rows)
            if (m.doy > static_cast<float>(evaluation.cropEnd) && RowOfDay(table, m.doy))
                evaluation.afterCropEnd.push_back(static_cast<int>(m.doy));
    }
    if (run.manag.SowingDate > run.control.InitialDate) {
        evaluation.sowing = run.manag.SowingDate;
        for (const Measurement& m : data.rows)
            if (m.doy < static_cast<float>(evaluation.sowing) && RowOfDay(table, m.doy))
                evaluation.beforeSowing.push_back(static_cast<int>(m.doy));
    }
    return evaluation;
}

namespace {

std::string BareFieldNote(const std::vector<int>& days, std::string_view when, std::int32_t day) {
    std::vector<std::string> texts;
    for (const int d : days) texts.push_back(std::to_string(d));
    return std::to_string(days.size()) + (days.size() == 1 ? " measurement " : " measurements ") +
           std::string(when) + " DOY " + std::to_string(day) + (days.size() == 1 ? " is" : " are") +
           " compared with a bare field (DOY " + CappedList(texts, ", ") + ").";
}

} // namespace

std::vector<std::string> PairingNotes(const Evaluation& evaluation) {
    std::vector<std::string> notes;
    if (!evaluation.matrix.leftOut.empty()) {
        std::vector<std::string> rows;
        for (const LeftOut& l : evaluation.matrix.leftOut)
            rows.push_back("row " + std::to_string(l.row) + " (" +
                           (l.date ? IsoDateText(*l.date) : "DOY " + ShortestText(l.doy)) + ")");
        notes.push_back("rows not paired, the run did not simulate their day: " + CappedList(rows, ", ") +
                        ".");
    }
    if (!evaluation.beforeSowing.empty())
        notes.push_back(BareFieldNote(evaluation.beforeSowing, "before sowing on", evaluation.sowing));
    if (!evaluation.afterCropEnd.empty())
        notes.push_back(
            BareFieldNote(evaluation.afterCropEnd, "after the crop ended on", evaluation.cropEnd));
    return notes;
}

int PairsInTheCropSeason(const Evaluation& evaluation) {
    const std::size_t outside = evaluation.beforeSowing.size() + evaluation.afterCropEnd.size();
    const std::size_t pairs = evaluation.matrix.measured.size();
    return pairs > outside ? static_cast<int>(pairs - outside) : 0;
}

std::string FormatFitting(const std::optional<double>& value, int decimals) {
    if (!value || !std::isfinite(*value)) return "n/a";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, *value);
    std::string text = buffer;
    // Optional digits: no trailing zeros after the point, no zero before it.
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    if (text.starts_with("0."))
        text.erase(0, 1);
    else if (text.starts_with("-0."))
        text.erase(1, 1);
    return text;
}

std::vector<std::string> FittingRow(int k, const Evaluation& e) {
    return {std::to_string(k),
            "Comb. # " + std::to_string(k),
            "",
            FormatFitting(e.indices.RRMSE, 2),
            FormatFitting(e.indices.EF, 2),
            FormatFitting(e.indices.CRM, 2),
            FormatFitting(e.regression.slope, 2),
            FormatFitting(e.regression.intercept, 2),
            FormatFitting(e.regression.R2, 4),
            FormatFitting(e.regression.pF, 4)};
}

} // namespace tulo
