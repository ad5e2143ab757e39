// The sensitivity window driven offscreen: its checks and their messages in the order the user meets
// them, and a small analysis from the window to the filled results window, the main window untouched.

#include "app/SensitivityWindow.h"
#include "app/MainWindow.h"
#include "app/RunProgressDialog.h"
#include "app/SAChartWindow.h"
#include "forms/SeasonForm.h"
#include "forms/SetupForm.h"
#include "forms/SimConfig.h"
#include "sensitivity/Analysis.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;

// The main window with the demo and its sensitivity window, whose widgets `find` looks up.
struct Session {
    test::WindowSession main = test::OpenWindow(kDemoSeason);
    SensitivityWindow* window = main.window->openSensitivity();
    test::ScriptedUi* ui = main.ui;

    template <class T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    void click(const char* button) const { find<QPushButton>(QString::fromLatin1(button))->click(); }
    void tick(int row) const { find<QCheckBox>(QStringLiteral("chkSAused%1").arg(row))->setChecked(true); }
};

// The analysis folders in the test's data folder.
QStringList AnalysisFolders() {
    return QDir(qEnvironmentVariable("TULO_HOME") + QStringLiteral("/sensitivity"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class SensitivityWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() {
        test::UseScratchSettings(home_);
        // The tool is the one built beside the programs.
        qputenv("TULO_SIMLAB", TULO_SIMLAB_PATH);
    }

    void checksGiveTheirMessagesInOrder() {
        const Session s;
        // A flooded field goes on to the page's checks, as an unflooded one.
        s.main.window->form().setText(ctl::cmbFlooded, std::string(choice::Flooded));
        s.click("cmdSamplesSimulations");
        s.main.window->form().setText(ctl::cmbFlooded, std::string(choice::Unflooded));
        s.click("cmdSamplesSimulations"); // nothing ticked
        s.tick(2);
        s.find<QComboBox>("cmbSensitivityGrowth2")->setCurrentText("uniform");
        s.click("cmdSamplesSimulations");
        s.find<QComboBox>("cmbSensitivityGrowth2")->setCurrentText("normal");
        s.find<QTabWidget>("tabSA")->setCurrentIndex(0);
        s.click("cmdSamplesSimulations");
        s.ui->files = {"/nowhere/at/all.sam"};
        s.find<QAction>("cmdSAopen")->trigger();
        QCOMPARE(s.ui->dialogs, std::vector<std::string>{"Open a SimLab sample file"});
        QCOMPARE(s.ui->messageTexts(),
                 (std::vector<std::string>{
                     "There is something wrong with your inputs", "There is something wrong with your inputs",
                     "Only normal distributions are allowed in this version of TULO",
                     "Sensitivity analysis for development parameters to be implemented", "File not exit"}));
        QVERIFY(s.find<QLabel>("Label6")->text().isEmpty());

        // Only the chosen method's frame shows; the Sobol' list follows the ticked rows.
        s.find<QComboBox>("cmbSensitivityMethod")->setCurrentText("Sobol method");
        QCOMPARE(s.find<QStackedWidget>("fraMethods")->currentWidget()->objectName(), "fraSobol");
        s.tick(5);
        QCOMPARE(s.find<QComboBox>("cmbGeneratorSobol")->itemText(0), "96");
        s.find<QComboBox>("cmbMethodComputation")->setCurrentText("custom");
        QCOMPARE(s.find<QComboBox>("cmbGeneratorSobol")->itemText(7), "8192");
    }

    void aSmallAnalysisFillsTheResultsWindowAndLeavesTheMainWindowAlone() {
        const Session s;
        QVERIFY(s.main.window->run());
        const Grid report = s.main.window->results().report;
        const FormModel form = s.main.window->form();
        s.tick(0);
        s.tick(3);
        s.find<QLineEdit>("txtExecutionsLhs")->setText("20");
        s.ui->messages.clear();

        QSignalSpy simulated(s.window, &SensitivityWindow::simulationsFinished);
        s.click("cmdSamplesSimulations");
        QVERIFY(s.window->busy());
        QVERIFY(simulated.wait(120000));
        QCOMPARE(simulated.front().front().toBool(), true);
        QCOMPARE(s.ui->messages.back().text, "All the simulations run");
        QCOMPARE(s.ui->messages.back().title, "TULO Sensitivity Analysis");

        QSignalSpy shown(s.window, &SensitivityWindow::resultsFinished);
        s.click("cmdSA");
        QVERIFY(shown.wait(120000));
        QCOMPARE(s.ui->messages.back().text, "Sensitivity Analysis carried out regularly");
        QCOMPARE(s.ui->messages.back().title, "TULO - SA");
        QCOMPARE(s.ui->busyDepth, 0);
        SAChartWindow* chart = s.window->chartWindow();
        QVERIFY(chart->isVisible());
        const Grid& indices = chart->indices();
        QCOMPARE(indices.rows(), 2);
        QCOMPARE(indices.text(1, 2), "Radiation use efficiency (g/MJ)");
        QCOMPARE(indices.text(2, 1), "par4");
        QCOMPARE(indices.text(0, 3), "SRC");
        // The indices shown are those the core computes from the window's analysis folder.
        sensitivity::IndexResults computed;
        QVERIFY(sensitivity::ComputeIndexResults({*s.window->analysisFolder()}, std::vector<int>{0, 3},
                                                 computed));
        const Grid expected = sensitivity::IndexGrid(computed);
        for (int r = 1; r <= 2; ++r)
            for (int c = 1; c <= 8; ++c) QCOMPARE(indices.text(r, c), expected.text(r, c));
        QCOMPARE(chart->barChart()->chart()->series().size(), 1);
        QCOMPARE(chart->scatterPlot()->chart()->series().size(), 2);

        const QString saved = home_.filePath("indices.csv");
        s.ui->files = {saved.toStdString()};
        chart->findChild<QPushButton*>("cmdExport")->click();
        QCOMPARE(s.ui->dialogs.back(), "TULO - export sensitivity analysis results");
        QVERIFY(QFileInfo(saved).size() > 0);

        QVERIFY(s.main.window->results().report == report);
        QVERIFY(s.main.window->form() == form);
    }

    void cancelStopsTheRunsWithoutClaimingThem() {
        const Session s;
        s.tick(0);
        s.find<QLineEdit>("txtExecutionsLhs")->setText("100000");
        QSignalSpy simulated(s.window, &SensitivityWindow::simulationsFinished);
        s.click("cmdSamplesSimulations");
        QTRY_VERIFY(s.window->progressWindow()->caption().startsWith("I'm running the simulaiton "));
        s.window->progressWindow()->findChild<QPushButton*>("cmdCancel")->click();
        QVERIFY(simulated.wait(10000));
        QCOMPARE(simulated.front().front().toBool(), false);
        QVERIFY(s.ui->messages.back().text != "All the simulations run");
        // The cancelled analysis's folder is gone with its files.
        QVERIFY(!s.window->analysisFolder());
        QVERIFY(AnalysisFolders().isEmpty());

        // The window stays usable: a smaller analysis runs to the end.
        simulated.clear();
        s.find<QLineEdit>("txtExecutionsLhs")->setText("10");
        s.click("cmdSamplesSimulations");
        QVERIFY(simulated.wait(120000));
        QCOMPARE(simulated.front().front().toBool(), true);
    }

    // The window's analysis has a folder of its own: an analysis run beside it between the simulations
    // and "Display results" changes nothing of what it shows. A Sobol' analysis with interactions then
    // exports them with the indices, and its charts are saved as PNG and SVG.
    void theResultsShownAreThoseOfTheWindowsOwnAnalysis() {
        Session s;
        s.tick(0);
        s.tick(3);
        s.find<QComboBox>("cmbSensitivityMethod")->setCurrentText("Sobol method");
        s.find<QComboBox>("cmbMethodComputation")->setCurrentText("custom");
        s.find<QComboBox>("cmbOrder")->setCurrentText("second");
        s.find<QComboBox>("cmbGeneratorSobol")->setCurrentText("64");
        QSignalSpy simulated(s.window, &SensitivityWindow::simulationsFinished);
        s.click("cmdSamplesSimulations");
        QVERIFY(simulated.wait(120000));
        QCOMPARE(simulated.front().front().toBool(), true);
        const auto folder = s.window->analysisFolder();
        QVERIFY(folder && std::filesystem::exists(*folder / "tuloSAout.txt"));
        QCOMPARE(QString::fromStdString(folder->parent_path().string()), home_.filePath("sensitivity"));

        // Another analysis (as tulo-cli would run) in the same data folder.
        FormModel form;
        QVERIFY(ReadSimConfig(kDemoSeason.toStdString(), form));
        const auto inputs = CompileInputs(form).inputs;
        sensitivity::AnalysisRequest other;
        other.factors = {{0, "normal", "2.3", "0.3"}};
        other.keyword = "lhs";
        other.methodLine = "2 50";
        sensitivity::RunOptions options;
        options.tool = TULO_SIMLAB_PATH;
        const sensitivity::ExchangeFiles otherFiles = sensitivity::NewExchangeFiles();
        QVERIFY(sensitivity::RunAnalysis(*inputs, other, otherFiles, options).status);

        QSignalSpy shown(s.window, &SensitivityWindow::resultsFinished);
        s.click("cmdSA");
        QVERIFY(shown.wait(120000));
        QCOMPARE(shown.front().front().toBool(), true);
        SAChartWindow* chart = s.window->chartWindow();
        QCOMPARE(chart->indices().text(0, 3), "S1");
        QCOMPARE(chart->indices().rows(), 2);
        QVERIFY(chart->findChild<QLabel*>("lblSAsummary")->text().contains("sobol 3 0 2"));
        QCOMPARE(chart->interactions().rows(), 1);

        const QString exported = home_.filePath("results.csv");
        s.ui->files = {exported.toStdString()};
        chart->findChild<QPushButton*>("cmdExport")->click();
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains("par4"));
        QVERIFY(text.contains("S12"));

        for (const char* name : {"bar.png", "bar.svg"}) {
            const QString picture = home_.filePath(QString::fromLatin1(name));
            s.ui->files = {picture.toStdString()};
            chart->tabs()->setCurrentIndex(0);
            chart->findChild<QPushButton*>("cmdSaveChart")->click();
            QVERIFY2(QFileInfo(picture).size() > 0, name);
        }
        QCOMPARE(s.ui->dialogs.back(), "TULO - Save the Bar chart");
        QCOMPARE(QImage(home_.filePath("bar.png")).isNull(), false);

        // A later analysis of the window takes the place of this one; closing the window takes its folder.
        s.click("cmdSamplesSimulations");
        QVERIFY(simulated.wait(120000));
        QVERIFY(!std::filesystem::exists(*folder));
        const auto later = *s.window->analysisFolder();
        s.main.window.reset();
        QVERIFY(!std::filesystem::exists(later));
        QVERIFY(std::filesystem::exists(otherFiles.index()));
        sensitivity::RemoveExchangeFiles(otherFiles);
    }

    void displayResultsCanBeCancelled() {
        const Session s;
        s.tick(0);
        s.find<QLineEdit>("txtExecutionsLhs")->setText("20");
        QSignalSpy simulated(s.window, &SensitivityWindow::simulationsFinished);
        s.click("cmdSamplesSimulations");
        QVERIFY(simulated.wait(120000));
        QVERIFY(!s.find<QPushButton>("cmdSAcancel")->isVisibleTo(s.window));

        // A tool that takes its time.
        const QString slow = home_.filePath("slow-tool");
        QFile script(slow);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nsleep 30\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("TULO_SIMLAB", slow.toUtf8());
        QSignalSpy shown(s.window, &SensitivityWindow::resultsFinished);
        s.click("cmdSA");
        QVERIFY(s.find<QPushButton>("cmdSAcancel")->isVisibleTo(s.window));
        QVERIFY(!s.find<QPushButton>("cmdSA")->isEnabled());
        s.click("cmdSAcancel");
        QVERIFY(shown.wait(10000));
        qputenv("TULO_SIMLAB", TULO_SIMLAB_PATH);
        QCOMPARE(shown.front().front().toBool(), false);
        QCOMPARE(s.ui->messages.back().text, "Display results was cancelled: no indices were computed.");
        QVERIFY(!s.find<QPushButton>("cmdSAcancel")->isVisibleTo(s.window));
        QVERIFY(!s.window->chartWindow()->isVisible());

        // Display results again, with the real tool: the window shows the indices.
        shown.clear();
        s.click("cmdSA");
        QVERIFY(shown.wait(120000));
        QCOMPARE(shown.front().front().toBool(), true);
        QVERIFY(s.window->chartWindow()->isVisible());
    }

    // Save settings and Open settings bring back the ticked rows, distributions, method, output and
    // settings.
    void settingsAreSavedAndOpened() {
        const Session s;
        s.tick(1);
        s.tick(4);
        s.find<QLineEdit>("txtSensitivityMean4")->setText("36");
        s.find<QComboBox>("cmbSensitivityMethod")->setCurrentText("Morris method");
        s.find<QComboBox>("cmbTrajectoriesMorris")->setCurrentText("6");
        s.find<QComboBox>("cmbSensitivityLevelsMorris")->setCurrentText("8");
        s.find<QComboBox>("cmbSAOutput")->setCurrentText("Flowering day (DOY)");
        const QString saved = home_.filePath("mine");
        s.ui->files = {saved.toStdString()};
        s.find<QAction>("cmdSAsaveSettings")->trigger();
        QVERIFY(QFileInfo::exists(saved + ".tsa"));

        s.find<QCheckBox>("chkSAused1")->setChecked(false);
        s.find<QLineEdit>("txtSensitivityMean4")->setText("30");
        s.find<QComboBox>("cmbSensitivityMethod")->setCurrentText("Random");
        s.find<QComboBox>("cmbSAOutput")->setCurrentText("Maximum LAI (m2/m2)");
        s.ui->files = {(saved + ".tsa").toStdString()};
        s.find<QAction>("cmdSAopenSettings")->trigger();
        QVERIFY(s.find<QCheckBox>("chkSAused1")->isChecked());
        QVERIFY(s.find<QCheckBox>("chkSAused4")->isChecked());
        QVERIFY(!s.find<QCheckBox>("chkSAused0")->isChecked());
        QCOMPARE(s.find<QLineEdit>("txtSensitivityMean4")->text(), "36");
        QCOMPARE(s.find<QComboBox>("cmbSensitivityMethod")->currentText(), "Morris method");
        QCOMPARE(s.find<QStackedWidget>("fraMethods")->currentWidget()->objectName(), "fraMorris");
        QCOMPARE(s.find<QComboBox>("cmbTrajectoriesMorris")->currentText(), "6");
        QCOMPARE(s.find<QComboBox>("cmbSensitivityLevelsMorris")->currentText(), "8");
        QCOMPARE(s.find<QComboBox>("cmbSAOutput")->currentText(), "Flowering day (DOY)");

        // A file that is no settings file changes nothing and says why.
        s.ui->files = {kDemoSeason.toStdString()};
        s.find<QAction>("cmdSAopenSettings")->trigger();
        QVERIFY(s.ui->messages.back().text.find("not a sensitivity settings file") != std::string::npos);
        QCOMPARE(s.find<QComboBox>("cmbSensitivityMethod")->currentText(), "Morris method");
    }

    // The output chosen is what the seasons give the indices: RUE moves no stage, so every season flowers
    // on the configuration's day.
    void theOutputChosenIsRun() {
        const Session s;
        auto* output = s.find<QComboBox>("cmbSAOutput");
        QCOMPARE(output->currentText(), "End-of-crop AGB (g/m2)");
        output->setCurrentText("Flowering day (DOY)");
        s.tick(0);
        s.find<QLineEdit>("txtExecutionsLhs")->setText("10");
        QSignalSpy simulated(s.window, &SensitivityWindow::simulationsFinished);
        s.click("cmdSamplesSimulations");
        QVERIFY(simulated.wait(120000));
        QCOMPARE(simulated.front().front().toBool(), true);
        QFile file(QString::fromStdString((*s.window->analysisFolder() / "tuloSAout.txt").string()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 "1\nflowering day\nTime = 0\n10\n" + QStringLiteral("217\n").repeated(10));
    }
};

TULO_WINDOW_TEST(SensitivityWindowTest)
#include "SensitivityWindowTest.moc"
