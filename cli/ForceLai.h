#pragma once
// tulo-cli force-lai: a season corrected with exogenous leaf area index values (remote sensing), and the
// LAI simulation performance index of `evaluate --lai-index`.

#include "Console.h"
#include "commands/SeasonOptions.h"
#include "engine/LaiForcing.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tulo::cli {

class CommandLine;

void RegisterForceLaiCommand(CommandLine& line);

// The points of a (DOY, LAI) workbook; nothing, the reasons shown, when a row is no point or none is (the
// command then ends with kInvalidInputs).
std::optional<std::vector<LaiPoint>> ReadLaiTable(const std::string& file, std::optional<int> sheet,
                                                  const Console& console);

struct ForceLaiOptions {
    std::string config;
    SeasonOptions season;              // the season changed for this command
    std::optional<std::string> at;     // one point, "DOY:LAI"
    std::optional<std::string> lai;    // a (DOY, LAI) table: every row a point
    std::optional<int> sheet;          // 1-based sheet of the table
    std::optional<std::string> daily;  // CSV of every daily series of the forced season; "-" for stdout
    std::optional<std::string> report; // the report grid, .xlsx or .csv
    bool json = false;                 // the forced days as one JSON object
};

// Runs the season forcing every point in order of day. A point that cannot be forced, or a table row
// that is no point, exits with kInvalidInputs and writes nothing.
int ForceLaiCommand(const ForceLaiOptions& options, std::ostream& out, const Console& console);

struct LaiIndexOptions {
    std::string config;
    SeasonOptions season; // the season changed for this command
    std::string table;    // the (DOY, LAI) table
    std::optional<int> sheet;
    bool json = false;
};

// Runs the season and prints the agreement of its leaf area with the table.
int LaiIndexCommand(const LaiIndexOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
