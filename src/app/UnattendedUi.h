#pragma once
// The window with nobody at the screen (its screenshots, its benchmarks): no question is answered and no
// file chosen, and messages go to standard error.

#include "forms/UserInterface.h"

namespace tulo::app {

class UnattendedUi : public UserInterface {
public:
    void message(std::string_view text, std::string_view title, Icon icon) override;
    Answer ask(std::string_view, Buttons buttons, std::string_view, Icon) override {
        return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
    std::optional<std::string> input(std::string_view, std::string_view, std::string_view) override {
        return {};
    }
    std::optional<std::string> openFile(const FileDialog&) override { return {}; }
    std::optional<std::string> saveFile(const FileDialog&) override { return {}; }
    void setBusy(bool) override {}
};

} // namespace tulo::app
