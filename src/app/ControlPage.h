#pragma once
// Tab 0, Control: the simulated days, the LAI option, the soil and disease switches, the report option
// and the report's variables.

#include "engine/FormModel.h"

#include <QWidget>

namespace tulo::app {

class FormBinder;

class ControlPage : public QWidget {
    Q_OBJECT
public:
    ControlPage(FormModel& form, FormBinder& binder, QWidget* parent = nullptr);

    // Follows the form: the NDVI boxes are enabled only with the NDVI option.
    void refresh();

private:
    FormModel& form_;
    QWidget* ndviFields_ = nullptr;
};

} // namespace tulo::app
