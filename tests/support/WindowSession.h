#pragma once
// The main window as the window tests drive it: a scripted user interface that records every message and
// answers from a script, and the window, with lookups of its widgets and actions by object name (the
// tool windows are its children, so theirs too).

#include "app/MainWindow.h"
#include "engine/Parameters.h"
#include "forms/FormModel.h"
#include "support/ScriptedUi.h"

#include <QAbstractButton>
#include <QAction>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QUndoStack>

#include <memory>
#include <string>
#include <string_view>

namespace tulo::test {

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
    const std::string& crop(const char* id) const { return text(FindParameter(id)->control); }
    std::string lastMessage() const { return ui->messages.empty() ? "" : ui->messages.back().text; }
};

// A new window, with `configuration` opened unless it is empty.
inline WindowSession OpenWindow(const QString& configuration = {}) {
    auto ui = std::make_unique<ScriptedUi>();
    WindowSession session{ui.get(), std::make_unique<app::MainWindow>(std::move(ui))};
    if (!configuration.isEmpty()) session.window->openConfiguration(configuration);
    return session;
}

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

} // namespace tulo::test
