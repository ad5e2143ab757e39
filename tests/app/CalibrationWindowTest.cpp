// The two automatic calibration windows driven offscreen: the Start checks in the order the user meets
// them, a search off the window's thread whose result becomes one undo step of the crop fields, a Stop
// that keeps the best point found, and a window closed during a search, which writes nothing.

#include "app/AutoCalWindow.h"
#include "app/CalibrationPanel.h"
#include "app/MainWindow.h"
#include "app/MultiPointAutoCalWindow.h"
#include "base/Numbers.h"
#include "engine/Parameters.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;
const std::string kData = TULO_SOURCE_DIR "/examples/calibration/";
constexpr int kSearchMs = 120000;

using Session = test::WindowSession;

// RUE and Tb for growth from the demo's own values, within their default ranges.
AutoCalTexts RueAndTb(SimplexMethod method) {
    AutoCalTexts texts = NewAutoCalTexts();
    texts.acc.parameters = {{{"RUE", "1.5", "4"}, {"Tb for growth", "7", "15"}, {"", "", ""}}};
    texts.acc.initial = {"2.3", "12", ""};
    texts.method = method;
    return texts;
}

} // namespace

class CalibrationWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::UseScratchSettings(home_); }

    void startChecksComeInTheirOrder() {
        const Session s = test::RunWindow(kDemoSeason);
        AutoCalWindow* w = s.window->openAutoCalibration();
        // Returns the message of one Start, with `file` answering the AGB workbook dialog.
        const auto start = [&](const AutoCalTexts& texts, std::optional<std::string> file = std::nullopt) {
            s.ui->messages.clear();
            if (file) s.ui->files.push_back(*file);
            w->setTexts(texts);
            w->panel()->startButton()->click();
            QVERIFY(!w->runner()->running());
        };
        AutoCalTexts texts = RueAndTb(SimplexMethod::None);
        // A flooded field is no reason to refuse: the first check is the method's.
        s.form().setText(ctl::cmbFlooded, std::string(choice::Flooded));
        start(texts);
        QCOMPARE(s.ui->messages.size(), std::size_t{1});
        QCOMPARE(s.ui->messages[0].title, std::string(kCalibrationTitle));
        QCOMPARE(s.lastMessage(),
                 "You have to select one of the simplex methods implemented (standard or genetic)");
        s.form().setText(ctl::cmbFlooded, std::string(choice::Unflooded));
        texts.method = SimplexMethod::Standard;
        texts.acc.initial[1].clear();
        start(texts);
        QCOMPARE(s.ui->messages.back().icon, Icon::Critical);
        QCOMPARE(s.lastMessage(), "You have to specify valid initial parameters values");
        texts.acc.initial[1] = "12";

        // Neither the index of an earlier result nor the third box, which a two-parameter calibration
        // does not read, stops Start: it asks for the measurements. Cancelled, it stops there, with
        // nothing said and nothing changed.
        texts.acc.rrmse = "0.5";
        texts.acc.initial[2].clear();
        const std::size_t dialogs = s.ui->dialogs.size();
        start(texts);
        QCOMPARE(s.ui->dialogs.size(), dialogs + 1);
        QVERIFY(s.ui->messages.empty());
        texts.acc.rrmse.clear();

        texts.acc.parameters[0].min.clear();
        start(texts, kData + "agb.xlsx");
        QCOMPARE(s.lastMessage(),
                 "You have to specify the ranges for the parameters you want to calibrate or load default");
        texts.acc.parameters[0] = {"RUE", "4", "1.5"};
        texts.acc.parameters[1].caption = "RUE";
        start(texts, kData + "agb.xlsx");
        QCOMPARE(s.lastMessage(),
                 "You must specify three DIFFERENT parameters for the automatic calibration!");
        texts.acc.parameters[1].caption = "Tb for growth";
        start(texts, kData + "agb.xlsx");
        QCOMPARE(s.lastMessage(), "RUE: the minimum 4 is not below the maximum 1.5.");
        texts.acc.parameters[0] = {"RUE", "1.5", "4"};
        texts.method = SimplexMethod::Genetic;
        texts.genetic[0] = "1001";
        start(texts, kData + "agb.xlsx");
        QCOMPARE(s.lastMessage(), "Too many simplexes, 1000 is the maximum");
        QCOMPARE(s.ui->messages.back().title, std::string(kGeneticTitle));
        QCOMPARE(s.crop("RUE"), "2.3"); // no check changed anything
    }

    void resultReplacesTheCropValuesAsOneUndoStep() {
        const Session s = test::RunWindow(kDemoSeason);
        const Grid report = s.window->results().report;
        const int steps = s.window->undoStack().count();
        AutoCalWindow* w = s.window->openAutoCalibration();
        w->setTexts(RueAndTb(SimplexMethod::Standard));
        s.ui->files.push_back(kData + "agb.xlsx");
        int contractions = 0; // the index boxes follow the search's contraction trials
        connect(w->runner(), &CalibrationRunner::contracted, this, [&] { ++contractions; });
        QSignalSpy finished(w, &AutoCalWindow::calibrationFinished);
        QVERIFY(w->start());
        QVERIFY(!w->panel()->startButton()->isEnabled());
        QVERIFY(finished.wait(kSearchMs));
        QVERIFY(contractions > 0);

        QCOMPARE(s.crop("RUE"), "2.8");
        QCOMPARE(s.crop("Tb"), "11");
        QVERIFY(s.lastMessage().starts_with("Automatic calibration has been regularly carried out"));
        QVERIFY(!w->findChild<QLineEdit*>(QStringLiteral("txtRRMSE"))->text().isEmpty());
        // The biomass alone hardly tells a faster growth from a longer one: the result says so.
        QVERIFY(w->findChild<QLabel*>(QStringLiteral("lblStatus"))
                    ->text()
                    .endsWith(QStringLiteral("\nNot identifiable from these data: RUE, Tb for growth.")));
        QVERIFY(w->panel()->startButton()->isEnabled());
        QVERIFY(s.window->results().report == report); // the main window's run is left as it was
        QCOMPARE(s.window->undoStack().count(), steps + 1);
        s.window->undoStack().undo();
        QCOMPARE(s.crop("RUE"), "2.3");
        QCOMPARE(s.crop("Tb"), "12");

        // Start again, without New: the indices of the earlier result go at once, and the search
        // finds the same values from the restored crop fields.
        s.ui->messages.clear();
        s.ui->files.push_back(kData + "agb.xlsx");
        QVERIFY(w->start());
        QVERIFY(w->findChild<QLineEdit*>(QStringLiteral("txtRRMSE"))->text().isEmpty());
        QVERIFY(finished.wait(kSearchMs));
        QVERIFY(s.lastMessage().starts_with("Automatic calibration has been regularly carried out"));
        QCOMPARE(s.crop("RUE"), "2.8");
        QCOMPARE(s.crop("Tb"), "11");
        QVERIFY(!w->findChild<QLineEdit*>(QStringLiteral("txtRRMSE"))->text().isEmpty());
    }

    // Closing the window during a search abandons it: nothing is written, nothing arrives later, and the
    // window opened again searches again.
    void closingDuringASearchWritesNothing() {
        const Session s = test::RunWindow(kDemoSeason);
        AutoCalWindow* w = s.window->openAutoCalibration();
        AutoCalTexts texts = RueAndTb(SimplexMethod::Genetic);
        texts.genetic = {"1000", "1000", "10", "0.5", "1.5", "0.1"}; // far more than the test waits for
        w->setTexts(texts);
        s.ui->files.push_back(kData + "agb.xlsx");
        QSignalSpy progressed(w->runner(), &CalibrationRunner::progressed);
        QSignalSpy finished(w, &AutoCalWindow::calibrationFinished);
        QVERIFY(w->start());
        QVERIFY(progressed.wait(kSearchMs));
        w->close();
        QVERIFY(!w->runner()->running());
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("lblStatus"))->text(),
                 QStringLiteral("Stopped when the window closed: nothing was written."));
        QTest::qWait(300);
        QCOMPARE(finished.count(), 0);
        QCOMPARE(s.crop("RUE"), "2.3");
        QCOMPARE(s.crop("Tb"), "12");

        QCOMPARE(s.window->openAutoCalibration(), w);
        s.ui->files.push_back(kData + "agb.xlsx");
        progressed.clear();
        QVERIFY(w->start());
        QVERIFY(progressed.wait(kSearchMs));
        w->panel()->stopButton()->click();
        QVERIFY(finished.wait(kSearchMs));
        QCOMPARE(finished.count(), 1);
        QVERIFY(w->panel()->startButton()->isEnabled());
    }

    void stopKeepsTheBestPointOfTheSitesSearch() {
        const Session s = test::RunWindow(kDemoSeason);
        MultiPointAutoCalWindow* w = s.window->openMultiPointCalibration();
        QVERIFY(w->openSettingsFile(kData + "two-sites.cfg"));
        QVERIFY(w->tables()[1].agb.loaded && w->tables()[1].weather);
        CalibrationPanel* panel = w->panel();
        panel->setMethod(SimplexMethod::Genetic);
        panel->setGenetic({"1000", "1000", "10", "0.5", "1.5", "0.1"}); // far more than the test waits for
        panel->setSeed("5");
        qint64 runsAtStop = 0;
        connect(w->runner(), &CalibrationRunner::progressed, this, [&](qint64 runs, double best) {
            if (runsAtStop == 0 && runs >= 200 && best < kOutsidePenalty) {
                runsAtStop = runs;
                panel->stopButton()->click();
            }
        });
        QSignalSpy finished(w, &MultiPointAutoCalWindow::calibrationFinished);
        QVERIFY(w->start());
        QVERIFY(finished.wait(kSearchMs));

        QVERIFY(runsAtStop > 0);
        QVERIFY(s.lastMessage().starts_with(std::string(kStoppedNote)));
        const double rue = ParseNumber(s.crop("RUE")).value_or(0), tb = ParseNumber(s.crop("Tb")).value_or(0);
        QVERIFY(rue > 1.5 && rue <= 4);
        QVERIFY(tb > 7 && tb <= 15);
        QVERIFY(!w->findChild<QLineEdit*>(QStringLiteral("txtRRMSE1"))->text().isEmpty());
        QVERIFY(w->findChild<QLineEdit*>(QStringLiteral("txtRRMSE2"))->text().isEmpty());
    }

private:
    QTemporaryDir home_;
};

TULO_WINDOW_TEST(CalibrationWindowTest)
#include "CalibrationWindowTest.moc"
