#pragma once
// A user interface for tests: records every message and question, and answers from a script.

#include "forms/UserInterface.h"

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

    // Answers given to ask(), in order; when none is left the cautious one (Cancel or No).
    std::deque<Answer> answers;
    // Answers to input boxes and file dialogs, in order; when none is left they are cancelled.
    std::deque<std::optional<std::string>> inputs, files;
    std::vector<Shown> messages;
    std::vector<Shown> questions;
    std::vector<std::string> dialogs;       // titles of the file dialogs shown
    std::vector<std::string> filters;       // their filters
    std::vector<std::string> inputDefaults; // the answers the input boxes proposed
    int busyDepth = 0;

    void message(std::string_view text, std::string_view title, Icon icon) override {
        messages.push_back({std::string(text), std::string(title), icon});
    }
    Answer ask(std::string_view text, Buttons buttons, std::string_view title, Icon icon) override {
        questions.push_back({std::string(text), std::string(title), icon});
        if (answers.empty()) return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view defaultAnswer) override {
        questions.push_back({std::string(prompt), std::string(title), Icon::Question});
        inputDefaults.emplace_back(defaultAnswer);
        return Next(inputs);
    }
    std::optional<std::string> openFile(const FileDialog& dialog) override {
        dialogs.push_back(dialog.title);
        filters.push_back(dialog.filter);
        return Next(files);
    }
    std::optional<std::string> saveFile(const FileDialog& dialog) override {
        dialogs.push_back(dialog.title);
        filters.push_back(dialog.filter);
        return Next(files);
    }
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }

    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& queue) {
        if (queue.empty()) return std::nullopt;
        auto next = queue.front();
        queue.pop_front();
        return next;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages) texts.push_back(m.text);
        return texts;
    }
};

} // namespace tulo::test
