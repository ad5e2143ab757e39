#include "app/ReinitWindow.h"

#include "app/BackgroundTask.h"
#include "app/PageTools.h"
#include "base/Numbers.h"
#include "engine/Parameters.h"
#include "forms/FormModel.h"
#include "forms/SeasonForm.h"
#include "forms/ToolResults.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

namespace tulo::app {

namespace {

QString Number(double value) {
    if (std::isinf(value)) return QStringLiteral("infinite");
    if (!std::isfinite(value)) return QStringLiteral("-");
    return QString::number(value, 'g', 4);
}

} // namespace

ReinitWindow::ReinitWindow(FormModel& form, LaiTable table, QWidget* parent)
    : QDialog(parent), form_(form), table_(std::move(table)), task_(new BackgroundTask(this)) {
    setObjectName(QStringLiteral("frmReinit"));
    setWindowTitle(QStringLiteral("TULO - Recalibrate and reinitialize from remotely sensed LAI"));

    window_ = new QSpinBox;
    window_->setObjectName(QStringLiteral("txtSowingWindow"));
    window_->setRange(0, 180);
    window_->setValue(kReinitDefaultWindow);
    window_->setSuffix(QStringLiteral(" days"));
    window_->setToolTip(QStringLiteral("The sowing days searched either side of the configuration's sowing"));
    auto* settings = new QHBoxLayout;
    settings->addWidget(new QLabel(QStringLiteral("Sowing searched within")));
    settings->addWidget(window_);
    settings->addWidget(new QLabel(QStringLiteral("of the configuration's; TSUM1 and RUE within 0.6 to 1.4 "
                                                  "times their values")));
    settings->addStretch();

    progress_ = new QLabel;
    progress_->setObjectName(QStringLiteral("lblReinitProgress"));
    estimates_ = new QTableWidget(0, 4);
    estimates_->setObjectName(QStringLiteral("tblReinit"));
    estimates_->setHorizontalHeaderLabels({QStringLiteral("Estimate"), QStringLiteral("Value"),
                                           QStringLiteral("Standard error"), QStringLiteral("95 % range")});
    estimates_->verticalHeader()->hide();
    estimates_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    estimates_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    estimates_->setMinimumWidth(480);
    estimates_->setMaximumHeight(140);
    notes_ = new QLabel;
    notes_->setObjectName(QStringLiteral("lblReinitNotes"));
    notes_->setWordWrap(true);

    start_ = new QPushButton(QStringLiteral("Start"));
    start_->setObjectName(QStringLiteral("cmdStart"));
    start_->setToolTip(QStringLiteral("Search the sowing day and parameters whose LAI agrees best with the "
                                      "exogenous LAI table"));
    connect(start_, &QPushButton::clicked, this, &ReinitWindow::start);
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    cancel_->setToolTip(QStringLiteral("Stop the search; the best days searched so far are shown"));
    cancel_->setEnabled(false);
    connect(cancel_, &QPushButton::clicked, this, &ReinitWindow::cancel);
    accept_ = new QPushButton(QStringLiteral("Accept"));
    accept_->setObjectName(QStringLiteral("cmdAccept"));
    accept_->setToolTip(QStringLiteral("Write the sowing day and the parameters into the form (one step to "
                                       "undo)"));
    accept_->setEnabled(false);
    connect(accept_, &QPushButton::clicked, this, &ReinitWindow::acceptEstimate);
    auto* closeButton = new QPushButton(QStringLiteral("Close"));
    closeButton->setObjectName(QStringLiteral("cmdExit"));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    buttons->addStretch();
    buttons->addWidget(accept_);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settings);
    layout->addWidget(progress_);
    layout->addWidget(estimates_);
    layout->addWidget(notes_);
    layout->addLayout(buttons);

    subscription_ = form_.subscribe([this](std::span<const FormChange>) {
        if (!applying_) withdraw();
    });
}

ReinitWindow::~ReinitWindow() {
    task_->abandon();
    form_.unsubscribe(subscription_);
}

bool ReinitWindow::running() const {
    return task_->running();
}

QString ReinitWindow::notesText() const {
    return notes_->text();
}

void ReinitWindow::withdraw() {
    if (!result_) return;
    result_.reset();
    accept_->setEnabled(false);
    notes_->setText(QStringLiteral("The inputs changed since the search: start it again."));
}

std::optional<std::vector<LaiPoint>> ReinitWindow::searchInputs(QStringList& problems) {
    Problems tableProblems;
    std::vector<LaiPoint> points = table_(tableProblems);
    for (const InputProblem& problem : tableProblems) problems << Qs(problem.text);
    if (tableProblems.empty() && points.empty())
        problems << QStringLiteral("The exogenous LAI table holds no data: type the days and LAI values, or "
                                   "open a workbook.");
    const Compilation compiled = CompileInputs(form_);
    for (const InputProblem& problem : compiled.problems) problems << Qs(problem.text);
    if (!problems.isEmpty()) return std::nullopt;
    settings_ = DefaultReinitSettings(*compiled.inputs);
    settings_.sowingWindow = window_->value();
    return points;
}

void ReinitWindow::start() {
    if (running()) return;
    result_.reset();
    accept_->setEnabled(false);
    estimates_->setRowCount(0);
    QStringList problems;
    std::optional<std::vector<LaiPoint>> points = searchInputs(problems);
    if (!points) {
        notes_->setText(problems.join(QLatin1Char('\n')));
        emit searchEnded();
        return;
    }
    notes_->clear();
    progress_->setText(QStringLiteral("Searching..."));
    start_->setEnabled(false);
    cancel_->setEnabled(true);
    // The job searches a copy: the user may edit the form meanwhile, which withdraws the result.
    task_->start([this, form = form_, points = std::move(*points),
                  settings = settings_](const BackgroundTask::Run& run) {
        SearchControl control;
        control.stop = run.stopFlag();
        control.progress = [this, run, pace = ProgressPace()](std::int64_t runs, double best) mutable {
            if (!pace.due()) return;
            run.post([this, runs, best] {
                progress_->setText(
                    QStringLiteral("%1 model runs, best LAI RRMSE %2 %")
                        .arg(runs)
                        .arg(best < kOutsidePenalty ? Number(best) : QStringLiteral("none yet")));
            });
        };
        ReinitResult result;
        try {
            result = ReinitializeFromLai(form, points, settings, control);
        } catch (const std::exception& error) {
            // Nothing may leave a thread: the window says what went wrong instead.
            result.problems.push_back({"reinitialization", 0, 0, error.what()});
        }
        return std::function<void()>([this, result = std::move(result)] { finish(result); });
    });
}

void ReinitWindow::cancel() {
    task_->cancel();
}

void ReinitWindow::finish(const ReinitResult& result) {
    start_->setEnabled(true);
    cancel_->setEnabled(false);
    QStringList notes;
    for (const InputProblem& problem : result.problems) notes << Qs(problem.text);
    if (result.problems.empty() && !(result.objective < kOutsidePenalty))
        notes << (result.stopped ? QStringLiteral("Cancelled before any sowing day was searched.")
                                 : QStringLiteral("No sowing day gave a season to compare with the table: "
                                                  "nothing to accept."));
    if (!notes.isEmpty()) {
        progress_->clear();
        notes_->setText(notes.join(QLatin1Char('\n')));
        emit searchEnded();
        return;
    }
    progress_->setText(QStringLiteral("%1 model runs, %2 sowing days searched; LAI RRMSE %3 %")
                           .arg(result.runs)
                           .arg(result.days.size())
                           .arg(Number(result.objective)));
    showEstimates(result);
    if (result.stopped)
        notes << QStringLiteral("Cancelled: the estimate is the best of the days searched, without its "
                                "uncertainty.");
    else if (!result.uncertainty.note.empty())
        notes << Qs(result.uncertainty.note);
    notes_->setText(notes.join(QLatin1Char('\n')));
    result_ = result;
    accept_->setEnabled(true);
    emit searchEnded();
}

void ReinitWindow::showEstimates(const ReinitResult& result) {
    const auto row = [this](const QString& name, const QString& value, const QString& se,
                            const QString& range) {
        const int r = estimates_->rowCount();
        estimates_->insertRow(r);
        const QString cells[] = {name, value, se, range};
        for (int c = 0; c < 4; ++c) estimates_->setItem(r, c, new QTableWidgetItem(cells[c]));
    };
    row(QStringLiteral("Sowing (DOY)"), QString::number(result.sowing), QStringLiteral("-"),
        QStringLiteral("%1 to %2").arg(result.sowingLow).arg(result.sowingHigh));
    const auto registry = CropParameterRegistry();
    const CalibrationUncertainty& u = result.uncertainty;
    for (std::size_t k = 0; k < settings_.parameters.size(); ++k) {
        const ParameterInfo& info = registry[static_cast<std::size_t>(settings_.parameters[k].index)];
        const bool known = k < u.parameters.size();
        const ParameterUncertainty p = known ? u.parameters[k] : ParameterUncertainty{};
        QString range = known && std::isfinite(p.se) ? Number(p.low) + QStringLiteral(" to ") + Number(p.high)
                                                     : QStringLiteral("-");
        if (known && !p.identifiable) range += QStringLiteral(" (not identifiable)");
        row(Qs(CalibratedName(info)), Qs(CalibratedText(result.rounded[k])),
            known ? Number(p.se) : QStringLiteral("-"), range);
    }
}

void ReinitWindow::acceptEstimate() {
    if (!result_) return;
    applying_ = true;
    WriteReinitialization(form_, *result_, settings_.parameters);
    applying_ = false;
    result_.reset();
    accept_->setEnabled(false);
    notes_->setText(QStringLiteral("The sowing day and the parameters are in the form; Edit > Undo takes "
                                   "them back."));
}

} // namespace tulo::app
