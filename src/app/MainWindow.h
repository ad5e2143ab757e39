#pragma once
// The main window: menus, tool bar and the eight pages over one form model, which is the single truth of
// every input; the run with its charts and report; undo over the inputs; and the guard that keeps unsaved
// work from being lost. Every command is a core function: the window only calls it and shows its result.

#include "engine/LaiForcing.h"
#include "forms/FormModel.h"
#include "forms/RunCommand.h"

#include <QMainWindow>
#include <QTimer>
#include <QUndoStack>

#include <filesystem>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QTabWidget;

namespace tulo {
class EvaluationSession;
struct RunState;
struct SeasonOptions;
class UserInterface;
} // namespace tulo

namespace tulo::app {

class ChartView;
class AutoCalWindow;
class ConfigurationPage;
class DiseasesWindow;
class EvaluationPage;
class FormBinder;
class FormUndo;
class LaiExoWindow;
class MultiPointAutoCalWindow;
class OutputPage;
class PhenologyWindow;
class ReinitWindow;
class SensitivityWindow;

// The pages in tab order; commands bring a page to the front by its index.
enum class Page { Control = 0, Crop, Management, Weather, Soil, Output, Evaluation, Configuration };

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `ui` shows the commands' messages, questions and file dialogs; by default this window's own.
    explicit MainWindow(std::unique_ptr<UserInterface> ui = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    FormModel& form() { return form_; }
    const RunResults& results() const { return results_; }
    QUndoStack& undoStack() { return undo_; }
    OutputPage* outputPage() const { return output_; }
    EvaluationPage* evaluationPage() const { return evaluationPage_; }
    EvaluationSession& evaluation() { return *evaluation_; }
    // File > Open measured data, from `file` when given, else from the file the user chooses; true when
    // the latest run was evaluated against them.
    bool openMeasuredData(const QString& file = {});
    // Tools > Diseases: the window shown afresh.
    DiseasesWindow* openDiseases();
    // Tools > Automatic calibration (mnuAC_Click) and Multi-site calibration (mnuMPAC_Click): the windows
    // shown, with their settings as last left.
    AutoCalWindow* openAutoCalibration();
    MultiPointAutoCalWindow* openMultiPointCalibration();
    // Tools > Phenology from observed dates: the window shown, with its days as last left.
    PhenologyWindow* openPhenology();
    // The third LAI option's window, estimating from the exogenous LAI table.
    ReinitWindow* openReinit();
    // Tools > Sensitivity analysis (mnuSA_Click): the window shown, with its settings as last left.
    SensitivityWindow* openSensitivity();
    QTabWidget* pages() const { return tabs_; }
    void showPage(Page page);
    // The configuration file in use; empty until one is opened or saved.
    QString configurationFile() const { return file_; }

    // Opens a configuration without a dialog (command line, recent files, a dropped file), after asking
    // to save unsaved changes; false when refused or cancelled.
    bool openConfiguration(const QString& file);
    // File > Import a DSSAT experiment without its dialog: the experiment's files written into `folder`,
    // its first treatment opened, and its treatments offered to the multi-site calibration (when
    // `offerCalibration`, with a question). False, having said why, when nothing was imported.
    bool importDssatExperiment(const std::filesystem::path& experiment, const std::filesystem::path& folder,
                               bool offerCalibration = true);
    // Run > Run; true when the season ran.
    bool run();
    // Run > Run on every change.
    void setRunOnChange(bool on);
    // Milliseconds of the latest run with its chart and report refresh.
    double lastRunMilliseconds() const { return lastRunMs_; }
    // frmLAIexo, the exogenous LAI table of the periodic and daily forcing.
    LaiExoWindow* laiExoWindow() const { return laiExo_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    QWidget* withCommands(QWidget* page, const QList<QAction*>& commands);

    void openConfigurationDialog();
    bool saveConfiguration();
    bool saveConfigurationAs();
    void newConfiguration();
    // File > New season from a weather file: the dialog, after asking to save unsaved changes.
    void newSeasonFromWeather();
    // File > Import a DSSAT experiment: the experiment file asked for, imported into a folder of its name
    // beside it.
    void importDssatExperimentDialog();
    // The season the dialog asks for as a new document; false when refused, the form then unchanged.
    bool makeNewSeason(const SeasonOptions& options, std::optional<double> floodedLevelCm);
    void configurationLoaded(const QString& file);
    // Asks to save unsaved changes; false when the user cancelled (or the save failed).
    bool maybeSave();
    void setFile(const QString& file);
    void rememberRecent(const QString& file);
    void fillRecentMenu();

    void importDropped(const QString& file);
    void saveReport();
    void saveChart(ChartView* chart, const std::string& name);

    // Evaluation against measured data (EvaluationCommands.cpp).
    void createEvaluationActions();
    // The calibration windows' commands (CalibrationCommands.cpp).
    void createCalibrationActions();
    // After every run: the variables offered, and with measurements open the evaluation, recorded as a
    // row of the fitting table when `record`.
    void afterRun(bool record);
    void evaluateOtherVariable();
    void restoreCombination(int k);

    void inputsChanged();
    void runOnChange();
    void showResults();

    // LAI forcing with exogenous data (LaiForcingCommands.cpp).
    void laiOptionClicked(int k);
    void showLaiHelp(int k);
    void forceLai();
    void forceLaiFromTable();
    void laiPerformanceIndex();
    bool hasRunToForce();
    void applyForcing(const SeasonInputs& inputs, std::vector<LaiPoint> points);
    void clearForcing();

    std::unique_ptr<UserInterface> ui_;
    FormModel form_;
    std::unique_ptr<RunState> run_;
    RunResults results_;
    bool hasResults_ = false;
    bool applyingRun_ = false; // the run itself writes estimated humidities into the form
    double lastRunMs_ = 0;
    int subscription_ = 0;
    // The points forced into the latest run, as given; a run without forcing clears them.
    std::vector<LaiPoint> forcedPoints_;
    std::unique_ptr<RunState> unforced_; // the latest run as simulated, kept once it is forced
    LaiExoWindow* laiExo_ = nullptr;

    QUndoStack undo_;
    FormBinder* binder_ = nullptr;
    FormUndo* formUndo_ = nullptr;
    QTimer changeTimer_;
    QString file_;

    QTabWidget* tabs_ = nullptr;
    OutputPage* output_ = nullptr;
    ConfigurationPage* configuration_ = nullptr;
    std::unique_ptr<EvaluationSession> evaluation_;
    EvaluationPage* evaluationPage_ = nullptr;
    DiseasesWindow* diseases_ = nullptr;
    AutoCalWindow* autoCal_ = nullptr;
    MultiPointAutoCalWindow* multiPointCal_ = nullptr;
    PhenologyWindow* phenology_ = nullptr;
    ReinitWindow* reinit_ = nullptr;
    SensitivityWindow* sensitivity_ = nullptr;
    QMenu* recentMenu_ = nullptr;

    QAction* runAction_ = nullptr;
    QAction* runOnChangeAction_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* newAction_ = nullptr;
    QAction* newSeasonAction_ = nullptr;
    QAction* importDssatAction_ = nullptr;
    QAction* openWeatherAction_ = nullptr;
    QAction* newWeatherAction_ = nullptr;
    QAction* saveWeatherAction_ = nullptr;
    QAction* openSoilAction_ = nullptr;
    QAction* saveSoilAction_ = nullptr;
    QAction* openCropAction_ = nullptr;
    QAction* saveCropAction_ = nullptr;
    QAction* newCropAction_ = nullptr;
    QAction* newManagAction_ = nullptr;
    QAction* saveReportAction_ = nullptr;
    QAction* quitAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* saveCropChartAction_ = nullptr;
    QAction* saveMicroclimateChartAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* openMeasuredAction_ = nullptr;
    QAction* exportFittingAction_ = nullptr;
    QAction* saveEvaluationChartAction_ = nullptr;
    QAction* saveOneToOneChartAction_ = nullptr;
    QAction* diseasesAction_ = nullptr;
    QAction* autoCalAction_ = nullptr;
    QAction* multiPointCalAction_ = nullptr;
    QAction* phenologyAction_ = nullptr;
    QAction* sensitivityAction_ = nullptr;
};

} // namespace tulo::app
