#pragma once
// The main window's crop commands: save the crop parameters to a workbook, open them from one.

#include "forms/FormModel.h"
#include "forms/SpreadsheetCommands.h"
#include "forms/UserInterface.h"

#include <filesystem>
#include <optional>

namespace tulo {

// Saves the crop parameters after a save dialog (kind "Crop"); a box that holds no number is reported
// and nothing is saved. Returns the file written.
std::optional<std::filesystem::path> SaveCropWorkbook(const FormModel& form, UserInterface& ui);

// Opens a crop workbook after an open dialog and shows its values. A cancelled dialog, a failed import or
// a sheet that is not a crop workbook changes nothing on the form; a value that is not a valid code is
// reported and that setting left as it was.
Outcome OpenCropWorkbook(FormModel& form, UserInterface& ui);

// The same for a file already chosen; `sheet` answers the sheet question.
Outcome ImportCropWorkbook(FormModel& form, const std::filesystem::path& file, UserInterface& ui,
                           std::optional<int> sheet = std::nullopt);

} // namespace tulo
