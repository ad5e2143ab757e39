#pragma once
// The season options (commands/SeasonOptions.h) on the window's form, which is changed through its
// configuration.

#include "commands/SeasonOptions.h"
#include "forms/FormModel.h"

#include <optional>

namespace tulo {

// The season options on the form, whose configuration's changes are made in one batch, so that they are one
// step to undo. On a refusal the form stays as it was.
std::optional<SeasonChanges> ApplySeasonOptions(FormModel& form, const SeasonOptions& options,
                                                Messages& messages);
// The form, the window's opening one, becomes the new season.
std::optional<SeasonChanges> MakeNewSeason(FormModel& form, const SeasonOptions& options,
                                           std::optional<double> floodedLevelCm, Messages& messages);

} // namespace tulo
