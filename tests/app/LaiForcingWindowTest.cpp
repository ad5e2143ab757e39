// Leaf area forcing driven through the window, offscreen: the LAI options and their commands, the NDVI
// value shown and then accepted or refused, and the exogenous table of frmLAIexo forced as a whole.

#include "app/ChartView.h"
#include "app/LaiExoWindow.h"
#include "app/MainWindow.h"
#include "app/OutputPage.h"
#include "support/ScriptedUi.h"

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

const QString kDemo = QStringLiteral(TULO_SOURCE_DIR "/examples/demo.sim");
const std::string kForced = "TULO data have been forced using NDVI estimation for LAI";
constexpr int kFirstDay = 100; // the demo's first simulated day

struct Session {
    test::ScriptedUi* ui = nullptr; // owned by the window
    std::unique_ptr<MainWindow> window;

    template <class T = QAbstractButton> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* button) const { find(button)->click(); }
    ChartView* crop() const { return window->outputPage()->cropChart(); }
    // The crop chart's series k on a day (0 AGB, 5 LAI).
    double chartValue(int k, int day) const {
        return qobject_cast<QLineSeries*>(crop()->chart()->series().at(k))->at(day - kFirstDay).y();
    }
    QList<QPointF> points(int k) const {
        return qobject_cast<QXYSeries*>(crop()->chart()->series().at(k))->points();
    }
};

Session RunDemo() {
    auto ui = std::make_unique<test::ScriptedUi>();
    Session s{ui.get(), std::make_unique<MainWindow>(std::move(ui))};
    s.window->openConfiguration(kDemo);
    s.window->run();
    s.ui->messages.clear();
    s.ui->questions.clear();
    return s;
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
        auto ui = std::make_unique<test::ScriptedUi>();
        const Session s{ui.get(), std::make_unique<MainWindow>(std::move(ui))};
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
        const Session s = RunDemo();
        const QList<QPointF> before = s.points(5);
        s.click("OptionLAIndvi");
        s.window->form().setText(ctl::txtDOYforcingLAI, "200");
        s.window->form().setText(ctl::txtforcingLAI, "1.25");

        s.click("cmdForceLAI"); // Cancel
        QCOMPARE(s.ui->questions.back().text, "Do you accept NDVI correction?");
        QCOMPARE(s.crop()->seriesCount(), 8); // the season and the two NDVI markers, which stay
        for (const int k : {6, 7}) QCOMPARE(s.points(k).size(), 1);
        QCOMPARE(s.points(6).front(), QPointF(200, 1.25));
        QCOMPARE(s.points(5), before);
        QVERIFY(s.ui->messages.empty());

        s.ui->answers = {Answer::Ok};
        s.click("cmdForceLAI");
        QCOMPARE(s.ui->messageTexts().back(), kForced);
        QCOMPARE(s.chartValue(5, 200), 1.25);
        QCOMPARE(s.chartValue(5, 199), before[199 - kFirstDay].y());
        QVERIFY(s.chartValue(5, 201) != before[201 - kFirstDay].y());

        s.window->run(); // a new season forgets the forcing and its markers
        QCOMPARE(s.crop()->seriesCount(), 6);
        QCOMPARE(s.points(5), before);
    }

    void aForcedLaiBeyondItsBoundIsRefusedNamingTheDay() {
        const Session s = RunDemo();
        const QList<QPointF> before = s.points(5);
        s.click("OptionLAIndvi");
        s.window->form().setText(ctl::txtDOYforcingLAI, "200");
        s.window->form().setText(ctl::txtforcingLAI, "1000");
        s.ui->answers = {Answer::Ok};
        s.click("cmdForceLAI");
        QVERIFY(s.ui->questions.empty()); // refused before anything is shown or asked
        QVERIFY(QString::fromStdString(s.ui->messageTexts().back())
                    .startsWith("DOY 200 cannot be forced: the leaf area index 1000 is outside the accepted "
                                "range 0 to 15 m2/m2"));
        QCOMPARE(s.points(5), before);
    }

    void periodicForcingAppliesEveryRowOfTheTable() {
        const Session s = RunDemo();
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
        QCOMPARE(s.chartValue(5, 150), double(0.8f));
        QCOMPARE(s.chartValue(5, 200), 3.0);

        s.ui->answers = {Answer::Ok};
        s.click("cmdLAIperformanceIndex");
        const QString index = QString::fromStdString(s.ui->messageTexts().back());
        QVERIFY(index.contains("Pairs: 2\r"));
        QVERIFY(!index.contains("RMSE: 0.000 ")); // the season as simulated, not as forced onto the table
    }
};

QTEST_MAIN(LaiForcingWindowTest)
#include "LaiForcingWindowTest.moc"
