#include "app/EvaluationPage.h"

#include "app/ChartView.h"
#include "app/GridTableModel.h"
#include "app/PageTools.h"
#include "forms/EvaluationSession.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
#include <QPushButton>
#include <QScatterSeries>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tulo::app {

namespace {

const QString kNoMeasurements =
    QStringLiteral("Run the season, choose the variable to evaluate, then open its measurements (File > Open "
                   "measured data): a workbook with titles in row 1, then the day of year and the measured "
                   "value on each row. Every later run is evaluated against them and adds a row below.");

void Style(ChartView* view, std::initializer_list<const char*> colours) {
    const QList<QAbstractSeries*> series = view->chart()->series();
    qsizetype i = 0;
    for (const char* name : colours) {
        if (i >= series.size()) break;
        const QColor colour(QString::fromLatin1(name));
        if (auto* scatter = qobject_cast<QScatterSeries*>(series[i])) {
            scatter->setColor(colour);
            scatter->setBorderColor(colour.darker(140));
        } else if (auto* line = qobject_cast<QLineSeries*>(series[i])) {
            QPen pen(colour);
            pen.setWidthF(2);
            line->setPen(pen);
        }
        ++i;
    }
    view->compactFrame();
}

// A square scale from 0 for the 1:1 chart: ticks on round values (1, 2, 2.5 or 5 times a power of ten,
// three to five divisions) and a top a little above the largest pair, whose marker would otherwise sit
// on the border, half cut away.
struct RoundScale {
    double top = 1;
    int ticks = 6;
    int decimals = 1;
};

RoundScale OneToOneScale(double highest) {
    if (!(highest > 0) || !std::isfinite(highest)) return {};
    const double wanted = highest * 1.03;
    const double least = wanted / 5; // the smallest step that keeps to five divisions
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double mantissa : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        const double step = mantissa * power;
        if (step < least * (1 - 1e-12)) continue;
        const int divisions = static_cast<int>(std::ceil(wanted / step - 1e-9));
        const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9))) +
                             (mantissa == 2.5 && power < 10 ? 1 : 0);
        return {divisions * step, divisions + 1, decimals};
    }
    return {};
}

} // namespace

EvaluationPage::EvaluationPage(const EvaluationSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    variable_ = new QComboBox;
    variable_->setObjectName(QStringLiteral("cmbEvalVariable"));
    variable_->setPlaceholderText(QStringLiteral("Choose a variable (after a run)"));
    variable_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    variable_->setMinimumContentsLength(24);
    variable_->setToolTip(QStringLiteral("The simulated variable compared with the measurements; the list "
                                         "fills after a run"));
    // The user's choice only: refilling the list after a run is no choice.
    connect(variable_, &QComboBox::activated, this, &EvaluationPage::variableChosen);
    auto* variableLabel = FieldLabel(QStringLiteral("Variable to evaluate"), variable_);

    r2_ = new QLabel;
    r2_->setObjectName(QStringLiteral("lblR2"));
    r2_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    r2_->setToolTip(QStringLiteral("Regression of simulated on measured values: R2, F and its significance "
                                   "(++ p < 0.01, + p < 0.05, ns not significant)"));
    QFont bold = r2_->font();
    bold.setBold(true);
    r2_->setFont(bold);
    r2_->hide();

    notes_ = new QLabel(kNoMeasurements);
    notes_->setObjectName(QStringLiteral("lblEvalNotes"));
    notes_->setWordWrap(true);
    notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(variableLabel);
    top->addWidget(variable_);
    top->addSpacing(24);
    top->addWidget(r2_);
    top->addStretch();

    measuredModel_ = new GridTableModel(&session_.measured(), this);
    measured_ = new QTableView;
    measured_->setObjectName(QStringLiteral("sprMeasured"));
    measured_->setModel(measuredModel_);
    measured_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    measured_->verticalHeader()->setDefaultSectionSize(measured_->fontMetrics().lineSpacing() + 6);
    measured_->setToolTip(QStringLiteral("The measurements opened: day of year and value"));
    measured_->setMinimumWidth(150);

    evaluation_ = new ChartView;
    evaluation_->setObjectName(QStringLiteral("chartEvaluation"));
    evaluation_->setMinimumSize(320, 240);
    oneToOne_ = new ChartView;
    oneToOne_->setObjectName(QStringLiteral("chartOneToOne"));
    oneToOne_->setMinimumSize(260, 240);
    oneToOne_->setHoverName(QStringLiteral("measured"));

    auto* upper = new QSplitter(Qt::Horizontal);
    upper->addWidget(measured_);
    upper->addWidget(evaluation_);
    upper->addWidget(oneToOne_);
    upper->setStretchFactor(0, 1);
    upper->setStretchFactor(1, 3);
    upper->setStretchFactor(2, 2);
    upper->setSizes({220, 1500, 1000});

    fittingModel_ = new GridTableModel(&session_.fitting(), this);
    fitting_ = new QTableView;
    fitting_->setObjectName(QStringLiteral("sprFitting"));
    fitting_->setModel(fittingModel_);
    fitting_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fitting_->setSelectionBehavior(QAbstractItemView::SelectRows);
    fitting_->verticalHeader()->setDefaultSectionSize(fitting_->fontMetrics().lineSpacing() + 12);
    fitting_->setToolTip(QStringLiteral("Every parameter combination evaluated; its button brings it back "
                                        "into the Crop page and runs it again"));
    fitting_->setMinimumHeight(120);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(upper);
    split->addWidget(fitting_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setSizes({3000, 1000});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(notes_);
    layout->addWidget(split, 1);
    refresh();
}

void EvaluationPage::setVariables(const std::vector<std::string>& names) {
    const QString chosen = variable_->currentIndex() < 0 ? QString() : variable_->currentText();
    variable_->clear();
    for (const std::string& name : names) variable_->addItem(Qs(name));
    variable_->setPlaceholderText(QStringLiteral("Choose a variable"));
    variable_->setCurrentIndex(chosen.isEmpty() ? -1 : variable_->findText(chosen));
}

std::string EvaluationPage::variable() const {
    return variable_->currentIndex() < 0 ? std::string() : variable_->currentText().toStdString();
}

void EvaluationPage::refresh() {
    measuredModel_->reset(&session_.measured());
    measured_->resizeColumnsToContents();
    // Wide enough for the day and the value with their titles, as long as the charts keep their room.
    int width = measured_->verticalHeader()->sizeHint().width() + 2 * measured_->frameWidth() +
                measured_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < measuredModel_->columnCount(); ++c) width += measured_->columnWidth(c);
    measured_->setMinimumWidth(std::clamp(width, 150, 320));
    showCharts();
    showFitting();
}

void EvaluationPage::showCharts() {
    const auto& latest = session_.latest();
    if (!latest) {
        // Blank, not a frame of empty axes.
        for (ChartView* view : {evaluation_, oneToOne_}) view->clear();
        r2_->hide();
        notes_->setText(kNoMeasurements);
        notes_->setStyleSheet({});
        return;
    }
    showSeason(*latest);
    showOneToOne(*latest);
    r2_->setText(Qs(latest->caption));
    r2_->show();
    const FittingMatrix& matrix = latest->evaluation.matrix;
    QString notes =
        matrix.measured.size() == 1
            ? QStringLiteral("1 measurement paired with a simulated day.")
            : QStringLiteral("%1 measurements paired with simulated days.").arg(matrix.measured.size());
    for (const std::string& note : latest->notes) notes += QLatin1Char(' ') + Qs(note);
    notes_->setText(notes);
    notes_->setStyleSheet(
        latest->notes.empty()
            ? QString()
            : QStringLiteral("QLabel { background: #fff3cd; color: #664d03; padding: 4px; }"));
}

void EvaluationPage::showSeason(const ShownEvaluation& latest) {
    const QString name = Qs(latest.variable);
    const EvaluationTable& table = latest.table;
    ChartSeries simulated{QStringLiteral("Simulated"), {}, false, false};
    ChartSeries measured{QStringLiteral("Measured"), {}, false, true};
    for (std::size_t j = 0; j < table.doy.size(); ++j) {
        simulated.points.emplace_back(table.doy[j], table.simulated[j]);
        // A day without a measurement holds 0, and so does a measurement of 0: neither is drawn.
        if (table.measured[j] != 0) measured.points.emplace_back(table.doy[j], table.measured[j]);
    }
    evaluation_->setSeries(name, QStringLiteral("Day of year"), name, {}, {simulated, measured});
    Style(evaluation_, {"#1b7a3a", "#d7301f"});
}

void EvaluationPage::showOneToOne(const ShownEvaluation& latest) {
    const QString name = Qs(latest.variable);
    const FittingMatrix& matrix = latest.evaluation.matrix;
    const Regression& regression = latest.evaluation.regression;
    ChartSeries pairs{QStringLiteral("Pairs"), {}, false, true};
    double highest = 0;
    for (std::size_t i = 0; i < matrix.measured.size(); ++i) {
        pairs.points.emplace_back(matrix.measured[i], matrix.simulated[i]);
        highest = std::max(
            {highest, static_cast<double>(matrix.measured[i]), static_cast<double>(matrix.simulated[i])});
    }
    const RoundScale scale = OneToOneScale(highest);
    const double side = scale.top;
    // In order of x, as the pointer's tool tip looks them up.
    std::sort(pairs.points.begin(), pairs.points.end(),
              [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    std::vector<ChartSeries> series{pairs};
    if (regression.fitted && regression.slope && regression.intercept) {
        ChartSeries line{QStringLiteral("Regression"), {}, false, false};
        for (const QPointF& p : pairs.points)
            line.points.emplace_back(p.x(),
                                     static_cast<float>(p.x() * *regression.slope + *regression.intercept));
        series.push_back(line);
    }
    series.push_back({QStringLiteral("1:1"), {QPointF(0, 0), QPointF(side, side)}, false, false});
    oneToOne_->setSeries(QStringLiteral("Simulated against measured"), QStringLiteral("Measured ") + name,
                         QStringLiteral("Simulated ") + name, {}, series);
    Style(oneToOne_, {"#1f5fbf", "#b2182b", "#777777"});
    // The same scale on both axes.
    for (QAbstractAxis* axis : oneToOne_->chart()->axes()) {
        if (auto* value = qobject_cast<QValueAxis*>(axis)) {
            value->setRange(0, side);
            value->setTickCount(scale.ticks);
            value->setMinorTickCount(0);
            value->setLabelFormat(QStringLiteral("%.%1f").arg(scale.decimals));
        }
    }
    const QList<QAbstractSeries*> drawn = oneToOne_->chart()->series();
    if (auto* identity = qobject_cast<QLineSeries*>(drawn.back())) {
        QPen pen = identity->pen();
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(1.5);
        identity->setPen(pen);
    }
}

void EvaluationPage::showFitting() {
    const Grid& grid = session_.fitting();
    fittingModel_->reset(&grid);
    // The reset took the old buttons away with the rows they sat in.
    int last = 0;
    for (int r = 1; r <= grid.rows(); ++r) {
        if (grid.text(r, 1).empty()) continue;
        auto* button = new QPushButton(Qs(grid.text(r, 1)));
        button->setObjectName(QStringLiteral("cmdCombination%1").arg(r));
        button->setToolTip(QStringLiteral("Bring combination %1 back into the Crop page and run it").arg(r));
        connect(button, &QPushButton::clicked, this, [this, r] { emit combinationRequested(r); });
        fitting_->setIndexWidget(fittingModel_->index(r - 1, 0), button);
        last = r;
    }
    fitting_->resizeColumnsToContents();
    if (session_.counter() > 1) last = session_.counter() - 1;
    if (last > 0) {
        fitting_->selectRow(last - 1);
        fitting_->scrollTo(fittingModel_->index(last - 1, 0));
    }
}

} // namespace tulo::app
