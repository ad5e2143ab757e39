// Tools > Phenology from observed dates, offscreen: the days typed, the fit with its residuals, Apply as
// one step to undo, and what withdraws a fit or refuses the days.

#include "app/PhenologyWindow.h"
#include "engine/Season.h"
#include "engine/SeasonInputs.h"
#include "engine/SeasonSummary.h"
#include "forms/SeasonForm.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;

struct PhenologySession : test::ToolWindowSession<PhenologyWindow> {
    PhenologySession() : ToolWindowSession(kDemoSeason) {
        session.trigger("mnuPhenology");
        window = session.find<PhenologyWindow>("frmPhenology");
    }
    void type(const char* field, const QString& text) const {
        window->findChild<QLineEdit*>(QString::fromLatin1(field))->setText(text);
    }
    QString cell(int row, int column) const { return window->stagesTable()->item(row, column)->text(); }
};

} // namespace

class PhenologyWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::UseScratchSettings(home_); }

    void fitShowsTheResidualsAndApplyIsOneStepToUndo() {
        PhenologySession s;
        QVERIFY(s.window && s.window->isVisible());
        QCOMPARE(s.session.find<QAction>("mnuPhenology")->text(),
                 QStringLiteral("Phenology from observed dates…"));
        s.type("txtObservedEmergence", QStringLiteral("136"));
        s.type("txtObservedFlowering", QStringLiteral("2026-07-31"));
        s.type("txtObservedMaturity", QStringLiteral("265"));
        QVERIFY(!s.button("cmdApply")->isEnabled());
        s.button("cmdFit")->click();
        QCOMPARE(s.window->stagesTable()->rowCount(), 3);
        for (int row = 0; row < 3; ++row) QCOMPARE(s.cell(row, 3), QStringLiteral("0"));
        QCOMPARE(s.cell(1, 0), QStringLiteral("Flowering"));
        QCOMPARE(s.cell(1, 1), QStringLiteral("212"));
        QVERIFY2(s.window->valuesText().startsWith(QStringLiteral("TSUMEM: ")),
                 qPrintable(s.window->valuesText()));
        QVERIFY(s.window->valuesText().contains(QStringLiteral("TSUM1: ")));
        QCOMPARE(s.session.text(ctl::txtTSUM1), std::string("900")); // nothing written before Apply

        s.button("cmdApply")->click();
        QCOMPARE(s.session.undoText(), QStringLiteral("Phenology from observed dates"));
        QVERIFY(s.session.text(ctl::txtTSUM1) != "900");
        QVERIFY(s.session.text(ctl::txtTSUMEM) != "80");
        const SeasonSummary summary = [&] {
            auto run = std::make_unique<RunState>();
            RunSeason(*CompileInputs(s.session.window->form()).inputs, {}, *run);
            return Summarize(*run);
        }();
        QCOMPARE(summary.emergence.value_or(0), 136);
        QCOMPARE(summary.flowering.value_or(0), 212);
        QCOMPARE(summary.maturity.value_or(0), 265);

        // One undo takes every value back.
        s.session.window->undoStack().undo();
        QCOMPARE(s.session.text(ctl::txtTSUM1), std::string("900"));
        QCOMPARE(s.session.text(ctl::txtTSUM2), std::string("500"));
        QCOMPARE(s.session.text(ctl::txtTSUMEM), std::string("80"));
    }

    void aChangedFormWithdrawsTheFitAndBadDaysAreNamed() {
        PhenologySession s;
        s.type("txtObservedFlowering", QStringLiteral("212"));
        s.type("txtObservedMaturity", QStringLiteral("265"));
        s.button("cmdFit")->click();
        QVERIFY(s.button("cmdApply")->isEnabled());
        s.session.window->form().setText(ctl::txtLatitude, "30");
        QVERIFY(!s.button("cmdApply")->isEnabled());
        QCOMPARE(s.window->notesText(), QStringLiteral("The inputs changed since the fit: fit again."));

        s.type("txtObservedEmergence", QStringLiteral("220"));
        s.type("txtObservedMaturity", QStringLiteral("mid-September"));
        s.button("cmdFit")->click();
        QVERIFY(!s.button("cmdApply")->isEnabled());
        QVERIFY2(s.window->notesText().startsWith(QStringLiteral("Maturity: \"mid-September\" is neither")),
                 qPrintable(s.window->notesText()));
        s.type("txtObservedMaturity", QStringLiteral("300"));
        s.button("cmdFit")->click();
        QCOMPARE(s.window->notesText(),
                 QStringLiteral("Flowering: DOY 212 is not after the observed emergence (DOY 220).\n"
                                "Maturity: DOY 300 is after the last simulated day (DOY 299)."));
        QCOMPARE(s.window->stagesTable()->rowCount(), 0);
    }

private:
    QTemporaryDir home_;
};

TULO_WINDOW_TEST(PhenologyWindowTest)
#include "PhenologyWindowTest.moc"
