#pragma once
// The commands that move a grid to and from a workbook file: with the file dialogs, the user's
// confirmations and the program's messages, all through the user interface.

#include "engine/Grid.h"
#include "engine/UserInterface.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

enum class ImportOutcome { Imported, Cancelled, Failed };

// Asks for a file name and saves the grid there, as .xlsx (sheet "TULO") or, for a name ending with
// .csv, as CSV. Returns the file written; nothing when the user cancelled or the save failed (a message
// says why). `kind` names what is saved in the dialog title ("Crop", "Report", ...).
std::optional<std::filesystem::path> SaveGridAsWorkbook(const Grid& grid, UserInterface& ui,
                                                        std::string_view kind);

// The most rows a sheet may bring into a table of fixed shape; a larger sheet is refused rather than cut.
struct RowLimit {
    int rows = 0;
    std::string_view table; // what the message calls the table and its rows
};

// The limit of the form's grid `gridId`: the weather table (row 1 titles, days 1 to 365 below) and the
// soil table (one layer a row); none for the other grids.
std::optional<RowLimit> ImportRowLimit(std::string_view gridId);

// Asks for a workbook and imports one of its sheets into the grid. `fileName` receives the name chosen in
// the dialog (empty when cancelled), whatever happened afterwards.
ImportOutcome OpenWorkbookIntoGrid(Grid& grid, UserInterface& ui, std::string_view kind,
                                   std::string& fileName, std::optional<RowLimit> limit = std::nullopt);

// Imports a sheet of a known file. With more than one sheet the user is asked which, unless `sheet`
// (1-based) is given. The grid is left unchanged unless the import succeeds. A failure's message is the
// program's own text, then on a new line the file's name and the reason.
ImportOutcome ImportWorkbookFile(Grid& grid, const std::filesystem::path& file, UserInterface& ui,
                                 std::optional<int> sheet = std::nullopt,
                                 std::optional<RowLimit> limit = std::nullopt);

// The name a workbook is saved under: ".xlsx" appended unless it ends, in any case, with .xlsx or .csv.
std::filesystem::path WorkbookSaveName(const std::filesystem::path& chosen);

// Why a table cannot be written under this name: it ends, in any case, neither with .xlsx nor with .csv
// (a workbook under an .ods or .xls name would not open as one). Nothing when it can.
std::optional<std::string> TableFileNameProblem(const std::filesystem::path& file);

// Writes the grid as .xlsx (sheet "TULO") or, for a name ending with .csv in any case, as CSV.
// Throws WorkbookError, also for a name TableFileNameProblem refuses.
void WriteGridFile(const Grid& grid, const std::filesystem::path& file);

// Blanks the used block of a grid: rows while column 1 has text, columns while row 1 has text.
void ClearGrid(Grid& grid);

// The non-empty texts of row 1, in column order.
std::vector<std::string> ReadHeader(const Grid& grid);

} // namespace tulo
