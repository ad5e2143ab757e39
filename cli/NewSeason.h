#pragma once
// tulo-cli new: a configuration of a season made from a weather file, ready to run.

#include "engine/UserInterface.h"

#include <optional>
#include <ostream>
#include <string>

namespace tulo::cli {

struct NewSeasonOptions {
    std::string out;                               // the configuration to write (.sim)
    std::string weather;                           // weather file (.WTH, POWER CSV, .met, dated CSV)
    std::optional<int> year;                       // the season's year in a file of several years
    std::optional<std::string> latitude;           // degrees north; the weather file's when not given
    std::optional<std::string> sowing, start, end; // a day of year or a date
    std::optional<std::string> transplanting;      // the sowing is then the seedbed's
    std::optional<std::string> flooded;            // a flooded season's water level, cm
};

// Makes the season on the window's opening form (see MakeNewSeason), checks that it compiles, and only
// then writes it. An output that would replace the weather file or cannot be written is refused before
// anything is read. A refused option exits with kFailure, a season that fails the input checks with
// kInvalidInputs; nothing is written either way.
int NewSeason(const NewSeasonOptions& options, std::ostream& out, UserInterface& ui);

} // namespace tulo::cli
