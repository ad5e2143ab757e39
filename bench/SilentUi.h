#pragma once
// A user interface nobody answers, for the benchmarks.

#include "forms/UserInterface.h"

namespace tulo::bench {

class SilentUi : public UserInterface {
public:
    void message(std::string_view, std::string_view, Icon) override {}
    Answer ask(std::string_view, Buttons, std::string_view, Icon) override { return Answer::Cancel; }
    std::optional<std::string> input(std::string_view, std::string_view, std::string_view) override {
        return {};
    }
    std::optional<std::string> openFile(const FileDialog&) override { return {}; }
    std::optional<std::string> saveFile(const FileDialog&) override { return {}; }
    void setBusy(bool) override {}
};

} // namespace tulo::bench
