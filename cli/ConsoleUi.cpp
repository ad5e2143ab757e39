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
    if (buttons == Buttons::Ok) {
        err_ << OneLine(text) << '\n';
        return Answer::Ok;
    }
    const bool okCancel = buttons == Buttons::OkCancel;
    err_ << OneLine(text) << (okCancel ? " [Cancel]" : " [No]") << '\n';
    return okCancel ? Answer::Cancel : Answer::No;
}

std::optional<std::string> ConsoleUi::input(std::string_view prompt, std::string_view, std::string_view) {
    err_ << OneLine(prompt) << " [cancelled]\n";
    return std::nullopt;
}

std::optional<std::string> ConsoleUi::openFile(const FileDialog&) {
    return std::nullopt;
}

std::optional<std::string> ConsoleUi::saveFile(const FileDialog&) {
    return std::nullopt;
}

} // namespace tulo
