#pragma once
// tulo-cli ensemble: one season per parameter set of a table, in parallel.

#include "Console.h"
#include "EnsembleShards.h"
#include "commands/SeasonOptions.h"

#include <optional>
#include <ostream>
#include <string>

namespace tulo::cli {

class CommandLine;

void RegisterEnsembleCommand(CommandLine& line);

struct EnsembleOptions {
    std::string config;
    SeasonOptions season;              // the season changed for this command
    std::string sets;                  // CSV or workbook: row 1 registry ids, then one set per row
    std::optional<int> sheet;          // 1-based sheet of the sets workbook
    int threads = 0;                   // 0: every core
    std::optional<std::string> out;    // CSV written here; standard output otherwise
    std::optional<std::string> series; // "NAME@DOY,..." instead of the season summary
    std::optional<ShardSlice> shard;   // only this slice of the sets, into a part beside its record
};

int Ensemble(const EnsembleOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
