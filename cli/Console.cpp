#include "Console.h"

namespace tulo::cli {

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

Console Console::prefixed(std::string_view prefix) const {
    return Console(err_, prefix_ + std::string(prefix));
}

void Console::print(std::string_view text) const {
    err_ << OneLine(prefix_ + std::string(text)) << '\n';
}

void Console::print(const Message& message) const {
    if (!message.title.empty()) err_ << OneLine(message.title) << ": ";
    print(message.text);
}

void Console::print(const Messages& messages) const {
    for (const Message& message : messages) print(message);
}

std::string MessageLine(const Message& message) {
    return message.title.empty() ? message.text : message.title + ": " + message.text;
}

} // namespace tulo::cli
