#pragma once
// The commands that move a grid to and from a workbook file: the window's with the file dialogs, the
// user's confirmations and the program's messages through the user interface. The import that asks
// nothing, for the command line and the Python package, is io/SheetImport.h, and the writing of a grid
// under a name of the user's io/Workbook.h.

#include "engine/Grid.h"
#include "forms/UserInterface.h"
#include "io/SheetImport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// Asks for a file name and saves the grid there, as .xlsx (sheet "TULO") or, for a name ending with
// .csv, as CSV. Returns the file written; nothing when the user cancelled or the save failed (a message
// says why). `kind` names what is saved in the dialog title ("Crop", "Report", ...).
std::optional<std::filesystem::path> SaveGridAsWorkbook(const Grid& grid, UserInterface& ui,
                                                        std::string_view kind);
// The same under a dialog title of the caller's.
std::optional<std::filesystem::path> SaveGridAsWorkbookTitled(const Grid& grid, UserInterface& ui,
                                                              std::string_view title);

// The limit of the form's grid `gridId`: the weather table (row 1 titles, days 1 to 365 below) and the
// soil table (one layer a row); none for the other grids.
std::optional<RowLimit> ImportRowLimit(std::string_view gridId);

// Asks for a workbook and imports one of its sheets into the grid. `fileName` receives the name chosen in
// the dialog (empty when cancelled), whatever happened afterwards.
Outcome OpenWorkbookIntoGrid(Grid& grid, UserInterface& ui, std::string_view kind, std::string& fileName,
                             std::optional<RowLimit> limit = std::nullopt);

// Imports a sheet of a known file; see SheetRequest. The grid is left unchanged unless the import
// succeeds. A failure's message is the program's own text, then on a new line the file's name and the
// reason. `source`, when given, receives how later messages name the sheet read: the file, and the sheet
// unless the file is CSV (`weather.xlsx, sheet "2024"`).
Outcome ImportWorkbookSheet(Grid& grid, const std::filesystem::path& file, UserInterface& ui,
                            const SheetRequest& request, std::string* source = nullptr);

// The window's import: the user is asked which sheet unless `sheet` is given. A table with a row limit
// (weather, soil) refuses a pandas index as its first column.
Outcome ImportWorkbookFile(Grid& grid, const std::filesystem::path& file, UserInterface& ui,
                           std::optional<int> sheet = std::nullopt,
                           std::optional<RowLimit> limit = std::nullopt);

// Blanks the used block of a grid: rows while column 1 has text, columns while row 1 has text.
void ClearGrid(Grid& grid);

// The non-empty texts of row 1, in column order.
std::vector<std::string> ReadHeader(const Grid& grid);

} // namespace tulo
