#include "app/MultiPointAutoCalWindow.h"

#include "app/CalibrationPanel.h"
#include "app/PageTools.h"
#include "app/QtUserInterface.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace tulo::app {

namespace {

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

void SetFile(QLineEdit* edit, const std::string& name) {
    edit->setText(Qs(name));
    edit->setToolTip(Qs(name));
    edit->setCursorPosition(0);
}

} // namespace

MultiPointAutoCalWindow::MultiPointAutoCalWindow(FormModel& form, UserInterface& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), ui_(ToolWindowInterface(ui, this)) {
    setObjectName(QStringLiteral("frmMultiPointAutoCal"));
    setWindowTitle(QStringLiteral("TULO - Multi-site automatic calibration"));

    toolBar_ = SettingsToolBar(
        this, {QStringLiteral("Empty the settings and data sets"),
               QStringLiteral("Open multi-site settings (.cfg) and the workbooks they name"),
               QStringLiteral("Save the multi-site settings (.cfg)"), [this] { newSettings(); },
               [this] { openSettings(); }, [this] { saveSettings(); }});

    auto* sets = new QGroupBox(QStringLiteral("Data sets"));
    auto* grid = new QGridLayout(sets);
    const QString headers[] = {QStringLiteral("Initial date"), QStringLiteral("Final date"),
                               QStringLiteral("Sowing date"),  QStringLiteral("Latitude"),
                               QStringLiteral("Weather"),      {},
                               QStringLiteral("AGB measured"), {},
                               QStringLiteral("LAI measured"), {},
                               QStringLiteral("AGB index"),    QStringLiteral("LAI index")};
    for (int c = 0; c < 12; ++c) grid->addWidget(new QLabel(headers[c]), 0, c + 1);
    for (int s = 0; s < kCalibrationSites; ++s) {
        Row& row = rows_[static_cast<std::size_t>(s)];
        const auto edit = [&](const char* name, int width, const QString& tip, bool readOnly = false) {
            auto* line = new QLineEdit;
            line->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(name)).arg(s));
            line->setMaximumWidth(width);
            line->setToolTip(tip);
            line->setReadOnly(readOnly);
            return line;
        };
        const QString empty = QStringLiteral(": empty keeps the main window's");
        row.initialDate =
            edit("txtInitialDate", 60, QStringLiteral("DOY of the first simulated day") + empty);
        row.finalDate = edit("txtFinalDate", 60, QStringLiteral("DOY after the last simulated day") + empty);
        row.sowingDate = edit("txtSowingDate", 60, QStringLiteral("DOY of sowing") + empty);
        row.latitude = edit("txtLatitude", 60, QStringLiteral("Degrees, used as typed") + empty);
        row.weather = edit("txtMeteoMPAC", 170, {}, true);
        row.agb = edit("txtAGBMeasuredMPAC", 170, {}, true);
        row.lai = edit("txtLAIMeasuredMPAC", 170, {}, true);
        row.rrmse = edit("txtRRMSE", 90, QStringLiteral("The AGB index of the calibrated values"), true);
        row.rrmseLai =
            edit("txtRRMSELAI", 90, QStringLiteral("The LAI index of the calibrated values"), true);
        const auto select = [&](const char* name, void (MultiPointAutoCalWindow::*slot)(int)) {
            auto* button = new QPushButton(QStringLiteral("Select"));
            button->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(name)).arg(s));
            connect(button, &QPushButton::clicked, this, [this, slot, s] { (this->*slot)(s); });
            return button;
        };
        grid->addWidget(new QLabel(QStringLiteral("Data set %1").arg(s + 1)), s + 1, 0);
        QWidget* cells[] = {
            row.initialDate, row.finalDate,
            row.sowingDate,  row.latitude,
            row.weather,     select("cmdSelectMeteoMPAC", &MultiPointAutoCalWindow::selectWeather),
            row.agb,         select("cmdAGBselectMPAC", &MultiPointAutoCalWindow::selectAgb),
            row.lai,         select("cmdLAIselectMPAC", &MultiPointAutoCalWindow::selectLai),
            row.rrmse,       row.rrmseLai};
        for (int c = 0; c < 12; ++c) grid->addWidget(cells[c], s + 1, c + 1);
    }
    grid->setColumnStretch(13, 1);

    panel_ = new CalibrationPanel(false, &form_);
    runner_ = new CalibrationRunner(this);
    connect(panel_->startButton(), &QPushButton::clicked, this, [this] { start(); });
    connect(panel_->stopButton(), &QPushButton::clicked, runner_, &CalibrationRunner::stop);
    connect(panel_->exitButton(), &QPushButton::clicked, this, &QWidget::close);
    connect(runner_, &CalibrationRunner::progressed, panel_, &CalibrationPanel::showProgress);
    connect(runner_, &CalibrationRunner::finished, this, &MultiPointAutoCalWindow::finished);
    // While the search runs, each data set's box follows its AGB index in the contraction trials.
    connect(runner_, &CalibrationRunner::contracted, this, [this](const TrialResult& trial) {
        const std::size_t sites = std::min(request_.dataSets.size(), kIndexedDataSets);
        for (std::size_t s = 0; s < sites && s < rows_.size(); ++s)
            ShowIndex(rows_[s].rrmse,
                      trial.evaluated ? std::optional(trial.dataSetAgbIndex[s]) : std::nullopt);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(toolBar_);
    layout->addWidget(sets);
    layout->addWidget(panel_, 1);
    newSettings();
    resize(1300, 820);
}

MultiPointTexts MultiPointAutoCalWindow::texts() const {
    MultiPointTexts texts;
    for (std::size_t s = 0; s < rows_.size(); ++s) {
        const Row& row = rows_[s];
        texts.cfg.sites[s] = {Text(row.initialDate), Text(row.finalDate), Text(row.sowingDate),
                              Text(row.latitude),    Text(row.rrmse),     Text(row.weather),
                              Text(row.agb),         Text(row.lai)};
    }
    texts.cfg.parameters = panel_->parameters();
    texts.cfg.initial = panel_->initial();
    texts.agbAndLai = panel_->agbAndLai();
    texts.objective = panel_->objective();
    texts.method = panel_->method();
    texts.genetic = panel_->genetic();
    texts.seed = panel_->seed();
    return texts;
}

void MultiPointAutoCalWindow::setTexts(const MultiPointTexts& texts) {
    for (std::size_t s = 0; s < rows_.size(); ++s) {
        const Row& row = rows_[s];
        const SiteTexts& site = texts.cfg.sites[s];
        row.initialDate->setText(Qs(site.initialDate));
        row.finalDate->setText(Qs(site.finalDate));
        row.sowingDate->setText(Qs(site.sowingDate));
        row.latitude->setText(Qs(site.latitude));
        row.rrmse->setText(Qs(site.rrmse));
        row.rrmseLai->clear();
        SetFile(row.weather, site.weather);
        SetFile(row.agb, site.agb);
        SetFile(row.lai, site.lai);
    }
    panel_->setParameters(texts.cfg.parameters);
    panel_->setInitial(texts.cfg.initial);
    panel_->setAgbAndLai(texts.agbAndLai);
    panel_->setObjective(texts.objective);
    panel_->setMethod(texts.method);
    panel_->setGenetic(texts.genetic);
    panel_->setSeed(texts.seed);
}

void MultiPointAutoCalWindow::selectWeather(int row) {
    std::string chosen;
    Grid weather;
    if (!OpenSiteWeather(form_, ui_, weather, chosen)) return;
    tables_[static_cast<std::size_t>(row)].weather = std::move(weather);
    tables_[static_cast<std::size_t>(row)].season.reset(); // the row now runs the main window's season
    lockOwnSeasonRows();
    SetFile(rows_[static_cast<std::size_t>(row)].weather, chosen);
}

void MultiPointAutoCalWindow::selectAgb(int row) {
    std::string chosen;
    auto table = OpenMeasuredTable(ui_, "AGB data file (MPAC)", chosen);
    if (!table) return;
    tables_[static_cast<std::size_t>(row)].agb = std::move(*table);
    SetFile(rows_[static_cast<std::size_t>(row)].agb, chosen);
}

void MultiPointAutoCalWindow::selectLai(int row) {
    std::string chosen;
    auto table = OpenMeasuredTable(ui_, "LAI data file (MPAC)", chosen);
    if (!table) return;
    tables_[static_cast<std::size_t>(row)].lai = std::move(*table);
    SetFile(rows_[static_cast<std::size_t>(row)].lai, chosen);
}

bool MultiPointAutoCalWindow::start() {
    if (runner_->running()) return false;
    PreparedCalibration prepared = PrepareMultiPoint(texts(), form_, tables_);
    const QString status =
        QStringLiteral("Searching on %1 data sets...").arg(prepared.request.dataSets.size());
    return panel_->startSearch(std::move(prepared), request_, *runner_, ui_, status);
}

void MultiPointAutoCalWindow::finished(const CalibrationResult& result) {
    panel_->finishSearch(result, request_, form_, ui_, [this](const std::vector<TrialResult>& indices) {
        for (std::size_t s = 0; s < rows_.size(); ++s) {
            const bool shown = s < indices.size() && indices[s].evaluated;
            ShowIndex(rows_[s].rrmse, shown ? std::optional(indices[s].agbIndex) : std::nullopt);
            ShowIndex(rows_[s].rrmseLai,
                      shown && request_.settings.withLai ? std::optional(indices[s].laiIndex) : std::nullopt);
        }
    });
    emit calibrationFinished();
}

void MultiPointAutoCalWindow::newSettings() {
    MultiPointTexts texts;
    setTexts(texts);
    tables_ = {};
    lockOwnSeasonRows();
    panel_->clearProgress();
}

void MultiPointAutoCalWindow::openSettings() {
    if (const auto file = AskSettingsFileToOpen(ui_, "cfg")) openSettingsFile(*file);
}

bool MultiPointAutoCalWindow::openSettingsFile(const std::filesystem::path& file) {
    MultiPointTexts settings = texts();
    if (const Outcome read = ReadCfgSettings(file, settings.cfg); !read) {
        ui_.message(file.filename().string() + ", " + read.message);
        return false;
    }
    setTexts(settings);
    // The workbooks are named relative to the settings file, so a folder of them moves whole.
    tables_ = LoadSiteTables(settings.cfg, file.parent_path(), form_, ui_);
    lockOwnSeasonRows();
    return true;
}

void MultiPointAutoCalWindow::useOwnSeasons(std::span<const OwnSeasonRow> rows) {
    MultiPointTexts texts = this->texts();
    texts.cfg.sites = {};
    tables_ = {};
    Messages messages;
    FillOwnSeasonRows(rows, texts, tables_, messages);
    texts.agbAndLai =
        std::any_of(rows.begin(), rows.end(), [](const OwnSeasonRow& row) { return row.lai.has_value(); });
    setTexts(texts);
    lockOwnSeasonRows();
    panel_->clearProgress();
    ShowMessages(ui_, messages);
}

void MultiPointAutoCalWindow::lockOwnSeasonRows() {
    for (std::size_t s = 0; s < rows_.size(); ++s) {
        // A row's own season keeps its own days and latitude: an edit there would not be run.
        const bool own = tables_[s].season != nullptr;
        for (QLineEdit* edit :
             {rows_[s].initialDate, rows_[s].finalDate, rows_[s].sowingDate, rows_[s].latitude})
            edit->setReadOnly(own);
    }
}

void MultiPointAutoCalWindow::saveSettings() {
    const auto file = AskSettingsFileToSave(ui_, "cfg");
    if (!file) return;
    if (const Outcome written = WriteCfgSettings(*file, texts().cfg); !written) ui_.message(written.message);
}

void MultiPointAutoCalWindow::closeEvent(QCloseEvent* event) {
    panel_->abandonSearch(*runner_);
    event->accept();
}

} // namespace tulo::app
