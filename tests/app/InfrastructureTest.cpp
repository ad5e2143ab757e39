// The window's plumbing over a real form: bindings both ways, grid tables, undo, charts, and the
// background task the long commands run on.

#include "app/BackgroundTask.h"
#include "app/ChartView.h"
#include "app/FormBinder.h"
#include "app/FormUndo.h"
#include "app/GridTableModel.h"

#include "WindowTests.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace tulo;
using namespace tulo::app;

class InfrastructureTest : public QObject {
    Q_OBJECT
private slots:
    void binderFollowsBothWays();
    void gridModelFollowsTheForm();
    void keystrokesInOneBoxAreOneUndoStep();
    void chartSavesPngAndSvg();
    void backgroundTaskDeliversOnlyItsCurrentRun();
};

namespace {

// A job that runs until it is asked to stop, then hands back `value`.
BackgroundTask::Job UntilStopped(std::vector<int>& delivered, int value,
                                 std::atomic<bool>* started = nullptr) {
    return [&delivered, value, started](const BackgroundTask::Run& run) {
        if (started) *started = true;
        while (!run.stopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        run.post([&delivered, value] { delivered.push_back(-value); }); // progress, after the stop
        return std::function<void()>([&delivered, value] { delivered.push_back(value); });
    };
}

} // namespace

void InfrastructureTest::binderFollowsBothWays() {
    FormModel form;
    FormBinder binder(form);
    QSignalSpy changed(&binder, &FormBinder::formChanged);
    int notifications = 0;
    const int counter = form.subscribe([&](std::span<const FormChange>) { ++notifications; });

    QWidget page;
    auto* line = new QLineEdit(&page);
    auto* twin = new QLineEdit(&page);
    auto* list = new QComboBox(&page);
    auto* soil = new QCheckBox(&page);
    auto* fixed = new QRadioButton(&page);
    auto* dynamic = new QRadioButton(new QWidget(&page)); // another frame: the binder clears the group
    binder.bind(line, ctl::txtTbase);
    binder.bind(twin, ctl::txtTbase);
    binder.bind(list, ctl::cmbFlooded);
    binder.bind(soil, ctl::chkSoil);
    binder.bind(fixed, ctl::OptionFixWlevel);
    binder.bind(dynamic, ctl::OptionDynamicWlevel);

    // Typing changes the form once per keystroke, and the other view of the field, without an echo.
    line->clear();
    form.setText(ctl::txtTbase, "");
    notifications = 0;
    QTest::keyClicks(line, "12");
    QCOMPARE(form.text(ctl::txtTbase), std::string("12"));
    QCOMPARE(notifications, 2);
    QCOMPARE(twin->text(), QStringLiteral("12"));
    QCOMPARE(line->text(), QStringLiteral("12"));

    // The form changes and the widgets follow.
    form.setText(ctl::cmbFlooded, std::string(choice::Unflooded));
    QCOMPARE(list->currentText(), QStringLiteral("Unflooded"));
    form.setText(ctl::cmbFlooded, "Marsh"); // not a choice, yet shown
    QCOMPARE(list->currentText(), QStringLiteral("Marsh"));
    form.setText(ctl::cmbFlooded, std::string(choice::Flooded));
    QCOMPARE(list->findText(QStringLiteral("Marsh")), -1);
    form.setCheck(ctl::chkSoil, 1);
    QVERIFY(soil->isChecked());
    soil->click();
    QCOMPARE(form.check(ctl::chkSoil), 0);

    // A click on one option clears the other of its group, in the form and on the page.
    form.setOption(ctl::OptionFixWlevel, true);
    QVERIFY(fixed->isChecked() && !dynamic->isChecked());
    notifications = 0;
    dynamic->click();
    QVERIFY(form.option(ctl::OptionDynamicWlevel) && !form.option(ctl::OptionFixWlevel));
    QVERIFY(dynamic->isChecked() && !fixed->isChecked());
    QCOMPARE(notifications, 1);
    form.setOption(ctl::OptionDynamicWlevel, false); // a group left without a selection
    QVERIFY(!dynamic->isChecked() && !fixed->isChecked());
    QVERIFY(changed.count() > 0);
    form.unsubscribe(counter);
}

void InfrastructureTest::gridModelFollowsTheForm() {
    FormModel form;
    GridTableModel model(form, std::string(ctl::sprWeather));
    QCOMPARE(model.rowCount(), kWeatherGridRows);
    QCOMPARE(model.columnCount(), kWeatherCols);
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Rain(mm)"));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    form.setCell(ctl::sprWeather, 3, 2, "4.5");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toModelIndex(), model.index(2, 1));
    QCOMPARE(model.data(model.index(2, 1), Qt::DisplayRole).toString(), QStringLiteral("4.5"));

    // An import may resize the grid and mark estimates.
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    form.editGrid(ctl::sprWeather, [](Grid& g) {
        g.resize(kWeatherGridRows + 1, kWeatherCols);
        g.setText(kWeatherGridRows + 1, 6, "80");
        g.setBackground(kWeatherGridRows + 1, 6, kLightCyan);
    });
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), kWeatherGridRows + 1);
    const QModelIndex estimate = model.index(kWeatherGridRows, 5);
    QCOMPARE(model.data(estimate, Qt::BackgroundRole).value<QBrush>().color(), QColor(192, 255, 255));

    // An edit in the table goes through the form, which tells everyone.
    std::vector<FormChange> heard;
    const int listener =
        form.subscribe([&](std::span<const FormChange> c) { heard.assign(c.begin(), c.end()); });
    QVERIFY(model.flags(estimate) & Qt::ItemIsEditable);
    QVERIFY(model.setData(estimate, QStringLiteral("81"), Qt::EditRole));
    QCOMPARE(form.grid(ctl::sprWeather).text(kWeatherGridRows + 1, 6), std::string("81"));
    QCOMPARE(heard.size(), std::size_t{1});
    QCOMPARE(heard[0].oldText, std::string("80"));
    form.unsubscribe(listener);

    // The report's grid is read-only.
    Grid report(2, 2);
    GridTableModel readOnly(&report);
    QVERIFY(!(readOnly.flags(readOnly.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!readOnly.setData(readOnly.index(0, 0), QStringLiteral("1"), Qt::EditRole));
}

// An import's undo and redo through the window are MainWindowTest's; here, keystrokes in one box are one
// step.
void InfrastructureTest::keystrokesInOneBoxAreOneUndoStep() {
    FormModel form;
    QUndoStack stack;
    FormUndo undo(form, stack);
    form.setText(ctl::txtLatitude, "4");
    form.setText(ctl::txtLatitude, "45");
    QCOMPARE(stack.count(), 1);
    stack.undo();
    QCOMPARE(form.text(ctl::txtLatitude), std::string());
}

void InfrastructureTest::chartSavesPngAndSvg() {
    ChartView view;
    view.resize(640, 400);
    std::vector<ChartSeries> series(2);
    series[0].name = QStringLiteral("LAI (m2/m2)");
    series[1].name = QStringLiteral("Water level (cm)");
    series[1].rightAxis = true;
    for (int day = 120; day < 240; ++day) {
        series[0].points.emplace_back(day, day / 40.0);
        series[1].points.emplace_back(day, 10.0);
    }
    view.setSeries(QStringLiteral("Crop"), QStringLiteral("DOY"), QStringLiteral("LAI"), QStringLiteral("cm"),
                   series);
    QCOMPARE(view.seriesCount(), 2);
    QCOMPARE(view.pointCount(0), 120);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString& name : {QStringLiteral("chart.png"), QStringLiteral("chart.svg")}) {
        QVERIFY(view.saveImage(dir.filePath(name)));
        QVERIFY(QFileInfo(dir.filePath(name)).size() > 1000);
    }
    QVERIFY(!view.saveImage(dir.filePath(QStringLiteral("missing/chart.png"))));
}

// A run replaced by a new one, or abandoned with its task, delivers nothing more; a cancelled one still
// delivers what it found, progress first.
void InfrastructureTest::backgroundTaskDeliversOnlyItsCurrentRun() {
    std::vector<int> delivered;
    BackgroundTask task;
    std::atomic<bool> started{false};
    task.start(UntilStopped(delivered, 1, &started));
    QTRY_VERIFY(started.load());
    task.start([&](const BackgroundTask::Run& run) {
        run.post([&] { delivered.push_back(-2); });
        return std::function<void()>([&] { delivered.push_back(2); });
    });
    QVERIFY(task.running());
    QTRY_VERIFY(!task.running());
    QCoreApplication::processEvents();
    QCOMPARE(delivered, (std::vector<int>{-2, 2}));

    task.start(UntilStopped(delivered, 3));
    task.cancel();
    QTRY_VERIFY(!task.running());
    QCOMPARE(delivered, (std::vector<int>{-2, 2, -3, 3}));

    {
        BackgroundTask closing; // as a window closed during a run
        started = false;
        closing.start(UntilStopped(delivered, 4, &started));
        QTRY_VERIFY(started.load());
    }
    QCoreApplication::processEvents();
    QCOMPARE(delivered.size(), std::size_t{4});
}

TULO_WINDOW_TEST(InfrastructureTest)
#include "InfrastructureTest.moc"
