#pragma once
// The window's evaluation against measured data, as a whole: the measurements opened, the evaluation of
// the latest run with what its charts and label show, the fitting-combinations table with its counter,
// the combination files, and the fitting matrix for export. A window shows it; a test or a command line
// drives it the same way.

#include "engine/Grid.h"
#include "engine/RunState.h"
#include "evaluation/MeasuredEvaluation.h"
#include "forms/FittingCombinations.h"
#include "forms/FormModel.h"
#include "forms/UserInterface.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// The side of the square 1:1 chart: the larger of the measured and the simulated maximum, each rounded to
// a whole number, so that the two axes share one scale. Rounding may fall short of a value (12.4 -> 12),
// which would push its point off the chart: then the next whole number above the largest value is taken.
// 1 when every value is 0.
double OneToOneAxisMax(const FittingMatrix& matrix);

// "R2=.97; F=123.4567(++)": the regression's label.
std::string RegressionCaption(const Regression& regression);

// What the user should know about the pairs: rows skipped or refused, measurements of days the run did
// not simulate, measurements before sowing or after the end of the crop, a regression that could not be
// fitted. One sentence each; none when everything was paired.
std::vector<std::string> EvaluationNotes(const MeasuredData& data, const Evaluation& evaluation);

// "The combination #k has been successively recovered", after combination k is back and has run.
std::string RecoveredMessage(int k);

// The evaluation of one run as the page shows it.
struct ShownEvaluation {
    std::string variable;  // the report header evaluated
    EvaluationTable table; // simulated line and measured markers, day by day
    Evaluation evaluation;
    double axisMax = 1;  // of both axes of the 1:1 chart
    std::string caption; // RegressionCaption
    std::vector<std::string> notes;
};

class EvaluationSession {
public:
    // The combination files go to `folder`; by default to CombinationFolder(), looked up at each use.
    explicit EvaluationSession(std::optional<std::filesystem::path> folder = std::nullopt);

    enum class Opened {
        NoVariable, // no variable chosen: told so, nothing changed
        Cancelled,  // the dialog was cancelled or the import failed (and said why): nothing changed
        NoTitles,   // the sheet has no title in its first cell: told so, the measurements are closed
        Refused,    // negative values or one day with two values: told so, the measurements are closed
        Evaluated   // combination 1 is the first row of the table
    };
    // Opens measurements of `variable` (a report header; empty when none is chosen) and evaluates the
    // latest run against them: from `file` when given, else from the file the user chooses.
    Opened openMeasured(std::string_view variable, const RunState& run, const FormModel& form,
                        UserInterface& ui, const std::optional<std::filesystem::path>& file = std::nullopt);

    // After a run, with measurements open and an evaluable variable chosen: evaluates it, and when
    // `recordRow` adds its row to the fitting table and saves its combination. False when nothing was
    // evaluated.
    bool evaluateRun(std::string_view variable, const RunState& run, const FormModel& form, UserInterface& ui,
                     bool recordRow = true);

    // Puts combination k back into the form as one change; the caller runs the season again.
    bool restore(int k, FormModel& form, UserInterface& ui) const;

    // Saves the fitting matrix of the latest evaluation; "Fitting Matrix does not exist" without pairs.
    void exportFittingMatrix(UserInterface& ui) const;

    bool hasMeasured() const { return measuredOpen_; }
    const Grid& measured() const { return measuredGrid_; }
    // Row 0 holds the titles ("ID", "Back to this combination", ..., "p(F)"); row k combination k.
    const Grid& fitting() const { return fitting_; }
    int counter() const { return counter_; }
    const std::optional<ShownEvaluation>& latest() const { return latest_; }

private:
    std::filesystem::path folder() const;
    void record(const FormModel& form, UserInterface& ui);
    void closeMeasured();

    std::optional<std::filesystem::path> folder_;
    Grid measuredGrid_;
    MeasuredData measuredData_;
    bool measuredOpen_ = false;
    Grid fitting_;
    int counter_ = 1;
    std::optional<ShownEvaluation> latest_;
};

} // namespace tulo
