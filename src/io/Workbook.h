#pragma once
// Reading and writing spreadsheet workbooks as tables of texts.
//
// Readers: .xlsx and .ods (our own, on orcus's zip reader), legacy .xls (our own BIFF reader), .csv
// (orcus's CSV parser; comma, semicolon or tab separated, quoted fields, UTF-8 with or without a
// byte-order mark). Formula cells give the value the file stores for them. Cells come back as the text a
// user sees: a whole number without ".0", other numbers in their shortest round-trip form, and date cells
// (a number under a date format, an .ods date) as their date in ISO form, marked as dates. A CSV file has
// no date cells: its texts stay texts, whatever they look like.
// Writers: .xlsx (libxlsxwriter; texts that hold a number are written as numbers, cells marked as dates as
// dates) and .csv (dates in their ISO text).
//
// Every failure is a WorkbookError with a message for the user; no file a user can pick makes the
// readers crash or hang. A path that is not a regular file (a folder, a device, a pipe), a workbook of
// more than 256 MiB or a CSV file of more than 64 MiB is refused before it is parsed.

#include "engine/Grid.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

class WorkbookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file is no workbook for a reason that has nothing to do with spreadsheets: it cannot be read at
// all (it does not exist, it is a folder, it is too large), or it is a text file TULO does not read as
// a table. Messages tell these apart from a damaged or foreign binary file.
class NoWorkbookFileError : public WorkbookError {
public:
    using WorkbookError::WorkbookError;
};

enum class WorkbookFormat { Xlsx, Ods, Xls, Csv };

// One sheet: cells[r][c] is row r + 1, column c + 1; rows may differ in length (missing cells are empty).
struct SheetData {
    std::string name;
    std::vector<std::vector<std::string>> cells;
    // The date cells, (row, column) from 1 as for `cells`, in row order.
    std::vector<std::pair<std::size_t, std::size_t>> dates;
    bool date(std::size_t row, std::size_t col) const;
    // The reader met formula cells whose values it could not read (legacy .xls): they are empty.
    bool unreadFormulas = false;
};

// The value of a date cell: a date, and a time of day in seconds (0 for a date alone).
struct CellDate {
    std::chrono::year_month_day date;
    int seconds = 0;
};

// The text of a date cell: "2026-06-15", or "2026-06-15 08:30:00" with a time of day.
std::string CellDateText(const CellDate& value);

// The date an ISO text gives, in the spelling above or in ISO 8601's others ("2026-06-15T08:30:00.5Z",
// a time zone ignored); nothing for any other text, a date that does not exist or a year outside
// 1 .. 9999.
std::optional<CellDate> ParseCellDate(std::string_view text);

struct WorkbookData {
    WorkbookFormat format = WorkbookFormat::Xlsx;
    std::vector<SheetData> sheets; // in workbook order, at least one
};

// The format a file is read as, from its content (zip, OLE2 compound file) and, for text, its name.
// Throws WorkbookError when the file cannot be opened or is no workbook at all.
WorkbookFormat DetectWorkbookFormat(const std::filesystem::path& file);

// Reads every sheet of a workbook. Throws WorkbookError for a missing, unreadable, corrupt, truncated,
// encrypted, too large or non-workbook file; the message gives the reason, not the file's name.
WorkbookData ReadWorkbook(const std::filesystem::path& file);

// The same from bytes in memory (the fuzz targets and tests use it); `name` decides only between CSV and
// the other text-less formats.
WorkbookData ReadWorkbookBytes(std::string_view bytes, std::string_view name);

// Reads a CSV table as ReadWorkbook does (the same separators, quotes, line ends and byte-order mark;
// the separator is found in the first 64 KiB), a block of rows at a time, so that a table of any length
// takes memory for one block only.
class CsvRowStream {
public:
    // Throws WorkbookError when the file cannot be opened.
    explicit CsvRowStream(const std::filesystem::path& file);
    ~CsvRowStream();
    CsvRowStream(const CsvRowStream&) = delete;
    CsvRowStream& operator=(const CsvRowStream&) = delete;

    // Replaces `rows` with up to `maxRows` further rows (fewer when they hold several MiB of text), each
    // its cells' texts (an empty cell empty);
    // false, with `rows` empty, after the last row. Throws WorkbookError for a file that cannot be read
    // or a row larger than a text table may be.
    bool next(std::size_t maxRows, std::vector<std::vector<std::string>>& rows);

    // The share of the file's bytes read so far, 0 .. 1.
    double progress() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Whether a file is read as CSV: a text name (.csv, .txt) and no sign of a binary workbook in its first
// bytes. Throws WorkbookError when the file cannot be opened.
bool IsCsvFile(const std::filesystem::path& file);

// Writes the grid's used block (rows 1 .. last non-empty row, columns 1 .. last non-empty column) as an
// .xlsx workbook with one sheet of the given name, or as .csv; through a temporary file renamed over the
// target (the end of its symbolic links). Throws WorkbookError with a message naming the problem (a sheet
// name longer than 31 characters or holding []:*?/\, a folder that does not exist, a file that cannot be
// written).
void WriteXlsx(const Grid& grid, const std::filesystem::path& file, std::string_view sheetName);
void WriteCsv(const Grid& grid, const std::filesystem::path& file);

// The name a workbook is saved under: ".xlsx" appended unless it ends, in any case, with .xlsx or .csv;
// an .xls ending becomes ".xlsx" ("RESULTS.XLS" is saved as "RESULTS.xlsx").
std::filesystem::path WorkbookSaveName(const std::filesystem::path& chosen);

// Why a table cannot be written under this name: it ends, in any case, neither with .xlsx nor with .csv
// (a workbook under an .ods or .xls name would not open as one). Nothing when it can.
std::optional<std::string> TableFileNameProblem(const std::filesystem::path& file);

// Writes the grid as .xlsx (sheet "TULO") or, for a name ending with .csv in any case, as CSV.
// Throws WorkbookError, also for a name TableFileNameProblem refuses.
void WriteGridFile(const Grid& grid, const std::filesystem::path& file);

} // namespace tulo
