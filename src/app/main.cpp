// The desktop program. `tulo [FILE.sim]` opens the window, with that configuration when given.
// `tulo --screenshot DIR FILE.sim` opens and runs the configuration, saves a picture of every page into
// DIR (page-0.png ... page-7.png, about.png, user-guide.png, shortcuts.png, diseases.png, laiexo.png,
// and the sensitivity analysis's sa.png, sa-progress.png, sa-results-0.png ... sa-results-3.png after a
// small analysis, then the calibration windows' autocal.png and autocal-sites.png, and the new-season
// dialog's new-season.png with the example weather file field/site.WTH chosen, phenology.png, a fit of
// the thermal times, and import-dssat.png, the multi-site calibration filled from the example DSSAT
// experiment) and exits: pictures
// for the documentation, and a look at the window on a machine without a desktop. `--measured FILE` opens
// measurements on the Evaluation page first.

#include "app/AboutDialog.h"
#include "app/AutoCalWindow.h"
#include "app/CalibrationPanel.h"
#include "app/DiseasesWindow.h"
#include "app/EvaluationPage.h"
#include "app/HelpWindows.h"
#include "app/LaiExoWindow.h"
#include "app/MainWindow.h"
#include "app/MultiPointAutoCalWindow.h"
#include "app/NewSeasonDialog.h"
#include "app/PhenologyWindow.h"
#include "app/RunProgressDialog.h"
#include "app/SAChartWindow.h"
#include "app/SensitivityWindow.h"
#include "app/UnattendedUi.h"
#include "commands/DssatImport.h"
#include "forms/CalibrationForm.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <iostream>

namespace {

using namespace tulo;

// Lets the window lay itself out and finish drawing (chart animations included).
void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Waits for `signal` of `sender`, at most two minutes.
template <class Sender, class Signal> void Await(Sender* sender, Signal signal) {
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
}

// The sensitivity window with two factors of a small Latin hypercube sample, its progress window while
// the seasons run, and the results window's charts.
int SensitivityScreenshots(tulo::app::MainWindow& window, const QString& folder) {
    // The exchange files go to a scratch folder, not to the user's data folder.
    static const QTemporaryDir scratch;
    qputenv("TULO_HOME", scratch.path().toUtf8());
    tulo::app::SensitivityWindow* sa = window.openSensitivity();
    for (const char* row : {"chkSAused0", "chkSAused3", "chkSAused9"})
        sa->findChild<QCheckBox*>(QString::fromLatin1(row))->setChecked(true);
    sa->findChild<QLineEdit*>(QStringLiteral("txtExecutionsLhs"))->setText(QStringLiteral("200"));
    Settle(200);
    sa->grab().save(QDir(folder).filePath(QStringLiteral("sa.png")));

    sa->findChild<QPushButton*>(QStringLiteral("cmdSamplesSimulations"))->click();
    Settle(400);
    sa->progressWindow()->grab().save(QDir(folder).filePath(QStringLiteral("sa-progress.png")));
    if (sa->busy()) Await(sa, &tulo::app::SensitivityWindow::simulationsFinished);
    sa->findChild<QPushButton*>(QStringLiteral("cmdSA"))->click();
    if (sa->busy()) Await(sa, &tulo::app::SensitivityWindow::resultsFinished);
    tulo::app::SAChartWindow* chart = sa->chartWindow();
    if (!chart->isVisible()) {
        std::cerr << "The sensitivity analysis showed no results\n";
        return 1;
    }
    for (int tab = 0; tab < chart->tabs()->count(); ++tab) {
        if (!chart->tabs()->isTabVisible(tab)) continue;
        chart->tabs()->setCurrentIndex(tab);
        Settle(600);
        chart->grab().save(QDir(folder).filePath(QStringLiteral("sa-results-%1.png").arg(tab)));
    }
    chart->hide();
    sa->hide();
    return 0;
}

// The calibration windows: the single-site one set up for RUE and Tb for growth, and the multi-site one
// after a small genetic search on the example's two data sets, its chart drawn.
int CalibrationScreenshots(tulo::app::MainWindow& window, const QString& folder, const QString& examples) {
    static const QTemporaryDir scratch; // the trace file, not in the user's data folder
    qputenv("TULO_HOME", scratch.path().toUtf8());
    tulo::app::AutoCalWindow* single = window.openAutoCalibration();
    tulo::AutoCalTexts texts = tulo::NewAutoCalTexts();
    texts.acc.parameters = {{{"RUE", "1.5", "4"}, {"Tb for growth", "7", "15"}, {"", "", ""}}};
    texts.acc.initial = {"2.3", "12", ""};
    texts.method = tulo::SimplexMethod::Genetic;
    single->setTexts(texts);
    Settle(300);
    single->grab().save(QDir(folder).filePath(QStringLiteral("autocal.png")));
    single->hide();

    tulo::app::MultiPointAutoCalWindow* sites = window.openMultiPointCalibration();
    if (!sites->openSettingsFile(QDir(examples).filePath(QStringLiteral("two-sites.cfg")).toStdString()))
        return 1;
    sites->panel()->setMethod(tulo::SimplexMethod::Genetic);
    sites->panel()->setGenetic({"40", "60", "2", "0.5", "1.5", "0.1"});
    sites->panel()->setSeed("42");
    if (!sites->start()) return 1;
    Await(sites, &tulo::app::MultiPointAutoCalWindow::calibrationFinished);
    Settle(600);
    sites->grab().save(QDir(folder).filePath(QStringLiteral("autocal-sites.png")));
    window.undoStack().undo(); // the crop values as the configuration has them
    return 0;
}

// The multi-site calibration's rows filled from the example DSSAT experiment, imported into a scratch
// folder: each row a treatment on its own configuration.
int ImportScreenshot(tulo::app::MainWindow& window, const QString& folder, const QString& experiment) {
    if (!QFileInfo::exists(experiment)) return 0; // a configuration outside the examples
    static const QTemporaryDir scratch;
    tulo::DssatImportRequest request;
    request.experiment = experiment.toStdString();
    tulo::Messages messages;
    const auto imported = tulo::ImportDssatExperiment(request, messages);
    const std::filesystem::path written = scratch.path().toStdString();
    if (!imported || !tulo::WriteDssatImport(*imported, written)) return 1;
    tulo::app::MultiPointAutoCalWindow* sites = window.openMultiPointCalibration();
    sites->useOwnSeasons(tulo::OwnSeasonRowsOf(*imported, written));
    Settle(300);
    sites->grab().save(QDir(folder).filePath(QStringLiteral("import-dssat.png")));
    sites->hide();
    return 0;
}

// File > New season from a weather file, with the example DSSAT file of two years chosen.
int NewSeasonScreenshot(tulo::app::MainWindow& window, const QString& folder, const QString& file) {
    if (!QFileInfo::exists(file)) return 0; // a configuration outside the examples
    app::UnattendedUi ui;
    tulo::app::NewSeasonDialog dialog(
        ui, [](const tulo::SeasonOptions&, std::optional<double>) { return false; }, &window);
    if (!dialog.chooseWeather(file)) return 1;
    dialog.findChild<QLineEdit*>(QStringLiteral("txtSeasonSowing"))->setText(QStringLiteral("2019-05-10"));
    dialog.findChild<QCheckBox*>(QStringLiteral("chkSeasonFlooded"))->setChecked(true);
    dialog.show();
    Settle(200);
    dialog.grab().save(QDir(folder).filePath(QStringLiteral("new-season.png")));
    return 0;
}

// Every page of the main window, the charts given time to draw.
int PageScreenshots(tulo::app::MainWindow& window, const QString& folder) {
    for (int page = 0; page < window.pages()->count(); ++page) {
        window.pages()->setCurrentIndex(page);
        const bool charts = page == static_cast<int>(tulo::app::Page::Output) ||
                            page == static_cast<int>(tulo::app::Page::Evaluation);
        Settle(charts ? 1200 : 200);
        const QString picture = QDir(folder).filePath(QStringLiteral("page-%1.png").arg(page));
        if (!window.grab().save(picture)) {
            std::cerr << "Cannot write " << picture.toStdString() << '\n';
            return 1;
        }
    }
    return 0;
}

// About, the user guide and the shortcuts.
void HelpScreenshots(tulo::app::MainWindow& window, const QString& folder) {
    tulo::app::AboutDialog about(&window);
    about.show();
    Settle(200);
    about.grab().save(QDir(folder).filePath(QStringLiteral("about.png")));
    about.hide();

    window.findChild<QAction*>(QStringLiteral("mnuUserGuide"))->trigger();
    Settle(300);
    if (auto* guide = window.findChild<tulo::app::UserGuideWindow*>()) {
        guide->grab().save(QDir(folder).filePath(QStringLiteral("user-guide.png")));
        guide->hide();
    }
    window.findChild<QAction*>(QStringLiteral("mnuShortcuts"))->trigger();
    Settle(200);
    if (auto* shortcuts = window.findChild<tulo::app::ShortcutsDialog*>()) {
        shortcuts->grab().save(QDir(folder).filePath(QStringLiteral("shortcuts.png")));
        shortcuts->close();
    }
}

// The diseases, remote-sensing LAI and phenology windows.
void ToolScreenshots(tulo::app::MainWindow& window, const QString& folder) {
    tulo::app::DiseasesWindow* diseases = window.openDiseases();
    diseases->varietyBox()->setCurrentIndex(diseases->varietyBox()->findText(QStringLiteral("BALDO")));
    Settle(200);
    diseases->grab().save(QDir(folder).filePath(QStringLiteral("diseases.png")));

    // frmLAIexo with a few remote-sensing values typed in, as the periodic forcing reads them.
    tulo::app::LaiExoWindow* laiExo = window.laiExoWindow();
    QAbstractItemModel* table = laiExo->view()->model();
    const char* points[][2] = {{"160", "0.9"}, {"185", "2.4"}, {"210", "4.1"}, {"240", "3.6"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c) table->setData(table->index(r, c), QString::fromLatin1(points[r][c]));
    laiExo->show();
    Settle(200);
    laiExo->grab().save(QDir(folder).filePath(QStringLiteral("laiexo.png")));
    laiExo->hide();
    // Tools > Phenology from observed dates, fitted to the demo's flowering and maturity moved by days.
    tulo::app::PhenologyWindow* phenology = window.openPhenology();
    phenology->findChild<QLineEdit*>(QStringLiteral("txtObservedFlowering"))->setText(QStringLiteral("212"));
    phenology->findChild<QLineEdit*>(QStringLiteral("txtObservedMaturity"))->setText(QStringLiteral("270"));
    phenology->findChild<QPushButton*>(QStringLiteral("cmdFit"))->click();
    Settle(200);
    phenology->grab().save(QDir(folder).filePath(QStringLiteral("phenology.png")));
    phenology->hide();
}

int Screenshots(const QString& folder, const QString& file, const QString& measured, const QString& variable,
                const QElapsedTimer& started) {
    // The user's settings (window geometry, recent files) neither shape the pictures nor change.
    QStandardPaths::setTestModeEnabled(true);
    if (!QDir().mkpath(folder)) {
        std::cerr << "Cannot create " << folder.toStdString() << '\n';
        return 1;
    }
    tulo::app::MainWindow window(std::make_unique<tulo::app::UnattendedUi>());
    window.resize(1360, 860);
    window.show();
    if (!file.isEmpty() && !window.openConfiguration(file)) return 1;
    QApplication::processEvents();
    const double startup = static_cast<double>(started.nsecsElapsed()) / 1e6;
    if (!file.isEmpty() && !window.run()) return 1;
    std::printf("start-up %.0f ms; run and chart refresh %.1f ms\n", startup, window.lastRunMilliseconds());
    // The Evaluation page with measurements: opening them records the run as combination 1, and the run
    // after it adds combination 2.
    if (!measured.isEmpty()) {
        // Their combination files go to a scratch folder, not to the user's data folder.
        static const QTemporaryDir scratch;
        qputenv("TULO_HOME", scratch.path().toUtf8());
        QComboBox* variables = window.evaluationPage()->variableBox();
        variables->setCurrentIndex(variables->findText(variable));
        if (!window.openMeasuredData(measured) || !window.run()) return 1;
    }

    if (const int failed = PageScreenshots(window, folder)) return failed;
    HelpScreenshots(window, folder);
    ToolScreenshots(window, folder);
    if (const int failed = NewSeasonScreenshot(
            window, folder, QFileInfo(file).dir().filePath(QStringLiteral("field/site.WTH"))))
        return failed;
    if (const int failed = SensitivityScreenshots(window, folder)) return failed;
    if (const int failed = CalibrationScreenshots(
            window, folder, QFileInfo(file).dir().filePath(QStringLiteral("calibration"))))
        return failed;
    return ImportScreenshot(window, folder,
                            QFileInfo(file).dir().filePath(QStringLiteral("dssat/TUPD1901.RIX")));
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer started;
    started.start();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TULO"));
    QCoreApplication::setApplicationName(QStringLiteral("tulo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TULO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TULO, a paddy rice crop simulator."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Open and run the configuration, save a picture of every page into DIR, and exit."),
        QStringLiteral("DIR"));
    parser.addOption(screenshot);
    const QCommandLineOption measured(
        QStringLiteral("measured"),
        QStringLiteral("With --screenshot: open these measurements on the Evaluation page after the run."),
        QStringLiteral("FILE"));
    parser.addOption(measured);
    const QCommandLineOption variable(QStringLiteral("variable"),
                                      QStringLiteral("With --measured: the variable they measure."),
                                      QStringLiteral("NAME"), QStringLiteral("AGB tot (tAGB/ha)"));
    parser.addOption(variable);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A configuration (.sim) to open."),
                                 QStringLiteral("[FILE.sim]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    const QString file = files.isEmpty() ? QString() : files.front();

    if (parser.isSet(screenshot))
        return Screenshots(parser.value(screenshot), file, parser.value(measured), parser.value(variable),
                           started);

    tulo::app::MainWindow window;
    window.show();
    if (!file.isEmpty()) window.openConfiguration(file);
    return app.exec();
}
