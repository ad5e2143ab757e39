// tulo-cli: runs TULO's paddy rice simulation from a saved configuration, for batch work.

#include "Commands.h"
#include "ConsoleUi.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"TULO: paddy rice crop simulation from the command line"};
    app.require_subcommand(1);

    tulo::cli::RunOptions run;
    CLI::App* runCommand = app.add_subcommand("run", "Simulate the season of a configuration file (.sim)");
    runCommand->add_option("config", run.config, "Configuration file (.sim)")->required();
    runCommand->add_option("--daily", run.daily, "Write every daily series of the simulated days as CSV");
    runCommand->add_option("--report", run.report, "Write the report (the ticked report variables) as CSV");
    runCommand
        ->add_option("--repeat", run.repeat, "Run the same season N more times and print seasons per second")
        ->check(CLI::NonNegativeNumber);

    CLI::App* varietiesCommand =
        app.add_subcommand("varieties", "List the rice varieties with their blast susceptibility and class");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Usage errors share the exit status of every failure that is not an input validation.
        const int status = app.exit(e);
        return status == 0 ? tulo::cli::kSuccess : tulo::cli::kFailure;
    }

    tulo::ConsoleUi ui(std::cerr);
    try {
        if (*runCommand) return tulo::cli::Run(run, std::cout, ui);
        if (*varietiesCommand) return tulo::cli::Varieties(std::cout);
    } catch (const std::exception& e) {
        std::cerr << "tulo-cli: " << e.what() << '\n';
        return tulo::cli::kFailure;
    }
    return tulo::cli::kFailure;
}
