#pragma once
// File > New season from a weather file: the weather file, its year when it holds several, the
// latitude (the file's, unless changed), the sowing day, optionally the transplanting day and the
// first and last days, and whether the field is flooded. The window makes the season; the dialog stays
// open when it refuses.

#include "forms/SeasonOptions.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

namespace tulo {
class UserInterface;
}

namespace tulo::app {

class NewSeasonDialog : public QDialog {
    Q_OBJECT
public:
    // Makes the season; false when it was refused (the messages said why).
    using MakeSeason = std::function<bool(const SeasonOptions&, std::optional<double> floodedLevelCm)>;

    // `ui` shows the browse dialog and the messages.
    NewSeasonDialog(UserInterface& ui, MakeSeason make, QWidget* parent = nullptr);

    // Reads a weather file's years and latitude into the dialog; false, the dialog cleared of any
    // former file, when it is no weather file that can be read.
    bool chooseWeather(const QString& file);
    // The options as the fields give them.
    SeasonOptions options() const;
    std::optional<double> floodedLevel() const;

    void accept() override;

private:
    void browse();

    UserInterface& ui_;
    MakeSeason make_;
    QString read_; // the weather file read, as typed
    std::optional<double> fileLatitude_;

    QLineEdit* weather_ = nullptr;
    QLabel* about_ = nullptr;
    QComboBox* year_ = nullptr;
    QLineEdit* latitude_ = nullptr;
    QLineEdit* sowing_ = nullptr;
    QLineEdit* transplanting_ = nullptr;
    QLineEdit* start_ = nullptr;
    QLineEdit* end_ = nullptr;
    QCheckBox* flooded_ = nullptr;
    QDoubleSpinBox* level_ = nullptr;
};

} // namespace tulo::app
