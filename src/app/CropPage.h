#pragma once
// Tab 1, Crop: every crop parameter of the registry with its label, unit and accepted range, grouped as
// the crop workbook groups them, and the cultivar's description.

#include "forms/FormModel.h"

#include <QWidget>

namespace tulo::app {

class FormBinder;

class CropPage : public QWidget {
    Q_OBJECT
public:
    CropPage(FormModel& form, FormBinder& binder, QWidget* parent = nullptr);

    // Follows the form: the sterility fields are enabled only when its simulation is active.
    void refresh();

private:
    FormModel& form_;
    QWidget* sterilityFields_ = nullptr;
};

} // namespace tulo::app
