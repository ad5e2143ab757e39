#include "app/PhenologyWindow.h"

#include "app/PageTools.h"
#include "base/Calendar.h"
#include "base/Numbers.h"
#include "engine/Parameters.h"
#include "forms/FormModel.h"
#include "forms/SeasonForm.h"
#include "forms/SeasonOptions.h"
#include "forms/ToolResults.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

namespace tulo::app {

namespace {

QLineEdit* DayField(const char* name, const QString& placeholder) {
    auto* field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(name));
    field->setPlaceholderText(placeholder);
    return field;
}

QString StageCaption(PhenoStage stage) {
    QString name = Qs(StageName(stage));
    name[0] = name[0].toUpper();
    return name;
}

} // namespace

PhenologyWindow::PhenologyWindow(FormModel& form, QWidget* parent) : QDialog(parent), form_(form) {
    setObjectName(QStringLiteral("frmPhenology"));
    setWindowTitle(QStringLiteral("TULO - Phenology from observed dates"));

    const QString day = QStringLiteral("day of year or date (2024-08-01)");
    emergence_ = DayField("txtObservedEmergence", day + QStringLiteral(", optional"));
    emergence_->setToolTip(QStringLiteral("Left empty, the thermal time to emergence stays"));
    flowering_ = DayField("txtObservedFlowering", day);
    maturity_ = DayField("txtObservedMaturity", day);
    auto* days = new QFormLayout;
    days->addRow(QStringLiteral("Emergence"), emergence_);
    days->addRow(QStringLiteral("Flowering"), flowering_);
    days->addRow(QStringLiteral("Maturity"), maturity_);

    auto* fitButton = new QPushButton(QStringLiteral("Fit"));
    fitButton->setObjectName(QStringLiteral("cmdFit"));
    fitButton->setToolTip(QStringLiteral("Search the thermal times that bring the season's crop to each "
                                         "stage on its observed day"));
    connect(fitButton, &QPushButton::clicked, this, &PhenologyWindow::fit);

    values_ = new QLabel;
    values_->setObjectName(QStringLiteral("lblPhenologyValues"));
    values_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stages_ = new QTableWidget(0, 4);
    stages_->setObjectName(QStringLiteral("tblPhenologyStages"));
    stages_->setHorizontalHeaderLabels({QStringLiteral("Stage"), QStringLiteral("Observed"),
                                        QStringLiteral("Simulated"), QStringLiteral("Error (days)")});
    stages_->verticalHeader()->hide();
    stages_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stages_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    stages_->setMinimumWidth(400);
    stages_->setMaximumHeight(130);
    notes_ = new QLabel;
    notes_->setObjectName(QStringLiteral("lblPhenologyNotes"));
    notes_->setWordWrap(true);

    apply_ = new QPushButton(QStringLiteral("Apply"));
    apply_->setObjectName(QStringLiteral("cmdApply"));
    apply_->setToolTip(QStringLiteral("Write the fitted values into the crop parameters (one step to undo)"));
    apply_->setEnabled(false);
    connect(apply_, &QPushButton::clicked, this, &PhenologyWindow::apply);
    auto* closeButton = new QPushButton(QStringLiteral("Close"));
    closeButton->setObjectName(QStringLiteral("cmdExit"));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fitButton);
    buttons->addStretch();
    buttons->addWidget(apply_);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(days);
    layout->addWidget(values_);
    layout->addWidget(stages_);
    layout->addWidget(notes_);
    layout->addLayout(buttons);

    subscription_ = form_.subscribe([this](std::span<const FormChange>) {
        if (!applying_) withdraw();
    });
}

PhenologyWindow::~PhenologyWindow() {
    form_.unsubscribe(subscription_);
}

QString PhenologyWindow::valuesText() const {
    return values_->text();
}

QString PhenologyWindow::notesText() const {
    return notes_->text();
}

void PhenologyWindow::withdraw() {
    if (!fit_) return;
    fit_.reset();
    apply_->setEnabled(false);
    notes_->setText(QStringLiteral("The inputs changed since the fit: fit again."));
}

void PhenologyWindow::setObservedDays(const QString& emergence, const QString& flowering,
                                      const QString& maturity) {
    emergence_->setText(emergence);
    flowering_->setText(flowering);
    maturity_->setText(maturity);
}

void PhenologyWindow::fit() {
    fit_.reset();
    apply_->setEnabled(false);
    values_->clear();
    stages_->setRowCount(0);
    QStringList problems;
    const Compilation compiled = CompileInputs(form_);
    for (const InputProblem& problem : compiled.problems) problems << Qs(problem.text);
    ObservedStages observed;
    const auto day = [&](PhenoStage stage, const QLineEdit* field) -> std::optional<std::int32_t> {
        // A date of another year than the season's would be another season's stage.
        const SeasonDay parsed =
            ParseSeasonDay(StageCaption(stage).toStdString(), field->text().toStdString(),
                           ParseSeasonYear(form_.text(ctl::txtSeasonYear)));
        if (!parsed.doy) problems << Qs(parsed.refusal);
        return parsed.doy;
    };
    if (!emergence_->text().trimmed().isEmpty()) observed.emergence = day(PhenoStage::Emergence, emergence_);
    observed.flowering = day(PhenoStage::Flowering, flowering_).value_or(0);
    observed.maturity = day(PhenoStage::Maturity, maturity_).value_or(0);
    if (problems.isEmpty())
        for (const StageRefusal& refusal : CheckObservedStages(*compiled.inputs, observed))
            problems << StageCaption(refusal.stage) + QStringLiteral(": ") + Qs(refusal.reason) +
                            QLatin1Char('.');
    if (!problems.isEmpty()) {
        notes_->setText(problems.join(QLatin1Char('\n')));
        return;
    }

    auto run = std::make_unique<RunState>();
    fit_ = FitPhenology(*compiled.inputs, observed, *run);
    const auto registry = CropParameterRegistry();
    QStringList values;
    for (const ParameterValue& p : fit_->parameters) {
        const ParameterInfo& info = registry[static_cast<std::size_t>(p.index)];
        values << QStringLiteral("%1: %2 (was %3)")
                      .arg(Qs(info.id), Qs(ShortestText(static_cast<float>(p.value))),
                           Qs(ShortestText(static_cast<float>(GetParameter(compiled.inputs->crop, info)))));
    }
    values_->setText(values.join(QLatin1Char('\n')));
    QStringList notes;
    for (const StageResult& stage : fit_->stages) {
        const int row = stages_->rowCount();
        stages_->insertRow(row);
        const auto error = stage.error();
        const QString cells[] = {
            StageCaption(stage.stage), QString::number(stage.observed),
            stage.simulated ? QString::number(*stage.simulated) : QStringLiteral("not reached"),
            error ? (*error > 0 ? QStringLiteral("+") : QString()) + QString::number(*error)
                  : QStringLiteral("-")};
        for (int c = 0; c < 4; ++c) stages_->setItem(row, c, new QTableWidgetItem(cells[c]));
        if (!stage.note.empty())
            notes << StageCaption(stage.stage) + QStringLiteral(" missed DOY ") +
                         QString::number(stage.observed) + QStringLiteral(": ") + Qs(stage.note) +
                         QLatin1Char('.');
    }
    notes_->setText(notes.join(QLatin1Char('\n')));
    apply_->setEnabled(true);
}

void PhenologyWindow::apply() {
    if (!fit_) return;
    applying_ = true;
    WritePhenologyValues(form_, *fit_);
    applying_ = false;
    apply_->setEnabled(false);
    notes_->setText(QStringLiteral("The values are in the crop parameters; Edit > Undo takes them back."));
}

} // namespace tulo::app
