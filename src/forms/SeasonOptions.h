#pragma once
// The season options (inputs/SeasonOptions.h) with parameters found by every name users know them by,
// on a configuration, and on the window's form, which is changed through its configuration.

#include "base/Outcome.h"
#include "forms/FormModel.h"
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

// The same on the form, whose configuration's changes are made in one batch, so that they are one step
// to undo. On a refusal the form stays as it was.
std::optional<SeasonChanges> ApplySeasonOptions(FormModel& form, const SeasonOptions& options,
                                                Messages& messages);
// The form, the window's opening one, becomes the new season.
std::optional<SeasonChanges> MakeNewSeason(FormModel& form, const SeasonOptions& options,
                                           std::optional<double> floodedLevelCm, Messages& messages);

} // namespace tulo
