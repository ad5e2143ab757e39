#include "forms/SimConfig.h"

#include "forms/ConfigurationForm.h"
#include "inputs/ConfigurationFile.h"

namespace tulo {

std::string FormatSimConfig(const FormModel& form) {
    return FormatConfiguration(ConfigurationFromForm(form));
}

Outcome ParseSimConfig(std::string_view text, FormModel& form) {
    const ConfigurationReading reading = ReadConfiguration(text);
    if (!reading.configuration) return Outcome::Failure(reading.message);
    ApplyConfiguration(*reading.configuration, form);
    return Outcome::Success();
}

Outcome WriteSimConfig(const FormModel& form, const std::filesystem::path& file) {
    return WriteConfigurationFile(ConfigurationFromForm(form), file);
}

Outcome ReadSimConfig(const std::filesystem::path& file, FormModel& form) {
    const ConfigurationReading reading = ReadConfigurationFile(file);
    if (!reading.configuration) return Outcome::Failure(reading.message);
    ApplyConfiguration(*reading.configuration, form);
    return Outcome::Success();
}

} // namespace tulo
