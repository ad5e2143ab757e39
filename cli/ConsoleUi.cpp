#include "ConsoleUi.h"

#include <string>

namespace tulo {

namespace {

// Message texts may hold line breaks (carriage returns in the program's own texts); on a terminal each
// message stays on one line.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

} // namespace

void ConsoleUi::message(std::string_view text, std::string_view title, Icon) {
    if (!title.empty()) err_ << OneLine(title) << ": ";
    err_ << OneLine(text) << '\n';
}

Answer ConsoleUi::ask(std::string_view text, Buttons buttons, std::string_view, Icon) {
    // A box with only OK is a message.
    if (buttons == Buttons::Ok) {
        err_ << OneLine(text) << '\n';
        return Answer::Ok;
    }
    return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
}

std::optional<std::string> ConsoleUi::input(std::string_view, std::string_view, std::string_view) {
    return std::nullopt;
}

std::optional<std::string> ConsoleUi::openFile(const FileDialog&) {
    return std::nullopt;
}

std::optional<std::string> ConsoleUi::saveFile(const FileDialog&) {
    return std::nullopt;
}

} // namespace tulo
