#pragma once
// tulo-cli new: a configuration of a season made from a weather file, ready to run.

#include "Console.h"
#include "commands/SeasonOptions.h"

#include <optional>
#include <ostream>
#include <string>

namespace tulo::cli {

class CommandLine;

void RegisterNewSeasonCommand(CommandLine& line);

struct NewSeasonOptions {
    std::string out;      // the configuration to write (.sim)
    SeasonOptions season; // weather and sowing needed; latitude the weather file's when not given
    std::optional<std::string> flooded; // a flooded season's water level, cm
};

// Makes the season on the window's opening configuration (see MakeNewSeason), checks that it compiles, and
// only then writes it. An output that would replace the weather file or cannot be written is refused before
// anything is read. A refused option exits with kFailure, a season that fails the input checks with
// kInvalidInputs; nothing is written either way.
int NewSeason(const NewSeasonOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
