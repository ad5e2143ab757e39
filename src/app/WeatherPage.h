#pragma once
// Tab 3, Weather: the daily weather table of the season, row 1 its titles and rows 2 to 366 days 1 to
// 365. Humidities the program estimated are shown on light cyan.

#include "forms/FormModel.h"

#include <QWidget>

namespace tulo::app {

class WeatherPage : public QWidget {
    Q_OBJECT
public:
    explicit WeatherPage(FormModel& form, QWidget* parent = nullptr);
};

} // namespace tulo::app
