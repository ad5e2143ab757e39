#pragma once
// The command line's user interface: messages go to stderr, one per line. Nobody is there to answer, so
// questions take their cautious answer (Cancel or No) without being printed, and dialogs are cancelled:
// what a question would have settled is asked for with an option (--report, --sheet), and the command
// says so when it matters.

#include "forms/UserInterface.h"

#include <ostream>

namespace tulo {

class ConsoleUi : public UserInterface {
public:
    explicit ConsoleUi(std::ostream& err) : err_(err) {}

    void message(std::string_view text, std::string_view title, Icon icon) override;
    Answer ask(std::string_view text, Buttons buttons, std::string_view title, Icon icon) override;
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view defaultAnswer) override;
    std::optional<std::string> openFile(const FileDialog& dialog) override;
    std::optional<std::string> saveFile(const FileDialog& dialog) override;
    void setBusy(bool) override {}

private:
    std::ostream& err_;
};

} // namespace tulo
