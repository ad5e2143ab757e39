#include "forms/SimConfig.h"

#include "forms/ConfigurationForm.h"
#include "inputs/ConfigurationFile.h"

namespace tulo {

std::string FormatSimConfig(const FormModel& form) {
    return FormatConfiguration(ConfigurationFromForm(form));
}

std::optional<std::string> ParseSimConfig(std::string_view text, FormModel& form) {
    const ConfigurationReading reading = ReadConfiguration(text);
    if (!reading.configuration) return reading.message;
    ApplyConfiguration(*reading.configuration, form);
    return std::nullopt;
}

std::optional<std::string> WriteSimConfig(const FormModel& form, const std::filesystem::path& file) {
    const Outcome written = WriteConfigurationFile(ConfigurationFromForm(form), file);
    if (!written) return written.message;
    return std::nullopt;
}

std::optional<std::string> ReadSimConfig(const std::filesystem::path& file, FormModel& form) {
    const ConfigurationReading reading = ReadConfigurationFile(file);
    if (!reading.configuration) return reading.message;
    ApplyConfiguration(*reading.configuration, form);
    return std::nullopt;
}

} // namespace tulo
