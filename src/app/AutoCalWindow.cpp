#include "app/AutoCalWindow.h"

#include "app/CalibrationPanel.h"
#include "app/PageTools.h"
#include "app/QtUserInterface.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace tulo::app {

AutoCalWindow::AutoCalWindow(FormModel& form, UserInterface& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), ui_(ToolWindowInterface(ui, this)) {
    setObjectName(QStringLiteral("frmAutoCal"));
    setWindowTitle(QStringLiteral("TULO - Automatic calibration"));

    toolBar_ = SettingsToolBar(
        this, {QStringLiteral("Empty the settings"), QStringLiteral("Open calibration settings (.acc)"),
               QStringLiteral("Save the calibration settings (.acc)"), [this] { newSettings(); },
               [this] { openSettings(); }, [this] { saveSettings(); }});

    panel_ = new CalibrationPanel(true, &form_);
    runner_ = new CalibrationRunner(this);
    rrmse_ = new QLineEdit;
    rrmse_->setObjectName(QStringLiteral("txtRRMSE"));
    rrmseLai_ = new QLineEdit;
    rrmseLai_->setObjectName(QStringLiteral("txtRRMSELAI"));
    for (QLineEdit* index : {rrmse_, rrmseLai_}) {
        index->setReadOnly(true);
        index->setMaximumWidth(160);
        index->setToolTip(QStringLiteral("The index of the calibrated values; Start and New empty it"));
    }
    auto* indices = new QFormLayout;
    AddRow(indices, QStringLiteral("AGB index"), rrmse_);
    AddRow(indices, QStringLiteral("LAI index"), rrmseLai_);
    static_cast<QVBoxLayout*>(panel_->progressBox()->layout())->insertLayout(0, indices);

    connect(panel_->startButton(), &QPushButton::clicked, this, [this] { start(); });
    connect(panel_->stopButton(), &QPushButton::clicked, runner_, &CalibrationRunner::stop);
    connect(panel_->exitButton(), &QPushButton::clicked, this, &QWidget::close);
    connect(runner_, &CalibrationRunner::progressed, panel_, &CalibrationPanel::showProgress);
    connect(runner_, &CalibrationRunner::finished, this, &AutoCalWindow::finished);
    // While the search runs, the boxes follow its contraction trials; at the end they show the indices of
    // the values written back.
    connect(runner_, &CalibrationRunner::contracted, this, [this](const TrialResult& trial) {
        ShowIndex(rrmse_, trial.evaluated ? std::optional(trial.agbIndex) : std::nullopt);
        ShowIndex(rrmseLai_, trial.evaluated && request_.settings.withLai ? std::optional(trial.laiIndex)
                                                                          : std::nullopt);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(toolBar_);
    layout->addWidget(panel_);
    setTexts(NewAutoCalTexts());
    resize(1150, 640);
}

AutoCalTexts AutoCalWindow::texts() const {
    AutoCalTexts texts;
    AccSettings& acc = texts.acc;
    acc.agbAndLai = panel_->agbAndLai();
    acc.agbOnly = !acc.agbAndLai;
    acc.agbWeight = panel_->agbWeight();
    acc.laiWeight = panel_->laiWeight();
    acc.objective = panel_->objective();
    acc.parameters = panel_->parameters();
    acc.initial = panel_->initial();
    acc.rrmse = rrmse_->text().toStdString();
    acc.rrmseLai = rrmseLai_->text().toStdString();
    texts.method = panel_->method();
    texts.genetic = panel_->genetic();
    texts.seed = panel_->seed();
    return texts;
}

void AutoCalWindow::setTexts(const AutoCalTexts& texts) {
    const AccSettings& acc = texts.acc;
    panel_->setAgbAndLai(acc.agbAndLai);
    panel_->setWeights(acc.agbWeight, acc.laiWeight);
    panel_->setObjective(acc.objective);
    panel_->setParameters(acc.parameters);
    panel_->setInitial(acc.initial);
    rrmse_->setText(Qs(acc.rrmse));
    rrmseLai_->setText(Qs(acc.rrmseLai));
    panel_->setMethod(texts.method);
    panel_->setGenetic(texts.genetic);
    panel_->setSeed(texts.seed);
}

bool AutoCalWindow::start() {
    if (runner_->running()) return false;
    const AutoCalTexts settings = texts();
    if (const auto refusal = CheckAutoCalStart(settings)) {
        ShowCalibrationMessage(ui_, *refusal);
        return false;
    }
    // A cancelled or unread workbook stops here, with the tables of the last calibration as they were.
    std::string chosen;
    auto agb = OpenMeasuredTable(ui_, "Measured Data (AGB)", chosen);
    if (!agb) return false;
    MeasuredTable lai;
    if (settings.acc.agbAndLai) {
        auto read = OpenMeasuredTable(ui_, "Measured Data (LAI)", chosen);
        if (!read) return false;
        lai = std::move(*read);
    }
    agb_ = std::move(*agb);
    lai_ = std::move(lai);
    if (!panel_->startSearch(PrepareAutoCal(settings, form_, agb_, lai_), request_, *runner_, ui_,
                             QStringLiteral("Searching...")))
        return false;
    // The indices shown were those of the previous result; the new search fills them again.
    ShowIndex(rrmse_, std::nullopt);
    ShowIndex(rrmseLai_, std::nullopt);
    return true;
}

void AutoCalWindow::finished(const CalibrationResult& result) {
    panel_->finishSearch(result, request_, form_, ui_, [this](const std::vector<TrialResult>& indices) {
        const TrialResult& written = indices.front();
        ShowIndex(rrmse_, written.evaluated ? std::optional(written.agbIndex) : std::nullopt);
        ShowIndex(rrmseLai_, written.evaluated && request_.settings.withLai ? std::optional(written.laiIndex)
                                                                            : std::nullopt);
    });
    emit calibrationFinished();
}

void AutoCalWindow::newSettings() {
    setTexts(NewAutoCalTexts());
    panel_->clearProgress();
}

void AutoCalWindow::openSettings() {
    const auto file = AskSettingsFileToOpen(ui_, "acc");
    if (!file) return;
    AutoCalTexts settings = texts();
    if (const Outcome read = ReadAccSettings(*file, settings.acc); !read) {
        ui_.message(file->filename().string() + ", " + read.message);
        return;
    }
    setTexts(settings);
}

void AutoCalWindow::saveSettings() {
    const auto file = AskSettingsFileToSave(ui_, "acc");
    if (!file) return;
    if (const Outcome written = WriteAccSettings(*file, texts().acc); !written) ui_.message(written.message);
}

void AutoCalWindow::closeEvent(QCloseEvent* event) {
    panel_->abandonSearch(*runner_);
    event->accept();
}

} // namespace tulo::app
