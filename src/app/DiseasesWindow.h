#pragma once
// The Diseases window: the blast susceptibility of the cultivar, chosen directly or through a named rice
// variety, and saved as the class the blast model reads into the main window's form.

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLabel;

namespace tulo {
class FormModel;
}

namespace tulo::app {

class DiseasesWindow : public QDialog {
    Q_OBJECT
public:
    explicit DiseasesWindow(FormModel& form, QWidget* parent = nullptr);

    // Shows the window afresh: "medium/resistant" chosen and no variety, whatever class the form holds.
    void reopen();
    // 0 "medium/resistant", 1 "medium/susceptible", 2 "susceptible".
    int choice() const;
    QComboBox* varietyBox() const { return variety_; }

private:
    void varietyChosen(const QString& name);
    void save();

    FormModel& form_;
    QButtonGroup* choices_ = nullptr;
    QComboBox* variety_ = nullptr;
    QLabel* saved_ = nullptr;
};

} // namespace tulo::app
