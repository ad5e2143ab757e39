// The main window's commands of leaf area forcing with exogenous data: the LAI options' questions and
// help, one NDVI-derived value shown on the crop chart before it is accepted, the exogenous table forced
// as a whole, and the agreement of the simulated leaf area with that table. The forcing and the indices
// are the core's; this is their wiring into the window.

#include "app/LaiExoWindow.h"
#include "app/MainWindow.h"
#include "app/OutputPage.h"
#include "engine/Outputs.h"
#include "evaluation/LaiPerformance.h"
#include "forms/SeasonForm.h"
#include "forms/SpreadsheetCommands.h"

#include <QStatusBar>

#include <array>

namespace tulo::app {

namespace {

constexpr std::string_view kForced = "TULO data have been forced using NDVI estimation for LAI";

constexpr std::array<std::string_view, 5> kOptionHelp = {
    "The first (LAI calculated by TULO) uses internal routines for leaf area index simulation",
    "The second option (Forcing LAI with NDVI-derived data) allows the user to use an exogenous source of "
    "LAI data (traditionally from NDVI but it is obviously possible to introduce data obtained using any "
    "method). Before using this option, a simulation using TULO leaf area index data (first option) must be "
    "run. To use this option is necessary to specify the date (doy of the year; 1 to 365) in which the leaf "
    "area index estimation was carried out and the corresponding value of leaf area index (m2/m2)",
    "The third choice (Reinitialize and recalibrate TULO using remote sensed data) reinitializes some inputs "
    "of the model (e.g. the sowing date) and carries out a recalibration of some crop parameters (especially "
    "related to crop development)",
    "The fourth option (Use exogenous daily leaf area index) allows to use a series of leaf area index daily "
    "values instead of what is computed by the model. The excel file you open must present two columns: day "
    "of the year (1 - 365) in the first and leaf area index (m2/m2) in the second",
    "The fifth option (Exogenous LAI data periodically available) allows to use a series of leaf area index "
    "values periodically available for the simulation (excel file: day of the year in the first column, "
    "leaf area index in the second; no column headers). It works like a periodic and automatic model "
    "forcing"};

constexpr std::string_view kIndexQuestion =
    "A fuzzy indicator deriving from the aggregation of many indeces of the agreement between simulated and "
    "imported leaf area index data will be computed. If you are sure of the reliability of the latters it "
    "will represent the capability of TULO (with current settings) to simulate leaf area index. Continue?";

// The inputs read afresh, as the forcing reads the crop record again; nothing when they have a problem,
// which has been shown.
std::shared_ptr<const SeasonInputs> FreshInputs(const FormModel& form, UserInterface& ui) {
    Compilation compiled = CompileInputs(form);
    for (const InputProblem& problem : compiled.problems) ui.problem(problem);
    return std::move(compiled.inputs);
}

QString Value(const std::optional<double>& value, int decimals) {
    return value ? QString::number(*value, 'f', decimals) : QStringLiteral("n/a");
}

} // namespace

void MainWindow::showLaiHelp(int k) {
    if (k >= 1 && k <= static_cast<int>(kOptionHelp.size()))
        ui_->message(kOptionHelp[static_cast<std::size_t>(k - 1)], {}, Icon::Information);
}

void MainWindow::laiOptionClicked(int k) {
    const auto showTable = [this] {
        laiExo_->show();
        laiExo_->raise();
        laiExo_->activateWindow();
    };
    if (k == 4) {
        if (ui_->ask("Daily LAI calculated by TULO will be replaced. Are you sure you want to proceed?",
                     Buttons::OkCancel) != Answer::Ok)
            return;
        if (laiExo_->importWorkbook("Daily LAI")) showTable();
    } else if (k == 5) {
        switch (ui_->ask("You can introduce manually data or open an excel file. Do you have an already "
                         "prepared file?",
                         Buttons::YesNoCancel)) {
        case Answer::Yes:
            if (laiExo_->importWorkbook("Periodic LAI data")) showTable();
            break;
        case Answer::No:
            laiExo_->clear("Periodic LAI data");
            showTable();
            break;
        case Answer::Ok:
        case Answer::Cancel:
            break;
        }
    }
}

bool MainWindow::hasRunToForce() {
    if (hasResults_) return true;
    ui_->message(
        "Run the simulation first (LAI calculated by TULO): the LAI commands work on the season of a run.",
        {}, Icon::Exclamation);
    return false;
}

void MainWindow::forceLai() {
    if (!hasRunToForce()) return;
    const auto inputs = FreshInputs(form_, *ui_);
    if (!inputs) return;
    const LaiPoint point{inputs->DOYforcingLAI, inputs->ForcingLAI};
    InputProblem problem;
    const auto preview = PreviewForcing(*run_, point, &problem);
    if (!preview) {
        ui_->problem(problem);
        return;
    }
    // The values the correction would write, beside the season it would correct; they stay on the chart
    // whatever the answer, until the next run.
    const double day = point.doy;
    output_->setCropMarkers({{.name = QStringLiteral("NDVI GAI (m2/m2)"),
                              .points = {{day, preview->lai}},
                              .rightAxis = true,
                              .markers = true},
                             {.name = QStringLiteral("NDVI AGB tot (tDM/ha)"),
                              .points = {{day, preview->AGB / 100.0}},
                              .rightAxis = false,
                              .markers = true}});
    const bool stale = output_->isStale();
    showResults();
    output_->setStale(stale);
    showPage(Page::Output);
    if (ui_->ask("Do you accept NDVI correction?", Buttons::OkCancel) != Answer::Ok) return;
    std::vector<LaiPoint> points = forcedPoints_;
    points.push_back(point);
    applyForcing(*inputs, std::move(points));
}

void MainWindow::forceLaiFromTable() {
    if (!hasRunToForce()) return;
    Problems problems;
    const std::vector<LaiPoint> table = laiExo_->points(problems);
    for (const InputProblem& problem : problems) ui_->problem(problem);
    if (problems.empty() && table.empty())
        ui_->message(
            "The exogenous LAI table holds no data: type the days and LAI values, or open a workbook.", {},
            Icon::Exclamation);
    if (!problems.empty() || table.empty()) {
        laiExo_->show();
        return;
    }
    laiExo_->close();
    const auto inputs = FreshInputs(form_, *ui_);
    if (!inputs) return;
    // The table builds on what was forced before it, as a later forcing of the season would.
    std::vector<LaiPoint> points = forcedPoints_;
    points.insert(points.end(), table.begin(), table.end());
    applyForcing(*inputs, std::move(points));
}

void MainWindow::applyForcing(const SeasonInputs& inputs, std::vector<LaiPoint> points) {
    // The index compares the season as simulated, before any forcing.
    auto unforced = unforced_ ? nullptr : std::make_unique<RunState>(*run_);
    const ForcingOutcome outcome = ForceLai(inputs, {}, points, *run_);
    if (outcome.problem) {
        ui_->problem(*outcome.problem);
        return;
    }
    if (unforced) unforced_ = std::move(unforced);
    forcedPoints_ = std::move(points);
    results_.crop = FillCropChart(*run_);
    results_.microclimate = FillMicroclimateChart(*run_);
    BuildReportGrid(form_, *run_, results_);
    showResults();
    showPage(Page::Output);
    statusBar()->showMessage(QStringLiteral("Season forced on %1 days.").arg(outcome.forced.size()), 5000);
    ui_->message(kForced, {}, Icon::Information);
    FillOutputGrid(
        run_->control.OptReportFile, form_, *run_, results_, *ui_,
        [this](const Grid& report, std::string_view kind) { SaveGridAsWorkbook(report, *ui_, kind); });
}

void MainWindow::clearForcing() {
    forcedPoints_.clear();
    unforced_.reset();
    output_->setCropMarkers({});
}

void MainWindow::laiPerformanceIndex() {
    if (ui_->ask(kIndexQuestion, Buttons::OkCancel) != Answer::Ok) return;
    if (!hasRunToForce()) return;
    Problems problems;
    const std::vector<LaiPoint> table = laiExo_->points(problems);
    for (const InputProblem& problem : problems) ui_->problem(problem);
    if (!problems.empty()) return;
    if (table.empty()) {
        ui_->message(
            "The exogenous LAI table holds no data to compare the simulated LAI with: choose the fourth "
            "or the fifth option to open or type it.",
            {}, Icon::Exclamation);
        return;
    }
    const LaiPerformance index = ComputeLaiPerformance(unforced_ ? *unforced_ : *run_, table);
    const QString text =
        QStringLiteral("Agreement of the simulated LAI (before forcing) with the exogenous LAI data\r"
                       "Pairs: %1\rRMSE: %2 m2/m2\rRRMSE: %3 %\rEF: %4\rCRM: %5\rR²: %6\rSlope: %7\r"
                       "Intercept: %8 m2/m2")
            .arg(index.indices.n)
            .arg(Value(index.indices.RMSE, 3), Value(index.indices.RRMSE, 1), Value(index.indices.EF, 3),
                 Value(index.indices.CRM, 3), Value(index.regression.R2, 3), Value(index.regression.slope, 3),
                 Value(index.regression.intercept, 3));
    QString leftOut;
    if (!index.leftOut.empty())
        leftOut = QStringLiteral("\r%1 row(s) of days the season did not simulate were left out.")
                      .arg(index.leftOut.size());
    ui_->message((text + leftOut).toStdString(), "TULO - LAI simulation performance index",
                 Icon::Information);
}

} // namespace tulo::app
