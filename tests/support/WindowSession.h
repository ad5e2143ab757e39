#pragma once
// The main window as the window tests drive it: a scripted user interface that records every message and
// answers from a script, and the window, with lookups of its widgets and actions by object name (the
// tool windows are its children, so theirs too).

#include "app/MainWindow.h"
#include "engine/Grid.h"
#include "engine/Parameters.h"
#include "forms/FormModel.h"
#include "forms/InputControls.h"
#include "support/ScriptedUi.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tulo::test {

inline const QString kExampleFolder = QStringLiteral(TULO_SOURCE_DIR "/examples/");
inline const QString kDemoSeason = kExampleFolder + QStringLiteral("demo.sim");

struct WindowSession {
    ScriptedUi* ui = nullptr; // owned by the window
    std::unique_ptr<app::MainWindow> window;

    template <class T = QAbstractButton> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* button) const { find(button)->click(); }
    void trigger(const char* action) const { find<QAction>(action)->trigger(); }
    QString undoText() const { return window->undoStack().undoText(); }
    FormModel& form() const { return window->form(); }
    const std::string& text(std::string_view control) const { return window->form().text(control); }
    // A crop parameter's text in the form, by its id ("RUE").
    const std::string& crop(const char* id) const { return text(ControlOf(*FindParameter(id))); }
    std::string lastMessage() const { return ui->messages.empty() ? "" : ui->messages.back().text; }
};

// A new window, with `configuration` opened unless it is empty.
inline WindowSession OpenWindow(const QString& configuration = {}) {
    auto ui = std::make_unique<ScriptedUi>();
    WindowSession session{ui.get(), std::make_unique<app::MainWindow>(std::move(ui))};
    if (!configuration.isEmpty()) session.window->openConfiguration(configuration);
    return session;
}

// A tool window of a main window that opened `configuration`, with lookups of its buttons by object name.
template <class Window> struct ToolWindowSession {
    explicit ToolWindowSession(const QString& configuration) : session(OpenWindow(configuration)) {}
    QPushButton* button(const char* name) const {
        return window->template findChild<QPushButton*>(QString::fromLatin1(name));
    }

    WindowSession session;
    Window* window = nullptr;
};

// A window with `configuration` opened and run, what the run said forgotten.
inline WindowSession RunWindow(const QString& configuration) {
    WindowSession session = OpenWindow(configuration);
    session.window->run();
    session.ui->messages.clear();
    session.ui->questions.clear();
    return session;
}

// The settings of a test program start empty and stay its own, and TULO's data folder (trace files,
// exchange files, combinations) is `home`.
inline void UseScratchSettings(const QTemporaryDir& home) {
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    qputenv("TULO_HOME", home.path().toUtf8());
}

// The settings of a test program start empty and stay its own, under the program's own names (the
// recent files and window geometry are kept by them).
inline void UseTestSettings() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("TULO"));
    QCoreApplication::setApplicationName(QStringLiteral("tulo"));
    QSettings().clear();
}

// Types into a bound text box as a user does, replacing its text.
inline void Retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

// What a grid shows: its texts, captions included, row by row.
inline std::vector<std::string> GridTexts(const Grid& grid) {
    std::vector<std::string> texts;
    for (int r = 0; r <= grid.rows(); ++r)
        for (int c = 0; c <= grid.cols(); ++c) texts.push_back(grid.text(r, c));
    return texts;
}

} // namespace tulo::test
