#include "app/WeatherPage.h"

#include "app/PageTools.h"

#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace tulo::app {

WeatherPage::WeatherPage(FormModel& form, QWidget* parent) : QWidget(parent) {
    auto* note = new QLabel(QStringLiteral(
        "Row 1 holds the workbook's titles, rows 2 to 366 the days 1 to 365; a season across 31 December "
        "goes on with the next year's days from row 367. Without humidity titles the "
        "humidities are estimated from the temperatures at the next run and shown on light cyan. Drop a "
        "workbook (.xlsx, .ods, .xls, .csv) here to import it."));
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(GridView(form, ctl::sprWeather, this));
}

} // namespace tulo::app
