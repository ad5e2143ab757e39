#pragma once
// The third LAI option's window: the sowing day and crop parameters estimated from the exogenous LAI
// table (remote sensing), searched off the window's thread with its progress and a Cancel, shown with
// their uncertainty, and Accept, which writes them into the form as one step to undo.

#include "calibration/Reinit.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace tulo {
class FormModel;
}

namespace tulo::app {

class BackgroundTask;

class ReinitWindow : public QDialog {
    Q_OBJECT
public:
    // `table` reads the exogenous LAI table as it stands when Start is clicked.
    using LaiTable = std::function<std::vector<LaiPoint>(Problems& problems)>;
    ReinitWindow(FormModel& form, LaiTable table, QWidget* parent = nullptr);
    ~ReinitWindow() override;

    bool running() const;
    QTableWidget* estimatesTable() const { return estimates_; }
    QString notesText() const;

signals:
    // After every search, shown or not (refused, cancelled, finished).
    void searchEnded();

private:
    void start();
    void cancel();
    void finish(const ReinitResult& result);
    void acceptEstimate();
    // An estimate belongs to the inputs it was made on: any change to the form withdraws it.
    void withdraw();
    // The table's points and the compiled settings, or the problems that keep the search from starting.
    std::optional<std::vector<LaiPoint>> searchInputs(QStringList& problems);
    void showEstimates(const ReinitResult& result);

    FormModel& form_;
    LaiTable table_;
    int subscription_ = 0;
    bool applying_ = false;
    std::optional<ReinitResult> result_;
    ReinitSettings settings_;
    BackgroundTask* task_ = nullptr;
    QSpinBox* window_ = nullptr;
    QLabel* progress_ = nullptr;
    QTableWidget* estimates_ = nullptr;
    QLabel* notes_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* accept_ = nullptr;
};

} // namespace tulo::app
