// The main window driven as a user drives it, offscreen: its actions, widgets and table models over the
// real core, with a scripted user interface answering the questions.

#include "app/MainWindow.h"
#include "app/ChartView.h"
#include "app/OutputPage.h"
#include "base/Numbers.h"
#include "forms/SpreadsheetCommands.h"
#include "io/Workbook.h"
#include "support/ScriptedUi.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAction>
#include <QBrush>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;

using Session = test::WindowSession;

// The highest value of a chart's series (the crop chart's first series is the above-ground biomass).
double Highest(ChartView* chart, int series) {
    const auto* line = qobject_cast<QLineSeries*>(chart->chart()->series().at(series));
    double highest = 0;
    for (const QPointF& p : line->points()) highest = std::max(highest, p.y());
    return highest;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::UseTestSettings(); }

    void demoRunFillsBothChartsAndTheReport() {
        const Session s = test::OpenWindow(kDemoSeason);
        QCOMPARE(s.window->configurationFile(), QFileInfo(kDemoSeason).absoluteFilePath());
        QVERIFY(!s.window->isWindowModified());
        s.trigger("mnuRun");

        QCOMPARE(s.ui->messageTexts(), std::vector<std::string>{});
        QCOMPARE(s.window->pages()->currentIndex(), static_cast<int>(Page::Output));
        ChartView* crop = s.window->outputPage()->cropChart();
        ChartView* microclimate = s.window->outputPage()->microclimateChart();
        QCOMPARE(crop->seriesCount(), 6);
        QCOMPARE(microclimate->seriesCount(), 7);
        const int days = 300 - 100; // the demo runs from DOY 100 up to 300, not simulated
        for (int k = 0; k < 6; ++k) QCOMPARE(crop->pointCount(k), days);
        for (int k = 0; k < 7; ++k) QCOMPARE(microclimate->pointCount(k), days);
        QCOMPARE(qobject_cast<QLineSeries*>(crop->chart()->series().front())->at(0).x(), 100.0);
        QVERIFY(Highest(crop, 0) > 5); // t/ha of a season that grew

        const QAbstractItemModel* report = s.find<QTableView>("sprOutput")->model();
        QCOMPARE(report->rowCount(), days + 1);
        QCOMPARE(report->columnCount(), 2 + kReportVariables);
        QCOMPARE(report->data(report->index(0, 0)).toString(), QStringLiteral("DOY"));
        QCOMPARE(report->data(report->index(1, 0)).toString(), QStringLiteral("100"));
        QVERIFY(s.find<QLabel>("lblStale")->isHidden());
    }

    // The demo's weather freezes in early February; sown on 1 February with a grain filling too long to
    // end by the last day, its crop gets both warnings beside the summary, shown in the window.
    void aCropThroughFrostOrShortOfMaturityIsWarnedOfBesideTheSummary() {
        const Session s = test::OpenWindow(kDemoSeason);
        s.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
        s.trigger("mnuRun");
        auto* warnings = s.find<QLabel>("lblSummaryWarnings");
        QVERIFY(!warnings->isVisible());
        const auto season = [&](const char* initial, const char* final, const char* sowing,
                                const char* tsum2) {
            s.form().setText(ctl::txtInitialDate, initial);
            s.form().setText(ctl::txtFinalDate, final);
            s.form().setText(ctl::txtSowingDate, sowing);
            s.form().setText(ctl::txtTSUM2, tsum2);
        };
        season("1", "365", "32", "2000");
        s.trigger("mnuRun");
        QCOMPARE(s.window->pages()->currentIndex(), static_cast<int>(Page::Output));
        QVERIFY(warnings->isVisible());
        const QStringList lines = warnings->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith(QStringLiteral("Warning: the air Tmin fell below 0 °C on ")),
                 qPrintable(lines[0]));
        QVERIFY2(lines[0].contains(QStringLiteral("first on DOY 36 (5 Feb)")), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(QStringLiteral(
                     "Warning: the crop did not reach maturity by the last simulated day, DOY 364")),
                 qPrintable(lines[1]));

        // Back to the demo's own dates: a season that matures free of frost shows none.
        season("100", "300", "120", "500");
        s.trigger("mnuRun");
        QVERIFY(!warnings->isVisible());
    }

    void missingFieldsGiveOneMessageEachInOrderAndNoRun() {
        const Session s = test::OpenWindow(QString());
        s.trigger("mnuRun");
        const std::vector<std::string> expected = {
            "You have not specified the Initial date", "You have not specified the Final date",
            "You have not specified the sowing date", "You have to specify Latitude",
            "I notice something wrong with your weather file..."};
        QCOMPARE(s.ui->messageTexts(), expected);
        QCOMPARE(s.window->outputPage()->cropChart()->seriesCount(), 0);
        QCOMPARE(s.window->pages()->currentIndex(), static_cast<int>(Page::Control));
    }

    // A saved configuration opens with every control and cell as it was saved, the transplanting's boxes
    // following their choice.
    void savedConfigurationOpensWithEveryControlAndCell() {
        const QTemporaryDir folder;
        const Session s = test::OpenWindow(kDemoSeason);
        auto* transplanted = s.find<QCheckBox>("chkTransplanted");
        auto* date = s.find<QLineEdit>("txtTransplantingDate");
        auto* hills = s.find<QLineEdit>("txtNH");
        // The demo is sown in the field: the transplanting's boxes wait for the choice.
        QVERIFY(!transplanted->isChecked());
        QVERIFY(!date->isEnabled());
        QVERIFY(!hills->isEnabled());
        transplanted->click();
        QVERIFY(date->isEnabled());
        QVERIFY(hills->isEnabled());
        test::Retype(date, QStringLiteral("150"));
        test::Retype(hills, QStringLiteral("33"));
        test::Retype(s.find<QLineEdit>("txtRUE"), QStringLiteral("2.7"));
        QCOMPARE(s.window->form().check(ctl::chkTransplanted), 1);
        QCOMPARE(s.window->form().text(ctl::txtTransplantingDate), std::string("150"));
        QCOMPARE(s.window->form().text(ctl::txtNH), std::string("33"));
        QAbstractItemModel* inflow = s.find<QTableView>("sprDynWaterInput")->model();
        QVERIFY(inflow->setData(inflow->index(0, 0), QStringLiteral("150")));
        QVERIFY(inflow->setData(inflow->index(0, 1), QStringLiteral("160")));
        QVERIFY(inflow->setData(inflow->index(0, 2), QStringLiteral("12.5")));
        QVERIFY(s.window->isWindowModified());

        const QString saved = folder.filePath(QStringLiteral("saved.sim"));
        s.ui->files.push_back(saved.toStdString());
        s.trigger("mnuSaveSimConfigAs");
        QVERIFY(!s.window->isWindowModified());
        QCOMPARE(s.window->configurationFile(), saved);

        const Session reopened = test::OpenWindow(saved);
        QCOMPARE(reopened.ui->messageTexts(), std::vector<std::string>{});
        QVERIFY(reopened.window->form() == s.window->form());
        QCOMPARE(reopened.find<QLineEdit>("txtRUE")->text(), QStringLiteral("2.7"));
        QVERIFY(reopened.find<QCheckBox>("chkTransplanted")->isChecked());
        QVERIFY(reopened.find<QLineEdit>("txtTransplantingDate")->isEnabled());
        QCOMPARE(reopened.find<QLineEdit>("txtNH")->text(), QStringLiteral("33"));
        reopened.trigger("mnuRun");
        QCOMPARE(reopened.ui->messageTexts(), std::vector<std::string>{});
    }

    void weatherWithoutHumidityShowsEstimatesOnLightCyanAfterARun() {
        const QTemporaryDir folder;
        const QString workbook = folder.filePath(QStringLiteral("weather.xlsx"));
        Grid sheet(366, 5);
        const char* titles[] = {"DOY", "Rain", "Tmax", "Tmin", "Rad"};
        for (int c = 1; c <= 5; ++c) sheet.setText(1, c, titles[c - 1]);
        for (int d = 1; d <= 365; ++d)
            for (const auto& [c, value] : {std::pair{1, d}, {2, 0}, {3, 30}, {4, 20}, {5, 22}})
                sheet.setText(d + 1, c, std::to_string(value));
        WriteGridFile(sheet, workbook.toStdString());

        const Session s = test::OpenWindow(kDemoSeason);
        s.ui->files.push_back(workbook.toStdString());
        s.trigger("mnuOpenWeather");
        QCOMPARE(s.ui->messageTexts(), std::vector<std::string>{});
        QCOMPARE(s.window->form().grid(ctl::sprWeather).text(150, 3), std::string("30"));
        s.trigger("mnuRun");

        const QAbstractItemModel* weather = s.find<QTableView>("sprWeather")->model();
        for (const int column : {5, 6}) { // RHmax and RHmin of day 150 (grid row 151)
            const QModelIndex cell = weather->index(150, column);
            QCOMPARE(weather->data(cell, Qt::BackgroundRole).value<QBrush>().color(), QColor(192, 255, 255));
        }
        QCOMPARE(weather->data(weather->index(150, 5)).toString(), QStringLiteral("100"));
        const auto rhMin = ParseNumber(weather->data(weather->index(150, 6)).toString().toStdString());
        QVERIFY(rhMin && *rhMin > 40 && *rhMin < 60); // vapour at 20 °C over saturation at 30 °C
    }

    void undoTakesAnImportBackAndRedoAppliesItAgain() {
        const QTemporaryDir folder;
        const QString workbook = folder.filePath(QStringLiteral("soil.csv"));
        Grid sheet(2, 5);
        for (int c = 1; c <= 5; ++c) {
            sheet.setText(1, c, std::to_string(100 * c));
            sheet.setText(2, c, std::to_string(10 * c));
        }
        WriteGridFile(sheet, workbook.toStdString());

        const Session s = test::OpenWindow(kDemoSeason);
        const Grid before = s.window->form().grid(ctl::sprSoilPhysics);
        s.ui->files.push_back(workbook.toStdString());
        s.trigger("mnuOpenSoilPhysicsData");
        QCOMPARE(s.ui->messageTexts(), std::vector<std::string>{});
        const Grid imported = s.window->form().grid(ctl::sprSoilPhysics);
        QCOMPARE(imported.text(2, 4), std::string("40"));
        QVERIFY(s.window->isWindowModified());

        const QAbstractItemModel* soil = s.find<QTableView>("sprSoilPhysics")->model();
        s.trigger("mnuUndo");
        QCOMPARE(test::GridTexts(s.window->form().grid(ctl::sprSoilPhysics)), test::GridTexts(before));
        QCOMPARE(soil->data(soil->index(1, 3)).toString(), QString());
        QVERIFY(!s.window->isWindowModified());
        s.trigger("mnuRedo");
        QCOMPARE(test::GridTexts(s.window->form().grid(ctl::sprSoilPhysics)), test::GridTexts(imported));
        QCOMPARE(soil->data(soil->index(1, 3)).toString(), QStringLiteral("40"));

        // A cell the import read as a whole number shows what is typed into it afterwards.
        QAbstractItemModel* editable = s.find<QTableView>("sprSoilPhysics")->model();
        QVERIFY(editable->setData(editable->index(1, 3), QStringLiteral("40.5")));
        QCOMPARE(editable->data(editable->index(1, 3)).toString(), QStringLiteral("40.5"));
    }

    void closingWithUnsavedEditsAsksAndCancelKeepsThem() {
        const Session s = test::OpenWindow(kDemoSeason);
        s.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
        test::Retype(s.find<QLineEdit>("txtLatitude"), QStringLiteral("40"));
        QVERIFY(s.window->isWindowModified());
        QVERIFY(s.window->windowTitle().startsWith(QStringLiteral("TULO - demo.sim")));

        s.ui->answers.push_back(Answer::Cancel);
        QVERIFY(!s.window->close());
        QCOMPARE(s.ui->questions.size(), std::size_t{1});
        QCOMPARE(s.ui->questions.front().text, std::string("Save changes to the configuration?"));
        QVERIFY(s.window->isVisible());
        QCOMPARE(s.window->form().text(ctl::txtLatitude), std::string("40"));
        QCOMPARE(s.find<QLineEdit>("txtLatitude")->text(), QStringLiteral("40"));

        s.ui->answers.push_back(Answer::No); // discard
        QVERIFY(s.window->close());
    }

    void runOnEveryChangeRedrawsAfterAnEditWithoutAnyMessage() {
        const Session s = test::OpenWindow(kDemoSeason);
        s.find<QAction>("mnuRunOnChange")->setChecked(true);
        ChartView* crop = s.window->outputPage()->cropChart();
        QTRY_COMPARE_WITH_TIMEOUT(crop->seriesCount(), 6, 2000);
        const double before = Highest(crop, 0);

        test::Retype(s.find<QLineEdit>("txtRUE"), QStringLiteral("3.5"));
        QVERIFY(!s.find<QLabel>("lblStale")->isHidden()); // until the debounced run
        QTest::qWait(400);
        QVERIFY(Highest(crop, 0) > before * 1.2);
        QVERIFY(s.find<QLabel>("lblStale")->isHidden());

        test::Retype(s.find<QLineEdit>("txtInitialDate"), QString()); // invalid: told in the status bar
        QTest::qWait(400);
        QVERIFY(s.window->statusBar()->currentMessage().contains(QStringLiteral("Initial date")));
        QCOMPARE(s.ui->messageTexts(), std::vector<std::string>{});
        QVERIFY(s.ui->questions.empty());
    }
};

TULO_WINDOW_TEST(MainWindowTest)
#include "MainWindowTest.moc"
