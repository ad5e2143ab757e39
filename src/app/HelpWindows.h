#pragma once
// The Help menu's windows: the user guide shipped inside the program, and the keyboard shortcuts read
// off the window's own commands, so that the list never disagrees with what the keys do.

#include <QDialog>
#include <QWidget>

class QMainWindow;
class QMenu;
class QTableWidget;
class QTextBrowser;

namespace tulo::app {

// The user guide (frmUserGuide), a window of its own that can stay open beside the main window.
class UserGuideWindow : public QWidget {
    Q_OBJECT
public:
    explicit UserGuideWindow(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

// Every command of `window` that has a shortcut, as "Menu > Command" beside its keys (frmShortcuts).
class ShortcutsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ShortcutsDialog(QMainWindow* window);
    QTableWidget* table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};

// Adds "User guide" (F1) and "Keyboard shortcuts" to `help`, the Help menu of `window`.
void AddHelpCommands(QMainWindow* window, QMenu* help);

} // namespace tulo::app
