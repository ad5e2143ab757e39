#pragma once
// Tab 2, Management: sowing and site, the transplanting, the irrigation strategy with its water level, the
// cold-shock protection, the water input and output tables and the blast treatments.

#include "forms/FormModel.h"

#include <QWidget>

class QLabel;
class QSpinBox;
class QTableView;

namespace tulo::app {

class FormBinder;

class ManagementPage : public QWidget {
    Q_OBJECT
public:
    ManagementPage(FormModel& form, FormBinder& binder, QWidget* parent = nullptr);

    // Follows the form: the water-level choice only for a flooded field, each level box with its option,
    // the pre-flowering level with its switch, the transplanting's fields with theirs.
    void refresh();

private:
    void addTreatment();
    void removeTreatment();

    FormModel& form_;
    QWidget* levels_ = nullptr;
    QWidget* fixedLevel_ = nullptr;
    QWidget* initialLevel_ = nullptr;
    QWidget* preFlowering_ = nullptr;
    QWidget* transplantingFields_ = nullptr; // the date, densities and shock, with the Transplanted box
    QTableView* treatments_ = nullptr;
    QSpinBox* treatmentDay_ = nullptr;
    QLabel* noProduct_ = nullptr; // treatments listed, yet no product chosen
};

} // namespace tulo::app
