// The tool windows and the Help menu with the program's own message boxes, offscreen: a tool window's
// messages open over that window, and Help shows the user guide and every keyboard shortcut.

#include "app/AutoCalWindow.h"
#include "app/CalibrationPanel.h"
#include "app/HelpWindows.h"
#include "app/MainWindow.h"
#include "app/MultiPointAutoCalWindow.h"
#include "app/SAChartWindow.h"
#include "app/SensitivityWindow.h"
#include "support/WindowSession.h"

#include "WindowTests.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <functional>
#include <set>

using namespace tulo;
using namespace tulo::app;

namespace {

using test::kDemoSeason;

struct Shown {
    QString text;
    QWidget* over = nullptr; // the window the box belongs to
};

// Runs `command`, which shows one message box; answers the box and says what it showed over which
// window.
Shown MessageOf(const std::function<void()>& command) {
    Shown shown;
    QTimer watcher; // lives only as long as the command
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        shown = {box->text(), box->parentWidget() ? box->parentWidget()->window() : nullptr};
        box->done(QMessageBox::Ok);
    });
    watcher.start();
    command();
    return shown;
}

} // namespace

class ToolWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::UseScratchSettings(home_); }

    void aToolWindowsMessagesOpenOverIt() {
        MainWindow window; // the program's own message boxes
        window.show();
        QVERIFY(window.openConfiguration(kDemoSeason));

        AutoCalWindow* single = window.openAutoCalibration();
        const Shown method = MessageOf([&] { single->panel()->startButton()->click(); });
        QCOMPARE(method.text,
                 QStringLiteral(
                     "You have to select one of the simplex methods implemented (standard or genetic)"));
        QCOMPARE(method.over, single);

        MultiPointAutoCalWindow* sites = window.openMultiPointCalibration();
        const Shown sitesMethod = MessageOf([&] { sites->panel()->startButton()->click(); });
        QVERIFY(sitesMethod.text.startsWith(QStringLiteral("You have to select one of the simplex methods")));
        QCOMPARE(sitesMethod.over, sites);

        SensitivityWindow* sensitivity = window.openSensitivity();
        const Shown nothingTicked = MessageOf(
            [&] { sensitivity->findChild<QPushButton*>(QStringLiteral("cmdSamplesSimulations"))->click(); });
        QVERIFY(!nothingTicked.text.isEmpty());
        QCOMPARE(nothingTicked.over, sensitivity);

        // The main window's own commands still speak over it.
        const Shown help =
            MessageOf([&] { window.findChild<QAbstractButton*>(QStringLiteral("cmdLAIoptHelp1"))->click(); });
        QVERIFY(help.text.startsWith(QStringLiteral("The first (LAI calculated by TULO)")));
        QCOMPARE(help.over, &window);
    }

    void helpShowsTheGuideAndEveryShortcut() {
        MainWindow window;
        window.show();
        QAction* guide = window.findChild<QAction*>(QStringLiteral("mnuUserGuide"));
        QVERIFY(guide);
        QCOMPARE(guide->shortcut(), QKeySequence(QKeySequence::HelpContents));
        guide->trigger();
        auto* guideWindow = window.findChild<UserGuideWindow*>(QStringLiteral("frmUserGuide"));
        QVERIFY(guideWindow && guideWindow->isVisible());
        const QString text = guideWindow->browser()->toPlainText();
        for (const char* section : {"A first season", "Evaluation against measurements",
                                    "Automatic calibration", "Sensitivity analysis", "Keyboard shortcuts"})
            QVERIFY2(text.contains(QString::fromLatin1(section)), section);
        guide->trigger(); // the same window again, not a second one
        QCOMPARE(window.findChildren<UserGuideWindow*>().size(), 1);

        // An edit to undo renames the undo command ("Undo ..."): its menu name is listed all the same.
        window.form().setText(ctl::txtRUE, "2.5");
        QVERIFY(window.findChild<QAction*>(QStringLiteral("mnuUndo"))->text() != QStringLiteral("&Undo"));
        window.findChild<QAction*>(QStringLiteral("mnuShortcuts"))->trigger();
        auto* dialog = window.findChild<ShortcutsDialog*>(QStringLiteral("frmShortcuts"));
        QVERIFY(dialog && dialog->isVisible());
        std::set<QString> listed;
        for (int r = 0; r < dialog->table()->rowCount(); ++r)
            listed.insert(dialog->table()->item(r, 0)->text() + QLatin1Char('|') +
                          dialog->table()->item(r, 1)->text());
        // Every command with keys is listed once, under its menu, and nothing else.
        int withKeys = 0;
        const QAction* undo = window.findChild<QAction*>(QStringLiteral("mnuUndo"));
        for (const QAction* action : window.findChildren<QAction*>()) {
            if (action->shortcuts().isEmpty()) continue;
            ++withKeys;
            const QString keys = action->shortcuts().front().toString(QKeySequence::NativeText);
            const QString name =
                QString(action == undo ? QStringLiteral("Undo") : action->text()).remove(QLatin1Char('&'));
            const bool found = std::any_of(listed.begin(), listed.end(), [&](const QString& row) {
                return row.startsWith(keys) && row.endsWith(name);
            });
            QVERIFY2(found, qPrintable(name));
        }
        QCOMPARE(static_cast<int>(listed.size()), withKeys);
        QVERIFY(listed.count(QStringLiteral("Ctrl+R|Run > Run")) == 1);
        QVERIFY(listed.count(QStringLiteral("F1|Help > User guide")) == 1);
        QVERIFY(listed.count(QStringLiteral("Ctrl+Z|Edit > Undo")) == 1);
    }

private:
    QTemporaryDir home_;
};

TULO_WINDOW_TEST(ToolWindowTest)
#include "ToolWindowTest.moc"
