#include "commands/SeasonOptions.h"

#include "commands/ParameterNames.h"

namespace tulo {

std::optional<SeasonChanges> ApplySeasonOptions(SeasonConfiguration& configuration,
                                                const SeasonOptions& options, Messages& messages) {
    return ApplySeasonOptions(configuration, options, FindParameterByName, messages);
}

std::optional<SeasonChanges> MakeNewSeason(SeasonConfiguration& season, const SeasonOptions& options,
                                           std::optional<double> floodedLevelCm, Messages& messages) {
    return MakeNewSeason(season, options, floodedLevelCm, FindParameterByName, messages);
}

} // namespace tulo
