#pragma once
// Where a command's messages go: standard error, one line each. The commands ask nothing: what a question
// would have settled is asked for with an option (--report, --sheet), and the command says so when it
// matters.

#include "base/Outcome.h"
#include "base/Problems.h"

#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace tulo::cli {

class Console {
public:
    explicit Console(std::ostream& err) : err_(err) {}

    // A console whose lines start with `prefix` after this one's own, so that the messages about one row
    // of a sites table name that row.
    Console prefixed(std::string_view prefix) const;

    // A line; the program's texts break lines with carriage returns, which become spaces here.
    void print(std::string_view text) const;
    // A message box's worth: its title, when it has one, then its text.
    void print(const Message& message) const;
    void print(const Messages& messages) const;
    void print(const InputProblem& problem) const { print(problem.text); }

    // Runs `work` on a list for what it says, prints that and returns what `work` returned: how a command
    // calls an operation that asks nothing and returns its messages.
    template <typename Work> auto printing(Work&& work) const {
        Messages messages;
        auto result = std::forward<Work>(work)(messages);
        print(messages);
        return result;
    }

private:
    Console(std::ostream& err, std::string prefix) : err_(err), prefix_(std::move(prefix)) {}

    std::ostream& err_;
    std::string prefix_;
};

// A message on one line, its title in front: how the commands that keep messages for later quote them.
std::string MessageLine(const Message& message);

} // namespace tulo::cli
