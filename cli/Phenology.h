#pragma once
// tulo-cli phenology: the thermal times that bring the crop to emergence, flowering and maturity on the
// days they were observed; with --sites, one set of thermal times for every row of a sites table, each
// row its own season and observed days (its emergence, flowering and maturity columns).

#include "Console.h"
#include "commands/SeasonOptions.h"

#include <optional>
#include <ostream>
#include <string>

namespace tulo::cli {

class CommandLine;

void RegisterPhenologyCommand(CommandLine& line);

struct PhenologyOptions {
    std::string config;
    SeasonOptions season;                 // the season changed for this command
    std::optional<std::string> emergence; // observed days: a day of year or a date
    std::string flowering;
    std::string maturity;
    std::optional<std::string> save;  // the configuration with the fitted values
    std::optional<std::string> sites; // a sites table, in place of the configuration and the days
    std::optional<int> sheet;         // 1-based sheet of the sites workbook
    bool json = false;
};

int Phenology(const PhenologyOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
