#pragma once
// The season a calibration or phenology command runs, as a configuration: the file's, with the season's
// options applied, compiled. What the command writes back goes into that configuration, which --save
// then writes whole.

#include "Console.h"
#include "base/Outcome.h"
#include "commands/SeasonOptions.h"
#include "engine/SeasonInputs.h"
#include "inputs/SeasonConfiguration.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace tulo::cli {

// The configuration a file holds as the window holds it once opened (OpenedConfiguration): the items an
// older layout lacks take a new season's values, so that a configuration saved from it is complete; the
// reader's refusal when the file does not read.
Result<SeasonConfiguration> ReadCompleteConfiguration(const std::filesystem::path& file);

// The configuration `config` holds with the season's options applied; nothing, after the messages, when
// the file does not read or an option is refused.
std::optional<SeasonChanges> LoadConfiguredSeason(const std::string& config, const SeasonOptions& season,
                                                  SeasonConfiguration& configuration, Messages& messages);

// The same, compiled; nothing, after the messages, when the season cannot be simulated (the command then
// ends with kInvalidInputs). The compilation's warnings are printed.
std::shared_ptr<const SeasonInputs> CompileConfiguredSeason(const std::string& config,
                                                            const SeasonOptions& season,
                                                            SeasonConfiguration& configuration,
                                                            const Console& console,
                                                            SeasonChanges* changes = nullptr);

} // namespace tulo::cli
