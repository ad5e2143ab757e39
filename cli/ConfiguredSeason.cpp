#include "ConfiguredSeason.h"

#include "Commands.h"

#include "inputs/ConfigurationFile.h"
#include "inputs/OpeningSeason.h"
#include "inputs/SeasonCompile.h"

namespace tulo::cli {

Result<SeasonConfiguration> ReadCompleteConfiguration(const std::filesystem::path& file) {
    ConfigurationReading reading = ReadConfigurationFile(file);
    if (!reading.configuration) return Outcome::Failure(reading.message);
    return OpenedConfiguration(std::move(*reading.configuration));
}

// Held as the window holds it before and after the options change it, so that --save writes what the
// window would save after the same changes.
std::optional<SeasonChanges> LoadConfiguredSeason(const std::string& config, const SeasonOptions& season,
                                                  SeasonConfiguration& configuration, Messages& messages) {
    auto read = ReadCompleteConfiguration(config);
    if (!read) {
        messages.push_back({config + ": " + read.message()});
        return std::nullopt;
    }
    auto changes = ApplySeasonOptions(*read, season, messages);
    if (!changes) return std::nullopt;
    *read = OpenedConfiguration(std::move(*read));
    configuration = std::move(*read);
    return changes;
}

std::shared_ptr<const SeasonInputs> CompileConfiguredSeason(const std::string& config,
                                                            const SeasonOptions& season,
                                                            SeasonConfiguration& configuration,
                                                            const Console& console, SeasonChanges* changes) {
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
