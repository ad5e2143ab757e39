#pragma once
// A workbook's sheet brought into a grid, asking nothing: the window's import (forms/SpreadsheetCommands.h)
// asks which sheet when a workbook has several, the command line and the Python package name an option
// instead, and both read, refuse and fill the grid alike here.

#include "base/Outcome.h"
#include "engine/Grid.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

struct WorkbookData;

// The most rows a sheet may bring into a table of fixed shape; a larger sheet is refused rather than cut.
struct RowLimit {
    int rows = 0;
    std::string_view table; // what the message calls the table and its rows
};

// The weather table's (row 1 titles, days 1 to 365 below) and the soil table's (one layer a row).
RowLimit WeatherRowLimit();
RowLimit SoilRowLimit();

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

// The workbook `file` holds, or nothing with the reason added to `messages`.
std::optional<WorkbookData> ReadImportedWorkbook(const std::filesystem::path& file, Messages& messages);

// Imports a sheet of a known file, asking nothing: what it says is added to `messages`, and a workbook of
// several sheets whose sheet neither the request nor an option chooses is not read (Cancelled, with
// nothing said). The grid is left unchanged unless the import succeeds. A failure's message is the
// program's own text, then on a new line the file's name and the reason. `source`, when given, receives
// how later messages name the sheet read: the file, and the sheet unless the file is CSV
// (`weather.xlsx, sheet "2024"`).
Outcome ImportWorkbookSheet(Grid& grid, const std::filesystem::path& file, const SheetRequest& request,
                            Messages& messages, std::string* source = nullptr);
// The same of a workbook already in memory (a DataFrame's table, or one read before), `file` naming it
// in messages; the request's sheet, else the first.
Outcome ImportWorkbookData(Grid& grid, const std::filesystem::path& file, const WorkbookData& workbook,
                           const SheetRequest& request, Messages& messages, std::string* source = nullptr);

// Why the first column of a sheet looks like the index that pandas writes before a table's columns
// (DataFrame.to_excel and to_csv do unless told index=False): 0, 1, 2, ... under no title, "Unnamed: 0"
// or "index", or 0, 1, 2, ... beside 1, 2, 3, ... Nothing for any other sheet.
std::optional<std::string> ExtraIndexColumn(const Grid& grid);

} // namespace tulo
