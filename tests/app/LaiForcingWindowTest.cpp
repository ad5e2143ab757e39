// Leaf area forcing driven through the window, offscreen: the LAI options and their commands, the NDVI
// value shown and then accepted or refused, and the exogenous table of frmLAIexo forced as a whole.

#include "app/ChartView.h"
#include "app/LaiExoWindow.h"
#include "app/MainWindow.h"
#include "app/OutputPage.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAbstractButton>
#include <QLineSeries>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;
const std::string kForced = "TULO data have been forced using NDVI estimation for LAI";
constexpr int kFirstDay = 100; // the demo's first simulated day

using Session = test::WindowSession;

ChartView* CropChart(const Session& s) {
    return s.window->outputPage()->cropChart();
}
// The crop chart's series k on a day (0 AGB, 5 LAI).
double ChartValue(const Session& s, int k, int day) {
    return qobject_cast<QLineSeries*>(CropChart(s)->chart()->series().at(k))->at(day - kFirstDay).y();
}
QList<QPointF> Points(const Session& s, int k) {
    return qobject_cast<QXYSeries*>(CropChart(s)->chart()->series().at(k))->points();
}

} // namespace

class LaiForcingWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    void eachOptionEnablesItsOwnCommands() {
        const Session s = test::OpenWindow();
        const auto enabled = [&](const char* name) { return s.find<QWidget>(name)->isEnabled(); };
        const char* commands[] = {"txtDOYforcingLAI", "cmdForceLAI", "cmdLAIperformanceIndex",
                                  "cmdDailyExoLAI", "cmdPeriodicForcing"};
        const auto expect = [&](std::array<bool, 5> states) {
            for (std::size_t i = 0; i < states.size(); ++i) QCOMPARE(enabled(commands[i]), states[i]);
        };
        expect({false, false, false, false, false});
        s.click("OptionLAIndvi");
        expect({true, true, true, false, false});
        s.click("cmdForceLAI"); // nothing to force before a run
        QVERIFY(QString::fromStdString(s.ui->messageTexts().back()).startsWith("Run the simulation first"));

        s.ui->answers = {Answer::No}; // no prepared file: an empty table to type into
        s.click("OptionLAIexoPeriodic");
        expect({false, false, true, false, true});
        QVERIFY(s.window->laiExoWindow()->isVisible());
        s.click("OptionLAIexoDaily"); // Cancel: nothing is opened
        QCOMPARE(s.ui->questions.back().text,
                 "Daily LAI calculated by TULO will be replaced. Are you sure you want to proceed?");
        QVERIFY(s.ui->dialogs.empty());
        expect({false, false, true, true, false});
        s.click("OptionLAItulo");
        expect({false, false, false, false, false});

        s.click("cmdLAIoptHelp5");
        QVERIFY(QString::fromStdString(s.ui->messageTexts().back())
                    .startsWith("The fifth option (Exogenous LAI data periodically available)"));
    }

    void forceLaiShowsTheValueAndChangesTheSeasonOnlyWhenAccepted() {
        const Session s = test::RunWindow(kDemoSeason);
        const QList<QPointF> before = Points(s, 5);
        s.click("OptionLAIndvi");
        s.window->form().setText(ctl::txtDOYforcingLAI, "200");
        // A value beyond its bound is refused before anything is shown or asked, naming the day.
        s.window->form().setText(ctl::txtforcingLAI, "1000");
        s.click("cmdForceLAI");
        QVERIFY(s.ui->questions.empty());
        QVERIFY(QString::fromStdString(s.ui->messageTexts().back())
                    .startsWith("DOY 200 cannot be forced: the leaf area index 1000 is outside the accepted "
                                "range 0 to 15 m2/m2"));
        QCOMPARE(CropChart(s)->seriesCount(), 6);
        s.ui->messages.clear();

        s.window->form().setText(ctl::txtforcingLAI, "1.25");
        s.click("cmdForceLAI"); // Cancel
        QCOMPARE(s.ui->questions.back().text, "Do you accept NDVI correction?");
        QCOMPARE(CropChart(s)->seriesCount(), 8); // the season and the two NDVI markers, which stay
        for (const int k : {6, 7}) QCOMPARE(Points(s, k).size(), 1);
        QCOMPARE(Points(s, 6).front(), QPointF(200, 1.25));
        QCOMPARE(Points(s, 5), before);
        QVERIFY(s.ui->messages.empty());

        s.ui->answers = {Answer::Ok};
        s.click("cmdForceLAI");
        QCOMPARE(s.ui->messageTexts().back(), kForced);
        QCOMPARE(ChartValue(s, 5, 200), 1.25);
        QCOMPARE(ChartValue(s, 5, 199), before[199 - kFirstDay].y());
        QVERIFY(ChartValue(s, 5, 201) != before[201 - kFirstDay].y());

        s.window->run(); // a new season forgets the forcing and its markers
        QCOMPARE(CropChart(s)->seriesCount(), 6);
        QCOMPARE(Points(s, 5), before);
    }

    void periodicForcingAppliesEveryRowOfTheTable() {
        const Session s = test::RunWindow(kDemoSeason);
        s.ui->answers = {Answer::No};
        s.click("OptionLAIexoPeriodic");
        LaiExoWindow* table = s.window->laiExoWindow();
        QAbstractItemModel* cells = s.find<QTableView>("sprLAIexo")->model();
        const char* typed[2][2] = {{"150", "0.8"}, {"200", "3"}};
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) QVERIFY(cells->setData(cells->index(r, c), QString(typed[r][c])));

        s.click("cmdPeriodicForcing");
        QCOMPARE(s.ui->messageTexts(), std::vector<std::string>{kForced});
        QVERIFY(!table->isVisible());
        QCOMPARE(ChartValue(s, 5, 150), double(0.8f));
        QCOMPARE(ChartValue(s, 5, 200), 3.0);

        s.ui->answers = {Answer::Ok};
        s.click("cmdLAIperformanceIndex");
        const QString index = QString::fromStdString(s.ui->messageTexts().back());
        QVERIFY(index.contains("Pairs: 2\r"));
        QVERIFY(!index.contains("RMSE: 0.000 ")); // the season as simulated, not as forced onto the table
    }
};

TULO_WINDOW_TEST(LaiForcingWindowTest)
#include "LaiForcingWindowTest.moc"
