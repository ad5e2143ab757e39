#include "ConfiguredSeason.h"

#include "Commands.h"

#include "forms/CommandTexts.h"
#include "forms/ConfigurationForm.h"
#include "forms/FormModel.h"
#include "forms/SimConfig.h"
#include "inputs/SeasonCompile.h"

namespace tulo::cli {

// A new season's values are the window's opening ones, which only its form knows so far.
std::optional<SeasonConfiguration> ReadCompleteConfiguration(const std::filesystem::path& file,
                                                             std::string& error) {
    FormModel form;
    if (const auto refusal = ReadSimConfig(file, form)) {
        error = *refusal;
        return std::nullopt;
    }
    return ConfigurationFromForm(form);
}

// The season's options still change a form: the configuration is taken from it once they are applied.
std::optional<SeasonChanges> LoadConfiguredSeason(const std::string& config, const SeasonOptions& season,
                                                  SeasonConfiguration& configuration, Messages& messages) {
    FormModel form;
    auto changes = LoadSeason(config, season, form, messages);
    if (changes) configuration = ConfigurationFromForm(form);
    return changes;
}

std::shared_ptr<const SeasonInputs> CompileConfiguredSeason(const std::string& config,
                                                            const SeasonOptions& season,
                                                            SeasonConfiguration& configuration,
                                                            const Console& console, int& status,
                                                            SeasonChanges* changes) {
    status = kInvalidInputs;
    Messages messages;
    const auto applied = LoadConfiguredSeason(config, season, configuration, messages);
    if (!applied) {
        console.print(messages);
        return nullptr;
    }
    if (changes) *changes = *applied;
    const Compilation compiled = CompileSeason(configuration);
    for (const InputProblem& problem : compiled.problems)
        messages.push_back({ProblemText(problem, applied->weatherSource)});
    if (compiled.inputs)
        for (const InputProblem& warning : compiled.warnings)
            messages.push_back({warning.text, {}, Icon::Information});
    console.print(messages);
    return compiled.inputs;
}

} // namespace tulo::cli
