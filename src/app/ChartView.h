#pragma once
// A line chart of daily series as users of scientific programs expect it: a legend, axis titles with
// units, the day and value under the pointer, rubber-band zoom with a reset, and saving as PNG or SVG.

#include <QChartView>
#include <QPointF>
#include <QString>

#include <vector>

class QValueAxis;

namespace tulo::app {

struct ChartSeries {
    QString name;                // legend text, with its unit
    std::vector<QPointF> points; // x = day of year
    bool rightAxis = false;      // drawn against the right-hand axis
    bool markers = false;        // points without a line (observations, a forcing day's values)
};

class ChartView : public QChartView {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);

    void setSeries(const QString& title, const QString& xTitle, const QString& leftTitle,
                   const QString& rightTitle, const std::vector<ChartSeries>& series);
    // A blank chart under `title`: no series, and no frame of empty axes.
    void clear(const QString& title = {});
    // Small margins and axis titles, which leave the plot its height on a small screen.
    void compactFrame();
    // What the pointer's tool tip calls x: "DOY" unless told otherwise.
    void setHoverName(const QString& name) { hoverName_ = name; }
    int seriesCount() const;
    int pointCount(int series) const;

    void resetZoom();
    // Saves the chart as PNG or SVG, by the file name's extension; false when it could not be written.
    bool saveImage(const QString& file);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override; // right click resets the zoom

private:
    QString hoverName_ = QStringLiteral("DOY");
    // The chart keeps its axes for its whole life: an axis taken out of a chart leaves its labels and grid
    // on screen until the event loop that took it out runs again, which a question asked meanwhile
    // holds up, so the old axes showed through the new ones.
    QValueAxis* x_ = nullptr;
    QValueAxis* left_ = nullptr;
    QValueAxis* right_ = nullptr;
};

} // namespace tulo::app
