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

// Reads a chosen file into the grid, asking nothing, refusing, with a message naming the file and the
// first row whose key differs, a sheet that is not a crop workbook. The grid is left as it was unless a
// crop workbook was read. For a caller that checks the values itself before applying them. `sheetOption`
// is the command line's, which reads sheet 1 of several unless told (see SheetRequest).
Outcome ReadCropWorkbookFile(Grid& grid, const std::filesystem::path& file, Messages& messages,
                             std::optional<int> sheet = std::nullopt, std::string_view sheetOption = {});

} // namespace tulo
