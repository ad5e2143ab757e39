// The main window's commands of the evaluation against measured data and of the Diseases window.

#include "app/DiseasesWindow.h"
#include "app/EvaluationPage.h"
#include "app/MainWindow.h"
#include "forms/EvaluationSession.h"

#include <QAction>
#include <QStatusBar>
#include <QStyle>

#include <filesystem>

namespace tulo::app {

void MainWindow::createEvaluationActions() {
    const auto action = [this](const char* name, const QString& text, const QString& tip, auto slot) {
        auto* a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    openMeasuredAction_ = action(
        "mnuOpenMeasuredData", QStringLiteral("Open &measured data..."),
        QStringLiteral("Open measurements of the variable chosen on the Evaluation page and evaluate the "
                       "latest run against them"),
        [this] { openMeasuredData(); });
    openMeasuredAction_->setIconText(QStringLiteral("Measured data"));
    openMeasuredAction_->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    // Measurements are compared with a run: the command waits for the first one.
    openMeasuredAction_->setEnabled(false);
    exportFittingAction_ =
        action("mnuExtractFittingMatrix", QStringLiteral("Export the &fitting matrix..."),
               QStringLiteral("Save the measured and simulated pairs of the latest evaluation as a workbook"),
               [this] { evaluation_->exportFittingMatrix(*ui_); });
    exportFittingAction_->setIconText(QStringLiteral("Fitting matrix"));
    exportFittingAction_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    saveEvaluationChartAction_ =
        action("mnuSaveEvaluationChart", QStringLiteral("Save evaluation chart as image..."), {},
               [this] { saveChart(evaluationPage_->evaluationChart(), "evaluation"); });
    saveOneToOneChartAction_ = action("mnuSaveOneToOneChart", QStringLiteral("Save 1:1 chart as image..."),
                                      {}, [this] { saveChart(evaluationPage_->oneToOneChart(), "1-1"); });
    diseasesAction_ =
        action("mnuDiseases", QStringLiteral("&Diseases..."),
               QStringLiteral("The blast susceptibility of the cultivar"), [this] { openDiseases(); });
    diseasesAction_->setIconText(QStringLiteral("Diseases"));
    diseasesAction_->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
}

void MainWindow::afterRun(bool record) {
    evaluationPage_->setVariables(EvaluableVariables());
    openMeasuredAction_->setEnabled(true);
    if (evaluation_->evaluateRun(evaluationPage_->variable(), *run_, form_, *ui_, record))
        evaluationPage_->refresh();
}

// Another variable is shown against the same measurements at once, from the run on screen; like a run
// on change it records no combination.
void MainWindow::evaluateOtherVariable() {
    if (hasResults_ && evaluation_->evaluateRun(evaluationPage_->variable(), *run_, form_, *ui_, false))
        evaluationPage_->refresh();
}

bool MainWindow::openMeasuredData(const QString& file) {
    std::optional<std::filesystem::path> chosen;
    if (!file.isEmpty()) chosen = std::filesystem::path(file.toStdString());
    const auto opened = evaluation_->openMeasured(evaluationPage_->variable(), *run_, form_, *ui_, chosen);
    if (opened == EvaluationSession::Opened::Cancelled) return false;
    evaluationPage_->refresh();
    showPage(Page::Evaluation);
    return opened == EvaluationSession::Opened::Evaluated;
}

void MainWindow::restoreCombination(int k) {
    if (!evaluation_->restore(k, form_, *ui_)) return;
    // With measurements open, this run is evaluated and adds its own row.
    run();
    showPage(Page::Evaluation);
    ui_->message(RecoveredMessage(k));
}

DiseasesWindow* MainWindow::openDiseases() {
    if (!diseases_) diseases_ = new DiseasesWindow(form_, this);
    diseases_->reopen();
    diseases_->show();
    diseases_->raise();
    diseases_->activateWindow();
    return diseases_;
}

} // namespace tulo::app
