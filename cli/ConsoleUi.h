#pragma once
// The window's interface over the console, for the sensitivity command, which still talks through it:
// messages are printed, questions take their cautious answer (Cancel or No) without being printed, and
// dialogs are cancelled.

#include "Console.h"
#include "forms/UserInterface.h"

namespace tulo::cli {

class ConsoleUi : public UserInterface {
public:
    explicit ConsoleUi(const Console& console) : console_(console) {}

    void message(std::string_view text, std::string_view title, Icon icon) override;
    Answer ask(std::string_view text, Buttons buttons, std::string_view title, Icon icon) override;
    std::optional<std::string> input(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> openFile(const FileDialog&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileDialog&) override { return std::nullopt; }
    void setBusy(bool) override {}

private:
    const Console& console_;
};

} // namespace tulo::cli
