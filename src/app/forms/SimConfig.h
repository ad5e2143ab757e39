#pragma once
// The configuration file (".sim") of the main window's form: the file's content is the typed
// configuration (inputs/ConfigurationFile.h describes the layout), and the form is mapped onto it both
// ways (forms/ConfigurationForm.h). Opening a file of an older layout, which ends after item 44, 52 or
// 58, gives the later controls their opening values and no year. A file that does not read leaves the
// form exactly as it was.

#include "base/Outcome.h"
#include "forms/FormModel.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

// The form as the text of a configuration file (lines ended by CR LF).
std::string FormatSimConfig(const FormModel& form);

// Reads a configuration's text into the form; a failure's message says why, such as `Line 40 (item 38,
// number of rows of the water-inflow table): "abc" is not a whole number.`, and the form is untouched.
Outcome ParseSimConfig(std::string_view text, FormModel& form);

// Writes the form to `file` through a temporary file beside it that is then renamed over it, so a failed
// write never leaves a half-written configuration behind; a failure says why.
Outcome WriteSimConfig(const FormModel& form, const std::filesystem::path& file);

// Reads `file` into the form; see ParseSimConfig. A file that does not exist gives "File not opened: it
// does not exist."
Outcome ReadSimConfig(const std::filesystem::path& file, FormModel& form);

} // namespace tulo
