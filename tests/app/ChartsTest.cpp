// The charts as a user sees them: drawn once while a question is open over them, and the 1:1 chart of
// the Evaluation page on one scale of round ticks with every pair inside its frame.

#include "app/ChartView.h"
#include "app/EvaluationPage.h"
#include "app/MainWindow.h"
#include "app/OutputPage.h"
#include "support/ScriptedUi.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;
const std::string kMeasured = TULO_SOURCE_DIR "/examples/measured-agb.xlsx";

// Lets the test look at the window while a question is open, as the user does.
class WatchingUi : public test::ScriptedUi {
public:
    std::function<void()> whileAsking;
    Answer ask(std::string_view text, Buttons buttons, std::string_view title, Icon icon) override {
        if (whileAsking) whileAsking();
        return ScriptedUi::ask(text, buttons, title, icon);
    }
};

// What a message box's own event loop does while it waits for the user.
void WaitInNestedLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Calls `command` from the window's event loop, as a click of the user does.
void FromEventLoop(const std::function<void()>& command) {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        command();
        loop.quit();
    });
    loop.exec();
}

// How many texts of the chart's scene the user sees reading `text`.
int VisibleTexts(const ChartView* chart, const QString& text) {
    int count = 0;
    for (const QGraphicsItem* item : chart->scene()->items())
        if (const auto* shown = dynamic_cast<const QGraphicsTextItem*>(item);
            shown && shown->isVisible() && shown->toPlainText() == text)
            ++count;
    return count;
}

} // namespace

class ChartsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The evaluation's combination files go to the scratch folder too.
        test::UseScratchSettings(home_);
    }

    void theNdviQuestionShowsOneSetOfAxes() {
        auto owned = std::make_unique<WatchingUi>();
        WatchingUi* ui = owned.get();
        MainWindow window(std::move(owned));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.openConfiguration(kDemoSeason));
        QVERIFY(window.run());
        window.showPage(Page::Control);
        window.findChild<QAbstractButton*>(QStringLiteral("OptionLAIndvi"))->click();
        window.form().setText(ctl::txtDOYforcingLAI, "200");
        window.form().setText(ctl::txtforcingLAI, "1.25");
        const ChartView* crop = window.outputPage()->cropChart();
        int biomassTitles = 0, dayTitles = 0, rightTitles = 0;
        ui->whileAsking = [&] {
            WaitInNestedLoop(100);
            biomassTitles = VisibleTexts(crop, QStringLiteral("Biomass (t/ha)"));
            dayTitles = VisibleTexts(crop, QStringLiteral("Day of year"));
            rightTitles = VisibleTexts(crop, QStringLiteral("DVS (-), LAI (m2/m2)"));
        };
        FromEventLoop([&] { window.findChild<QAbstractButton*>(QStringLiteral("cmdForceLAI"))->click(); });
        QCOMPARE(ui->questions.back().text, "Do you accept NDVI correction?");
        QCOMPARE(biomassTitles, 1);
        QCOMPARE(dayTitles, 1);
        QCOMPARE(rightTitles, 1);
        QCOMPARE(crop->seriesCount(), 8); // the season and the NDVI markers under the question

        // A chart emptied and drawn again keeps one set of axes too.
        window.outputPage()->cropChart()->clear();
        QCOMPARE(VisibleTexts(crop, QStringLiteral("Biomass (t/ha)")), 0);
        FromEventLoop([&] { window.run(); });
        QCOMPARE(VisibleTexts(crop, QStringLiteral("Biomass (t/ha)")), 1);
    }

    void theOneToOneChartHasRoundTicksAndHoldsEveryPair() {
        auto owned = std::make_unique<test::ScriptedUi>();
        test::ScriptedUi* ui = owned.get();
        MainWindow window(std::move(owned));
        QVERIFY(window.openConfiguration(kDemoSeason));
        QVERIFY(window.run());
        QComboBox* variable = window.evaluationPage()->variableBox();
        variable->setCurrentIndex(variable->findText(QStringLiteral("AGB tot (tAGB/ha)")));
        ui->files.push_back(kMeasured);
        QVERIFY(window.openMeasuredData());

        const ChartView* chart = window.evaluationPage()->oneToOneChart();
        const auto* pairs = qobject_cast<const QScatterSeries*>(chart->chart()->series().front());
        QVERIFY(pairs && pairs->count() == 8);
        double highest = 0;
        for (const QPointF& p : pairs->points()) highest = std::max({highest, p.x(), p.y()});
        int axes = 0;
        double side = -1; // the first visible axis's end, every other one's too
        for (QAbstractAxis* axis : chart->chart()->axes()) {
            const auto* value = qobject_cast<const QValueAxis*>(axis);
            if (!value->isVisible()) continue;
            ++axes;
            QCOMPARE(value->min(), 0.0);
            if (side < 0) side = value->max();
            QCOMPARE(value->max(), side);
            // The largest pair lies inside the frame, its marker clear of the border.
            QVERIFY2(value->max() > highest * 1.01, qPrintable(QString::number(value->max())));
            const double step = value->max() / (value->tickCount() - 1);
            const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
            const double mantissa = step / power;
            const bool round = std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                               std::abs(mantissa - 2.5) < 1e-9 || std::abs(mantissa - 5) < 1e-9;
            QVERIFY2(round, qPrintable(QStringLiteral("ticks every %1").arg(step)));
            QVERIFY(value->tickCount() >= 4 && value->tickCount() <= 6);
        }
        QCOMPARE(axes, 2);
    }

private:
    QTemporaryDir home_;
};

TULO_WINDOW_TEST(ChartsTest)
#include "ChartsTest.moc"
