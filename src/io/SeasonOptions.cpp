#include "io/SeasonOptions.h"

namespace tulo {

bool SeasonOptions::any() const {
    return weather || weatherSheet || year || latitude || sowing || start || end || !settings.empty();
}

std::optional<SeasonChanges> ApplySeasonOptions(FormModel&, const SeasonOptions&, UserInterface&) {
    return SeasonChanges{};
}

std::optional<SeasonChanges> MakeNewSeason(FormModel&, const SeasonOptions&, std::optional<double>,
                                           UserInterface&) {
    return SeasonChanges{};
}

SeasonDay ParseSeasonDay(std::string_view, std::string_view, std::optional<int>) {
    return {};
}

const ParameterInfo* FindParameterByName(std::string_view) {
    return nullptr;
}

} // namespace tulo
