#pragma once
// The main window as the window tests drive it: a scripted user interface that records every message and
// answers from a script, and the window, with lookups of its widgets and actions by object name.

#include "app/MainWindow.h"
#include "support/ScriptedUi.h"

#include <QAction>
#include <QString>
#include <QUndoStack>

#include <memory>
#include <string>
#include <string_view>

namespace tulo::test {

struct WindowSession {
    ScriptedUi* ui = nullptr; // owned by the window
    std::unique_ptr<app::MainWindow> window;

    template <class T> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void trigger(const char* action) const { find<QAction>(action)->trigger(); }
    QString undoText() const { return window->undoStack().undoText(); }
    const std::string& text(std::string_view control) const { return window->form().text(control); }
};

// A new window, with `configuration` opened unless it is empty.
inline WindowSession OpenWindow(const QString& configuration = {}) {
    auto ui = std::make_unique<ScriptedUi>();
    WindowSession session{ui.get(), std::make_unique<app::MainWindow>(std::move(ui))};
    if (!configuration.isEmpty()) session.window->openConfiguration(configuration);
    return session;
}

} // namespace tulo::test
