#pragma once
// The season options (inputs/SeasonOptions.h) with parameters found by every name users know them by
// (FindParameterByName), as the command line, the Python package and the window take them.

#include "base/Outcome.h"
#include "inputs/SeasonConfiguration.h"
#include "inputs/SeasonOptions.h"

#include <optional>

namespace tulo {

// ApplySeasonOptions and MakeNewSeason of inputs/SeasonOptions.h, a setting's NAME found by
// FindParameterByName.
std::optional<SeasonChanges> ApplySeasonOptions(SeasonConfiguration& configuration,
                                                const SeasonOptions& options, Messages& messages);
std::optional<SeasonChanges> MakeNewSeason(SeasonConfiguration& season, const SeasonOptions& options,
                                           std::optional<double> floodedLevelCm, Messages& messages);

} // namespace tulo
