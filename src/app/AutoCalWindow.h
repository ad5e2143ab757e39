#pragma once
// The automatic calibration window of one site (frmAutoCal): two or three crop parameters fitted to
// the AGB (and LAI) measurements imported at Start, by the standard or the genetic simplex, run off the
// window's thread. The result replaces the main window's crop values at the end, as one step to undo.

#include "forms/CalibrationForm.h"

#include <QWidget>

class QLineEdit;
class QToolBar;

namespace tulo::app {

class CalibrationPanel;
class CalibrationRunner;

class AutoCalWindow : public QWidget {
    Q_OBJECT
public:
    AutoCalWindow(FormModel& form, UserInterface& ui, QWidget* parent = nullptr);

    AutoCalTexts texts() const;
    void setTexts(const AutoCalTexts& texts);
    CalibrationPanel* panel() const { return panel_; }
    CalibrationRunner* runner() const { return runner_; }

    // Start: the checks, the measurements asked for, then the search; false when it did not start.
    bool start();
    void newSettings();
    void openSettings();
    void saveSettings();

signals:
    // The search ended, its values written into the crop fields or not.
    void calibrationFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void finished(const CalibrationResult& result);

    FormModel& form_;
    UserInterface& ui_;
    CalibrationPanel* panel_ = nullptr;
    CalibrationRunner* runner_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLineEdit* rrmse_ = nullptr;
    QLineEdit* rrmseLai_ = nullptr;
    // The measurements of the latest Start, apart from the Evaluation page's.
    MeasuredTable agb_, lai_;
    CalibrationRequest request_; // of the search under way
};

} // namespace tulo::app
