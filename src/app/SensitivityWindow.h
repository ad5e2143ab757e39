#pragma once
// The sensitivity analysis window (frmSAparamDistrib): the growth factors to vary with their normal
// distributions, the sampling method and its settings, a sample file to run instead of drawing one, and
// the two commands. "Create samples and run the simulations" runs the sample's seasons on other threads
// while frmRitardo shows their progress; "Display results" has the tool compute the indices (with Cancel)
// and shows them in frmSAchart. Both work on a compilation of the main window's inputs and never change
// that window's form, run, charts or report, and each analysis in a folder of its own, so that other
// windows and command lines may analyse at the same time. The settings can be kept in a file.

#include "forms/SetupForm.h"
#include "forms/UserInterface.h"
#include "sensitivity/Analysis.h"

#include <QWidget>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;

namespace tulo {
class FormModel;
}

namespace tulo::app {

class BackgroundTask;
class RunProgressDialog;
class SAChartWindow;
struct RunProgress;

class SensitivityWindow : public QWidget {
    Q_OBJECT
public:
    SensitivityWindow(const FormModel& mainForm, UserInterface& ui, QWidget* parent = nullptr);
    ~SensitivityWindow() override;

    // The settings as the window shows them.
    sensitivity::SetupForm setupForm() const;
    // Shows `method`'s frame only (a text of the method list).
    void chooseMethod(const QString& method);

    // The tool bar's Open: a sample file to run instead of drawing one (Label6).
    void openSampleFile();
    // The tool bar's settings file (.tsa): the ticked rows, distributions, method and its settings.
    void openSettings();
    void saveSettings();
    // Shows a form's settings (its sample file included).
    void setSetupForm(const sensitivity::SetupForm& form);
    // "Create samples and run the simulations": returns at once; simulationsFinished tells the end.
    void createSamplesAndRun();
    // "Display results": returns at once; resultsFinished tells the end. The indices are those of the
    // window's last analysis, computed in its folder whatever other analyses ran since.
    void displayResults();
    // Cancel of "Display results": stops the tool.
    void cancelResults();
    bool busy() const;
    // The folder of the analysis whose results "Display results" shows; nothing before the first one.
    std::optional<std::filesystem::path> analysisFolder() const;

    RunProgressDialog* progressWindow() const { return progress_; }
    SAChartWindow* chartWindow() const { return chart_; }

signals:
    void simulationsFinished(bool ok);
    void resultsFinished(bool ok);

private:
    QWidget* growthPage();
    QWidget* disabledPage(const std::vector<int>& parameters);
    QWidget* methodPanel();
    // The frame of every method's settings, one shown at a time.
    void fillMethodFrames(const sensitivity::SetupForm& defaults);
    void refillSobolExecutions();
    void setSamplePath(const QString& path);
    void setRunning(bool running);
    std::optional<sensitivity::ExchangeFiles> newExchangeFiles();
    void simulationsDone(const sensitivity::Simulations& done);
    void indicesDone(const Outcome& status, sensitivity::IndexResults results);

    const FormModel& mainForm_;
    UserInterface& ui_;

    QTabWidget* pages_ = nullptr;
    std::array<QCheckBox*, sensitivity::kGrowthFactors> used_{};
    std::array<QComboBox*, sensitivity::kGrowthFactors> distribution_{};
    std::array<QLineEdit*, sensitivity::kGrowthFactors> mean_{};
    std::array<QLineEdit*, sensitivity::kGrowthFactors> sd_{};
    QComboBox* method_ = nullptr;
    QComboBox* output_ = nullptr; // cmbSAOutput
    QStackedWidget* frames_ = nullptr;
    QComboBox *fastComputation_ = nullptr, *morrisTrajectories_ = nullptr, *morrisLevels_ = nullptr;
    QComboBox *lptauExecutions_ = nullptr, *sobolComputation_ = nullptr, *sobolOrder_ = nullptr;
    QComboBox* sobolExecutions_ = nullptr;
    QLineEdit *fastExecutions_ = nullptr, *fastSeed_ = nullptr, *lhsSeed_ = nullptr,
              *lhsExecutions_ = nullptr;
    QLineEdit *morrisSeed_ = nullptr, *randomExecutions_ = nullptr, *randomSeed_ = nullptr;
    QLabel* samplePath_ = nullptr; // Label6
    QLabel* noSample_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* results_ = nullptr;
    QPushButton* cancelResults_ = nullptr;

    RunProgressDialog* progress_ = nullptr;
    SAChartWindow* chart_ = nullptr;

    // The command running on another thread; the sample runs count into `runProgress_` for frmRitardo.
    BackgroundTask* task_ = nullptr;
    std::shared_ptr<RunProgress> runProgress_;
    // The folder of the simulations running, and of the last ones that ran to the end with the growth row
    // of each column and their truncations, which the indices describe. Each analysis has a folder of its
    // own, removed when a later one of this window replaces it, when it fails, and with the window.
    std::optional<sensitivity::ExchangeFiles> running_;
    std::optional<sensitivity::ExchangeFiles> last_;
    std::vector<int> lastRows_;
    std::vector<int> lastTruncated_;
};

} // namespace tulo::app
