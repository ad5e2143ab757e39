#pragma once
// Tab 4, Soil: one soil layer a row, top layer first, with the built-in headers; the mandatory cells are
// shown on light cyan.

#include "forms/FormModel.h"

#include <QWidget>

namespace tulo::app {

class SoilPage : public QWidget {
    Q_OBJECT
public:
    explicit SoilPage(FormModel& form, QWidget* parent = nullptr);
};

} // namespace tulo::app
