// The configuration as a document, driven through the window offscreen: where its undo history starts,
// what a run leaves unsaved, the words of the undo commands and their keys in a text box, the blast
// treatments' products, and the tables' workbook files.

#include "app/LaiExoWindow.h"
#include "app/MainWindow.h"
#include "engine/Parameters.h"
#include "forms/CalibrationForm.h"
#include "forms/SpreadsheetCommands.h"
#include "support/ScriptedUi.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kExampleFolder;

using Session = test::WindowSession;

// A copy of an example in `folder`, with `from` replaced by `to` in its text.
QString CopyOf(const QTemporaryDir& folder, const QString& example, const QByteArray& from = {},
               const QByteArray& to = {}) {
    QFile source(kExampleFolder + example);
    if (!source.open(QIODevice::ReadOnly)) return {};
    QByteArray text = source.readAll();
    if (!from.isEmpty()) text.replace(from, to);
    const QString copy = folder.filePath(example);
    QFile target(copy);
    if (!target.open(QIODevice::WriteOnly) || target.write(text) != text.size()) return {};
    return copy;
}

Grid Imported(const QString& file) {
    Grid grid;
    test::ScriptedUi ui;
    const Outcome outcome = ImportWorkbookFile(grid, file.toStdString(), ui, 1);
    return outcome ? grid : Grid();
}

} // namespace

class DocumentTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::UseTestSettings(); }

    void undoStopsAtTheLoadAndARunLeavesNothingUnsaved() {
        const QTemporaryDir folder;
        const QString demo = CopyOf(folder, QStringLiteral("demo.sim"));
        const Session s = test::OpenWindow(demo);
        QVERIFY(!s.window->undoStack().canUndo());
        s.trigger("mnuRun");
        QVERIFY(s.ui->messages.empty());
        QVERIFY(!s.window->isWindowModified()); // the humidities it estimated are shown, not edits
        QVERIFY(!s.window->undoStack().canUndo());
        const auto shown = test::GridTexts(s.window->form().grid(ctl::sprWeather));
        QVERIFY(!s.window->form().grid(ctl::sprWeather).text(151, 6).empty());

        test::Retype(s.find<QLineEdit>("txtRUE"), QStringLiteral("2.9"));
        QVERIFY(s.window->isWindowModified());
        for (int i = 0; i < 3; ++i) s.trigger("mnuUndo");
        QVERIFY(!s.window->isWindowModified());
        QCOMPARE(s.text(ctl::txtInitialDate), std::string("100"));
        QVERIFY(test::GridTexts(s.window->form().grid(ctl::sprWeather)) == shown);

        // What Save writes after a run is the file reopened whole, the estimates included.
        s.trigger("mnuSaveSimConfig");
        const Session reopened = test::OpenWindow(demo);
        QVERIFY(test::GridTexts(reopened.window->form().grid(ctl::sprWeather)) == shown);
        QCOMPARE(reopened.text(ctl::txtRUE), s.text(ctl::txtRUE));

        // Closing after a run alone asks nothing.
        s.ui->questions.clear();
        QVERIFY(s.window->close());
        QVERIFY(s.ui->questions.empty());
    }

    void newAndSaveAsStartAHistoryOfTheirOwn() {
        const QTemporaryDir folder;
        const Session s = test::OpenWindow(kExampleFolder + QStringLiteral("demo.sim"));
        test::Retype(s.find<QLineEdit>("txtLatitude"), QStringLiteral("40"));
        s.ui->files.push_back(folder.filePath(QStringLiteral("copy.sim")).toStdString());
        s.trigger("mnuSaveSimConfigAs");
        QVERIFY(!s.window->undoStack().canUndo());

        test::Retype(s.find<QLineEdit>("txtLatitude"), QStringLiteral("41"));
        s.ui->answers.push_back(Answer::No); // discard the edit
        s.trigger("mnuNewSimConfig");
        QVERIFY(!s.window->undoStack().canUndo());
        QVERIFY(!s.window->isWindowModified());
        QCOMPARE(s.text(ctl::txtLatitude), std::string());
    }

    void undoCommandsSayWhatTheyDoInTheFieldsWords() {
        const QTemporaryDir folder;
        const Session s = test::OpenWindow(kExampleFolder + QStringLiteral("demo.sim"));
        test::Retype(s.find<QLineEdit>("txtRUE"), QStringLiteral("2.9"));
        QCOMPARE(s.undoText(), QStringLiteral("Change RUE"));
        QCOMPARE(s.find<QAction>("mnuUndo")->text(), QStringLiteral("&Undo Change RUE"));
        test::Retype(s.find<QLineEdit>("txtLatitude"), QStringLiteral("40"));
        QCOMPARE(s.undoText(), QStringLiteral("Change Latitude"));
        s.find<QAbstractButton>("chkSoil")->click();
        QCOMPARE(s.undoText(), QStringLiteral("Tick Simulation of soil dynamics"));

        const QString weather = folder.filePath(QStringLiteral("weather.xlsx"));
        const Session flooded = test::OpenWindow(kExampleFolder + QStringLiteral("flooded.sim"));
        flooded.ui->files.push_back(weather.toStdString());
        flooded.trigger("mnuSaveWeather");
        s.ui->files.push_back(weather.toStdString());
        s.trigger("mnuOpenWeather");
        QCOMPARE(s.undoText(), QStringLiteral("Import weather (366 rows)"));

        std::vector<ParameterChoice> choices(2);
        choices[0].info = FindParameter("RUE");
        choices[1].info = FindParameter("Tb");
        WriteCalibratedValues(s.window->form(), choices, std::vector{2.5, 11.0});
        QCOMPARE(s.undoText(), QStringLiteral("Calibration result: RUE, Tb for growth"));
        s.trigger("mnuUndo");
        QCOMPARE(s.text(ctl::txtRUE), std::string("2.9"));
    }

    void undoAndRedoKeysInATextBoxAreTheWindows() {
        const Session s = test::OpenWindow(kExampleFolder + QStringLiteral("demo.sim"));
        s.window->show();
        s.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
        auto* rue = s.find<QLineEdit>("txtRUE");
        const std::string before = s.text(ctl::txtRUE);
        rue->setFocus();
        test::Retype(rue, QStringLiteral("3.1"));

        QTest::keyClick(rue, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.text(ctl::txtRUE), before);
        QCOMPARE(rue->text(), QString::fromStdString(before));
        QTest::keyClick(rue, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.text(ctl::txtRUE), std::string("3.1"));
        s.trigger("mnuUndo");
        QTest::keyClick(rue, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(rue->text(), QStringLiteral("3.1"));
    }

    void treatmentsOfferProductsAndKeepAConfigurationsOwn() {
        const QTemporaryDir folder;
        const Session s = test::OpenWindow();
        auto* product = s.find<QComboBox>("cmbBlastProduct");
        QVERIFY(product->count() > 1);
        QVERIFY(product->findText(QStringLiteral("Tricyclazole")) > 0);
        QVERIFY(product->toolTip().contains(QStringLiteral("21 days")));
        auto* noProduct = s.find<QLabel>("lblNoProduct");
        QVERIFY(noProduct->isHidden());
        s.find<QAbstractButton>("cmdAddTreatment")->click();
        QCOMPARE(s.undoText(), QStringLiteral("Add treatment (DOY 180)"));
        QVERIFY(!noProduct->isHidden()); // listed, yet protecting nothing
        product->setCurrentIndex(product->findText(QStringLiteral("Tricyclazole")));
        QCOMPARE(s.text(ctl::cmbBlastProduct), std::string("Tricyclazole"));
        QVERIFY(noProduct->isHidden());

        const QString flooded = CopyOf(folder, QStringLiteral("flooded.sim"), "Tricyclazole", "Beam 75 WP");
        const Session other = test::OpenWindow(flooded);
        auto* otherProduct = other.find<QComboBox>("cmbBlastProduct");
        QCOMPARE(otherProduct->currentText(), QStringLiteral("Beam 75 WP"));
        otherProduct->setCurrentIndex(0);
        otherProduct->setCurrentIndex(otherProduct->findText(QStringLiteral("Beam 75 WP"))); // still offered
        QCOMPARE(other.text(ctl::cmbBlastProduct), std::string("Beam 75 WP"));
        other.trigger("mnuSaveSimConfig");
        QFile saved(flooded);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("\r\nBeam 75 WP\r\n"));
    }

    void tablesSaveAsWorkbooksThatOpenBack() {
        const QTemporaryDir folder;
        const Session s = test::OpenWindow(kExampleFolder + QStringLiteral("flooded.sim"));
        const auto path = [&](const char* name) { return folder.filePath(QString::fromLatin1(name)); };

        s.ui->files.push_back(path("weather").toStdString());
        s.trigger("mnuSaveWeather");
        const Grid weather = Imported(path("weather.xlsx"));
        QCOMPARE(weather.text(151, 3), s.window->form().grid(ctl::sprWeather).text(151, 3));
        s.ui->files.push_back(path("soil.csv").toStdString());
        s.trigger("mnuSaveSoilPhysicsData");
        QCOMPARE(Imported(path("soil.csv")).text(1, 2),
                 s.window->form().grid(ctl::sprSoilPhysics).text(1, 2));

        s.trigger("mnuRun");
        s.ui->files.push_back(path("RESULTS.XLS").toStdString());
        s.trigger("mnuSaveSimReport");
        QVERIFY(QFile::exists(path("RESULTS.xlsx")));
        QVERIFY(!QFile::exists(path("RESULTS.XLS.xlsx")));

        LaiExoWindow* lai = s.window->laiExoWindow();
        QAbstractItemModel* table = lai->view()->model();
        for (const auto& [row, day, value] : {std::tuple{0, "150", "1.5"}, {1, "170", "3.25"}}) {
            QVERIFY(table->setData(table->index(row, 0), QString::fromLatin1(day)));
            QVERIFY(table->setData(table->index(row, 1), QString::fromLatin1(value)));
        }
        s.ui->files.push_back(path("lai.xlsx").toStdString());
        lai->findChild<QAbstractButton*>(QStringLiteral("cmdSaveLAIexo"))->click();
        lai->clear("Periodic LAI data");
        s.ui->files.push_back(path("lai.xlsx").toStdString());
        QVERIFY(lai->importWorkbook("Periodic LAI data"));
        Problems problems;
        const std::vector<LaiPoint> points = lai->points(problems);
        QVERIFY(problems.empty());
        QCOMPARE(points.size(), std::size_t{2});
        QCOMPARE(points[1].doy, 170);
        QCOMPARE(points[1].lai, 3.25f);
    }
};

TULO_WINDOW_TEST(DocumentTest)
#include "DocumentTest.moc"
