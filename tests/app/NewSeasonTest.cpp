// File > New season from a weather file, driven through the window offscreen with a DSSAT file written
// by hand: the season made is a new document, and a refused season leaves the document as it was.

#include "app/MainWindow.h"
#include "app/NewSeasonDialog.h"
#include "io/WeatherFiles.h"
#include "support/DssatWeather.h"
#include "support/ScriptedUi.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <string>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kExampleFolder;

} // namespace

class NewSeasonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::UseTestSettings(); }

    void theDialogMakesASeasonOfTheFilesYearAsANewDocument() {
        const QTemporaryDir folder;
        const std::string wth = folder.filePath(QStringLiteral("HAND1801.WTH")).toStdString();
        std::ofstream(wth) << test::DssatWeather({2018, 2019}, 45.3);
        const test::WindowSession s = test::OpenWindow(kExampleFolder + QStringLiteral("demo.sim"));
        auto* action = s.find<QAction>("mnuNewSeasonFromWeather");
        QVERIFY(action);
        QCOMPARE(action->text(), QStringLiteral("New season from a weather file…"));

        // Unsaved changes are asked about first; Cancel keeps them and opens nothing.
        test::Retype(s.find<QLineEdit>("txtLatitude"), QStringLiteral("40"));
        s.ui->answers = {Answer::Cancel, Answer::No};
        s.trigger("mnuNewSeasonFromWeather");
        QCOMPARE(s.ui->questions.size(), std::size_t{1});
        QVERIFY(!s.window->findChild<NewSeasonDialog*>());
        s.trigger("mnuNewSeasonFromWeather");
        QPointer<NewSeasonDialog> dialog = s.window->findChild<NewSeasonDialog*>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());

        // The file's years, the last one proposed, and its latitude.
        s.ui->files = {wth};
        dialog->findChild<QAbstractButton*>(QStringLiteral("cmdSeasonBrowse"))->click();
        auto* year = dialog->findChild<QComboBox*>(QStringLiteral("cmbSeasonYear"));
        QCOMPARE(year->count(), 2);
        QCOMPARE(year->currentText(), QStringLiteral("2019"));
        QVERIFY(year->isEnabled());
        auto* latitude = dialog->findChild<QLineEdit*>(QStringLiteral("txtSeasonLatitude"));
        QCOMPARE(latitude->text(), QStringLiteral("45.3"));

        // A sowing outside the year is refused: the dialog stays, the document unchanged.
        const FormModel before = s.window->form();
        auto* sowing = dialog->findChild<QLineEdit*>(QStringLiteral("txtSeasonSowing"));
        auto* make = dialog->findChild<QAbstractButton*>(QStringLiteral("cmdSeasonMake"));
        test::Retype(sowing, QStringLiteral("2018-05-10"));
        const std::size_t shown = s.ui->messages.size();
        make->click();
        QVERIFY(s.ui->messages.size() > shown);
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(s.window->form() == before);

        // Raised in a seedbed and moved to the field: the transplanting is optional and after the sowing.
        auto* transplanting = dialog->findChild<QLineEdit*>(QStringLiteral("txtSeasonTransplanting"));
        QVERIFY(transplanting);
        year->setCurrentIndex(0); // 2018
        test::Retype(transplanting, QStringLiteral("2018-05-01"));
        make->click();
        QVERIFY(s.ui->messages.back().text.find("transplanting: day 121 is not after the sowing") !=
                std::string::npos);
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(s.window->form() == before);
        test::Retype(transplanting, QStringLiteral("2018-06-05"));
        test::Retype(latitude, QStringLiteral("44.5"));
        dialog->findChild<QAbstractButton*>(QStringLiteral("chkSeasonFlooded"))->click();
        dialog->findChild<QDoubleSpinBox*>(QStringLiteral("txtSeasonWaterLevel"))->setValue(8);
        make->click();
        QTRY_VERIFY(!dialog);

        const FormModel& form = s.window->form();
        QCOMPARE(form.text(ctl::txtSowingDate), std::string("130"));
        QCOMPARE(form.text(ctl::txtLatitude), std::string("44.5"));
        QCOMPARE(form.text(ctl::cmbFlooded), std::string(choice::Flooded));
        QCOMPARE(form.check(ctl::chkTransplanted), 1);
        QCOMPARE(form.text(ctl::txtTransplantingDate), std::string("156"));
        // The season's year, which the Control page shows its days in.
        QCOMPARE(form.text(ctl::txtSeasonYear), std::string("2018"));
        const auto* dates = s.window->findChild<QLabel*>(QStringLiteral("lblSeasonDates"));
        QVERIFY(dates);
        QCOMPARE(dates->text(), QStringLiteral("Season of 2018: 1 Jan 2018 to 31 Dec 2018"));
        Grid expected;
        std::vector<std::string> notes;
        FillWeatherTable(ReadWeatherText(test::DssatWeather({2018, 2019})), 2018, expected, notes);
        for (const int d : {1, 130, 365})
            for (int c = 2; c <= 5; ++c)
                QCOMPARE(form.grid(ctl::sprWeather).text(d + 1, c), expected.text(d + 1, c));
        QCOMPARE(form.grid(ctl::sprWeather).text(0, 2), std::string("Rain(mm)")); // laid out
        // A new document: nothing to undo, nothing unsaved, no file yet; and it runs.
        QVERIFY(!s.window->undoStack().canUndo());
        QVERIFY(!s.window->isWindowModified());
        QVERIFY(s.window->configurationFile().isEmpty());
        QVERIFY(s.window->run());

        // File > Open weather reads the same file, asking its year: one step to undo.
        s.ui->files = {wth};
        s.ui->inputs = {"2019"};
        s.trigger("mnuOpenWeather");
        QCOMPARE(s.undoText(), QStringLiteral("Import weather (366 rows)"));
        QCOMPARE(form.text(ctl::txtSeasonYear), std::string("2019"));
        FillWeatherTable(ReadWeatherText(test::DssatWeather({2018, 2019})), 2019, expected, notes);
        QCOMPARE(form.grid(ctl::sprWeather).text(131, 3), expected.text(131, 3));
        QVERIFY(expected.text(131, 3) != std::string());
    }
};

TULO_WINDOW_TEST(NewSeasonTest)
#include "NewSeasonTest.moc"
