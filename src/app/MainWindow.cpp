#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/ChartView.h"
#include "app/ConfigurationPage.h"
#include "app/ControlPage.h"
#include "app/CropPage.h"
#include "app/DiseasesWindow.h"
#include "app/EvaluationPage.h"
#include "app/FormBinder.h"
#include "app/FormUndo.h"
#include "app/HelpWindows.h"
#include "app/LaiExoWindow.h"
#include "app/ManagementPage.h"
#include "app/NewSeasonDialog.h"
#include "app/OutputPage.h"
#include "app/PageTools.h"
#include "app/PhenologyWindow.h"
#include "app/QtUserInterface.h"
#include "app/ReinitWindow.h"
#include "app/SensitivityWindow.h"
#include "app/SoilPage.h"
#include "app/WeatherPage.h"
#include "engine/RunState.h"
#include "engine/Season.h"
#include "engine/SeasonSummary.h"
#include "forms/CropCommands.h"
#include "forms/CropWorkbook.h"
#include "forms/EvaluationSession.h"
#include "forms/SeasonForm.h"
#include "forms/SeasonOptions.h"
#include "forms/SimConfig.h"
#include "forms/SpreadsheetCommands.h"
#include "forms/WindowCommands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <functional>

// The icons live in the library's resources, which a static library must register itself.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tulo::app {

namespace {

constexpr int kRecentFiles = 8;
// The pause after the last keystroke before a run on change: a burst of typing is one run.
constexpr int kChangeDelayMs = 100;

const QString kRecentKey = QStringLiteral("recentFiles");
const QString kGeometryKey = QStringLiteral("geometry");
const QString kStateKey = QStringLiteral("windowState");

std::filesystem::path Path(const QString& file) {
    return std::filesystem::path(file.toStdString());
}
QString FromPath(const std::filesystem::path& file) {
    return QString::fromStdString(file.string());
}

bool IsConfiguration(const QString& file) {
    return QFileInfo(file).suffix().compare(QLatin1String("sim"), Qt::CaseInsensitive) == 0;
}

// A workbook, or a weather file of another crop model (.WTH, .met; a POWER CSV is a .csv).
bool IsImportable(const QString& file) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == "xlsx" || suffix == "ods" || suffix == "xls" || suffix == "csv" || suffix == "wth" ||
           suffix == "met";
}

QString DroppedFile(const QMimeData* mime) {
    if (!mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().front().isLocalFile()) return {};
    const QString file = mime->urls().front().toLocalFile();
    return IsConfiguration(file) || IsImportable(file) ? file : QString();
}

// The run's user interface: before its question (save the report?) or its export, the season's charts
// are already drawn and in front, so that the user decides with the results in view.
class ResultsFirstUi : public UserInterface {
public:
    ResultsFirstUi(UserInterface& ui, std::function<void()> show) : ui_(ui), show_(std::move(show)) {}
    void message(std::string_view text, std::string_view title, Icon icon) override {
        ui_.message(text, title, icon);
    }
    Answer ask(std::string_view text, Buttons buttons, std::string_view title, Icon icon) override {
        beforeDeciding();
        return ui_.ask(text, buttons, title, icon);
    }
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view defaultAnswer) override {
        return ui_.input(prompt, title, defaultAnswer);
    }
    std::optional<std::string> openFile(const FileDialog& dialog) override { return ui_.openFile(dialog); }
    std::optional<std::string> saveFile(const FileDialog& dialog) override {
        beforeDeciding();
        return ui_.saveFile(dialog);
    }
    void setBusy(bool busy) override { ui_.setBusy(busy); }

private:
    void beforeDeciding() {
        if (show_) std::exchange(show_, nullptr)();
    }

    UserInterface& ui_;
    std::function<void()> show_;
};

// The controls a configuration file does not keep, which a new configuration also takes back to their
// opening state.
void ResetUnsavedControls(FormModel& form, const FormModel& opening) {
    form.setOption(ctl::OptionLAItulo, true);
    for (const auto control :
         {ctl::txtDOYforcingLAI, ctl::txtforcingLAI, ctl::txtCropDescription, ctl::txtManagDescription})
        form.setText(control, opening.text(control));
    for (int i = 1; i <= kReportVariables; ++i)
        form.setCheck(ctl::chkReport(i), opening.check(ctl::chkReport(i)));
}

} // namespace

MainWindow::MainWindow(std::unique_ptr<UserInterface> ui, QWidget* parent)
    : QMainWindow(parent), ui_(std::move(ui)), run_(std::make_unique<RunState>()),
      evaluation_(std::make_unique<EvaluationSession>()) {
    InitResources();
    if (!ui_) ui_ = std::make_unique<QtUserInterface>(this);
    setObjectName(QStringLiteral("frmMain"));
    setAcceptDrops(true);
    setWindowIcon(QIcon(QStringLiteral(":/tulo/icons/tulo.svg")));

    // The grids are laid out before anybody listens: the opening layout is nothing to undo.
    LayOutWeatherGrid(form_);
    LayOutSoilGrid(form_);

    binder_ = new FormBinder(form_, this);
    formUndo_ = new FormUndo(form_, undo_, this);
    subscription_ = form_.subscribe([this](std::span<const FormChange> changes) {
        // What a run derives and shows in the form changes no input of it.
        if (std::any_of(changes.begin(), changes.end(), [](const FormChange& c) { return !c.derived; }))
            inputsChanged();
    });

    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(kChangeDelayMs);
    connect(&changeTimer_, &QTimer::timeout, this, &MainWindow::runOnChange);

    createActions();
    createEvaluationActions();
    createCalibrationActions();
    createMenus();

    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("tabMain"));
    tabs_->setDocumentMode(true);
    output_ = new OutputPage(&results_.report);
    configuration_ =
        new ConfigurationPage({openAction_, saveAction_, saveAsAction_, newAction_, newSeasonAction_});
    auto* control = new ControlPage(form_, *binder_);
    laiExo_ = new LaiExoWindow(*ui_, this);
    connect(control, &ControlPage::laiOptionClicked, this, &MainWindow::laiOptionClicked);
    connect(control, &ControlPage::laiHelpRequested, this, &MainWindow::showLaiHelp);
    connect(control, &ControlPage::forceLaiClicked, this, &MainWindow::forceLai);
    connect(control, &ControlPage::dailyExoLaiClicked, this, &MainWindow::forceLaiFromTable);
    connect(control, &ControlPage::periodicForcingClicked, this, &MainWindow::forceLaiFromTable);
    connect(control, &ControlPage::reinitClicked, this, &MainWindow::openReinit);
    connect(control, &ControlPage::laiPerformanceIndexClicked, this, &MainWindow::laiPerformanceIndex);
    tabs_->addTab(control, QStringLiteral("Control"));
    tabs_->addTab(
        withCommands(new CropPage(form_, *binder_), {openCropAction_, saveCropAction_, newCropAction_}),
        QStringLiteral("Crop"));
    tabs_->addTab(withCommands(new ManagementPage(form_, *binder_), {newManagAction_}),
                  QStringLiteral("Management"));
    tabs_->addTab(
        withCommands(new WeatherPage(form_), {openWeatherAction_, saveWeatherAction_, newWeatherAction_}),
        QStringLiteral("Weather"));
    tabs_->addTab(withCommands(new SoilPage(form_), {openSoilAction_, saveSoilAction_}),
                  QStringLiteral("Soil"));
    tabs_->addTab(withCommands(output_, {runAction_, saveReportAction_, saveCropChartAction_,
                                         saveMicroclimateChartAction_}),
                  QStringLiteral("Output"));
    evaluationPage_ = new EvaluationPage(*evaluation_);
    connect(evaluationPage_, &EvaluationPage::combinationRequested, this, &MainWindow::restoreCombination);
    connect(evaluationPage_, &EvaluationPage::variableChosen, this, &MainWindow::evaluateOtherVariable);
    tabs_->addTab(withCommands(evaluationPage_, {openMeasuredAction_, exportFittingAction_,
                                                 saveEvaluationChartAction_, saveOneToOneChartAction_}),
                  QStringLiteral("Evaluation"));
    tabs_->addTab(configuration_, QStringLiteral("Configuration"));
    setCentralWidget(tabs_);
    formUndo_->setCaptions(FieldCaptions(*tabs_, form_));
    // Undo and Redo are the window's in a text box too, whose own history the form's would contradict.
    for (QWidget* field : tabs_->findChildren<QWidget*>())
        if ((qobject_cast<QLineEdit*>(field) || qobject_cast<QPlainTextEdit*>(field)) &&
            form_.hasControl(field->objectName().toStdString()))
            field->installEventFilter(this);

    auto* tools = addToolBar(QStringLiteral("Commands"));
    tools->setObjectName(QStringLiteral("toolBar"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->addAction(runAction_);
    tools->addAction(openAction_);
    tools->addAction(saveAction_);
    tools->addSeparator();
    tools->addAction(openMeasuredAction_);
    tools->addAction(exportFittingAction_);
    tools->addAction(diseasesAction_);
    tools->addAction(sensitivityAction_);
    tools->addAction(autoCalAction_);
    tools->addAction(multiPointCalAction_);
    tools->addSeparator();
    tools->addAction(runOnChangeAction_);

    statusBar()->showMessage(
        QStringLiteral("Open a configuration (File > Open configuration) or type the inputs."));
    connect(&undo_, &QUndoStack::cleanChanged, this, [this](bool clean) { setWindowModified(!clean); });
    setFile({});

    const QSettings settings;
    if (!restoreGeometry(settings.value(kGeometryKey).toByteArray())) resize(1280, 820);
    restoreState(settings.value(kStateKey).toByteArray());
}

MainWindow::~MainWindow() {
    changeTimer_.stop();
    form_.unsubscribe(subscription_);
    // The tool windows that follow the form leave it before it goes: as children they would outlive it.
    delete reinit_;
    delete phenology_;
    // The pages' bindings and grid models unsubscribe from the form as they go.
    delete takeCentralWidget();
    delete formUndo_;
    delete binder_;
}

void MainWindow::createActions() {
    const auto action = [this](const char* name, const QString& text, auto slot,
                               const QKeySequence& keys = {}) {
        auto* a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        if (!keys.isEmpty()) a->setShortcut(keys);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    runAction_ = action(
        "mnuRun", QStringLiteral("&Run"), [this] { run(); }, QKeySequence(Qt::CTRL | Qt::Key_R));
    runAction_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    runAction_->setToolTip(QStringLiteral("Run the season and show its charts and report (Ctrl+R)"));
    runOnChangeAction_ = new QAction(QStringLiteral("Run on every &change"), this);
    runOnChangeAction_->setObjectName(QStringLiteral("mnuRunOnChange"));
    runOnChangeAction_->setCheckable(true);
    runOnChangeAction_->setToolTip(
        QStringLiteral("Run the season again after every edit and redraw the charts, without questions"));
    connect(runOnChangeAction_, &QAction::toggled, this, &MainWindow::setRunOnChange);

    openAction_ = action("mnuOpenSimFile", QStringLiteral("&Open configuration..."),
                         &MainWindow::openConfigurationDialog, QKeySequence::Open);
    openAction_->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    saveAction_ = action(
        "mnuSaveSimConfig", QStringLiteral("&Save configuration"), [this] { saveConfiguration(); },
        QKeySequence::Save);
    saveAction_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    saveAsAction_ = action(
        "mnuSaveSimConfigAs", QStringLiteral("Save configuration &as..."), [this] { saveConfigurationAs(); },
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    newAction_ = action("mnuNewSimConfig", QStringLiteral("&New configuration"),
                        &MainWindow::newConfiguration, QKeySequence::New);
    newSeasonAction_ = action("mnuNewSeasonFromWeather", QStringLiteral("New season from a weather file…"),
                              &MainWindow::newSeasonFromWeather);
    newSeasonAction_->setToolTip(QStringLiteral(
        "A new configuration: the weather, latitude and days of a season from a weather file of another "
        "crop model (DSSAT .WTH, NASA POWER CSV, APSIM .met)"));

    importDssatAction_ = action("mnuImportDssat", QStringLiteral("Import a DSSAT experiment…"),
                                &MainWindow::importDssatExperimentDialog);
    importDssatAction_->setToolTip(QStringLiteral(
        "A configuration and measured tables per treatment, and a sites table, from a DSSAT rice experiment "
        "(.RIX with its .RIT and .RIA)"));

    openWeatherAction_ = action("mnuOpenWeather", QStringLiteral("Open &weather..."), [this] {
        OpenWeather(form_, *ui_);
        showPage(Page::Weather);
    });
    newWeatherAction_ = action("mnuNewWeather", QStringLiteral("New weather"), [this] {
        NewWeather(form_);
        showPage(Page::Weather);
    });
    saveWeatherAction_ = action("mnuSaveWeather", QStringLiteral("Save weather..."),
                                [this] { SaveGridAsWorkbook(form_.grid(ctl::sprWeather), *ui_, "Weather"); });
    openSoilAction_ = action("mnuOpenSoilPhysicsData", QStringLiteral("Open &soil..."), [this] {
        OpenSoilPhysicsData(form_, *ui_);
        showPage(Page::Soil);
    });
    saveSoilAction_ = action("mnuSaveSoilPhysicsData", QStringLiteral("Save soil..."), [this] {
        SaveGridAsWorkbook(form_.grid(ctl::sprSoilPhysics), *ui_, "Soil physics");
    });
    openCropAction_ = action("mnuOpenCrop", QStringLiteral("Open &crop..."), [this] {
        OpenCropWorkbook(form_, *ui_);
        showPage(Page::Crop);
    });
    saveCropAction_ =
        action("mnuSaveCrop", QStringLiteral("Save crop..."), [this] { SaveCropWorkbook(form_, *ui_); });
    newCropAction_ = action("mnuNewCrop", QStringLiteral("New crop"), [this] {
        NewCrop(form_);
        showPage(Page::Crop);
    });
    newManagAction_ = action("mnuNewManag", QStringLiteral("New management"), [this] {
        NewManagement(form_);
        showPage(Page::Management);
    });
    saveReportAction_ =
        action("mnuSaveSimReport", QStringLiteral("Save &report..."), &MainWindow::saveReport);
    saveReportAction_->setEnabled(false);
    quitAction_ = action("mnuExit", QStringLiteral("&Quit"), &QWidget::close, QKeySequence::Quit);

    undoAction_ = undo_.createUndoAction(this, QStringLiteral("&Undo"));
    undoAction_->setObjectName(QStringLiteral("mnuUndo"));
    undoAction_->setShortcut(QKeySequence::Undo);
    redoAction_ = undo_.createRedoAction(this, QStringLiteral("&Redo"));
    redoAction_->setObjectName(QStringLiteral("mnuRedo"));
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});

    saveCropChartAction_ = action("mnuSaveCropChart", QStringLiteral("Save crop chart as image..."),
                                  [this] { saveChart(output_->cropChart(), "crop"); });
    saveMicroclimateChartAction_ =
        action("mnuSaveMicroclimateChart", QStringLiteral("Save microclimate chart as image..."),
               [this] { saveChart(output_->microclimateChart(), "microclimate"); });
    aboutAction_ = action("mnuAbout", QStringLiteral("&About TULO"), [this] { AboutDialog(this).exec(); });
    sensitivityAction_ =
        action("mnuSA", QStringLiteral("&Sensitivity analysis..."), [this] { openSensitivity(); });
    sensitivityAction_->setIconText(QStringLiteral("Sensitivity"));
    sensitivityAction_->setToolTip(
        QStringLiteral("Vary growth parameters over a sample and rank their effect on the final biomass"));
    sensitivityAction_->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
}

void MainWindow::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(openAction_);
    recentMenu_ = file->addMenu(QStringLiteral("Open &recent"));
    recentMenu_->setObjectName(QStringLiteral("mnuRecent"));
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    file->addAction(saveAction_);
    file->addAction(saveAsAction_);
    file->addAction(newAction_);
    file->addAction(newSeasonAction_);
    file->addAction(importDssatAction_);
    file->addSeparator();
    file->addAction(openWeatherAction_);
    file->addAction(saveWeatherAction_);
    file->addAction(newWeatherAction_);
    file->addAction(openSoilAction_);
    file->addAction(saveSoilAction_);
    file->addSeparator();
    file->addAction(openCropAction_);
    file->addAction(saveCropAction_);
    file->addAction(newCropAction_);
    file->addAction(newManagAction_);
    file->addSeparator();
    file->addAction(saveReportAction_);
    file->addAction(openMeasuredAction_);
    file->addAction(exportFittingAction_);
    file->addSeparator();
    file->addAction(quitAction_);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(undoAction_);
    edit->addAction(redoAction_);

    QMenu* run = menuBar()->addMenu(QStringLiteral("&Run"));
    run->addAction(runAction_);
    run->addAction(runOnChangeAction_);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addAction(saveCropChartAction_);
    tools->addAction(saveMicroclimateChartAction_);
    tools->addAction(saveEvaluationChartAction_);
    tools->addAction(saveOneToOneChartAction_);
    tools->addSeparator();
    tools->addAction(diseasesAction_);
    tools->addAction(sensitivityAction_);
    tools->addSeparator();
    tools->addAction(autoCalAction_);
    tools->addAction(multiPointCalAction_);
    tools->addAction(phenologyAction_);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddHelpCommands(this, help);
    help->addSeparator();
    help->addAction(aboutAction_);
}

// A page under a row of its own commands, so that the page's files are opened where they are shown.
QWidget* MainWindow::withCommands(QWidget* page, const QList<QAction*>& commands) {
    auto* holder = new QWidget;
    auto* bar = new QToolBar;
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions(commands);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(page, 1);
    return holder;
}

void MainWindow::showPage(Page page) {
    tabs_->setCurrentIndex(static_cast<int>(page));
}

// ----- configuration files ---------------------------------------------------------------------------

void MainWindow::openConfigurationDialog() {
    if (!maybeSave()) return;
    if (const auto file = OpenSimFile(form_, *ui_)) configurationLoaded(FromPath(*file));
}

bool MainWindow::openConfiguration(const QString& file) {
    if (!maybeSave()) return false;
    if (const Outcome opened = OpenSimFileAt(form_, Path(file)); !opened) {
        ui_->message(opened.message, {}, Icon::Exclamation);
        return false;
    }
    configurationLoaded(QFileInfo(file).absoluteFilePath());
    return true;
}

void MainWindow::configurationLoaded(const QString& file) {
    // Another document: its load is no step to undo, and the previous one's steps do not apply to it.
    undo_.clear();
    setFile(file);
    rememberRecent(file);
    statusBar()->showMessage(QStringLiteral("Opened %1").arg(QDir::toNativeSeparators(file)), 5000);
}

bool MainWindow::saveConfiguration() {
    if (file_.isEmpty()) return saveConfigurationAs();
    if (const Outcome written = WriteSimConfig(form_, Path(file_)); !written) {
        ui_->message(written.message, {}, Icon::Critical);
        return false;
    }
    undo_.setClean();
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(file_)), 5000);
    return true;
}

bool MainWindow::saveConfigurationAs() {
    const auto file = SaveSimConfig(form_, *ui_, Path(file_));
    if (!file) return false;
    undo_.clear(); // the document is now the file saved, whose history starts here
    setFile(FromPath(*file));
    rememberRecent(file_);
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(file_)), 5000);
    return true;
}

void MainWindow::newConfiguration() {
    if (!maybeSave()) return;
    {
        // Through the configuration reader, so that the views follow the new form as they follow a load.
        FormModel::Batch batch(form_);
        const FormModel opening;
        ParseSimConfig(FormatSimConfig(opening), form_);
        ResetUnsavedControls(form_, opening);
        LayOutWeatherGrid(form_);
        LayOutSoilGrid(form_);
    }
    undo_.clear();
    setFile({});
    showPage(Page::Control);
}

void MainWindow::newSeasonFromWeather() {
    if (!maybeSave()) return;
    auto* dialog = new NewSeasonDialog(
        *ui_,
        [this](const SeasonOptions& options, std::optional<double> level) {
            return makeNewSeason(options, level);
        },
        this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

bool MainWindow::makeNewSeason(const SeasonOptions& options, std::optional<double> floodedLevelCm) {
    // Made aside, so that a refusal leaves the document as it was, then loaded as New loads the opening
    // form: through the configuration reader, so that the views follow it as they follow a load.
    FormModel made;
    std::optional<SeasonChanges> changes;
    {
        BusyPointer busy(*ui_);
        Messages messages;
        changes = MakeNewSeason(made, options, floodedLevelCm, messages);
        ShowMessages(*ui_, messages);
    }
    if (!changes) return false;
    {
        FormModel::Batch batch(form_);
        ParseSimConfig(FormatSimConfig(made), form_);
        ResetUnsavedControls(form_, FormModel());
        LayOutWeatherGrid(form_);
        LayOutSoilGrid(form_);
    }
    undo_.clear();
    setFile({});
    showPage(Page::Control);
    statusBar()->showMessage(
        QStringLiteral("New season from %1: sowing on day %2.")
            .arg(Qs(changes->weatherSource.empty() ? *options.weather : changes->weatherSource),
                 Qs(form_.text(ctl::txtSowingDate))),
        5000);
    return true;
}

bool MainWindow::maybeSave() {
    if (undo_.isClean()) return true;
    switch (ui_->ask("Save changes to the configuration?", Buttons::YesNoCancel, {}, Icon::Question)) {
    case Answer::Yes:
    case Answer::Ok:
        return saveConfiguration();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void MainWindow::setFile(const QString& file) {
    file_ = file;
    const QString name = file.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(file).fileName();
    setWindowTitle(QStringLiteral("TULO - %1[*]").arg(name));
    setWindowModified(!undo_.isClean());
    configuration_->setFile(file);
}

void MainWindow::rememberRecent(const QString& file) {
    QSettings settings;
    QStringList recent = settings.value(kRecentKey).toStringList();
    recent.removeAll(file);
    recent.prepend(file);
    while (recent.size() > kRecentFiles) recent.removeLast();
    settings.setValue(kRecentKey, recent);
}

void MainWindow::fillRecentMenu() {
    recentMenu_->clear();
    const QStringList recent = QSettings().value(kRecentKey).toStringList();
    int n = 0;
    for (const QString& file : recent) {
        QAction* open =
            recentMenu_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(QFileInfo(file).fileName()));
        open->setToolTip(QDir::toNativeSeparators(file));
        open->setStatusTip(QDir::toNativeSeparators(file));
        connect(open, &QAction::triggered, this, [this, file] { openConfiguration(file); });
    }
    if (recent.isEmpty()) {
        recentMenu_->addAction(QStringLiteral("No configuration opened yet"))->setEnabled(false);
        return;
    }
    recentMenu_->addSeparator();
    connect(recentMenu_->addAction(QStringLiteral("Clear the list")), &QAction::triggered, this,
            [] { QSettings().remove(kRecentKey); });
}

// ----- window events ---------------------------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence keys(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : {undoAction_, redoAction_})
            if (action->shortcuts().contains(keys)) {
                // Not claimed by the text box, the key goes to the window's action.
                event->ignore();
                return true;
            }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    QSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kStateKey, saveState());
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty()) return;
    event->acceptProposedAction();
    if (IsConfiguration(file))
        openConfiguration(file);
    else
        importDropped(file);
}

void MainWindow::importDropped(const QString& file) {
    const auto page = static_cast<Page>(tabs_->currentIndex());
    if (page == Page::Weather)
        ImportWeatherFile(form_, Path(file), *ui_);
    else if (page == Page::Soil)
        ImportSoilFile(form_, Path(file), *ui_);
    else if (page == Page::Evaluation)
        openMeasuredData(file);
    else
        ui_->message("Drop a workbook on the Weather, the Soil or the Evaluation page to import it there.",
                     {}, Icon::Information);
}

// ----- running ---------------------------------------------------------------------------------------

bool MainWindow::run() {
    changeTimer_.stop();
    QElapsedTimer clock;
    clock.start();
    ResultsFirstUi ui(*ui_, [this] {
        clearForcing(); // the season shown is the new one, which nothing has forced
        showResults();
        showPage(Page::Output);
    });
    const auto exportReport = [&](const Grid& report, std::string_view kind) {
        SaveGridAsWorkbook(report, ui, kind);
    };
    Outcome outcome;
    {
        const QScopedValueRollback guard(applyingRun_, true);
        outcome = RunSimulation(form_, ui, *run_, results_, exportReport);
    }
    if (!outcome) {
        statusBar()->showMessage(QStringLiteral("The season was not run."), 5000);
        return false;
    }
    clearForcing();
    // The report is shown whatever the report option, which only decides about its file.
    BuildReportGrid(form_, *run_, results_);
    showResults();
    afterRun(true);
    showPage(Page::Output);
    lastRunMs_ = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    statusBar()->showMessage(QStringLiteral("Season run and shown in %1 ms.").arg(lastRunMs_, 0, 'f', 1),
                             5000);
    return true;
}

void MainWindow::setRunOnChange(bool on) {
    if (runOnChangeAction_->isChecked() != on) runOnChangeAction_->setChecked(on); // comes back here
    if (on)
        changeTimer_.start();
    else
        changeTimer_.stop();
}

void MainWindow::inputsChanged() {
    if (applyingRun_) return;
    if (hasResults_) output_->setStale(true);
    if (runOnChangeAction_ && runOnChangeAction_->isChecked()) changeTimer_.start();
}

// Runs the season again from the inputs as they are, quietly: problems go to the status bar, and the
// report is neither offered nor saved.
void MainWindow::runOnChange() {
    QElapsedTimer clock;
    clock.start();
    const Compilation compiled = CompileInputs(form_);
    if (!compiled.inputs) {
        QStringList problems;
        for (const InputProblem& problem : compiled.problems) problems << Qs(problem.text);
        statusBar()->showMessage(problems.size() == 1 ? problems.front()
                                                      : QStringLiteral("%1 problems: ").arg(problems.size()) +
                                                            problems.join(QStringLiteral("; ")));
        statusBar()->setToolTip(problems.join(QLatin1Char('\n')));
        return;
    }
    RunSeason(*compiled.inputs, {}, *run_);
    clearForcing();
    if (const auto where = FirstNonFiniteOutput(*run_)) {
        statusBar()->showMessage(
            QStringLiteral("The season gave a value that is not a number (%1).").arg(Qs(*where)));
        return;
    }
    results_.crop = FillCropChart(*run_);
    results_.microclimate = FillMicroclimateChart(*run_);
    BuildReportGrid(form_, *run_, results_);
    showResults();
    afterRun(false);
    lastRunMs_ = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    statusBar()->setToolTip({});
    statusBar()->showMessage(
        QStringLiteral("Run on change: season shown in %1 ms.").arg(lastRunMs_, 0, 'f', 1), 3000);
}

void MainWindow::showResults() {
    output_->showResults(results_, run_->control.InitialDate, Summarize(*run_));
    hasResults_ = true;
    saveReportAction_->setEnabled(true);
}

void MainWindow::saveReport() {
    // Whatever the report grid holds, whatever is ticked now.
    SaveGridAsWorkbook(results_.report, *ui_, "Report");
}

void MainWindow::saveChart(ChartView* chart, const std::string& name) {
    const FileDialog dialog{"TULO - Save the " + name + " chart", name + ".png",
                            "PNG image (*.png)|*.png|SVG drawing (*.svg)|*.svg"};
    const auto chosen = ui_->saveFile(dialog);
    if (!chosen) return;
    QString file = QString::fromStdString(*chosen);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != "png" && suffix != "svg") file += QStringLiteral(".png");
    if (!chart->saveImage(file))
        ui_->message("The chart could not be written to " + file.toStdString() + ".", {}, Icon::Exclamation);
}

SensitivityWindow* MainWindow::openSensitivity() {
    if (!sensitivity_) sensitivity_ = new SensitivityWindow(form_, *ui_, this);
    sensitivity_->show();
    sensitivity_->raise();
    sensitivity_->activateWindow();
    return sensitivity_;
}

} // namespace tulo::app
