#include "app/CalibrationPanel.h"

#include "app/ChartView.h"
#include "app/PageTools.h"
#include "base/Numbers.h"
#include "calibration/CalibrationParameters.h"

#include <QAbstractAxis>
#include <QAction>
#include <QButtonGroup>
#include <QChart>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <exception>

namespace tulo::app {

namespace {

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

QString BestText(double best) {
    return best < kOutsidePenalty ? QString::number(best, 'g', 6) : QStringLiteral("none yet");
}

} // namespace

QToolBar* SettingsToolBar(QWidget* window, const SettingsCommands& commands) {
    auto* bar = new QToolBar;
    bar->setObjectName(QStringLiteral("Toolbar1"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto tool = [&](const char* name, const QString& text, QStyle::StandardPixmap icon,
                          const QString& tip, const std::function<void()>& slot) {
        QAction* action = bar->addAction(window->style()->standardIcon(icon), text, window, slot);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(tip);
    };
    tool("tbNew", QStringLiteral("New"), QStyle::SP_FileIcon, commands.newTip, commands.onNew);
    tool("tbOpen", QStringLiteral("Open"), QStyle::SP_DialogOpenButton, commands.openTip, commands.onOpen);
    tool("tbSave", QStringLiteral("Save"), QStyle::SP_DialogSaveButton, commands.saveTip, commands.onSave);
    return bar;
}

void ShowCalibrationMessage(UserInterface& ui, const Message& message) {
    ui.message(message.text, message.title, message.icon);
}

void ShowIndex(QLineEdit* edit, std::optional<double> index) {
    edit->setText(index ? QString::number(*index, 'g', 6) : QString());
    edit->setToolTip(index ? Qs(ShortestText(*index)) : QString());
}

CalibrationRunner::CalibrationRunner(QObject* parent) : QObject(parent), task_(new BackgroundTask(this)) {}

void CalibrationRunner::start(CalibrationRequest request) {
    task_->abandon();
    lastBest_ = kOutsidePenalty;
    improved_.clear();
    pace_ = {};
    lastTrial_.reset();
    task_->start([this, request = std::move(request)](const BackgroundTask::Run& run) {
        SearchControl control;
        control.stop = run.stopFlag();
        control.progress = [this, run](std::int64_t runs, double best) { progress(run, runs, best, false); };
        control.contraction = [this](const TrialResult& trial) { lastTrial_ = trial; };
        CalibrationResult result;
        try {
            result = RunCalibration(request, std::move(control));
        } catch (const std::exception& error) {
            // Nothing may leave a thread: the window says what went wrong instead.
            result.outcome.problems.push_back({"calibration", 0, 0, error.what()});
        }
        progress(run, result.outcome.runs, result.outcome.objective, true);
        return std::function<void()>([this, result = std::move(result)] { emit finished(result); });
    });
}

void CalibrationRunner::progress(const BackgroundTask::Run& run, std::int64_t runs, double best, bool last) {
    if (!last && best < lastBest_) {
        lastBest_ = best;
        improved_.emplace_back(static_cast<double>(runs), best);
    }
    if (!pace_.due() && !last) return;
    run.post([this, runs, best = last ? lastBest_ : best, improved = std::exchange(improved_, {}),
              trial = std::exchange(lastTrial_, std::nullopt)] {
        emit progressed(runs, best, improved);
        if (trial) emit contracted(*trial);
    });
}

CalibrationPanel::CalibrationPanel(bool weighted, const FormModel* main, QWidget* parent)
    : QWidget(parent), weighted_(weighted), main_(main) {
    // Parameters, their ranges and initial values.
    auto* parameters = new QGroupBox(QStringLiteral("Parameters to calibrate"));
    auto* grid = new QGridLayout(parameters);
    const QString headers[] = {QStringLiteral("Parameter"), QStringLiteral("Minimum"),
                               QStringLiteral("Maximum"), QStringLiteral("Initial value")};
    for (int c = 0; c < 4; ++c) grid->addWidget(new QLabel(headers[c]), 0, c + 1);
    for (int k = 0; k < 3; ++k) {
        auto* caption = new QComboBox;
        caption->setObjectName(QStringLiteral("cmbAutoCalParam%1").arg(k));
        caption->addItem(QString());
        for (const std::string& name : CalibrationCaptionList()) caption->addItem(Qs(name));
        caption->setMinimumContentsLength(22);
        caption->setToolTip(k == 2 ? QStringLiteral("Leave empty to calibrate two parameters")
                                   : QStringLiteral("A crop parameter to calibrate"));
        captions_[k] = caption;
        const auto edit = [&](const QString& name, const QString& tip) {
            auto* line = new QLineEdit;
            line->setObjectName(name);
            line->setToolTip(tip);
            line->setMaximumWidth(90);
            return line;
        };
        mins_[k] = edit(QStringLiteral("txtParamMin%1").arg(k),
                        QStringLiteral("A trial value must lie above the minimum"));
        maxs_[k] =
            edit(QStringLiteral("txtParamMax%1").arg(k), QStringLiteral("... and at most the maximum"));
        initial_[k] = edit(QStringLiteral("txtIni%1").arg(k + 1),
                           QStringLiteral("The standard simplex starts around this value"));
        grid->addWidget(new QLabel(QString::number(k + 1)), k + 1, 0);
        grid->addWidget(caption, k + 1, 1);
        grid->addWidget(mins_[k], k + 1, 2);
        grid->addWidget(maxs_[k], k + 1, 3);
        grid->addWidget(initial_[k], k + 1, 4);
    }
    importRanges_ = new QPushButton(QStringLiteral("Import default ranges"));
    importRanges_->setObjectName(QStringLiteral("cmdImportRanges"));
    importRanges_->setToolTip(
        QStringLiteral("Put each chosen parameter's usual range into its boxes, and an initial value inside "
                       "it: the main window's, or the middle of the range"));
    connect(importRanges_, &QPushButton::clicked, this, &CalibrationPanel::importRanges);
    grid->addWidget(importRanges_, 4, 1, Qt::AlignLeft);

    // The objective.
    auto* objective = new QGroupBox(QStringLiteral("Objective function"));
    auto* objectiveLayout = new QGridLayout(objective);
    agbOnly_ = new QRadioButton(QStringLiteral("Evaluate the objective function on AGB"));
    agbOnly_->setObjectName(QStringLiteral("optAutoCal1"));
    agbAndLai_ = new QRadioButton(QStringLiteral("Evaluate the obj function on AGB and LAI"));
    agbAndLai_->setObjectName(QStringLiteral("optAutoCal2"));
    agbOnly_->setChecked(true);
    connect(agbOnly_, &QRadioButton::toggled, this, &CalibrationPanel::optionClicked);
    agbWeight_ = new QLineEdit;
    agbWeight_->setObjectName(QStringLiteral("txtAutoCalAGBweight"));
    laiWeight_ = new QLineEdit;
    laiWeight_->setObjectName(QStringLiteral("txtAutoCalLAIweight"));
    for (QLineEdit* weight : {agbWeight_, laiWeight_}) {
        weight->setMaximumWidth(70);
        weight->setToolTip(weighted ? QStringLiteral("The weight of this index in the objective")
                                    : QStringLiteral("Not used here: the objective sums the indices of "
                                                     "every data set"));
    }
    objective_ = new QComboBox;
    objective_->setObjectName(QStringLiteral("cmbObjFunction"));
    objective_->addItem(Qs(ObjectiveKindName(ObjectiveKind::RRMSE)));
    objective_->addItem(Qs(ObjectiveKindName(ObjectiveKind::RRMSEcvLastPoint)));
    objectiveLayout->addWidget(agbOnly_, 0, 0, 1, 4);
    objectiveLayout->addWidget(agbAndLai_, 1, 0, 1, 4);
    objectiveLayout->addWidget(FieldLabel(QStringLiteral("AGB weight"), agbWeight_), 2, 0);
    objectiveLayout->addWidget(agbWeight_, 2, 1);
    objectiveLayout->addWidget(FieldLabel(QStringLiteral("LAI weight"), laiWeight_), 2, 2);
    objectiveLayout->addWidget(laiWeight_, 2, 3);
    objectiveLayout->addWidget(FieldLabel(QStringLiteral("Objective"), objective_), 3, 0);
    objectiveLayout->addWidget(objective_, 3, 1, 1, 3);
    objectiveLayout->setColumnStretch(4, 1);

    // The method, with the genetic simplex's settings.
    auto* method = new QGroupBox(QStringLiteral("Simplex method"));
    auto* methodLayout = new QVBoxLayout(method);
    method_ = new QButtonGroup(this);
    const QString methods[] = {QStringLiteral("Standard simplex"), QStringLiteral("Genetic simplex")};
    auto* methodRow = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        auto* button = new QRadioButton(methods[i]);
        button->setObjectName(QStringLiteral("chkGeneticOrNot%1").arg(i));
        method_->addButton(button, i);
        methodRow->addWidget(button);
    }
    methodRow->addStretch();
    connect(method_, &QButtonGroup::idClicked, this, &CalibrationPanel::methodClicked);
    methodLayout->addLayout(methodRow);
    geneticBox_ = new QGroupBox(QStringLiteral("Genetic simplex"));
    geneticBox_->setObjectName(QStringLiteral("fraGenetic"));
    auto* geneticLayout = new QFormLayout(geneticBox_);
    const QString tips[] = {
        QStringLiteral("Simplex searches from random starts in the first generation, at most 1000"),
        QStringLiteral("The passes of each search in the first generation"),
        QStringLiteral("Generations bred after the first"),
        QStringLiteral("Share of the final vertices kept for the next generation, above 0 and at most 1"),
        QStringLiteral("Factor on the passes after each generation (1.5: half as many again)"),
        QStringLiteral("Share of the next generation's starting vertices drawn at random in the ranges, 0 to "
                       "1")};
    for (std::size_t i = 0; i < genetic_.size(); ++i) {
        genetic_[i] = new QLineEdit;
        genetic_[i]->setObjectName(QStringLiteral("txtGeneticInputs%1").arg(i));
        genetic_[i]->setToolTip(tips[i]);
        genetic_[i]->setMaximumWidth(90);
        AddRow(geneticLayout, Qs(kGeneticLabels[i]), genetic_[i]);
    }
    seed_ = new QLineEdit;
    seed_->setObjectName(QStringLiteral("txtSeed"));
    seed_->setMaximumWidth(90);
    seed_->setPlaceholderText(QStringLiteral("clock"));
    seed_->setToolTip(QStringLiteral("The same seed repeats the genetic simplex exactly; empty: a seed from "
                                     "the clock, shown at the end"));
    AddRow(geneticLayout, QStringLiteral("Seed"), seed_);
    methodLayout->addWidget(geneticBox_);

    // Progress.
    progressBox_ = new QGroupBox(QStringLiteral("Progress"));
    auto* progressLayout = new QVBoxLayout(progressBox_);
    runs_ = new QLabel;
    runs_->setObjectName(QStringLiteral("lblRuns"));
    best_ = new QLabel;
    best_->setObjectName(QStringLiteral("lblBest"));
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setWordWrap(true);
    auto* counters = new QHBoxLayout;
    counters->addWidget(runs_);
    counters->addSpacing(20);
    counters->addWidget(best_);
    counters->addStretch();
    progressLayout->addLayout(counters);
    chart_ = new ChartView;
    chart_->setObjectName(QStringLiteral("chartBest"));
    chart_->setHoverName(QStringLiteral("Model runs"));
    chart_->setMinimumSize(420, 260);
    progressLayout->addWidget(chart_, 1);
    progressLayout->addWidget(status_);

    start_ = new QPushButton(QStringLiteral("Start the Automatic Calibration Procedure"));
    start_->setObjectName(QStringLiteral("cmdAutoCal"));
    start_->setDefault(true);
    stop_ = new QPushButton(QStringLiteral("Stop"));
    stop_->setObjectName(QStringLiteral("cmdStop"));
    stop_->setToolTip(QStringLiteral("End the search and keep the best point found so far"));
    exit_ = new QPushButton(QStringLiteral("Exit"));
    exit_->setObjectName(QStringLiteral("Command1"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addStretch();
    buttons->addWidget(exit_);

    auto* left = new QVBoxLayout;
    left->addWidget(parameters);
    left->addWidget(objective);
    left->addWidget(method);
    left->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addWidget(progressBox_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);

    setGenetic(DefaultGeneticTexts());
    methodClicked();
    optionClicked();
    clearProgress();
    setRunning(false);
}

std::array<CalibrationParameterTexts, 3> CalibrationPanel::parameters() const {
    std::array<CalibrationParameterTexts, 3> p;
    for (std::size_t k = 0; k < 3; ++k)
        p[k] = {captions_[k]->currentText().toStdString(), Text(mins_[k]), Text(maxs_[k])};
    return p;
}

void CalibrationPanel::setParameters(const std::array<CalibrationParameterTexts, 3>& parameters) {
    for (std::size_t k = 0; k < 3; ++k) {
        const QString caption = Qs(parameters[k].caption);
        // A file may name a caption the list does not offer; it is shown, and Start says what is wrong.
        if (captions_[k]->findText(caption) < 0) captions_[k]->addItem(caption);
        captions_[k]->setCurrentIndex(captions_[k]->findText(caption));
        mins_[k]->setText(Qs(parameters[k].min));
        maxs_[k]->setText(Qs(parameters[k].max));
    }
}

std::array<std::string, 3> CalibrationPanel::initial() const {
    return {Text(initial_[0]), Text(initial_[1]), Text(initial_[2])};
}

void CalibrationPanel::setInitial(const std::array<std::string, 3>& initial) {
    for (std::size_t k = 0; k < 3; ++k) initial_[k]->setText(Qs(initial[k]));
}

bool CalibrationPanel::agbAndLai() const {
    return agbAndLai_->isChecked();
}

void CalibrationPanel::setAgbAndLai(bool on) {
    (on ? agbAndLai_ : agbOnly_)->setChecked(true);
}

std::string CalibrationPanel::agbWeight() const {
    return Text(agbWeight_);
}

std::string CalibrationPanel::laiWeight() const {
    return Text(laiWeight_);
}

void CalibrationPanel::setWeights(const std::string& agb, const std::string& lai) {
    agbWeight_->setText(Qs(agb));
    laiWeight_->setText(Qs(lai));
}

std::string CalibrationPanel::objective() const {
    return objective_->currentText().toStdString();
}

void CalibrationPanel::setObjective(const std::string& objective) {
    const QString text = Qs(objective);
    if (objective_->findText(text) < 0) objective_->addItem(text);
    objective_->setCurrentIndex(objective_->findText(text));
}

SimplexMethod CalibrationPanel::method() const {
    switch (method_->checkedId()) {
    case 0:
        return SimplexMethod::Standard;
    case 1:
        return SimplexMethod::Genetic;
    default:
        return SimplexMethod::None;
    }
}

void CalibrationPanel::setMethod(SimplexMethod method) {
    if (method == SimplexMethod::None) {
        // An exclusive group keeps one button checked: it lets go only while not exclusive.
        method_->setExclusive(false);
        for (QAbstractButton* button : method_->buttons()) button->setChecked(false);
        method_->setExclusive(true);
    } else {
        method_->button(method == SimplexMethod::Genetic ? 1 : 0)->setChecked(true);
    }
    methodClicked();
}

std::array<std::string, 6> CalibrationPanel::genetic() const {
    std::array<std::string, 6> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = Text(genetic_[i]);
    return texts;
}

void CalibrationPanel::setGenetic(const std::array<std::string, 6>& genetic) {
    for (std::size_t i = 0; i < genetic.size(); ++i) genetic_[i]->setText(Qs(genetic[i]));
}

std::string CalibrationPanel::seed() const {
    return Text(seed_);
}

void CalibrationPanel::setSeed(const std::string& seed) {
    seed_->setText(Qs(seed));
}

void CalibrationPanel::clearProgress() {
    points_.clear();
    runs_->setText(QStringLiteral("Model runs: 0"));
    best_->setText(QStringLiteral("Best objective: none yet"));
    status_->clear();
    // Axes without a point to show would only count from 0 to 1.
    chart_->clear(QStringLiteral("Best objective against model runs"));
}

void CalibrationPanel::showProgress(qint64 runs, double best, const std::vector<QPointF>& improved) {
    points_.insert(points_.end(), improved.begin(), improved.end());
    runs_->setText(QStringLiteral("Model runs: %1").arg(runs));
    best_->setText(QStringLiteral("Best objective: ") + BestText(best));
    if (points_.empty()) return;
    // The line runs on to the runs made so far, at the best value they reached.
    std::vector<QPointF> line = points_;
    if (line.back().x() < static_cast<double>(runs))
        line.emplace_back(static_cast<double>(runs), line.back().y());
    chart_->setSeries(QStringLiteral("Best objective against model runs"), QStringLiteral("Model runs"),
                      QStringLiteral("Objective"), {},
                      {{QStringLiteral("Best objective so far"), std::move(line)}});
}

void CalibrationPanel::showStatus(const QString& text) {
    status_->setText(text);
}

void CalibrationPanel::setRunning(bool running) {
    start_->setEnabled(!running);
    stop_->setEnabled(running);
    importRanges_->setEnabled(!running);
}

void CalibrationPanel::importRanges() {
    auto p = parameters();
    auto initial = this->initial();
    ImportDefaultRanges(p, &initial, main_);
    setParameters(p);
    setInitial(initial);
}

void CalibrationPanel::methodClicked() {
    geneticBox_->setEnabled(method() == SimplexMethod::Genetic);
}

void CalibrationPanel::optionClicked() {
    const bool on = weighted_ && agbAndLai_->isChecked();
    agbWeight_->setEnabled(on);
    laiWeight_->setEnabled(on);
}

bool CalibrationPanel::startSearch(PreparedCalibration prepared, CalibrationRequest& request,
                                   CalibrationRunner& runner, UserInterface& ui, const QString& status) {
    if (prepared.refusal) {
        ShowCalibrationMessage(ui, *prepared.refusal);
        return false;
    }
    if (!prepared.inputProblems.empty()) {
        for (const InputProblem& problem : prepared.inputProblems) ui.problem(problem);
        return false;
    }
    if (!prepared.notes.empty()) {
        std::string text;
        for (const std::string& note : prepared.notes) text += (text.empty() ? "" : "\n") + note;
        ui.message(text, kCalibrationTitle, Icon::Information);
    }
    request = std::move(prepared.request);
    clearProgress();
    showStatus(status);
    setRunning(true);
    runner.start(request);
    return true;
}

void CalibrationPanel::finishSearch(const CalibrationResult& result, const CalibrationRequest& request,
                                    FormModel& form, UserInterface& ui, const IndexDisplay& showIndices) {
    setRunning(false);
    const CalibrationOutcome& outcome = result.outcome;
    if (!outcome.problems.empty()) {
        showStatus({});
        ui.message(outcome.problems.front().text, kCalibrationTitle, Icon::Critical);
        return;
    }
    if (result.traceError) ui.message(*result.traceError);
    QString status =
        QStringLiteral("%1 model runs in %2 s.").arg(outcome.runs).arg(result.seconds, 0, 'f', 1);
    if (outcome.seed >= 0) status += QStringLiteral(" Seed %1.").arg(outcome.seed);
    if (!outcome.failed) {
        WriteCalibratedValues(form, request.choices, outcome.rounded);
        showIndices(DataSetIndices(request, outcome.rounded));
        QStringList values;
        for (std::size_t k = 0; k < request.choices.size(); ++k)
            values << Qs(CalibrationCaption(*request.choices[k].info)) + QStringLiteral(" ") +
                          Qs(CalibratedText(outcome.rounded[k]));
        status += QStringLiteral(" ") + values.join(QStringLiteral(", ")) + QLatin1Char('.');
        if (const auto warning = IdentifiabilityLine(result, request.choices))
            status += QLatin1Char('\n') + Qs(*warning);
    }
    showStatus(status);
    ShowCalibrationMessage(ui, FinalMessage(outcome));
}

void CalibrationPanel::abandonSearch(CalibrationRunner& runner) {
    // Closing during a search abandons it: nothing is written.
    if (!runner.running()) return;
    runner.abandon();
    setRunning(false);
    showStatus(QStringLiteral("Stopped when the window closed: nothing was written."));
}

} // namespace tulo::app
