#include "ConsoleUi.h"

#include <string>

namespace tulo::cli {

void ConsoleUi::message(std::string_view text, std::string_view title, Icon icon) {
    console_.print(Message{std::string(text), std::string(title), icon});
}

Answer ConsoleUi::ask(std::string_view text, Buttons buttons, std::string_view, Icon) {
    // A box with only OK is a message.
    if (buttons == Buttons::Ok) {
        console_.print(text);
        return Answer::Ok;
    }
    return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
}

} // namespace tulo::cli
