// The third LAI option driven through the window, offscreen: a series the model made from another sowing
// typed into the exogenous LAI table, the search run off the window's thread, its estimates shown with
// their uncertainty, Accept as one step to undo, and Cancel.

#include "app/ReinitWindow.h"
#include "app/MainWindow.h"
#include "base/Numbers.h"
#include "engine/Season.h"
#include "forms/SeasonForm.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;

struct ReinitSession : test::ToolWindowSession<ReinitWindow> {
    std::int32_t truth = 0;

    // The demo sown `shift` days later, its LAI every 9 days typed into the exogenous table.
    explicit ReinitSession(int shift) : ToolWindowSession(kDemoSeason) {
        FormModel moved = session.window->form();
        truth = std::stoi(moved.text(ctl::txtSowingDate)) + shift;
        moved.setText(ctl::txtSowingDate, std::to_string(truth));
        const Compilation compiled = CompileInputs(moved);
        auto run = std::make_unique<RunState>();
        RunSeason(*compiled.inputs, {}, *run);
        QAbstractItemModel* cells = session.find<QTableView>("sprLAIexo")->model();
        int row = 0;
        for (std::int32_t day = truth + 12; day < compiled.inputs->control.FinalDate; day += 9) {
            const float lai = run->out.LAI[static_cast<std::size_t>(day)];
            if (!(lai > 0)) continue;
            cells->setData(cells->index(row, 0), QString::number(day));
            cells->setData(cells->index(row, 1), QString::fromStdString(ShortestText(lai)));
            ++row;
        }
        session.find<QAbstractButton>("OptionLAIRecalReinit")->click();
        session.find<QAbstractButton>("cmdReinitLAI")->click();
        window = session.find<ReinitWindow>("frmReinit");
    }
    void setWindow(int days) const { window->findChild<QSpinBox*>("txtSowingWindow")->setValue(days); }
};

} // namespace

class ReinitWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::UseScratchSettings(home_); }

    void estimatesTheSowingAndAcceptIsOneStepToUndo() {
        ReinitSession s(4);
        QVERIFY(s.window && s.window->isVisible());
        QVERIFY(!s.button("cmdAccept")->isEnabled());
        s.setWindow(6);
        QSignalSpy ended(s.window, &ReinitWindow::searchEnded);
        s.button("cmdStart")->click();
        QVERIFY(s.window->running());
        QVERIFY(s.button("cmdCancel")->isEnabled());
        QVERIFY(ended.wait(300000));
        QVERIFY2(s.button("cmdAccept")->isEnabled(), qPrintable(s.window->notesText()));
        const QTableWidget* table = s.window->estimatesTable();
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Sowing (DOY)"));
        QCOMPARE(table->item(0, 1)->text(), QString::number(s.truth));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("TSUM1"));
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("RUE"));
        QVERIFY(table->item(2, 3)->text().contains(QStringLiteral(" to ")));

        const std::string before = s.session.text(ctl::txtSowingDate);
        s.button("cmdAccept")->click();
        QCOMPARE(s.session.undoText(), QStringLiteral("Reinitialize from remotely sensed LAI"));
        QCOMPARE(s.session.text(ctl::txtSowingDate), std::to_string(s.truth));
        s.session.window->undoStack().undo();
        QCOMPARE(s.session.text(ctl::txtSowingDate), before);
        QVERIFY(!s.button("cmdAccept")->isEnabled());
    }

    void cancelEndsTheSearchWithTheBestDaysSoFar() {
        ReinitSession s(2);
        s.setWindow(90);
        QSignalSpy ended(s.window, &ReinitWindow::searchEnded);
        s.button("cmdStart")->click();
        s.button("cmdCancel")->click();
        QVERIFY(ended.wait(300000));
        QVERIFY(!s.window->running());
        QVERIFY(s.button("cmdStart")->isEnabled());
        QVERIFY(!s.button("cmdCancel")->isEnabled());
        QVERIFY2(s.window->notesText().startsWith(QStringLiteral("Cancelled")),
                 qPrintable(s.window->notesText()));

        // The window stays usable: a search over a narrower window runs to an estimate to accept.
        s.setWindow(3);
        s.button("cmdStart")->click();
        QVERIFY(ended.wait(300000));
        QVERIFY2(s.button("cmdAccept")->isEnabled(), qPrintable(s.window->notesText()));
        QCOMPARE(s.window->estimatesTable()->item(0, 1)->text(), QString::number(s.truth));
    }

private:
    QTemporaryDir home_;
};

TULO_WINDOW_TEST(ReinitWindowTest)
#include "ReinitWindowTest.moc"
