#pragma once
// The sensitivity analysis window (frmSAparamDistrib): the growth factors to vary with their normal
// distributions, the sampling method and its settings, a sample file to run instead of drawing one, and
// the two commands. "Create samples and run the simulations" runs the sample's seasons on other threads
// while frmRitardo shows their progress; "Display results" has the tool compute the indices and shows
// them in frmSAchart. Both work on a compilation of the main window's inputs and never change that
// window's form, run, charts or report.

#include "engine/UserInterface.h"
#include "sensitivity/Analysis.h"
#include "sensitivity/SetupForm.h"

#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QThread;

namespace tulo {
class FormModel;
}

namespace tulo::app {

class RitardoWindow;
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
    // "Create samples and run the simulations": returns at once; simulationsFinished tells the end.
    void createSamplesAndRun();
    // "Display results": returns at once; resultsFinished tells the end.
    void displayResults();
    bool busy() const { return worker_ != nullptr; }

    RitardoWindow* progressWindow() const { return progress_; }
    SAChartWindow* chartWindow() const { return chart_; }

signals:
    void simulationsFinished(bool ok);
    void resultsFinished(bool ok);

private:
    QWidget* growthPage();
    QWidget* disabledPage(const std::vector<int>& parameters);
    QWidget* methodPanel();
    void refillSobolExecutions();
    void setSamplePath(const QString& path);
    void setRunning(bool running);
    std::optional<sensitivity::ExchangeFiles> exchangeFiles();
    void simulationsDone();
    void indicesDone();

    const FormModel& mainForm_;
    UserInterface& ui_;

    QTabWidget* pages_ = nullptr;
    std::array<QCheckBox*, sensitivity::kGrowthFactors> used_{};
    std::array<QComboBox*, sensitivity::kGrowthFactors> distribution_{};
    std::array<QLineEdit*, sensitivity::kGrowthFactors> mean_{};
    std::array<QLineEdit*, sensitivity::kGrowthFactors> sd_{};
    QComboBox* method_ = nullptr;
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

    RitardoWindow* progress_ = nullptr;
    SAChartWindow* chart_ = nullptr;

    // The command running on another thread, and what it hands back.
    QThread* worker_ = nullptr;
    std::shared_ptr<RunProgress> runProgress_;
    std::shared_ptr<sensitivity::Simulations> simulations_;
    std::shared_ptr<sensitivity::IndexResults> indices_;
    std::shared_ptr<sensitivity::StepResult> indexStatus_;
    // The growth row of each column and the truncations of the last simulations run, which the indices
    // describe.
    std::vector<int> lastRows_;
    std::vector<int> lastTruncated_;
};

} // namespace tulo::app
