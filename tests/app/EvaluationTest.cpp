// The Evaluation page and the Diseases window driven as a user drives them, offscreen, over the real core:
// measurements opened after a run, the fitting rows of later runs, a combination brought back by its
// button, and the blast susceptibility saved into the form.

#include "app/ChartView.h"
#include "app/DiseasesWindow.h"
#include "app/EvaluationPage.h"
#include "app/MainWindow.h"
#include "forms/EvaluationSession.h"
#include "forms/SpreadsheetCommands.h"
#include "io/Workbook.h"
#include "support/ScriptedUi.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;
const QString kAgb = QStringLiteral("AGB tot (tAGB/ha)");

using Session = test::WindowSession;

// The texts of a fitting row from RRMSE to p(F).
QStringList Indices(const QAbstractItemModel* fitting, int row) {
    QStringList texts;
    for (int c = 2; c <= 8; ++c) texts << fitting->data(fitting->index(row, c)).toString();
    return texts;
}

} // namespace

class EvaluationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(home_.isValid());
        // The combination files go to the data folder, which is this one.
        qputenv("TULO_HOME", home_.path().toUtf8());
    }

    void measurementsEvaluateEveryRunAndAButtonBringsACombinationBack() {
        const Session s = test::OpenWindow(kDemoSeason);
        s.trigger("mnuRun");
        s.trigger("mnuRun");
        QComboBox* variable = s.find<QComboBox>("cmbEvalVariable");
        QCOMPARE(variable->count(), 6); // emptied before every run fills it
        QCOMPARE(variable->currentIndex(), -1);

        s.trigger("mnuExtractFittingMatrix");
        QCOMPARE(s.ui->messageTexts().back(), std::string("Fitting Matrix does not exist"));
        s.trigger("mnuOpenMeasuredData"); // no variable chosen: told so, and no dialog
        QCOMPARE(s.ui->questions.back().text,
                 std::string("Before importing measured data you have to select a variable"));
        QVERIFY(s.ui->dialogs.empty());
        QCOMPARE(s.window->pages()->currentIndex(), static_cast<int>(Page::Evaluation));

        const QString measured = home_.filePath(QStringLiteral("measured.csv"));
        Grid sheet(4, 2);
        const char* cells[][2] = {{"DOY", "AGB"}, {"150", "0.6"}, {"170", "2.4"}, {"190", "5.1"}};
        for (int r = 1; r <= 4; ++r)
            for (int c = 1; c <= 2; ++c) sheet.setText(r, c, cells[r - 1][c - 1]);
        WriteGridFile(sheet, measured.toStdString());
        variable->setCurrentIndex(variable->findText(kAgb));
        s.ui->files.push_back(measured.toStdString());
        s.trigger("mnuOpenMeasuredData");

        ChartView* chart = s.window->evaluationPage()->evaluationChart();
        QCOMPARE(chart->seriesCount(), 2);
        QCOMPARE(chart->pointCount(1), 3); // one marker a measurement
        QCOMPARE(chart->chart()->axes(Qt::Vertical).front()->titleText(), kAgb);
        QVERIFY(!s.find<QLabel>("lblR2")->isHidden());
        QVERIFY(s.find<QLabel>("lblR2")->text().startsWith(QStringLiteral("R2=")));

        const QTableView* view = s.find<QTableView>("sprFitting");
        const QAbstractItemModel* fitting = view->model();
        const std::filesystem::path folder = CombinationFolder();
        QCOMPARE(fitting->rowCount(), 1);
        QCOMPARE(fitting->headerData(2, Qt::Horizontal).toString(), QStringLiteral("RRMSE"));
        QVERIFY(!Indices(fitting, 0).contains(QString()));
        QVERIFY(std::filesystem::exists(folder / "1.crp"));

        test::Retype(s.find<QLineEdit>("txtRUE"), QStringLiteral("2.6"));
        test::Retype(s.find<QLineEdit>("txtK"), QStringLiteral("0.6"));
        s.trigger("mnuRun");
        QCOMPARE(fitting->rowCount(), 2);
        QVERIFY(std::filesystem::exists(folder / "2.crp"));
        QVERIFY(Indices(fitting, 1) != Indices(fitting, 0));

        auto* first = qobject_cast<QPushButton*>(view->indexWidget(fitting->index(0, 0)));
        QVERIFY(first);
        QCOMPARE(first->text(), QStringLiteral("Comb. # 1"));
        QTest::mouseClick(first, Qt::LeftButton);
        QCOMPARE(s.window->form().text(ctl::txtRUE), std::string("2.3"));
        QCOMPARE(s.window->form().text(ctl::txtK), std::string("0.5"));
        QCOMPARE(fitting->rowCount(), 3);
        QCOMPARE(Indices(fitting, 2), Indices(fitting, 0)); // the same parameters, evaluated alike
        QCOMPARE(s.ui->messageTexts().back(),
                 std::string("The combination #1 has been successively recovered"));
        QCOMPARE(s.window->pages()->currentIndex(), static_cast<int>(Page::Evaluation));
        s.trigger("mnuUndo"); // the whole combination is one step
        QCOMPARE(s.window->form().text(ctl::txtRUE), std::string("2.6"));
        QCOMPARE(s.window->form().text(ctl::txtK), std::string("0.6"));

        const QString exported = home_.filePath(QStringLiteral("fitting.csv"));
        s.ui->files.push_back(exported.toStdString());
        s.trigger("mnuExtractFittingMatrix");
        Grid pairs;
        QCOMPARE(ImportWorkbookFile(pairs, exported.toStdString(), *s.ui), Outcome::Done);
        QCOMPARE(pairs.text(1, 2), std::string("simulated"));
        QCOMPARE(pairs.text(4, 1), std::string("5.1"));

        // Another variable is drawn at once against the same measurements, and is no new combination.
        variable->setCurrentIndex(variable->findText(QStringLiteral("GAI (m2/m2)")));
        emit variable->activated(variable->currentIndex());
        QCOMPARE(chart->chart()->axes(Qt::Vertical).front()->titleText(), QStringLiteral("GAI (m2/m2)"));
        QCOMPARE(fitting->rowCount(), 3);
    }

    void diseasesWindowOpensOnTheFirstChoiceAndSavesTheClass() {
        const Session s = test::OpenWindow(kDemoSeason);
        DiseasesWindow* diseases = s.window->openDiseases();
        QCOMPARE(diseases->windowTitle(), QStringLiteral("TULO - Diseases"));
        QComboBox* variety = diseases->varietyBox();
        QCOMPARE(variety->count(), 128);
        QCOMPARE(variety->itemText(127), QStringLiteral("other"));
        const int steps = s.window->undoStack().count();
        auto* save = diseases->findChild<QPushButton*>(QStringLiteral("cmdSaveDeseases"));
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(s.window->form().text(ctl::txtBlastClass), std::string("3"));
        QCOMPARE(s.window->undoStack().count(), steps + 1);

        const auto choose = [&](const QString& name) {
            variety->setCurrentIndex(variety->findText(name));
            emit variety->textActivated(name);
        };
        choose(QStringLiteral("CERVO"));
        QCOMPARE(diseases->choice(), 2);
        choose(QStringLiteral("other"));
        QCOMPARE(diseases->choice(), 2); // "other" keeps "susceptible"
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(s.window->form().text(ctl::txtBlastClass), std::string("1"));

        s.window->openDiseases(); // afresh, whatever the form holds
        QCOMPARE(diseases->choice(), 0);
    }

private:
    QTemporaryDir home_;
};

TULO_WINDOW_TEST(EvaluationTest)
#include "EvaluationTest.moc"
#include "forms/FittingCombinations.h"
