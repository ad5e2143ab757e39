#pragma once
// Tab 0, Control: the simulated days, the LAI options with their commands, the soil and disease
// switches, the report option and the report's variables.

#include "forms/FormModel.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace tulo::app {

class FormBinder;

class ControlPage : public QWidget {
    Q_OBJECT
public:
    ControlPage(FormModel& form, FormBinder& binder, QWidget* parent = nullptr);

    // Follows the form: each LAI option enables its own boxes and commands.
    void refresh();

signals:
    // The user clicked LAI option k (1 .. 5, in the frame's order), selected now.
    void laiOptionClicked(int k);
    void laiHelpRequested(int k);
    void forceLaiClicked();
    void laiPerformanceIndexClicked();
    void dailyExoLaiClicked();
    void periodicForcingClicked();
    void reinitClicked();

private:
    FormModel& form_;
    QWidget* ndviFields_ = nullptr;
    QPushButton* forceLai_ = nullptr;
    QPushButton* performanceIndex_ = nullptr;
    QPushButton* dailyExoLai_ = nullptr;
    QPushButton* periodicForcing_ = nullptr;
    QPushButton* reinit_ = nullptr;
    QLabel* seasonDates_ = nullptr;
};

} // namespace tulo::app
