#pragma once
// The core's user interface in Qt: message boxes with the program's titles, icons and buttons, the input
// box, file dialogs (remembering the last folder), the busy pointer.

#include "forms/UserInterface.h"

#include <QString>

class QWidget;

namespace tulo::app {

class QtUserInterface : public UserInterface {
public:
    explicit QtUserInterface(QWidget* parent);

    void message(std::string_view text, std::string_view title = {}, Icon icon = Icon::None) override;
    Answer ask(std::string_view text, Buttons buttons, std::string_view title = {},
               Icon icon = Icon::Question) override;
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view defaultAnswer) override;
    std::optional<std::string> openFile(const FileDialog& dialog) override;
    std::optional<std::string> saveFile(const FileDialog& dialog) override;
    void setBusy(bool busy) override;

private:
    QWidget* parent_;
};

// The user interface of a tool window (a calibration or the sensitivity window), made from the main
// window's: its message boxes and file dialogs belong to the tool window, so that they open over it and
// leave it in front instead of raising the main window above it. An interface that shows no dialogs of
// its own (a test's script) serves the tool window as it is. It lives as long as `window`.
UserInterface& ToolWindowInterface(UserInterface& main, QWidget* window);

// The application's default title of message boxes.
inline const QString kApplicationTitle = QStringLiteral("TULO");

} // namespace tulo::app
