#pragma once
// The commands that move a grid to and from a workbook file: the window's with the file dialogs, the
// user's confirmations and the program's messages through the user interface; the import also without,
// returning its messages, for callers that ask nothing.

#include "engine/Grid.h"
#include "forms/UserInterface.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {
struct WorkbookData;
}

namespace tulo {

// Asks for a file name and saves the grid there, as .xlsx (sheet "TULO") or, for a name ending with
// .csv, as CSV. Returns the file written; nothing when the user cancelled or the save failed (a message
// says why). `kind` names what is saved in the dialog title ("Crop", "Report", ...).
std::optional<std::filesystem::path> SaveGridAsWorkbook(const Grid& grid, UserInterface& ui,
                                                        std::string_view kind);
// The same under a dialog title of the caller's.
std::optional<std::filesystem::path> SaveGridAsWorkbookTitled(const Grid& grid, UserInterface& ui,
                                                              std::string_view title);

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
Outcome OpenWorkbookIntoGrid(Grid& grid, UserInterface& ui, std::string_view kind, std::string& fileName,
                             std::optional<RowLimit> limit = std::nullopt);

// Which sheet of a workbook an import reads, and what it refuses besides.
struct SheetRequest {
    // 1-based. When not given, a workbook of several sheets makes the window ask which; a command line,
    // which asks nothing, gives `option` instead: sheet 1 is read and a message names the option that
    // chooses another ("weather.xlsx has 2 sheets: read sheet 1 ...; --weather-sheet chooses another.").
    // Where no option can choose (a settings file names no sheet), `option` is the whole advice instead.
    std::optional<int> sheet;
    std::string_view option;
    std::optional<RowLimit> limit;
    // Refuse a first column that is a pandas index (see ExtraIndexColumn): in a table whose column 1 is
    // the day, or whose columns have fixed meanings, every column after it would be read one place left.
    bool refuseIndexColumn = false;
};

// Imports a sheet of a known file; see SheetRequest. The grid is left unchanged unless the import
// succeeds. A failure's message is the program's own text, then on a new line the file's name and the
// reason. `source`, when given, receives how later messages name the sheet read: the file, and the sheet
// unless the file is CSV (`weather.xlsx, sheet "2024"`).
Outcome ImportWorkbookSheet(Grid& grid, const std::filesystem::path& file, UserInterface& ui,
                            const SheetRequest& request, std::string* source = nullptr);
// The same asking nothing, for the command line and the Python package: what it says is added to
// `messages`, and a workbook of several sheets whose sheet neither the request nor an option chooses is
// not read (Cancelled, with nothing said).
Outcome ImportWorkbookSheet(Grid& grid, const std::filesystem::path& file, const SheetRequest& request,
                            Messages& messages, std::string* source = nullptr);
// The same of a workbook already in memory (a DataFrame's table), `file` naming it in messages.
Outcome ImportWorkbookData(Grid& grid, const std::filesystem::path& file, const WorkbookData& workbook,
                           const SheetRequest& request, Messages& messages, std::string* source = nullptr);

// The window's import: the user is asked which sheet unless `sheet` is given. A table with a row limit
// (weather, soil) refuses a pandas index as its first column.
Outcome ImportWorkbookFile(Grid& grid, const std::filesystem::path& file, UserInterface& ui,
                           std::optional<int> sheet = std::nullopt,
                           std::optional<RowLimit> limit = std::nullopt);

// Why the first column of a sheet looks like the index that pandas writes before a table's columns
// (DataFrame.to_excel and to_csv do unless told index=False): 0, 1, 2, ... under no title, "Unnamed: 0"
// or "index", or 0, 1, 2, ... beside 1, 2, 3, ... Nothing for any other sheet.
std::optional<std::string> ExtraIndexColumn(const Grid& grid);

// The name a workbook is saved under: ".xlsx" appended unless it ends, in any case, with .xlsx or .csv;
// an .xls ending becomes ".xlsx" ("RESULTS.XLS" is saved as "RESULTS.xlsx").
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
