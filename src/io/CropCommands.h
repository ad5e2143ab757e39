#pragma once
// The main window's crop commands: save the crop parameters to a workbook, open them from one.

#include "engine/FormModel.h"
#include "engine/UserInterface.h"
#include "io/SpreadsheetCommands.h"

#include <filesystem>
#include <optional>

namespace tulo {

// Saves the crop parameters after a save dialog (kind "Crop"); a box that holds no number is reported
// and nothing is saved. Returns the file written.
std::optional<std::filesystem::path> SaveCropWorkbook(const FormModel& form, UserInterface& ui);

// Opens a crop workbook after an open dialog and shows its values. A cancelled dialog or a failed import
// changes nothing on the form.
ImportOutcome OpenCropWorkbook(FormModel& form, UserInterface& ui);

// The same for a file already chosen (the command line); `sheet` answers the sheet question.
ImportOutcome ImportCropWorkbook(FormModel& form, const std::filesystem::path& file, UserInterface& ui,
                                 std::optional<int> sheet = std::nullopt);

} // namespace tulo
