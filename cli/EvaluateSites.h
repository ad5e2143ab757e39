#pragma once
// tulo-cli evaluate-sites: every site of a sites table run and evaluated against its own measurements,
// with the indices of each site and of all their pairs pooled.

#include "Console.h"

#include <optional>
#include <ostream>
#include <string>

namespace tulo::cli {

class CommandLine;

void RegisterEvaluateSitesCommand(CommandLine& line);

struct EvaluateSitesOptions {
    std::string table;            // sites table: CSV or workbook, row 1 titles, one site a row
    std::string variable = "AGB"; // AGB, LAI, or one of the evaluable report headers
    std::optional<int> sheet;     // 1-based sheet of the table's workbook
    int threads = 0;              // 0: every core
    bool json = false;
};

// Sites whose configuration, season or measurements fail are named and left out of the pooled indices;
// the others are evaluated and printed all the same, and the command then ends with kFailure.
int EvaluateSites(const EvaluateSitesOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
