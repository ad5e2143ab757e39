// File > Import a DSSAT experiment driven offscreen on a copy of the shipped experiment: the files
// written, the first treatment opened as the document, and the multi-site calibration searching every
// treatment on its own configuration (its own transplanting and density), not the document's.

#include "app/CalibrationPanel.h"
#include "app/MainWindow.h"
#include "app/MultiPointAutoCalWindow.h"
#include "app/PhenologyWindow.h"
#include "base/Numbers.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

using namespace tulo;
using namespace tulo::app;

namespace {

const std::string kExperiment = TULO_SOURCE_DIR "/examples/dssat/TUPD1901";

} // namespace

class DssatImportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::UseTestSettings(); }

    void theTreatmentsOpenAndCalibrateEachOnItsOwnSeason() {
        const QTemporaryDir scratch;
        const std::filesystem::path folder = scratch.path().toStdString();
        for (const char* extension : {".RIX", ".RIT", ".RIA", ".WTH"})
            std::filesystem::copy_file(kExperiment + extension,
                                       folder / ("TUPD1901" + std::string(extension)));
        const test::WindowSession s = test::OpenWindow(QStringLiteral(TULO_SOURCE_DIR "/examples/demo.sim"));
        QCOMPARE(s.find<QAction>("mnuImportDssat")->text(), QStringLiteral("Import a DSSAT experiment…"));

        s.ui->files = {(folder / "TUPD1901.RIX").string()};
        s.ui->answers = {Answer::Yes};
        s.trigger("mnuImportDssat");
        const std::filesystem::path imported = folder / "TUPD1901";
        QVERIFY(std::filesystem::exists(imported / "sites.csv"));
        QVERIFY(s.ui->messages.front().text.starts_with("Imported 6 treatments of TUPD1901.RIX into "));
        QCOMPARE(s.window->configurationFile(),
                 QString::fromStdString((imported / "T01-Early-25-hills.sim").string()));
        QCOMPARE(s.text(ctl::txtSowingDate), std::string("115"));

        // The phenology window waits with the first treatment's observed stages.
        QCOMPARE(
            s.window->openPhenology()->findChild<QLineEdit*>(QStringLiteral("txtObservedFlowering"))->text(),
            QStringLiteral("2019-07-22"));

        MultiPointAutoCalWindow* w = s.window->openMultiPointCalibration();
        MultiPointTexts texts = w->texts();
        QCOMPARE(texts.cfg.sites[1].weather, std::string("T02-Early-40-hills.sim"));
        QCOMPARE(texts.cfg.sites[4].agb, std::string("T05-Late-40-hills-agb.csv"));
        QVERIFY(texts.agbAndLai);
        QVERIFY(w->findChild<QLineEdit*>(QStringLiteral("txtSowingDate4"))->isReadOnly());
        texts.cfg.parameters = {{{"RUE", "1.5", "4"}, {"Tillering SLA", "10", "35"}, {"", "", ""}}};
        texts.cfg.initial = {"2.3", "18", ""};
        texts.method = SimplexMethod::Standard;
        w->setTexts(texts);
        // The late, denser treatment runs with its own transplanting day and hills, not the document's.
        const PreparedCalibration prepared = PrepareMultiPoint(w->texts(), s.window->form(), w->tables());
        QVERIFY2(!prepared.refusal, prepared.refusal ? prepared.refusal->text.c_str() : "");
        QCOMPARE(prepared.request.dataSets.size(), std::size_t{5});
        QCOMPARE(prepared.request.dataSets[4].inputs->crop.NH, 40.0F);
        QCOMPARE(prepared.request.dataSets[4].inputs->manag.TransplantingDate, 156);
        QVERIFY(!prepared.request.dataSets[2].inputs->manag.Transplanted);

        QSignalSpy finished(w, &MultiPointAutoCalWindow::calibrationFinished);
        QVERIFY(w->start());
        QVERIFY(finished.wait(120000));
        // The made-up cultivar's RUE is 2.6 (and its tillering SLA 21); its thermal times are not TULO's.
        const double rue = ParseNumber(s.crop("RUE")).value_or(0);
        QVERIFY2(rue > 2.3 && rue < 2.9, std::to_string(rue).c_str());
        QVERIFY(!w->findChild<QLineEdit*>(QStringLiteral("txtRRMSE4"))->text().isEmpty());

        // A refused experiment says why and leaves the document as it was.
        std::filesystem::remove(folder / "TUPD1901.WTH");
        const FormModel before = s.window->form();
        QVERIFY(!s.window->importDssatExperiment(folder / "TUPD1901.RIX", folder / "again", false));
        QVERIFY(s.lastMessage().find("No weather file of station TUPD1901") != std::string::npos);
        QVERIFY(s.window->form() == before);
        QVERIFY(!std::filesystem::exists(folder / "again"));
    }
};

TULO_WINDOW_TEST(DssatImportWindowTest)
#include "DssatImportWindowTest.moc"
