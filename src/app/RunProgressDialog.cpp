#include "app/RunProgressDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tulo::app {

namespace {
constexpr int kTickMs = 100;
}

RunProgressDialog::RunProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRitardo"));
    setWindowTitle(QStringLiteral("TULO - Sensitivity analysis runs"));

    caption_ = new QLabel;
    caption_->setObjectName(QStringLiteral("lblRitardo"));
    caption_->setMinimumWidth(360);
    run_ = new QLabel;
    run_->setObjectName(QStringLiteral("lblRun"));
    runs_ = new QLabel;
    runs_->setObjectName(QStringLiteral("lblRuns"));
    auto* counts = new QFormLayout;
    counts->addRow(QStringLiteral("Current run:"), run_);
    counts->addRow(QStringLiteral("Number of runs:"), runs_);
    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cancel_, &QPushButton::clicked, this, &RunProgressDialog::cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addLayout(counts);
    layout->addWidget(bar_);
    layout->addLayout(buttons);

    timer_ = new QTimer(this);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &RunProgressDialog::refresh);
}

void RunProgressDialog::start(std::shared_ptr<RunProgress> progress) {
    progress_ = std::move(progress);
    cancel_->setEnabled(true);
    refresh();
    show();
    raise();
    timer_->start();
}

void RunProgressDialog::stop() {
    timer_->stop();
    if (progress_) refresh();
    progress_.reset();
    hide();
}

QString RunProgressDialog::caption() const {
    return caption_->text();
}

void RunProgressDialog::reject() {
    if (progress_)
        cancel();
    else
        QDialog::reject();
}

void RunProgressDialog::refresh() {
    if (!progress_) return;
    const std::size_t total = progress_->total.load();
    const std::size_t done = progress_->done.load();
    if (progress_->cancelled.load()) {
        caption_->setText(QStringLiteral("Cancelling..."));
    } else if (total == 0) {
        caption_->setText(QStringLiteral("Drawing the sample..."));
    } else {
        // The run in progress, or the last one once all are done.
        const std::size_t current = std::min(done + 1, total);
        caption_->setText(QStringLiteral("I'm running the simulaiton ") + QString::number(current) +
                          QStringLiteral(" of ") + QString::number(total));
        run_->setText(QString::number(current));
        runs_->setText(QString::number(total));
    }
    bar_->setRange(0, total == 0 ? 0 : 1000); // busy indicator until the number of runs is known
    if (total > 0)
        bar_->setValue(static_cast<int>(1000.0 * static_cast<double>(done) / static_cast<double>(total)));
}

void RunProgressDialog::cancel() {
    if (!progress_) return;
    progress_->cancelled = true;
    cancel_->setEnabled(false);
    refresh();
}

} // namespace tulo::app
