#pragma once
// What the program asks of its user interface: message boxes, questions, input boxes, file dialogs, the
// busy pointer. The desktop window implements it with Qt, the
// command line prints to stderr, and tests script the answers.

#include "base/Outcome.h"
#include "base/Problems.h"

#include <optional>
#include <string>
#include <string_view>

namespace tulo {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct FileDialog {
    std::string title;
    std::string fileName; // initial name shown in the dialog
    std::string filter;   // "description (*.ext)|*.ext"
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A message box; an empty title stands for the application's default title.
    virtual void message(std::string_view text, std::string_view title = {}, Icon icon = Icon::None) = 0;
    // A problem with an input, shown as a message box by default; a window may also point at the field,
    // and the command line names the file a table came from.
    virtual void problem(const InputProblem& problem);
    // A question; the answer is one of the buttons offered.
    virtual Answer ask(std::string_view text, Buttons buttons, std::string_view title = {},
                       Icon icon = Icon::Question) = 0;
    // An input box; no value when cancelled.
    virtual std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                             std::string_view defaultAnswer) = 0;
    // File dialogs; no value when cancelled.
    virtual std::optional<std::string> openFile(const FileDialog& dialog) = 0;
    virtual std::optional<std::string> saveFile(const FileDialog& dialog) = 0;

    virtual void setBusy(bool busy) = 0;
};

// Shows each message as a box, in order.
void ShowMessages(UserInterface& ui, const Messages& messages);

// Shows the busy pointer for as long as it lives, so that every way out of a command restores it.
class BusyPointer {
public:
    explicit BusyPointer(UserInterface& ui) : ui_(ui) { ui_.setBusy(true); }
    ~BusyPointer() { ui_.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    UserInterface& ui_;
};

} // namespace tulo
