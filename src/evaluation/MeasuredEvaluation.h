#pragma once
// Evaluation of a run against field measurements of one of its variables: pairing each measurement with
// the simulated value of its day, the agreement indices, the regression of simulated on measured values
// and the rows of the fitting-combinations table.
//
// Only days the run simulated (InitialDate .. FinalDate - 1) can be paired; a measurement on any other
// day, or whose day or value is not a number, is left out and named, so that it cannot distort the
// indices.

#include "base/Calendar.h"
#include "engine/Grid.h"
#include "engine/RunState.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tulo {

// The variables that can be evaluated: the first six report headers ("DVS (-)" .. "GAI (m2/m2)").
std::vector<std::string> EvaluableVariables();
// 1 .. 6 for an evaluable header, nothing otherwise.
std::optional<int> EvaluableVariableIndex(std::string_view header);

struct Measurement {
    int row = 0; // grid row
    float doy = 0;
    float value = 0;
    int year = 0; // the date's year; 0 for a day of year
    // The date was placed in a season of a known year: `doy` counts from its 1 January (a date of the
    // next year is day 366 on).
    bool placed = false;
    std::optional<CivilDate> date{}; // the row's date, when it gave one
};

// The measurements of a grid: row 1 holds titles, then one measurement a row (column 1 the day, column 2
// the value). The day is a day of year, or a date read as its day of year in its own year's calendar
// (2000-03-01 is DOY 61): a date cell, ISO text ("2026-06-15") or day/month/year text ("15/06/2026",
// "15.06.26"). Rows left entirely empty are not measurements; rows with one of the two cells empty or
// neither a number nor a date (nor a day its year has) are skipped and listed, and so are rows whose day
// is not a day of a season (outside 1..1096). With the season's year, a date of the `laterYears` years
// after it that the season reaches (across 31 December) is placed as the season's day (base/Calendar.h),
// so that the season pairs its later days; a date of any other year keeps its day of year, for
// MeasuredRefusals to refuse.
// A second row of a day that an earlier row measured already: with the same value it is counted once,
// with another value the table is refused (which of the two is right cannot be told). A negative value
// refuses the table too: none of the evaluable variables can be below 0, and so does a row with a cell
// beyond the columns row 1 titles (at least two).
struct DayOutsideYear {
    int row = 0;
    double doy = 0;
};
struct DateBeyondSeason {
    int row = 0;
    CivilDate date;
    std::int32_t doy = 0;
};
struct RepeatedDay {
    int row = 0;
    int earlierRow = 0;
    float doy = 0;
    float value = 0;
    float earlierValue = 0;
};
struct StrayCell {
    int row = 0;
    int column = 0;
    std::string text; // quoted, for messages
};
struct MeasuredData {
    std::vector<Measurement> rows; // negative and conflicting rows included, repeated ones not
    std::vector<int> skippedRows;
    std::vector<DayOutsideYear> outsideYear;
    std::vector<DateBeyondSeason> beyondSeasonDays;
    std::vector<RepeatedDay> repeated;    // left out: counted once
    std::vector<RepeatedDay> conflicting; // refused
    std::vector<int> negative;            // rows, refused
    std::vector<StrayCell> strayCells;    // the first beyond the titled columns of each row, refused
};
MeasuredData ReadMeasured(const Grid& grid, std::optional<int> seasonYear = std::nullopt, int laterYears = 0);
// Places the dated rows of the `laterYears` years after `seasonYear` as the season's days after 365, as
// ReadMeasured does when given them: for a table read before the season was known.
void PlaceInSeason(MeasuredData& data, int seasonYear, int laterYears);
// How many years after its first a run's last simulated day falls in (0 inside one year; 0 without a
// known year).
int LaterYearsOf(const ControlParameters& control);

// Why the measurements cannot be used at all (negative values, one day with two values, cells beyond the
// titled columns), one sentence
// each naming the rows; none when they can. The evaluation, the Evaluation page and the calibration
// refuse the same tables with the same words.
// Dated rows must fall in the season's year when it is known (`seasonYear`: the year of its weather file),
// or be placed in the season (read with that year): a date of another year would pair with a day of
// another season.
std::vector<std::string> MeasuredRefusals(const MeasuredData& data,
                                          std::optional<int> seasonYear = std::nullopt);
// The rows left out while reading, with their reasons, one sentence each (starting in lower case, for a
// message that names the table first).
std::vector<std::string> ReadingNotes(const MeasuredData& data);

// The simulated variable day by day over the simulated days, with the measured value of each day (0 when
// there is none), in the units of the report (t/ha for biomass); on the day the crop finished, the crop
// as it stood that day, before the harvest cleared the field.
struct EvaluationTable {
    std::vector<int> doy;
    std::vector<float> simulated;
    std::vector<float> measured;
};
EvaluationTable BuildEvaluationTable(const RunState& run, int variable);
// A later measurement of the same day replaces an earlier one.
void MatchMeasuredToDays(EvaluationTable& table, const MeasuredData& data);

struct LeftOut {
    int row = 0;
    float doy = 0;
    std::optional<CivilDate> date{}; // the measurement's date, when it gave one
};

// The measured and simulated values of every measurement of a simulated day, in grid order.
struct FittingMatrix {
    std::vector<float> measured;
    std::vector<float> simulated;
    std::vector<LeftOut> leftOut; // measurements of days the run did not simulate
    std::vector<int> day;         // the day of each pair, so that pairs can be listed and pooled
};
FittingMatrix PairMeasuredWithSimulated(const EvaluationTable& table, const MeasuredData& data);
// The pairs of PairMeasuredWithSimulated(BuildEvaluationTable(run, variable), data) appended to
// `simulated` and `measured`, without building the table: what an objective evaluated at every trial of
// a search reads.
void AppendPairs(const RunState& run, int variable, const MeasuredData& data, std::vector<double>& simulated,
                 std::vector<double>& measured);

// Undefined (no value) where a denominator is zero.
struct AgreementIndices {
    int n = 0;
    std::optional<double> RMSE, RRMSE, EF, CRM, RRMSEcvLastPoint;
};
AgreementIndices ComputeAgreementIndices(const FittingMatrix& matrix);

// The straight line simulated = Intercept + Slope x measured, with its analysis of variance.
struct Regression {
    bool fitted = false;
    std::string failure; // why a fit of two or more pairs failed ("Singular matrix."), for the user
    std::optional<double> slope, intercept, R2, F, pF;
    std::string mark = "n/a";
};
Regression RegressSimulatedOnMeasured(const FittingMatrix& matrix);

struct Evaluation {
    FittingMatrix matrix;
    AgreementIndices indices;
    Regression regression;
    std::vector<int> skippedRows;
    // The day the crop ended (its stage reached the stage at harvest; the field is harvested at the end of
    // that day, its biomass and leaf area series are zero from then on), 0 when it did not end in the
    // simulated days; and the days of the paired measurements after that day, in grid order. They are
    // paired as any other, but compare a field sample with a bare field. A measurement of the day itself
    // is paired with the crop as it stood that day.
    std::int32_t cropEnd = 0;
    std::vector<int> afterCropEnd;
    // The same for paired measurements of days before the sowing date, when the season starts earlier.
    std::int32_t sowing = 0;
    std::vector<int> beforeSowing;
};
Evaluation EvaluateAgainstMeasured(const RunState& run, int variable, const MeasuredData& data);

// The measurements an evaluation did not pair (days the run did not simulate), and the pairs that compare
// a field sample with a bare field (before sowing, after the crop ended): one sentence each, starting in
// lower case.
std::vector<std::string> PairingNotes(const Evaluation& evaluation);
// The pairs of an evaluation whose simulated value the crop can change: not before sowing, not after the
// crop ended.
int PairsInTheCropSeason(const Evaluation& evaluation);

// At most 20 items joined, then "... and N more".
std::string CappedList(const std::vector<std::string>& items, std::string_view separator);

// A number as the fitting table shows it: "###.##" or "#.####" (no leading zero: 0.5 is ".5"); "n/a"
// for an undefined value.
std::string FormatFitting(const std::optional<double>& value, int decimals);

// Row k of the fitting-combinations table: column 1 "Comb. # k", columns 3-7 RRMSE, EF, CRM, Slope and
// Intercept ("###.##"), columns 8-9 R2 and p(F) ("#.####"); column 2 stays empty. Index 0 is column 0
// (the row number).
std::vector<std::string> FittingRow(int k, const Evaluation& evaluation);

} // namespace tulo
