#pragma once
// A user interface for tests: records every message and question, and answers from a script.

#include "engine/UserInterface.h"

#include <deque>
#include <string>
#include <vector>

namespace tulo::test {

class ScriptedUi : public UserInterface {
public:
    struct Shown {
        std::string text;
        std::string title;
        Icon icon = Icon::None;
    };

    // Answers given to ask(), in order; when none is left the first button's "negative" answer is
    // given (Cancel or No).
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> inputs;
    std::deque<std::optional<std::string>> files;

    std::vector<Shown> messages;
    std::vector<Shown> questions;
    int busyDepth = 0;
    int processEventsCalls = 0;

    void message(std::string_view text, std::string_view title, Icon icon) override {
        messages.push_back({std::string(text), std::string(title), icon});
    }
    Answer ask(std::string_view text, Buttons buttons, std::string_view title, Icon icon) override {
        questions.push_back({std::string(text), std::string(title), icon});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return (buttons == Buttons::OkCancel) ? Answer::Cancel : Answer::No;
    }
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view) override {
        questions.push_back({std::string(prompt), std::string(title), Icon::Question});
        if (inputs.empty()) return std::nullopt;
        auto a = inputs.front();
        inputs.pop_front();
        return a;
    }
    std::optional<std::string> openFile(const FileDialog&) override { return nextFile(); }
    std::optional<std::string> saveFile(const FileDialog&) override { return nextFile(); }
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }
    void processEvents() override { ++processEventsCalls; }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages) texts.push_back(m.text);
        return texts;
    }

private:
    std::optional<std::string> nextFile() {
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
};

} // namespace tulo::test
