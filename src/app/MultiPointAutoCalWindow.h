#pragma once
// The multi-site calibration window (frmMultiPointAutoCal): one parameter vector fitted to up to five
// data sets at once, each with its own dates, latitude, weather and measurements, by the standard or
// the genetic simplex, run off the window's thread. The result replaces the main window's crop values
// at the end, as one step to undo.

#include "forms/CalibrationForm.h"

#include <QWidget>

#include <array>
#include <span>

class QLineEdit;
class QToolBar;

namespace tulo::app {

class CalibrationPanel;
class CalibrationRunner;

class MultiPointAutoCalWindow : public QWidget {
    Q_OBJECT
public:
    MultiPointAutoCalWindow(FormModel& form, UserInterface& ui, QWidget* parent = nullptr);

    MultiPointTexts texts() const;
    void setTexts(const MultiPointTexts& texts);
    const SiteTableSet& tables() const { return tables_; }
    CalibrationPanel* panel() const { return panel_; }
    CalibrationRunner* runner() const { return runner_; }

    // Start: the checks, then the search; false when it did not start.
    bool start();
    // The Select buttons of data set `row` (0-based).
    void selectWeather(int row);
    void selectAgb(int row);
    void selectLai(int row);
    void newSettings();
    void openSettings();
    // Reads a .cfg and the workbooks it names; false when refused.
    bool openSettingsFile(const std::filesystem::path& file);
    void saveSettings();
    // Rows of seasons with their own management (an imported experiment's treatments), each calibrated on
    // its own configuration rather than the main window's; the first five of `rows`.
    void useOwnSeasons(std::span<const OwnSeasonRow> rows);

signals:
    void calibrationFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Row {
        QLineEdit* initialDate = nullptr;
        QLineEdit* finalDate = nullptr;
        QLineEdit* sowingDate = nullptr;
        QLineEdit* latitude = nullptr;
        QLineEdit* weather = nullptr;
        QLineEdit* agb = nullptr;
        QLineEdit* lai = nullptr;
        QLineEdit* rrmse = nullptr;
        QLineEdit* rrmseLai = nullptr;
    };

    void finished(const CalibrationResult& result);
    // The days and latitude of rows running their own seasons shown read-only, the others editable.
    void lockOwnSeasonRows();

    FormModel& form_;
    UserInterface& ui_;
    CalibrationPanel* panel_ = nullptr;
    CalibrationRunner* runner_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    std::array<Row, kCalibrationSites> rows_{};
    SiteTableSet tables_{}; // the rows' workbooks as read
    CalibrationRequest request_;
};

} // namespace tulo::app
