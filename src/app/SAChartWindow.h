#pragma once
// The sensitivity analysis's results window (frmSAchart): the first index of every factor as bars and
// as a pie, the second as bars (not for Morris, whose sigma is no share of a variance), both against
// each other, and the grid of indices with their 95 % intervals, which Export saves as a workbook. A Sobol'
// "custom" analysis of order 2 or 3 adds a tab listing its interaction indices, which Export saves below
// the indices. Save chart writes the chart in front as a PNG image or an SVG drawing.

#include "engine/Grid.h"
#include "forms/UserInterface.h"
#include "sensitivity/Analysis.h"

#include <QWidget>

class QChartView;
class QLabel;
class QTabWidget;
class QTableView;

namespace tulo::app {

class ChartView;
class GridTableModel;

class SAChartWindow : public QWidget {
    Q_OBJECT
public:
    explicit SAChartWindow(UserInterface& ui, QWidget* parent = nullptr);
    ~SAChartWindow() override;

    // Fills the charts and the grid; `morris` leaves the second index's chart out.
    void showResults(const sensitivity::IndexResults& results, bool morris);

    const Grid& indices() const { return grid_; }
    QTabWidget* tabs() const { return tabs_; }
    QChartView* barChart() const { return bar_; }
    QChartView* pieChart() const { return pie_; }
    QChartView* closedChart() const { return closed_; }
    QChartView* scatterPlot() const { return scatter_; }
    const Grid& interactions() const { return interactionGrid_; }
    QTableView* interactionView() const { return interactionView_; }
    void exportIndices();
    // Saves the chart of the current tab as PNG or SVG, by the name's extension, as the main charts.
    void saveChart();
    ChartView* currentChart() const;

private:
    UserInterface& ui_;
    Grid grid_;
    GridTableModel* model_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QChartView* bar_ = nullptr;
    QChartView* pie_ = nullptr;
    QChartView* closed_ = nullptr;
    QChartView* scatter_ = nullptr;
    QTableView* view_ = nullptr;
    Grid interactionGrid_;
    GridTableModel* interactionModel_ = nullptr;
    QTableView* interactionView_ = nullptr;
    QLabel* summary_ = nullptr;
};

} // namespace tulo::app
