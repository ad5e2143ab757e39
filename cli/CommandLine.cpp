#include "CommandLine.h"

#include "Commands.h"

#include "base/Problems.h"
#include "engine/ParallelSeasons.h"

#include <charconv>

namespace tulo::cli {

namespace {

CLI::Validator WholeNumberFrom(const std::string& option, int lowest) {
    return CLI::Validator(
        [option, lowest](std::string& text) {
            int value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (error != std::errc() || stop != end || value < lowest)
                throw OptionError(option + " must be a whole number from " + std::to_string(lowest) +
                                  ", not " + QuoteValue(text) + ".");
            return std::string();
        },
        "");
}

template <typename T>
CLI::Option* AddWhole(CLI::App* command, const std::string& name, T& target, int lowest,
                      const std::string& help) {
    return command->add_option(name, target, help)->check(WholeNumberFrom(name, lowest));
}

} // namespace

CLI::Option* AddWholeOption(CLI::App* command, const std::string& name, int& target, int lowest,
                            const std::string& help) {
    return AddWhole(command, name, target, lowest, help);
}

CLI::Option* AddWholeOption(CLI::App* command, const std::string& name, std::optional<int>& target,
                            int lowest, const std::string& help) {
    return AddWhole(command, name, target, lowest, help);
}

CLI::Option* AddWholeOption(CLI::App* command, const std::string& name, std::vector<int>& target, int lowest,
                            const std::string& help) {
    return AddWhole(command, name, target, lowest, help)->delimiter(',');
}

CLI::Option* AddThreadsOption(CLI::App* command, int& threads) {
    // Thousands of threads end in the system's thread limits, not in a message; the package refuses the
    // same counts in the same words.
    const CLI::Validator sane(
        [](std::string& text) {
            long long value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (error != std::errc() || stop != end) value = -1;
            if (const auto checked = CheckWorkerThreads(value, "--threads"); !checked) {
                std::string problem = checked.message;
                if (error != std::errc() || stop != end)
                    problem = problem.substr(0, problem.rfind(" not ")) + " not " + QuoteValue(text) + ".";
                throw OptionError(problem);
            }
            return std::string();
        },
        "");
    return command->add_option("--threads", threads, "Worker threads (default: every core)")->check(sane);
}

CLI::Option* AddConfigArgument(CLI::App* command, std::string& config) {
    return command->add_option("config", config, "Configuration file (.sim)");
}

void AddSeasonOptions(CLI::App* command, SeasonOptions& season) {
    const std::string group = "Season (for this command only)";
    CLI::Option* weather =
        command
            ->add_option(
                "--weather", season.weather,
                "Replace the weather table with a weather file's days from 1 January of the season's "
                "year (DSSAT .WTH, NASA POWER CSV, APSIM .met, CSV or tab-separated table with a date "
                "column) or a workbook's sheet")
            ->group(group);
    AddWholeOption(command, "--weather-sheet", season.weatherSheet, 1,
                   "Sheet of the weather workbook (1-based)")
        ->needs(weather)
        ->group(group);
    AddWholeOption(command, "--year", season.year, 1,
                   "The season's first year in a weather file of several years (by default the earliest "
                   "year of the days given as dates)")
        ->needs(weather)
        ->group(group);
    command
        ->add_option("--krs", season.radiationKrs,
                     "Hargreaves-Samani kRs for weather days without radiation: 0.16 inland (default), "
                     "0.19 on the coast")
        ->check(CLI::Range(0.05, 0.5))
        ->needs(weather)
        ->group(group);
    command->add_option("--lat", season.latitude, "Latitude (degrees north)")->group(group);
    command
        ->add_option("--sowing", season.sowing,
                     "Sowing day: a date (2024-06-15) or a day of the season's year; a season may cross 31 "
                     "December")
        ->group(group);
    command
        ->add_option("--transplanting", season.transplanting,
                     "Transplant the crop on this day (a day of year or a date); --sowing is then the "
                     "seedbed's")
        ->group(group);
    command->add_option("--start", season.start, "First simulated day: a date or a day of the season's year")
        ->group(group);
    command
        ->add_option("--end", season.end,
                     "Last simulated day: a date (2020-04-30, at most two years on) or a day of the season's "
                     "year")
        ->group(group);
    command
        ->add_option("--set", season.settings,
                     "NAME=VALUE: a crop parameter by id, key or caption (repeatable; tulo-cli parameters "
                     "lists them)")
        ->group(group)
        ->allow_extra_args(false);
}

void AddSeasonOutputOptions(CLI::App* command, std::optional<std::string>& daily,
                            const std::string& dailyHelp, std::optional<std::string>& report) {
    command->add_option("--daily", daily, dailyHelp);
    command->add_option("--report", report, "Write the report (the ticked report variables): .xlsx or .csv");
}

CommandLine::CommandLine() : app_("TULO: paddy rice crop simulation from the command line") {
    app_.require_subcommand(1);
}

void CommandLine::add(CLI::App* command, CommandRun run, CommandCheck check) {
    commands_.push_back({command, std::move(run), std::move(check)});
}

const CommandLine::Command* CommandLine::parse(int argc, char** argv) {
    app_.parse(argc, argv);
    for (const Command& command : commands_)
        if (*command.app) {
            if (command.check) command.check();
            return &command;
        }
    return nullptr;
}

int CommandLine::execute(int argc, char** argv, std::ostream& out, std::ostream& err) {
    const Command* command = nullptr;
    try {
        command = parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // A misused option is an input problem as a refused file or value is; --help ends the same way,
        // successfully.
        return app_.exit(e, out, err) == 0 ? kSuccess : kInvalidInputs;
    }
    if (!command) return kInvalidInputs;
    const Console console(err);
    try {
        // A command's own status: kSuccess, kInvalidInputs for an input it refused, kFailure for work
        // that failed.
        return command->run(out, console);
    } catch (const std::exception& e) {
        err << "tulo-cli: " << e.what() << '\n';
        return kFailure;
    }
}

} // namespace tulo::cli
