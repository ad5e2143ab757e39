#include "app/SensitivityWindow.h"

#include "app/BackgroundTask.h"
#include "app/PageTools.h"
#include "app/QtUserInterface.h"
#include "app/RunProgressDialog.h"
#include "app/SAChartWindow.h"
#include "engine/Parameters.h"
#include "forms/FormModel.h"
#include "forms/SeasonForm.h"
#include "io/TextFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>

namespace tulo::app {

namespace {

using sensitivity::kGrowthFactors;

const QString kSamplesTitle = QStringLiteral("TULO Sensitivity Analysis");
constexpr std::string_view kResultsTitle = "TULO - SA";

QComboBox* List(const char* name, const auto& items, bool editable = false) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    for (const auto& item : items) box->addItem(Qs(item));
    // The lists of numbers take a number typed over them, as the checks expect.
    box->setEditable(editable);
    return box;
}

QLineEdit* Text(const char* name, const std::string& text) {
    auto* edit = new QLineEdit(Qs(text));
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(110);
    return edit;
}

std::string Str(const QString& text) {
    return text.toStdString();
}

void Select(QComboBox* box, const std::string& text) {
    box->setCurrentIndex(box->findText(Qs(text)));
}

QLabel* NotEnabled() {
    auto* label = new QLabel(Qs(sensitivity::kNotEnabled));
    label->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
    return label;
}

// The options of a step run by `run`: it stops when the window or frmRitardo (through `progress`, when
// given) cancels it, and the sample runs count into `progress`.
sensitivity::RunOptions StepOptions(const BackgroundTask::Run& run,
                                    const std::shared_ptr<RunProgress>& progress) {
    sensitivity::RunOptions options;
    options.cancelled = [run, progress] {
        return run.stopRequested() || (progress && progress->cancelled.load());
    };
    if (progress)
        options.progress = [progress](std::size_t done, std::size_t total) {
            progress->total = total;
            progress->done = done;
        };
    return options;
}

QLabel* Header(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

SensitivityWindow::SensitivityWindow(const FormModel& mainForm, UserInterface& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), mainForm_(mainForm), ui_(ToolWindowInterface(ui, this)),
      task_(new BackgroundTask(this)) {
    setObjectName(QStringLiteral("frmSAparamDistrib"));
    setWindowTitle(Qs(sensitivity::kSetupTitle));

    auto* bar = new QToolBar;
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* open =
        bar->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), QStringLiteral("Open sample..."),
                       this, &SensitivityWindow::openSampleFile);
    open->setObjectName(QStringLiteral("cmdSAopen"));
    open->setToolTip(QStringLiteral("Run the seasons of a sample file instead of drawing a sample"));
    QAction* fresh = bar->addAction(style()->standardIcon(QStyle::SP_FileIcon),
                                    QStringLiteral("Draw a new sample"), this, [this] { setSamplePath({}); });
    fresh->setObjectName(QStringLiteral("cmdSAnew"));
    fresh->setToolTip(QStringLiteral("Forget the opened sample file: the next analysis draws its own"));
    bar->addSeparator();
    QAction* openSettingsAction =
        bar->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QStringLiteral("Open settings..."),
                       this, &SensitivityWindow::openSettings);
    openSettingsAction->setObjectName(QStringLiteral("cmdSAopenSettings"));
    openSettingsAction->setToolTip(
        QStringLiteral("Show the settings of a file: ticked rows, distributions, method and its settings"));
    QAction* saveSettingsAction =
        bar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Save settings..."),
                       this, &SensitivityWindow::saveSettings);
    saveSettingsAction->setObjectName(QStringLiteral("cmdSAsaveSettings"));
    saveSettingsAction->setToolTip(QStringLiteral("Keep these settings in a file"));

    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("tabSA"));
    // The development rows: the phenology parameters; the sterility rows: the cultivar's sensitivity and
    // its threshold.
    std::vector<int> development, sterility;
    for (const char* id : {"Tbase", "Tcutoff", "TSUMEM", "DLC", "DLO", "TbaseAfterEmerg", "TcutoffAfterEmerg",
                           "TSUM1", "TSUM2", "DVSEND"})
        development.push_back(ParameterIndex(id));
    for (const char* id : {"StSen", "TempStThreshold"}) sterility.push_back(ParameterIndex(id));
    pages_->addTab(disabledPage(development), QStringLiteral("Development"));
    pages_->addTab(growthPage(), QStringLiteral("Growth"));
    pages_->addTab(disabledPage(sterility), QStringLiteral("Sterility"));
    pages_->setCurrentIndex(static_cast<int>(sensitivity::SetupPage::Growth));

    auto* body = new QHBoxLayout;
    body->addWidget(pages_, 1);
    body->addWidget(methodPanel());
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addLayout(body);

    progress_ = new RunProgressDialog(this);
    chart_ = new SAChartWindow(ui_, this);
    refillSobolExecutions();
    chooseMethod(method_->currentText());
    setSamplePath({});
}

SensitivityWindow::~SensitivityWindow() {
    // The step running stops before its files go.
    task_->abandon();
    // The results shown stay in the results window until it closes with this one: the files can go.
    if (running_) sensitivity::RemoveExchangeFiles(*running_);
    if (last_) sensitivity::RemoveExchangeFiles(*last_);
}

bool SensitivityWindow::busy() const {
    return task_->running();
}

std::optional<std::filesystem::path> SensitivityWindow::analysisFolder() const {
    if (!last_) return std::nullopt;
    return last_->folder;
}

QWidget* SensitivityWindow::growthPage() {
    const sensitivity::SetupForm defaults;
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    grid->addWidget(Header(QStringLiteral("Used")), 0, 0);
    grid->addWidget(Header(QStringLiteral("Parameter")), 0, 1);
    grid->addWidget(Header(QStringLiteral("Distribution")), 0, 2);
    grid->addWidget(Header(QStringLiteral("Mean")), 0, 3);
    grid->addWidget(Header(QStringLiteral("St. dev.")), 0, 4);
    for (const sensitivity::ParameterFactor& factor : sensitivity::GrowthFactors()) {
        const int k = factor.row;
        const auto& row = defaults.rows.at(static_cast<std::size_t>(k));
        const QString suffix = QString::number(k);
        used_[k] = new QCheckBox;
        used_[k]->setObjectName(QStringLiteral("chkSAused") + suffix);
        used_[k]->setToolTip(QStringLiteral("Vary this parameter (factor %1)").arg(Qs(factor.name)));
        connect(used_[k], &QCheckBox::toggled, this, &SensitivityWindow::refillSobolExecutions);
        distribution_[k] = List("", sensitivity::DistributionNames());
        distribution_[k]->setObjectName(QStringLiteral("cmbSensitivityGrowth") + suffix);
        Select(distribution_[k], row.distribution);
        mean_[k] = Text("", row.mean);
        mean_[k]->setObjectName(QStringLiteral("txtSensitivityMean") + suffix);
        sd_[k] = Text("", row.sd);
        sd_[k]->setObjectName(QStringLiteral("txtSensitivitySD") + suffix);
        auto* label = new QLabel(Qs(factor.label));
        label->setBuddy(used_[k]);
        label->setToolTip(ParameterTip(CropParameterRegistry()[static_cast<std::size_t>(factor.parameter)]));
        grid->addWidget(used_[k], k + 1, 0, Qt::AlignHCenter);
        grid->addWidget(label, k + 1, 1);
        grid->addWidget(distribution_[k], k + 1, 2);
        grid->addWidget(mean_[k], k + 1, 3);
        grid->addWidget(sd_[k], k + 1, 4);
    }
    grid->setColumnStretch(1, 1);
    auto* all = new QPushButton(QStringLiteral("Select all the parameters"));
    all->setObjectName(QStringLiteral("cmdSAselectAll"));
    connect(all, &QPushButton::clicked, this, [this] {
        for (QCheckBox* box : used_) box->setChecked(true);
    });
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(all, 0, Qt::AlignLeft);
    layout->addStretch();
    return page;
}

QWidget* SensitivityWindow::disabledPage(const std::vector<int>& parameters) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    int r = 0;
    for (const int index : parameters) {
        const ParameterInfo& info = CropParameterRegistry()[static_cast<std::size_t>(index)];
        auto* box = new QCheckBox;
        auto* list = List("", sensitivity::DistributionNames());
        auto* mean = Text("", std::string(info.defaultText));
        auto* sd = Text("", "");
        grid->addWidget(box, r, 0, Qt::AlignHCenter);
        grid->addWidget(new QLabel(Qs(info.label)), r, 1);
        grid->addWidget(list, r, 2);
        grid->addWidget(mean, r, 3);
        grid->addWidget(sd, r, 4);
        for (QWidget* w : {static_cast<QWidget*>(box), static_cast<QWidget*>(list),
                           static_cast<QWidget*>(mean), static_cast<QWidget*>(sd)})
            w->setEnabled(false);
        ++r;
    }
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(NotEnabled());
    layout->addLayout(grid);
    layout->addStretch();
    return page;
}

void SensitivityWindow::fillMethodFrames(const sensitivity::SetupForm& defaults) {
    frames_ = new QStackedWidget;
    frames_->setObjectName(QStringLiteral("fraMethods"));
    const auto frame = [this](const char* name, const QString& title,
                              std::initializer_list<std::pair<QString, QWidget*>> rows) {
        auto* box = new QGroupBox(title);
        box->setObjectName(QString::fromLatin1(name));
        frames_->addWidget(box);
        auto* layout = new QFormLayout(box);
        for (const auto& [caption, field] : rows) AddRow(layout, caption, field, 180);
    };
    const QString seed = QStringLiteral("Random # generator seed");
    const QString executions = QStringLiteral("# of executions");
    // In the order of the method list.
    fastComputation_ = List("cmbComputationFast", sensitivity::FastComputations());
    fastExecutions_ = Text("txtExecutionsFast", defaults.fastExecutions);
    fastSeed_ = Text("txtRndSeedFast", defaults.fastSeed);
    frame("fraFAST", QStringLiteral("FAST"),
          {{QStringLiteral("Method computation"), fastComputation_},
           {QStringLiteral("# of exec. ( > 65 * n. par.)"), fastExecutions_},
           {seed, fastSeed_}});

    lhsSeed_ = Text("txtRndSeedLhs", defaults.lhsSeed);
    lhsExecutions_ = Text("txtExecutionsLhs", defaults.lhsExecutions);
    frame("fraLHS", QStringLiteral("Latin hypercube sampling"),
          {{seed, lhsSeed_}, {executions, lhsExecutions_}});

    morrisSeed_ = Text("txtRndSeedMorris", defaults.morrisSeed);
    morrisTrajectories_ = List("cmbTrajectoriesMorris", sensitivity::MorrisTrajectories(), true);
    Select(morrisTrajectories_, defaults.morrisTrajectories);
    morrisLevels_ = List("cmbSensitivityLevelsMorris", sensitivity::MorrisLevels(), true);
    Select(morrisLevels_, defaults.morrisLevels);
    frame("fraMorris", QStringLiteral("Morris method"),
          {{seed, morrisSeed_},
           {QStringLiteral("# of trajectories"), morrisTrajectories_},
           {QStringLiteral("# of levels"), morrisLevels_}});

    lptauExecutions_ = List("cmbExecutionsLptau", sensitivity::LpTauExecutions(), true);
    Select(lptauExecutions_, defaults.lptauExecutions);
    frame("fraLpTau", QStringLiteral("Quasi-Random LpTau"), {{executions, lptauExecutions_}});

    randomExecutions_ = Text("txtExecutionsRandom", defaults.randomExecutions);
    randomSeed_ = Text("txtRndSeedRandom", defaults.randomSeed);
    frame("fraRandom", QStringLiteral("Random"), {{executions, randomExecutions_}, {seed, randomSeed_}});

    sobolComputation_ = List("cmbMethodComputation", sensitivity::SobolComputations());
    sobolOrder_ = List("cmbOrder", sensitivity::SobolOrders());
    sobolExecutions_ = List("cmbGeneratorSobol", std::vector<std::string>{}, true);
    connect(sobolComputation_, &QComboBox::currentTextChanged, this,
            &SensitivityWindow::refillSobolExecutions);
    frame("fraSobol", QStringLiteral("Sobol method"),
          {{QStringLiteral("Method computation"), sobolComputation_},
           {QStringLiteral("Order of infices calc."), sobolOrder_},
           {QStringLiteral("Executions generator"), sobolExecutions_}});
}

QWidget* SensitivityWindow::methodPanel() {
    const sensitivity::SetupForm defaults;
    method_ = new QComboBox;
    method_->setObjectName(QStringLiteral("cmbSensitivityMethod"));
    for (const sensitivity::MethodName& name : sensitivity::MethodNames()) method_->addItem(Qs(name.text));
    Select(method_, defaults.method);
    connect(method_, &QComboBox::currentTextChanged, this, &SensitivityWindow::chooseMethod);
    output_ = new QComboBox;
    output_->setObjectName(QStringLiteral("cmbSAOutput"));
    for (const sensitivity::OutputChoice& choice : sensitivity::OutputChoices())
        output_->addItem(Qs(choice.caption));
    output_->setToolTip(QStringLiteral("What each season of the analysis gives the indices"));
    Select(output_, defaults.output);

    fillMethodFrames(defaults);

    samplePath_ = new QLabel;
    samplePath_->setObjectName(QStringLiteral("Label6"));
    samplePath_->setWordWrap(true);
    samplePath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    samplePath_->setToolTip(
        QStringLiteral("The sample file opened with Open; empty when the analysis draws its own"));

    run_ = new QPushButton(QStringLiteral("Create samples and run the simulations"));
    run_->setObjectName(QStringLiteral("cmdSamplesSimulations"));
    connect(run_, &QPushButton::clicked, this, &SensitivityWindow::createSamplesAndRun);
    results_ = new QPushButton(QStringLiteral("Display results"));
    results_->setObjectName(QStringLiteral("cmdSA"));
    connect(results_, &QPushButton::clicked, this, &SensitivityWindow::displayResults);
    cancelResults_ = new QPushButton(QStringLiteral("Cancel"));
    cancelResults_->setObjectName(QStringLiteral("cmdSAcancel"));
    cancelResults_->setToolTip(QStringLiteral("Stop computing the indices"));
    cancelResults_->setVisible(false);
    connect(cancelResults_, &QPushButton::clicked, this, &SensitivityWindow::cancelResults);

    auto* panel = new QWidget;
    panel->setMinimumWidth(340);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Header(QStringLiteral("Sensitivity method")));
    layout->addWidget(method_);
    layout->addWidget(frames_);
    layout->addWidget(Header(QStringLiteral("Output analysed")));
    layout->addWidget(output_);
    layout->addWidget(Header(QStringLiteral("Sample file")));
    layout->addWidget(samplePath_);
    noSample_ = new QLabel(QStringLiteral("None opened: the analysis draws its own sample."));
    noSample_->setStyleSheet(QStringLiteral("color: gray"));
    layout->addWidget(noSample_);
    layout->addStretch();
    layout->addWidget(run_);
    auto* resultsRow = new QHBoxLayout;
    resultsRow->addWidget(results_, 1);
    resultsRow->addWidget(cancelResults_);
    layout->addLayout(resultsRow);
    return panel;
}

void SensitivityWindow::chooseMethod(const QString& method) {
    const int k = method_->findText(method);
    if (k >= 0) frames_->setCurrentIndex(k);
    frames_->setVisible(k >= 0);
}

void SensitivityWindow::refillSobolExecutions() {
    if (!sobolExecutions_) return;
    int ticked = 0;
    for (const QCheckBox* box : used_) ticked += box->isChecked();
    const int at = std::max(sobolExecutions_->currentIndex(), 0);
    sobolExecutions_->clear();
    for (const std::string& value :
         sensitivity::SobolExecutions(ticked, Str(sobolComputation_->currentText())))
        sobolExecutions_->addItem(Qs(value));
    sobolExecutions_->setCurrentIndex(std::min(at, sobolExecutions_->count() - 1));
}

sensitivity::SetupForm SensitivityWindow::setupForm() const {
    sensitivity::SetupForm form;
    form.page = static_cast<sensitivity::SetupPage>(pages_->currentIndex());
    for (int k = 0; k < kGrowthFactors; ++k) {
        auto& row = form.rows.at(static_cast<std::size_t>(k));
        row.used = used_[k]->isChecked();
        row.distribution = Str(distribution_[k]->currentText());
        row.mean = Str(mean_[k]->text());
        row.sd = Str(sd_[k]->text());
    }
    form.method = Str(method_->currentText());
    form.fastComputation = Str(fastComputation_->currentText());
    form.fastExecutions = Str(fastExecutions_->text());
    form.fastSeed = Str(fastSeed_->text());
    form.lhsSeed = Str(lhsSeed_->text());
    form.lhsExecutions = Str(lhsExecutions_->text());
    form.morrisSeed = Str(morrisSeed_->text());
    form.morrisTrajectories = Str(morrisTrajectories_->currentText());
    form.morrisLevels = Str(morrisLevels_->currentText());
    form.lptauExecutions = Str(lptauExecutions_->currentText());
    form.randomExecutions = Str(randomExecutions_->text());
    form.randomSeed = Str(randomSeed_->text());
    form.sobolComputation = Str(sobolComputation_->currentText());
    form.sobolOrder = Str(sobolOrder_->currentText());
    form.sobolExecutions = Str(sobolExecutions_->currentText());
    form.samplePath = Str(samplePath_->text());
    form.output = Str(output_->currentText());
    return form;
}

void SensitivityWindow::openSampleFile() {
    const auto chosen = ui_.openFile({"Open a SimLab sample file", "*.sam", "Sample (*.sam)|*.sam"});
    if (!chosen || chosen->empty()) return;
    std::error_code error;
    if (!std::filesystem::is_regular_file(*chosen, error)) {
        ui_.message("File not exit");
        return;
    }
    setSamplePath(Qs(*chosen));
}

void SensitivityWindow::setSamplePath(const QString& path) {
    samplePath_->setText(path);
    samplePath_->setVisible(!path.isEmpty());
    noSample_->setVisible(path.isEmpty());
}

std::optional<sensitivity::ExchangeFiles> SensitivityWindow::newExchangeFiles() {
    try {
        return sensitivity::NewExchangeFiles();
    } catch (const std::filesystem::filesystem_error& e) {
        ui_.message(std::string("The folder for the analysis's exchange files cannot be made in TULO's data "
                                "folder.\r") +
                        e.what(),
                    sensitivity::kCheckTitle, Icon::Critical);
        return std::nullopt;
    }
}

void SensitivityWindow::setSetupForm(const sensitivity::SetupForm& form) {
    for (int k = 0; k < kGrowthFactors; ++k) {
        const auto& row = form.rows.at(static_cast<std::size_t>(k));
        used_[k]->setChecked(row.used);
        Select(distribution_[k], row.distribution);
        mean_[k]->setText(Qs(row.mean));
        sd_[k]->setText(Qs(row.sd));
    }
    pages_->setCurrentIndex(static_cast<int>(form.page));
    Select(method_, form.method);
    Select(fastComputation_, form.fastComputation);
    fastExecutions_->setText(Qs(form.fastExecutions));
    fastSeed_->setText(Qs(form.fastSeed));
    lhsSeed_->setText(Qs(form.lhsSeed));
    lhsExecutions_->setText(Qs(form.lhsExecutions));
    morrisSeed_->setText(Qs(form.morrisSeed));
    morrisTrajectories_->setCurrentText(Qs(form.morrisTrajectories));
    morrisLevels_->setCurrentText(Qs(form.morrisLevels));
    lptauExecutions_->setCurrentText(Qs(form.lptauExecutions));
    randomExecutions_->setText(Qs(form.randomExecutions));
    randomSeed_->setText(Qs(form.randomSeed));
    Select(sobolComputation_, form.sobolComputation); // refills the executions for the rows ticked above
    Select(sobolOrder_, form.sobolOrder);
    sobolExecutions_->setCurrentText(Qs(form.sobolExecutions));
    setSamplePath(Qs(form.samplePath));
    Select(output_, form.output);
}

void SensitivityWindow::openSettings() {
    const auto chosen = ui_.openFile({"TULO - Open sensitivity settings", "*.tsa",
                                      "Sensitivity settings (*.tsa)|*.tsa|All files (*.*)|*.*"});
    if (!chosen || chosen->empty()) return;
    const auto read = ReadWholeFile(*chosen, kMaxTextFileBytes);
    if (!read) {
        ui_.message("Cannot read the settings file " + *chosen + ": " + read.message() + ".",
                    sensitivity::kCheckTitle, Icon::Exclamation);
        return;
    }
    sensitivity::SetupForm form;
    if (const auto why = sensitivity::ParseSettingsFile(*read, form); !why) {
        ui_.message("In the settings file " + *chosen + ": " + why.message, sensitivity::kCheckTitle,
                    Icon::Exclamation);
        return;
    }
    // A sample file opened stays: the settings describe the analysis, the sample its data.
    form.samplePath = Str(samplePath_->text());
    setSetupForm(form);
}

void SensitivityWindow::saveSettings() {
    const auto chosen = ui_.saveFile(
        {"TULO - Save sensitivity settings", "sensitivity.tsa", "Sensitivity settings (*.tsa)|*.tsa"});
    if (!chosen || chosen->empty()) return;
    std::filesystem::path file(*chosen);
    if (file.extension() != ".tsa") file += ".tsa";
    if (const Outcome written = WriteFileAtomically(file, sensitivity::FormatSettingsFile(setupForm()));
        !written)
        ui_.message("The settings could not be saved: " + written.message, sensitivity::kCheckTitle,
                    Icon::Exclamation);
}

void SensitivityWindow::setRunning(bool running) {
    run_->setEnabled(!running);
    results_->setEnabled(!running);
    if (!running) cancelResults_->setVisible(false);
}

void SensitivityWindow::cancelResults() {
    task_->cancel();
}

void SensitivityWindow::createSamplesAndRun() {
    if (busy()) return;
    auto outcome = sensitivity::CheckSetup(setupForm());
    if (const auto* refusal = std::get_if<Message>(&outcome)) {
        ui_.message(refusal->text, refusal->title, refusal->icon);
        return;
    }
    const auto request = std::get<sensitivity::AnalysisRequest>(std::move(outcome));
    if (const auto why = sensitivity::CheckRequest(request); !why) {
        ui_.message(why.message, sensitivity::kCheckTitle, Icon::Exclamation);
        return;
    }
    // The analysis's own compilation of the main window's inputs: nothing is written back there.
    const Compilation compiled = CompileInputs(mainForm_);
    if (!compiled.inputs) {
        ui_.problem(compiled.problems.front());
        return;
    }
    const auto files = newExchangeFiles();
    if (!files) return;
    running_ = files;

    runProgress_ = std::make_shared<RunProgress>();
    setRunning(true);
    progress_->start(runProgress_);
    task_->start([this, inputs = compiled.inputs, request, files = *files,
                  progress = runProgress_](const BackgroundTask::Run& run) {
        sensitivity::Simulations done =
            sensitivity::CreateSamplesAndRun(*inputs, request, files, StepOptions(run, progress));
        return std::function<void()>([this, done = std::move(done)] { simulationsDone(done); });
    });
}

void SensitivityWindow::simulationsDone(const sensitivity::Simulations& done) {
    progress_->stop();
    setRunning(false);
    const sensitivity::ExchangeFiles files = *running_;
    running_.reset();
    if (!done.status) {
        // The last analysis that ran to the end stays the one whose results are shown.
        sensitivity::RemoveExchangeFiles(files);
        ui_.message(done.status.message, sensitivity::kCheckTitle,
                    done.status.status == Outcome::Cancelled ? Icon::Information : Icon::Exclamation);
        emit simulationsFinished(false);
        return;
    }
    if (last_) sensitivity::RemoveExchangeFiles(*last_);
    last_ = files;
    lastRows_ = done.rows;
    lastTruncated_ = done.runs.truncated;
    ui_.message("All the simulations run", Str(kSamplesTitle));
    emit simulationsFinished(true);
}

void SensitivityWindow::displayResults() {
    if (busy()) return;
    // The indices describe this window's last simulations, in their own folder.
    if (!last_) {
        ui_.message("Create samples and run the simulations first: the results shown are those of the last "
                    "analysis this window ran.",
                    kResultsTitle, Icon::Information);
        return;
    }
    setRunning(true);
    cancelResults_->setVisible(true);
    ui_.setBusy(true);
    task_->start([this, files = *last_, rows = lastRows_](const BackgroundTask::Run& run) {
        sensitivity::IndexResults results;
        const Outcome status =
            sensitivity::ComputeIndexResults(files, rows, results, StepOptions(run, nullptr));
        return std::function<void()>(
            [this, status, results = std::move(results)] { indicesDone(status, results); });
    });
}

void SensitivityWindow::indicesDone(const Outcome& status, sensitivity::IndexResults results) {
    ui_.setBusy(false);
    setRunning(false);
    if (!status) {
        const bool cancelled = status.status == Outcome::Cancelled;
        ui_.message(cancelled ? "Display results was cancelled: no indices were computed." : status.message,
                    kResultsTitle, cancelled ? Icon::Information : Icon::Exclamation);
        emit resultsFinished(false);
        return;
    }
    if (lastTruncated_.size() == results.factors.size())
        for (std::size_t j = 0; j < lastTruncated_.size(); ++j)
            results.factors[j].truncated = lastTruncated_[j];
    ui_.message("Sensitivity Analysis carried out regularly", kResultsTitle);
    chart_->showResults(results, results.method.rfind("morris", 0) == 0);
    chart_->show();
    chart_->raise();
    emit resultsFinished(true);
}

} // namespace tulo::app
