#pragma once
// tulo-cli import-dssat: a DSSAT rice experiment (.RIX, .RIT, .RIA) made into a configuration and measured
// tables per treatment and a sites table (commands/DssatImport.h), written all together or not at all.

#include "Console.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tulo::cli {

class CommandLine;

void RegisterImportDssatCommand(CommandLine& line);

struct ImportDssatOptions {
    std::string experiment;
    std::optional<std::string> weatherDir;
    std::optional<std::string> out;
    std::optional<std::string> flooded; // LEVEL_CM
    std::vector<int> treatments;
    std::vector<std::string> settings;
};

int ImportDssat(const ImportDssatOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
