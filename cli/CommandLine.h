#pragma once
// The command line of tulo-cli: each command registers its options and what it runs, the option groups
// several commands share are declared here once, and one place turns how a command line ended into the
// process's exit status.

#include "Console.h"
#include "commands/SeasonOptions.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tulo::cli {

// A usage error worded as a sentence. CLI11 prefixes a validator's message with the option's name and
// its range checks quote the whole range of the type, so the whole-number check throws this past them.
class OptionError : public CLI::ParseError {
public:
    explicit OptionError(const std::string& sentence)
        : CLI::ParseError(sentence, CLI::ExitCodes::ValidationError) {}
};

// Runs a parsed command, returning its exit status (kSuccess, kFailure or kInvalidInputs).
using CommandRun = std::function<int(std::ostream& out, const Console& console)>;

// Refuses, by throwing OptionError, an option combination CLI11 cannot express.
using CommandCheck = std::function<void()>;

class CommandLine {
public:
    CommandLine();

    // A command of the line: `command` was added to app(); `run` runs it when the line names it, after
    // `check` when given.
    void add(CLI::App* command, CommandRun run, CommandCheck check = {});

    CLI::App& app() { return app_; }

    // Parses the arguments and runs the command they name, messages going to `err`; the exit status.
    int execute(int argc, char** argv, std::ostream& out, std::ostream& err);

private:
    struct Command {
        CLI::App* app;
        CommandRun run;
        CommandCheck check;
    };
    const Command* parse(int argc, char** argv);

    CLI::App app_;
    std::vector<Command> commands_;
};

// An option taking a whole number written in digits (a minus sign allowed), from `lowest` on.
CLI::Option* AddWholeOption(CLI::App* command, const std::string& name, int& target, int lowest,
                            const std::string& help);
CLI::Option* AddWholeOption(CLI::App* command, const std::string& name, std::optional<int>& target,
                            int lowest, const std::string& help);
// A list of whole numbers, given comma-separated or repeated ("1,3,5").
CLI::Option* AddWholeOption(CLI::App* command, const std::string& name, std::vector<int>& target, int lowest,
                            const std::string& help);

// The CONFIG argument of a command that reads a configuration (.sim).
CLI::Option* AddConfigArgument(CLI::App* command, std::string& config);

// The options that change a configuration's season for one command; the file is not touched.
void AddSeasonOptions(CLI::App* command, SeasonOptions& season);

// --threads: the worker threads of a command that runs seasons in parallel; 0 for every core.
CLI::Option* AddThreadsOption(CLI::App* command, int& threads);

// The files a season's run can write: every daily series as CSV, and the report.
void AddSeasonOutputOptions(CLI::App* command, std::optional<std::string>& daily,
                            const std::string& dailyHelp, std::optional<std::string>& report);

} // namespace tulo::cli
