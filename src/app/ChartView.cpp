#include "app/ChartView.h"

#include <QChart>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tulo::app {

namespace {

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void take(double value) {
        if (!std::isfinite(value)) return;
        low = std::min(low, value);
        high = std::max(high, value);
    }
};

// Each drawing starts from the axis's defaults: the nice numbers of a range depend on the tick count they
// start from, and a caller may have changed the ticks or the labels of the last drawing.
void SetAxis(QValueAxis* axis, const QString& title, Range range, const QString& labelFormat) {
    axis->setTitleText(title);
    axis->setLabelFormat(labelFormat);
    axis->setTickType(QValueAxis::TicksFixed);
    axis->setTickCount(5);
    axis->setMinorTickCount(0);
    if (range.low > range.high) range = {0, 1};
    if (range.low == range.high) range = {range.low - 1, range.high + 1};
    axis->setRange(range.low, range.high);
    axis->applyNiceNumbers();
    axis->setVisible(true);
}

// The value the series holds on the day nearest to x (its points are in day order).
const QPointF* Nearest(const QXYSeries& series, double x) {
    const int count = series.count();
    if (count == 0) return nullptr;
    int low = 0, high = count - 1;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (series.at(middle).x() < x)
            low = middle + 1;
        else
            high = middle;
    }
    if (low > 0 && x - series.at(low - 1).x() < series.at(low).x() - x) --low;
    return &series.at(low);
}

} // namespace

ChartView::ChartView(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::RectangleRubberBand);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    x_ = new QValueAxis;
    left_ = new QValueAxis;
    right_ = new QValueAxis;
    chart()->addAxis(x_, Qt::AlignBottom);
    chart()->addAxis(left_, Qt::AlignLeft);
    chart()->addAxis(right_, Qt::AlignRight);
    clear();
}

void ChartView::compactFrame() {
    chart()->setMargins(QMargins(4, 4, 4, 4));
    for (QAbstractAxis* axis : chart()->axes()) {
        QFont font = axis->labelsFont();
        font.setPointSizeF(font.pointSizeF() * 0.9);
        font.setBold(true);
        axis->setTitleFont(font);
    }
}

void ChartView::clear(const QString& title) {
    chart()->removeAllSeries();
    chart()->setTitle(title);
    for (QValueAxis* axis : {x_, left_, right_}) axis->setVisible(false);
}

void ChartView::setSeries(const QString& title, const QString& xTitle, const QString& leftTitle,
                          const QString& rightTitle, const std::vector<ChartSeries>& series) {
    QChart* c = chart();
    clear(title);

    Range days, left, right;
    bool anyRight = false;
    for (const ChartSeries& s : series) {
        for (const QPointF& p : s.points) {
            days.take(p.x());
            (s.rightAxis ? right : left).take(p.y());
        }
        anyRight = anyRight || s.rightAxis;
    }
    SetAxis(x_, xTitle, days, QStringLiteral("%d"));
    SetAxis(left_, leftTitle, left, {});
    if (anyRight) SetAxis(right_, rightTitle, right, {});

    for (const ChartSeries& s : series) {
        QXYSeries* line = nullptr;
        if (s.markers) {
            auto* scatter = new QScatterSeries;
            scatter->setMarkerSize(11);
            line = scatter;
        } else {
            line = new QLineSeries;
        }
        line->setName(s.name);
        line->replace(QList<QPointF>(s.points.begin(), s.points.end()));
        c->addSeries(line);
        line->attachAxis(x_);
        line->attachAxis(s.rightAxis ? right_ : left_);
        connect(line, &QXYSeries::hovered, this, [this, line](const QPointF& point, bool state) {
            if (!state) {
                QToolTip::hideText();
                return;
            }
            // Days are whole; other x values (a measurement) keep their digits.
            if (const QPointF* day = Nearest(*line, point.x()))
                QToolTip::showText(QCursor::pos(), QStringLiteral("%1\n%2 %3: %4")
                                                       .arg(line->name(), hoverName_,
                                                            hoverName_ == QLatin1String("DOY")
                                                                ? QString::number(std::lround(day->x()))
                                                                : QString::number(day->x(), 'g', 4))
                                                       .arg(day->y(), 0, 'g', 4));
        });
    }
}

int ChartView::seriesCount() const {
    return static_cast<int>(chart()->series().size());
}

int ChartView::pointCount(int series) const {
    const auto all = chart()->series();
    if (series < 0 || series >= all.size()) return 0;
    const auto* line = qobject_cast<const QXYSeries*>(all[series]);
    return line ? line->count() : 0;
}

void ChartView::resetZoom() {
    chart()->zoomReset();
}

bool ChartView::saveImage(const QString& file) {
    // A view that was never shown has not laid out its chart yet.
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        QResizeEvent event(size(), QSize());
        QCoreApplication::sendEvent(this, &event);
        setAttribute(Qt::WA_PendingResizeEvent, false);
    }
    if (QFileInfo(file).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) != 0)
        return grab().save(file, "PNG");

    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(size());
    svg.setViewBox(rect());
    svg.setTitle(chart()->title());
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    scene()->render(&painter, rect(), mapToScene(viewport()->rect()).boundingRect());
    return painter.end() && QFileInfo(file).size() > 0;
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        resetZoom();
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

} // namespace tulo::app
