#pragma once
// Tools > Phenology from observed dates: the days the crop was seen to emerge, flower and mature, the
// thermal times fitted to them on the form's season with the days a run with them gives, and Apply,
// which writes the values into the form as one step to undo.

#include "calibration/Phenology.h"

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tulo {
class FormModel;
}

namespace tulo::app {

class PhenologyWindow : public QDialog {
    Q_OBJECT
public:
    explicit PhenologyWindow(FormModel& form, QWidget* parent = nullptr);
    ~PhenologyWindow() override;

    // The result as shown: the fitted values, and the stages' lines (stage, observed, simulated, error).
    QString valuesText() const;
    QTableWidget* stagesTable() const { return stages_; }
    QString notesText() const;
    // The observed days as the user would type them (a date or a day of year; empty leaves a day out).
    void setObservedDays(const QString& emergence, const QString& flowering, const QString& maturity);

private:
    void fit();
    void apply();
    // A fit belongs to the inputs it was made on: any change to the form withdraws it.
    void withdraw();

    FormModel& form_;
    int subscription_ = 0;
    bool applying_ = false;
    std::optional<PhenologyFit> fit_;
    QLineEdit* emergence_ = nullptr;
    QLineEdit* flowering_ = nullptr;
    QLineEdit* maturity_ = nullptr;
    QLabel* values_ = nullptr;
    QTableWidget* stages_ = nullptr;
    QLabel* notes_ = nullptr;
    QPushButton* apply_ = nullptr;
};

} // namespace tulo::app
