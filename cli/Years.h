#pragma once
// tulo-cli years: a configuration's season grown once a year over a weather file of many years, the
// growing seasons run in parallel, one row each (commands/GrowingSeasons.h); with --sites, every row of
// a sites table over its own years.

#include "Console.h"
#include "commands/SeasonOptions.h"

#include <optional>
#include <ostream>
#include <string>

namespace tulo::cli {

class CommandLine;

void RegisterYearsCommand(CommandLine& line);

struct YearsOptions {
    std::string config;
    std::string weather;
    int from = 0, to = 0;                     // the sowings' years
    std::optional<std::string> sowing;        // MM-DD
    std::optional<std::string> transplanting; // MM-DD
    std::optional<double> radiationKrs;
    SeasonOptions season;             // crop parameter settings only
    std::optional<std::string> sites; // a sites table, in place of the configuration, weather and years
    std::optional<int> sheet;
    std::optional<std::string> out;
    int threads = 0;
};

int Years(const YearsOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
