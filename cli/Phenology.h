#pragma once
// tulo-cli phenology: the thermal times that bring the crop to emergence, flowering and maturity on the
// days they were observed.

#include "engine/UserInterface.h"
#include "io/SeasonOptions.h"

#include <optional>
#include <ostream>
#include <string>

namespace tulo::cli {

struct PhenologyOptions {
    std::string config;
    SeasonOptions season;                 // the season changed for this command
    std::optional<std::string> emergence; // observed days: a day of year or a date
    std::string flowering;
    std::string maturity;
    std::optional<std::string> save; // the configuration with the fitted values
    bool json = false;
};

int Phenology(const PhenologyOptions& options, std::ostream& out, UserInterface& ui);

} // namespace tulo::cli
