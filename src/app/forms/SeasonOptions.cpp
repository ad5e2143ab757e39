#include "forms/SeasonOptions.h"

#include "forms/ConfigurationForm.h"

namespace tulo {

std::optional<SeasonChanges> ApplySeasonOptions(FormModel& form, const SeasonOptions& options,
                                                Messages& messages) {
    const SeasonConfiguration before = ConfigurationFromForm(form);
    SeasonConfiguration after = before;
    auto changes = ApplySeasonOptions(after, options, messages);
    // Options that change nothing leave the form alone, the weather's estimated-humidity marks included.
    if (changes && after != before) {
        const FormModel::Batch batch(form, "Season options");
        ApplyConfiguration(after, form);
    }
    return changes;
}

std::optional<SeasonChanges> MakeNewSeason(FormModel& form, const SeasonOptions& options,
                                           std::optional<double> floodedLevelCm, Messages& messages) {
    SeasonConfiguration made;
    auto changes = MakeNewSeason(made, options, floodedLevelCm, messages);
    if (changes) {
        const FormModel::Batch batch(form, "Season options");
        ApplyConfiguration(made, form);
    }
    return changes;
}

} // namespace tulo
