#include "app/SAChartWindow.h"

#include "app/ChartView.h"
#include "app/GridTableModel.h"
#include "app/PageTools.h"
#include "app/QtUserInterface.h"
#include "forms/SetupForm.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QPieSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tulo::app {

namespace {

ChartView* NewChartView(const char* name) {
    auto* view = new ChartView;
    view->setObjectName(QString::fromLatin1(name));
    // Bars, slices and a few points: nothing to zoom into.
    view->setRubberBand(QChartView::NoRubberBand);
    view->setMinimumHeight(320);
    return view;
}

// The view shows `chart` from now on; the one it showed goes.
void ReplaceChart(QChartView* view, QChart* chart) {
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

// Bars of one value per factor, the factors' labels down the side (they are too long to go across).
void FillBars(QChartView* view, const QString& title, const QString& valueName,
              const std::vector<sensitivity::FactorResult>& factors,
              double sensitivity::FactorResult::*value) {
    auto* chart = new QChart;
    chart->setTitle(title);
    auto* set = new QBarSet(valueName);
    QStringList labels;
    double low = 0, high = 0;
    // The first factor on top, as in the grid.
    for (auto it = factors.rbegin(); it != factors.rend(); ++it) {
        if (!it->varied) continue;
        const double v = (*it).*value;
        *set << v;
        labels << Qs(it->label);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(labels);
    chart->addAxis(categories, Qt::AlignLeft);
    series->attachAxis(categories);
    auto* values = new QValueAxis;
    values->setRange(low, high > low ? high : low + 1);
    values->applyNiceNumbers();
    values->setTitleText(valueName);
    chart->addAxis(values, Qt::AlignBottom);
    series->attachAxis(values);
    chart->legend()->hide();
    ReplaceChart(view, chart);
}

// A pie shares out a whole: the sizes of the first index, whatever their sign.
void FillPie(QChartView* view, const QString& first, const std::vector<sensitivity::FactorResult>& factors) {
    auto* pieChart = new QChart;
    pieChart->setTitle(first + QStringLiteral(" (absolute values) shared among the factors"));
    auto* slices = new QPieSeries;
    for (const sensitivity::FactorResult& factor : factors)
        if (factor.varied) slices->append(Qs(factor.label), std::abs(factor.index1));
    pieChart->addSeries(slices);
    pieChart->legend()->setAlignment(Qt::AlignRight);
    ReplaceChart(view, pieChart);
}

void FillScatter(QChartView* view, const QString& first, const QString& second,
                 const std::vector<sensitivity::FactorResult>& factors) {
    auto* scatterChart = new QChart;
    scatterChart->setTitle(first + QStringLiteral(" against ") + second);
    auto* x = new QValueAxis;
    auto* y = new QValueAxis;
    x->setTitleText(first);
    y->setTitleText(second);
    double xLow = 0, xHigh = 0, yLow = 0, yHigh = 0;
    for (const sensitivity::FactorResult& factor : factors) {
        if (!factor.varied) continue;
        // One series a factor, so that the legend names each point.
        auto* point = new QScatterSeries;
        point->setName(Qs(factor.label));
        point->setMarkerSize(11);
        point->append(factor.index1, factor.index2);
        scatterChart->addSeries(point);
        xLow = std::min(xLow, factor.index1);
        xHigh = std::max(xHigh, factor.index1);
        yLow = std::min(yLow, factor.index2);
        yHigh = std::max(yHigh, factor.index2);
    }
    x->setRange(xLow, xHigh > xLow ? xHigh * 1.05 : xLow + 1);
    y->setRange(yLow, yHigh > yLow ? yHigh * 1.05 : yLow + 1);
    x->applyNiceNumbers();
    y->applyNiceNumbers();
    scatterChart->addAxis(x, Qt::AlignBottom);
    scatterChart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : scatterChart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    scatterChart->legend()->setAlignment(Qt::AlignRight);
    ReplaceChart(view, scatterChart);
}

// The line under the grid: the method, what the intervals are, how many values were truncated and which
// factors did not vary.
QString SummaryText(const sensitivity::IndexResults& results) {
    int truncated = 0;
    QStringList constant;
    for (const sensitivity::FactorResult& factor : results.factors) {
        truncated += factor.truncated;
        if (!factor.varied) constant << Qs(factor.name);
    }
    const bool bounded = std::any_of(results.factors.begin(), results.factors.end(),
                                     [](const sensitivity::FactorResult& f) { return f.low1.has_value(); });
    const QString intervals = bounded ? QStringLiteral("Intervals are bootstrap 95 % percentile intervals.")
                              : results.method.starts_with("fast 1")
                                  ? QStringLiteral("Classic FAST gives no interval.")
                                  : QStringLiteral("No intervals.");
    QString text = QStringLiteral("Method: %1. %2 Sampled values truncated to the parameters' accepted "
                                  "ranges: %3.")
                       .arg(Qs(results.method), intervals)
                       .arg(truncated);
    if (!constant.isEmpty())
        text += QStringLiteral(" Did not vary, so no index: %1.").arg(constant.join(QStringLiteral(", ")));
    return text;
}

} // namespace

SAChartWindow::SAChartWindow(UserInterface& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(ToolWindowInterface(ui, this)) {
    setObjectName(QStringLiteral("frmSAchart"));
    setWindowTitle(QStringLiteral("TULO - Sensitivity analysis results"));

    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("tabSAcharts"));
    bar_ = NewChartView("ChartBar");
    pie_ = NewChartView("ChartPie");
    closed_ = NewChartView("SobolClosedChart");
    scatter_ = NewChartView("ScatterPlot");
    tabs_->addTab(bar_, QStringLiteral("Bar chart"));
    tabs_->addTab(pie_, QStringLiteral("Pie chart"));
    tabs_->addTab(closed_, QStringLiteral("Second index"));
    tabs_->addTab(scatter_, QStringLiteral("Scatter plot"));
    interactionModel_ = new GridTableModel(&interactionGrid_, this);
    interactionView_ = new QTableView;
    interactionView_->setObjectName(QStringLiteral("sprSAinteractions"));
    interactionView_->setModel(interactionModel_);
    interactionView_->verticalHeader()->hide();
    interactionView_->setAlternatingRowColors(true);
    interactionView_->horizontalHeader()->setStretchLastSection(true);
    tabs_->addTab(interactionView_, QStringLiteral("Interactions"));
    tabs_->setTabVisible(tabs_->indexOf(interactionView_), false);

    model_ = new GridTableModel(&grid_, this);
    view_ = new QTableView;
    view_->setObjectName(QStringLiteral("sprSAindices"));
    view_->setModel(model_);
    view_->verticalHeader()->hide();
    view_->setAlternatingRowColors(true);
    view_->horizontalHeader()->setStretchLastSection(true);
    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("lblSAsummary"));
    summary_->setWordWrap(true);
    auto* exportButton = new QPushButton(QStringLiteral("Export..."));
    exportButton->setObjectName(QStringLiteral("cmdExport"));
    exportButton->setToolTip(
        QStringLiteral("Save the grid of indices, and the interactions when there are any, as a workbook"));
    connect(exportButton, &QPushButton::clicked, this, &SAChartWindow::exportIndices);
    auto* saveChartButton = new QPushButton(QStringLiteral("Save chart..."));
    saveChartButton->setObjectName(QStringLiteral("cmdSaveChart"));
    saveChartButton->setToolTip(QStringLiteral("Save the chart shown as a PNG image or an SVG drawing"));
    connect(saveChartButton, &QPushButton::clicked, this, &SAChartWindow::saveChart);
    auto* below = new QHBoxLayout;
    below->addWidget(summary_, 1);
    below->addWidget(saveChartButton, 0, Qt::AlignTop);
    below->addWidget(exportButton, 0, Qt::AlignTop);

    auto* table = new QWidget;
    auto* tableLayout = new QVBoxLayout(table);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addWidget(view_);
    tableLayout->addLayout(below);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(tabs_);
    split->addWidget(table);
    split->setStretchFactor(0, 1);
    split->setSizes({500, 240});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split);
    resize(1000, 780);
}

SAChartWindow::~SAChartWindow() = default;

void SAChartWindow::showResults(const sensitivity::IndexResults& results, bool morris) {
    const QString first = Qs(results.index1Name);
    const QString second = Qs(results.index2Name);
    FillBars(bar_, first + QStringLiteral(" of each factor"), first, results.factors,
             &sensitivity::FactorResult::index1);
    FillPie(pie_, first, results.factors);
    tabs_->setTabVisible(tabs_->indexOf(closed_), !morris);
    if (!morris)
        FillBars(closed_, second + QStringLiteral(" of each factor"), second, results.factors,
                 &sensitivity::FactorResult::index2);
    FillScatter(scatter_, first, second, results.factors);

    grid_ = sensitivity::IndexGrid(results);
    model_->reset(&grid_);
    view_->resizeColumnsToContents();

    interactionGrid_ = sensitivity::InteractionGrid(results);
    interactionModel_->reset(&interactionGrid_);
    interactionView_->resizeColumnsToContents();
    tabs_->setTabVisible(tabs_->indexOf(interactionView_), !results.interactions.empty());
    summary_->setText(SummaryText(results));
}

void SAChartWindow::exportIndices() {
    sensitivity::ExportIndexGrid(grid_, interactionGrid_, ui_);
}

ChartView* SAChartWindow::currentChart() const {
    return qobject_cast<ChartView*>(tabs_->currentWidget());
}

void SAChartWindow::saveChart() {
    ChartView* chart = currentChart();
    if (!chart) {
        ui_.message("Choose the tab of the chart to save: the interactions are a table, which Export saves.");
        return;
    }
    const std::string name = tabs_->tabText(tabs_->currentIndex()).toStdString();
    const FileDialog dialog{"TULO - Save the " + name, "sensitivity.png",
                            "PNG image (*.png)|*.png|SVG drawing (*.svg)|*.svg"};
    const auto chosen = ui_.saveFile(dialog);
    if (!chosen) return;
    QString file = QString::fromStdString(*chosen);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != "png" && suffix != "svg") file += QStringLiteral(".png");
    if (!chart->saveImage(file))
        ui_.message("The chart could not be written to " + file.toStdString() + ".", {}, Icon::Exclamation);
}

} // namespace tulo::app
