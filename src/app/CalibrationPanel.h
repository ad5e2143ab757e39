#pragma once
// What the two calibration windows share: the search run on a thread of its own with its progress
// brought back to the window, and the controls both show (parameters and ranges, objective, simplex
// method with the genetic settings and the seed, progress with a chart of the best objective).

#include "app/BackgroundTask.h"
#include "forms/CalibrationForm.h"

#include <QObject>
#include <QPointF>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolBar;

namespace tulo::app {

class ChartView;

// One search at a time, off the window's thread, on run states of its own. Progress arrives on the
// window's thread at most ten times a second; the result once, at the end.
class CalibrationRunner : public QObject {
    Q_OBJECT
public:
    explicit CalibrationRunner(QObject* parent = nullptr);

    void start(CalibrationRequest request);
    bool running() const { return task_->running(); }
    // The search ends after the model runs under way and keeps the best point found.
    void stop() { task_->cancel(); }
    // Stops the search and waits for it; its result is then never delivered.
    void abandon() { task_->abandon(); }

signals:
    // `improved`: (runs, best objective) each time the best fell since the last signal.
    void progressed(qint64 runs, double best, const std::vector<QPointF>& improved);
    void finished(const tulo::CalibrationResult& result);
    // The indices of the latest contraction trial, sent with the progress.
    void contracted(const tulo::TrialResult& trial);

private:
    void progress(const BackgroundTask::Run& run, std::int64_t runs, double best, bool last);

    BackgroundTask* task_;
    // Touched by the search's progress callback only, which is never called twice at once.
    double lastBest_ = 0;
    std::vector<QPointF> improved_;
    std::optional<TrialResult> lastTrial_;
    ProgressPace pace_;
};

// A calibration window's tool bar "Toolbar1": New, Open and Save of its settings file, with their tips.
struct SettingsCommands {
    QString newTip, openTip, saveTip;
    std::function<void()> onNew, onOpen, onSave;
};
QToolBar* SettingsToolBar(QWidget* window, const SettingsCommands& commands);

// A message of the calibration core in a message box.
void ShowCalibrationMessage(UserInterface& ui, const Message& message);

// An index in a progress box: six digits shown, every digit in the tool tip; empty without a value.
void ShowIndex(QLineEdit* edit, std::optional<double> index);

class CalibrationPanel : public QWidget {
    Q_OBJECT
public:
    // `weighted`: the objective weighs the AGB and LAI indices (the single-site window); otherwise the
    // weight boxes are shown but the indices are summed.
    // `main` is the main window's form, whose values "Import default ranges" takes as initial values.
    explicit CalibrationPanel(bool weighted, const FormModel* main = nullptr, QWidget* parent = nullptr);

    std::array<CalibrationParameterTexts, 3> parameters() const;
    void setParameters(const std::array<CalibrationParameterTexts, 3>& parameters);
    std::array<std::string, 3> initial() const;
    void setInitial(const std::array<std::string, 3>& initial);
    bool agbAndLai() const;
    void setAgbAndLai(bool on);
    std::string agbWeight() const;
    std::string laiWeight() const;
    void setWeights(const std::string& agb, const std::string& lai);
    std::string objective() const;
    void setObjective(const std::string& objective);
    SimplexMethod method() const;
    void setMethod(SimplexMethod method);
    std::array<std::string, 6> genetic() const;
    void setGenetic(const std::array<std::string, 6>& genetic);
    std::string seed() const;
    void setSeed(const std::string& seed);

    // Progress: cleared at the start of a search, then the runs, the best objective and the chart.
    void clearProgress();
    void showProgress(qint64 runs, double best, const std::vector<QPointF>& improved);
    void showStatus(const QString& text);
    void setRunning(bool running);

    // What both windows do around a search: start a prepared one (or say why it cannot start), end one
    // (its refusal, or the values written into `form` as one undo step, the status line and the final
    // message, after `showIndices` has shown the written values' indices per data set), and abandon one
    // when the window closes.
    using IndexDisplay = std::function<void(const std::vector<TrialResult>& perDataSet)>;
    bool startSearch(PreparedCalibration prepared, CalibrationRequest& request, CalibrationRunner& runner,
                     UserInterface& ui, const QString& status);
    void finishSearch(const CalibrationResult& result, const CalibrationRequest& request, FormModel& form,
                      UserInterface& ui, const IndexDisplay& showIndices);
    void abandonSearch(CalibrationRunner& runner);

    QPushButton* startButton() const { return start_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* exitButton() const { return exit_; }
    ChartView* chart() const { return chart_; }
    // Where a window puts its own progress fields (the indices).
    QGroupBox* progressBox() const { return progressBox_; }

private:
    void importRanges();
    void methodClicked();
    void optionClicked();

    bool weighted_;
    const FormModel* main_ = nullptr;
    std::array<QComboBox*, 3> captions_{};
    std::array<QLineEdit*, 3> mins_{}, maxs_{}, initial_{};
    QRadioButton* agbOnly_ = nullptr;
    QRadioButton* agbAndLai_ = nullptr;
    QLineEdit* agbWeight_ = nullptr;
    QLineEdit* laiWeight_ = nullptr;
    QComboBox* objective_ = nullptr;
    QButtonGroup* method_ = nullptr;
    QGroupBox* geneticBox_ = nullptr;
    std::array<QLineEdit*, 6> genetic_{};
    QLineEdit* seed_ = nullptr;
    QGroupBox* progressBox_ = nullptr;
    QLabel* runs_ = nullptr;
    QLabel* best_ = nullptr;
    QLabel* status_ = nullptr;
    ChartView* chart_ = nullptr;
    std::vector<QPointF> points_;
    QPushButton* importRanges_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* exit_ = nullptr;
};

} // namespace tulo::app
