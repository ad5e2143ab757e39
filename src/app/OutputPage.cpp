#include "app/OutputPage.h"

#include "app/ChartView.h"
#include "app/GridTableModel.h"
#include "app/PageTools.h"
#include "base/Calendar.h"

#include <QAbstractAxis>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QSplitter>
#include <QStringList>
#include <QTableView>
#include <QVBoxLayout>

namespace tulo::app {

namespace {

// One column of a chart matrix against the day of year.
ChartSeries Column(const ChartMatrix& matrix, int column, int initialDate, const QString& name, bool right) {
    ChartSeries series{name, {}, right};
    series.points.reserve(static_cast<std::size_t>(matrix.rows()));
    for (int k = 0; k < matrix.rows(); ++k) series.points.emplace_back(initialDate + k, matrix.at(k, column));
    return series;
}

QString Day(const std::optional<std::int32_t>& day, int year) {
    return day ? QStringLiteral("DOY %1 (%2)")
                     .arg(DayOfYearOfSeasonDay(*day, year))
                     .arg(Qs(SeasonDateText(*day, year)))
               : QStringLiteral("not reached");
}

// A colour of its own for every series, and dashes (lines) or squares (markers) for those read against
// the right-hand axis: the charts hold more series than the default palette has colours.
void Colour(ChartView* view, std::initializer_list<const char*> colours) {
    const QList<QAbstractSeries*> series = view->chart()->series();
    qsizetype i = 0;
    for (const char* colour : colours) {
        if (i >= series.size()) break;
        auto* xy = qobject_cast<QXYSeries*>(series[i++]);
        if (!xy) continue;
        const QColor rgb(QString::fromLatin1(colour));
        const bool right =
            xy->attachedAxes().size() > 1 && xy->attachedAxes().back()->alignment() == Qt::AlignRight;
        if (auto* markers = qobject_cast<QScatterSeries*>(xy)) {
            markers->setColor(rgb);
            markers->setBorderColor(Qt::black);
            if (right) markers->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
            continue;
        }
        QPen pen(rgb);
        pen.setWidthF(2);
        if (right) pen.setStyle(Qt::DashLine);
        xy->setPen(pen);
    }
    view->compactFrame();
}

QString Tonnes(const std::optional<double>& value) {
    return value ? QString::number(*value, 'f', 2) + QStringLiteral(" t/ha") : QStringLiteral("-");
}

} // namespace

OutputPage::OutputPage(const Grid* report, QWidget* parent) : QWidget(parent) {
    stale_ = new QLabel(QStringLiteral("Results of the previous inputs: run again to update"));
    stale_->setObjectName(QStringLiteral("lblStale"));
    stale_->setStyleSheet(QStringLiteral("QLabel { background: #fff3cd; color: #664d03; padding: 4px; }"));
    stale_->hide();
    summary_ = new QLabel(QStringLiteral("Run the simulation (Run > Run, Ctrl+R) to see its results here."));
    summary_->setObjectName(QStringLiteral("lblSummary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    warnings_ = new QLabel;
    warnings_->setObjectName(QStringLiteral("lblSummaryWarnings"));
    warnings_->setWordWrap(true);
    warnings_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    warnings_->setStyleSheet(QStringLiteral("QLabel { background: #f8d7da; color: #842029; padding: 4px; }"));
    warnings_->hide();

    crop_ = new ChartView;
    crop_->setObjectName(QStringLiteral("chartCrop"));
    crop_->setMinimumSize(360, 260);
    microclimate_ = new ChartView;
    microclimate_->setObjectName(QStringLiteral("chartMicroclimate"));
    microclimate_->setMinimumSize(360, 260);
    auto* charts = new QSplitter(Qt::Vertical);
    charts->addWidget(crop_);
    charts->addWidget(microclimate_);

    reportModel_ = new GridTableModel(report, this);
    report_ = new QTableView;
    report_->setObjectName(QStringLiteral("sprOutput"));
    report_->setModel(reportModel_);
    report_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    report_->verticalHeader()->setDefaultSectionSize(report_->fontMetrics().lineSpacing() + 6);
    report_->setToolTip(QStringLiteral("The report of the latest run: File > Save report saves it"));

    // The charts take the width a season needs; the report scrolls beside them.
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(charts);
    split->addWidget(report_);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 1);
    split->setSizes({2000, 1000}); // in proportion, whatever the window's width

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stale_);
    layout->addWidget(summary_);
    layout->addWidget(warnings_);
    layout->addWidget(split, 1);
}

void OutputPage::showResults(const RunResults& results, int initialDate, const SeasonSummary& summary) {
    // A season of a known year says which, since its days' dates follow that year's calendar; one across
    // 31 December counts its days on from its first 1 January.
    const bool acrossYears = summary.lastDay > DaysInYear(summary.year);
    const QString day = acrossYears && summary.year > 0
                            ? QStringLiteral("Day from 1 January %1 (day %2 is 1 January %3)")
                                  .arg(summary.year)
                                  .arg(DaysInYear(summary.year) + 1)
                                  .arg(summary.year + 1)
                        : acrossYears      ? QStringLiteral("Day from 1 January of the season's first year")
                        : summary.year > 0 ? QStringLiteral("Day of year (%1)").arg(summary.year)
                                           : QStringLiteral("Day of year");
    const ChartMatrix& c = results.crop;
    std::vector<ChartSeries> crop = {Column(c, 1, initialDate, QStringLiteral("AGB (t/ha)"), false),
                                     Column(c, 2, initialDate, QStringLiteral("Panicles (t/ha)"), false),
                                     Column(c, 3, initialDate, QStringLiteral("Leaves (t/ha)"), false),
                                     Column(c, 4, initialDate, QStringLiteral("Stems (t/ha)"), false),
                                     Column(c, 0, initialDate, QStringLiteral("DVS (-)"), true),
                                     Column(c, 5, initialDate, QStringLiteral("LAI (m2/m2)"), true)};
    crop.insert(crop.end(), cropMarkers_.begin(), cropMarkers_.end());
    crop_->setSeries(QStringLiteral("Crop"), day, QStringLiteral("Biomass (t/ha)"),
                     QStringLiteral("DVS (-), LAI (m2/m2)"), crop);
    // Markers take the colour of the line they correct, LAI on the right axis and AGB on the left.
    Colour(crop_, {"#1b7a3a", "#d4a017", "#7cc24a", "#8c5a2b", "#222222", "#1f5fbf", "#1f5fbf", "#1b7a3a"});
    const ChartMatrix& m = results.microclimate;
    microclimate_->setSeries(QStringLiteral("Microclimate"), day, QStringLiteral("Temperature (°C)"),
                             QStringLiteral("Risk, sterility (%), water (cm)"),
                             {Column(m, 0, initialDate, QStringLiteral("Tmax air (°C)"), false),
                              Column(m, 1, initialDate, QStringLiteral("Tmin air (°C)"), false),
                              Column(m, 2, initialDate, QStringLiteral("Tmax apex (°C)"), false),
                              Column(m, 3, initialDate, QStringLiteral("Tmin apex (°C)"), false),
                              Column(m, 4, initialDate, QStringLiteral("Blast risk (-)"), true),
                              Column(m, 5, initialDate, QStringLiteral("Sterility x 100 (%)"), true),
                              Column(m, 6, initialDate, QStringLiteral("Water level (cm)"), true)});
    Colour(microclimate_, {"#d7301f", "#2c7fb8", "#fc8d59", "#7fcdbb", "#7b3294", "#e7298a", "#01665e"});
    reportModel_->reset(&results.report);
    report_->resizeColumnsToContents();

    // A season across 31 December names its first and last days by their dates.
    const QString first =
        acrossYears ? Day(summary.firstDay, summary.year) : QString::number(summary.firstDay);
    const QString last = acrossYears ? Day(summary.lastDay, summary.year) : QString::number(summary.lastDay);
    const QString days = acrossYears ? QStringLiteral("From %1 to %2.") : QStringLiteral("Days %1 to %2.");
    summary_->setText((days + QStringLiteral("  Emergence %3, flowering %4, maturity %5.  AGB at maturity "
                                             "%6, panicles %7; maximum LAI %8 m2/m2; sterility %9 %."))
                          .arg(first, last)
                          .arg(Day(summary.emergence, summary.year), Day(summary.flowering, summary.year),
                               Day(summary.maturity, summary.year), Tonnes(summary.agbMaturity),
                               Tonnes(summary.paniclesMaturity))
                          .arg(summary.laiMax, 0, 'f', 2)
                          .arg(summary.sterilityPercent, 0, 'f', 1));
    QStringList warnings;
    for (const SummaryWarning& warning : SummaryWarnings(summary))
        warnings << QStringLiteral("Warning: ") + QString::fromStdString(warning.text);
    warnings_->setText(warnings.join(QLatin1Char('\n')));
    warnings_->setVisible(!warnings.isEmpty());
    setStale(false);
}

void OutputPage::setStale(bool stale) {
    stale_->setVisible(stale);
}

bool OutputPage::isStale() const {
    return !stale_->isHidden();
}

} // namespace tulo::app
