// The sensitivity window driven offscreen: its checks and their messages in the order the user meets
// them, and a small analysis from the window to the filled results window, the main window untouched.

#include "app/SensitivityWindow.h"
#include "app/MainWindow.h"
#include "app/RitardoWindow.h"
#include "app/SAChartWindow.h"
#include "support/ScriptedUi.h"

#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tulo;
using namespace tulo::app;

namespace {

const QString kDemo = QStringLiteral(TULO_SOURCE_DIR "/examples/demo.sim");

struct Session {
    test::ScriptedUi* ui = nullptr; // owned by the window
    std::unique_ptr<MainWindow> main;
    SensitivityWindow* window = nullptr;

    template <class T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    void click(const char* button) const { find<QPushButton>(QString::fromLatin1(button))->click(); }
    void tick(int row) const { find<QCheckBox>(QStringLiteral("chkSAused%1").arg(row))->setChecked(true); }
};

Session Open() {
    auto ui = std::make_unique<test::ScriptedUi>();
    Session s{ui.get(), std::make_unique<MainWindow>(std::move(ui))};
    s.main->openConfiguration(kDemo);
    s.window = s.main->openSensitivity();
    return s;
}

} // namespace

class SensitivityWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
        // The exchange files go to a scratch folder; the tool is the one built beside the programs.
        qputenv("TULO_HOME", home_.path().toUtf8());
        qputenv("TULO_SIMLAB", TULO_SIMLAB_PATH);
    }

    void checksGiveTheirMessagesInOrder() {
        const Session s = Open();
        s.main->form().setText(ctl::cmbFlooded, std::string(choice::Flooded));
        s.click("cmdSamplesSimulations");
        s.main->form().setText(ctl::cmbFlooded, std::string(choice::Unflooded));
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
                     "This version of TULO is able to perform sensitivity analysis only under unflooded "
                     "conditions",
                     "There is something wrong with your inputs",
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
        const Session s = Open();
        QVERIFY(s.main->run());
        const Grid report = s.main->results().report;
        const FormModel form = s.main->form();
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
        for (int r = 1; r <= 2; ++r)
            for (int c = 3; c <= 9; ++c) QVERIFY(!indices.text(r, c).empty());
        QCOMPARE(chart->barChart()->chart()->series().size(), 1);
        QCOMPARE(chart->scatterPlot()->chart()->series().size(), 2);

        const QString saved = home_.filePath("indices.csv");
        s.ui->files = {saved.toStdString()};
        chart->findChild<QPushButton*>("cmdExport")->click();
        QCOMPARE(s.ui->dialogs.back(), "TULO - export sensitivity analysis results");
        QVERIFY(QFileInfo(saved).size() > 0);

        QVERIFY(s.main->results().report == report);
        QVERIFY(s.main->form() == form);
    }

    void cancelStopsTheRunsWithoutClaimingThem() {
        const Session s = Open();
        s.tick(0);
        s.find<QLineEdit>("txtExecutionsLhs")->setText("100000");
        QSignalSpy simulated(s.window, &SensitivityWindow::simulationsFinished);
        s.click("cmdSamplesSimulations");
        QTRY_VERIFY(s.window->progressWindow()->caption().startsWith("I'm running the simulaiton "));
        s.window->progressWindow()->findChild<QPushButton*>("cmdCancel")->click();
        QVERIFY(simulated.wait(10000));
        QCOMPARE(simulated.front().front().toBool(), false);
        QVERIFY(s.ui->messages.back().text != "All the simulations run");
        QVERIFY(!QFileInfo::exists(home_.filePath("tuloSAout.txt")));
    }
};

QTEST_MAIN(SensitivityWindowTest)
#include "SensitivityWindowTest.moc"
