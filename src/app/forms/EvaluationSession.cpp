#include "forms/EvaluationSession.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "forms/FittingCombinations.h"
#include "forms/SpreadsheetCommands.h"

#include <algorithm>
#include <cmath>

namespace tulo {

namespace fs = std::filesystem;

double OneToOneAxisMax(const FittingMatrix& matrix) {
    const auto highest = [](const std::vector<float>& values) {
        double top = 0;
        for (const float v : values) top = std::max(top, static_cast<double>(v));
        return top;
    };
    const double measured = highest(matrix.measured), simulated = highest(matrix.simulated);
    // Halves to even, as every conversion to a whole number of the program.
    const double a = std::nearbyint(measured), b = std::nearbyint(simulated);
    double side = b < a ? a : b;
    if (side < std::max(measured, simulated)) side = std::floor(std::max(measured, simulated)) + 1;
    return side > 0 ? side : 1;
}

std::string RegressionCaption(const Regression& regression) {
    return "R2=" + FormatFitting(regression.R2, 2) + "; F=" + FormatFitting(regression.F, 4) + "(" +
           regression.mark + ")";
}

namespace {

std::string Capitalized(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

} // namespace

std::vector<std::string> EvaluationNotes(const MeasuredData& data, const Evaluation& evaluation) {
    std::vector<std::string> notes;
    for (std::string& note : ReadingNotes(data)) notes.push_back(Capitalized(std::move(note)));
    for (std::string& note : PairingNotes(evaluation)) notes.push_back(Capitalized(std::move(note)));
    const Regression& regression = evaluation.regression;
    if (!regression.failure.empty())
        notes.push_back("No regression line: " + regression.failure);
    else if (!regression.fitted)
        notes.push_back(std::to_string(evaluation.indices.n) +
                        (evaluation.indices.n == 1 ? " pair" : " pairs") +
                        ": a regression line needs at least two.");
    return notes;
}

std::string RecoveredMessage(int k) {
    return "The combination #" + std::to_string(k) + " has been successively recovered";
}

EvaluationSession::EvaluationSession(std::optional<fs::path> folder)
    : folder_(std::move(folder)), fitting_(0, 9) {
    const char* titles[] = {"ID",
                            "Back to this combination",
                            "Fuzzy Indicator",
                            "RRMSE",
                            "EF",
                            "CRM",
                            "Slope",
                            "Intercept",
                            "R2",
                            "p(F)"};
    for (int c = 0; c <= 9; ++c) fitting_.setText(0, c, titles[c]);
}

fs::path EvaluationSession::folder() const {
    return folder_ ? *folder_ : CombinationFolder();
}

EvaluationSession::Opened EvaluationSession::openMeasured(std::string_view variable, const RunState& run,
                                                          const FormModel& form, UserInterface& ui,
                                                          const std::optional<fs::path>& file) {
    if (!EvaluableVariableIndex(variable)) {
        ui.ask("Before importing measured data you have to select a variable", Buttons::OkCancel);
        return Opened::NoVariable;
    }
    Grid grid;
    std::string chosen;
    const Outcome outcome =
        file ? ImportWorkbookFile(grid, *file, ui) : OpenWorkbookIntoGrid(grid, ui, "measured data", chosen);
    // Backing out of the dialog keeps the measurements open so far.
    if (!outcome) return Opened::Cancelled;
    if (grid.text(1, 1).empty()) {
        closeMeasured();
        ui.message("The measured data have no title in their first cell (A1): row 1 holds the column "
                   "titles, then one measurement a row, the day of year and the value.");
        return Opened::NoTitles;
    }
    // Dates of the season's later years are its days after 365; of another year they would pair with
    // another season's days.
    const std::optional<int> seasonYear = ParseSeasonYear(form.text(ctl::txtSeasonYear));
    const auto initial = ParseInt32(form.text(ctl::txtInitialDate));
    const auto final = ParseInt32(form.text(ctl::txtFinalDate));
    ControlParameters days;
    days.Year = seasonYear.value_or(0);
    days.InitialDate = initial.value_or(1);
    days.FinalDate = final.value_or(days.InitialDate + 1);
    MeasuredData data = ReadMeasured(grid, seasonYear, LaterYearsOf(days));
    if (const auto refusals = MeasuredRefusals(data, seasonYear); !refusals.empty()) {
        closeMeasured();
        const std::string name = file ? file->filename().string() : fs::path(chosen).filename().string();
        std::string text = "The measured data " + name + " cannot be used:";
        for (const std::string& refusal : refusals) text += "\n" + Capitalized(refusal);
        ui.message(text);
        return Opened::Refused;
    }
    measuredGrid_ = std::move(grid);
    measuredData_ = std::move(data);
    measuredOpen_ = true;
    counter_ = 1;
    evaluateRun(variable, run, form, ui, true);
    return Opened::Evaluated;
}

void EvaluationSession::closeMeasured() {
    measuredOpen_ = false;
    measuredGrid_ = Grid();
    measuredData_ = {};
    latest_.reset();
}

bool EvaluationSession::evaluateRun(std::string_view variable, const RunState& run, const FormModel& form,
                                    UserInterface& ui, bool recordRow) {
    const auto index = EvaluableVariableIndex(variable);
    if (!measuredOpen_ || !index) return false;
    ShownEvaluation shown;
    shown.variable = std::string(variable);
    shown.table = BuildEvaluationTable(run, *index);
    MatchMeasuredToDays(shown.table, measuredData_);
    shown.evaluation = EvaluateAgainstMeasured(run, *index, measuredData_);
    shown.axisMax = OneToOneAxisMax(shown.evaluation.matrix);
    shown.caption = RegressionCaption(shown.evaluation.regression);
    shown.notes = EvaluationNotes(measuredData_, shown.evaluation);
    latest_ = std::move(shown);
    if (recordRow) record(form, ui);
    return true;
}

void EvaluationSession::record(const FormModel& form, UserInterface& ui) {
    FittingToGrid(fitting_, counter_, latest_->evaluation, form, ui, folder());
}

bool EvaluationSession::restore(int k, FormModel& form, UserInterface& ui) const {
    // One step to undo, however many values the combination brings back.
    const FormModel::Batch batch(form);
    return RestoreCombination(k, form, ui, folder());
}

void EvaluationSession::exportFittingMatrix(UserInterface& ui) const {
    const auto grid = FittingMatrixGrid(latest_ ? latest_->evaluation.matrix : FittingMatrix{}, ui);
    if (grid) SaveGridAsWorkbook(*grid, ui, "Export the Fitting Matrix");
}

} // namespace tulo
