#pragma once
// Tab 5, Output: the crop chart and the microclimate chart of the latest run, its summary and its report
// grid, and a warning while they belong to inputs that have changed since.

#include "engine/SeasonSummary.h"
#include "forms/RunCommand.h"

#include "app/ChartView.h"

#include <QWidget>

#include <vector>

class QLabel;
class QTableView;

namespace tulo::app {

class GridTableModel;

class OutputPage : public QWidget {
    Q_OBJECT
public:
    // `report` is the run's report grid, which the window replaces at every run.
    explicit OutputPage(const Grid* report, QWidget* parent = nullptr);

    // Draws the two chart matrices (row k is the day initialDate + k) and shows the report grid again.
    void showResults(const RunResults& results, int initialDate, const SeasonSummary& summary);
    // Series drawn over the crop chart from the next showResults on, until replaced: the NDVI-derived
    // values of a forcing day, shown as markers on that day.
    void setCropMarkers(std::vector<ChartSeries> markers) { cropMarkers_ = std::move(markers); }
    // The results shown were computed from inputs that have changed since.
    void setStale(bool stale);
    bool isStale() const;

    ChartView* cropChart() const { return crop_; }
    ChartView* microclimateChart() const { return microclimate_; }
    QTableView* reportView() const { return report_; }

private:
    ChartView* crop_ = nullptr;
    ChartView* microclimate_ = nullptr;
    QTableView* report_ = nullptr;
    GridTableModel* reportModel_ = nullptr;
    QLabel* stale_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* warnings_ = nullptr; // what makes the summary's figures no harvest's; hidden when nothing does
    std::vector<ChartSeries> cropMarkers_;
};

} // namespace tulo::app
