#include "app/HelpWindows.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace tulo::app {

namespace {

// Compiled into the program, so that the guide opens wherever the program was copied to.
const QString kGuide = QStringLiteral("qrc:/tulo/docs/user-guide.md");
constexpr int kPictureWidth = 720;

struct Shortcut {
    QString command;
    QString keys;
};

// The name a command has in its menu: the undo commands' texts name the step to undo ("Undo Change
// RUE"), so the name is the one the command had when the Help menu was made.
const char* const kCommandName = "commandName";

QString Name(const QAction* action) {
    const QVariant kept = action->property(kCommandName);
    return (kept.isValid() ? kept.toString() : action->text()).remove(QLatin1Char('&'));
}

QString Keys(const QAction* action) {
    QStringList keys;
    for (const QKeySequence& sequence : action->shortcuts())
        keys << sequence.toString(QKeySequence::NativeText);
    return keys.join(QStringLiteral(", "));
}

// The menu's commands in the order the menu shows them, submenus included.
void Collect(const QMenu* menu, const QString& path, std::vector<Shortcut>& shortcuts,
             QList<const QAction*>& seen) {
    for (const QAction* action : menu->actions()) {
        const QString name = path + QStringLiteral(" > ") + Name(action);
        if (const QMenu* sub = action->menu()) {
            Collect(sub, name, shortcuts, seen);
            continue;
        }
        if (action->shortcuts().isEmpty() || seen.contains(action)) continue;
        seen << action;
        shortcuts.push_back({name, Keys(action)});
    }
}

std::vector<Shortcut> WindowShortcuts(const QMainWindow* window) {
    std::vector<Shortcut> shortcuts;
    QList<const QAction*> seen;
    for (const QAction* top : window->menuBar()->actions())
        if (const QMenu* menu = top->menu())
            Collect(menu, QString(top->text()).remove(QLatin1Char('&')), shortcuts, seen);
    // Commands with keys that no menu lists (a page's own commands) come after the menus.
    for (const QAction* action : window->findChildren<QAction*>()) {
        if (action->shortcuts().isEmpty() || seen.contains(action)) continue;
        seen << action;
        shortcuts.push_back({Name(action), Keys(action)});
    }
    return shortcuts;
}

} // namespace

UserGuideWindow::UserGuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmUserGuide"));
    setWindowTitle(QStringLiteral("TULO - User guide"));
    browser_ = new QTextBrowser;
    browser_->setObjectName(QStringLiteral("txtUserGuide"));
    browser_->setOpenExternalLinks(true);
    browser_->setSource(QUrl(kGuide), QTextDocument::MarkdownResource);
    // Pictures of the window are as wide as the window: shown at a width that fits the guide's.
    QTextDocument* document = browser_->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            image.setWidth(kPictureWidth);
            QTextCursor cursor(document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(820, 760);
}

ShortcutsDialog::ShortcutsDialog(QMainWindow* window) : QDialog(window) {
    setObjectName(QStringLiteral("frmShortcuts"));
    setWindowTitle(QStringLiteral("TULO - Keyboard shortcuts"));
    const std::vector<Shortcut> shortcuts = WindowShortcuts(window);
    table_ = new QTableWidget(static_cast<int>(shortcuts.size()), 2);
    table_->setObjectName(QStringLiteral("tblShortcuts"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Keys"), QStringLiteral("Command")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    for (int r = 0; r < static_cast<int>(shortcuts.size()); ++r) {
        table_->setItem(r, 0, new QTableWidgetItem(shortcuts[static_cast<std::size_t>(r)].keys));
        table_->setItem(r, 1, new QTableWidgetItem(shortcuts[static_cast<std::size_t>(r)].command));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(560, 480);
}

void AddHelpCommands(QMainWindow* window, QMenu* help) {
    for (QAction* action : window->findChildren<QAction*>())
        if (!action->property(kCommandName).isValid()) action->setProperty(kCommandName, action->text());
    QAction* guide = help->addAction(QStringLiteral("&User guide"));
    guide->setObjectName(QStringLiteral("mnuUserGuide"));
    guide->setShortcut(QKeySequence::HelpContents);
    // One guide window, brought back to the front when asked for again.
    auto guideWindow = std::make_shared<QPointer<UserGuideWindow>>();
    QObject::connect(guide, &QAction::triggered, window, [window, guideWindow] {
        if (!*guideWindow) *guideWindow = new UserGuideWindow(window);
        (*guideWindow)->show();
        (*guideWindow)->raise();
        (*guideWindow)->activateWindow();
    });
    QAction* keys = help->addAction(QStringLiteral("&Keyboard shortcuts"));
    keys->setObjectName(QStringLiteral("mnuShortcuts"));
    QObject::connect(keys, &QAction::triggered, window, [window] {
        // Read when asked for, so that commands added since are listed too.
        auto* dialog = new ShortcutsDialog(window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
}

} // namespace tulo::app
