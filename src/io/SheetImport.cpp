#include "io/SheetImport.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/InputItems.h"
#include "io/TextFiles.h"
#include "io/Workbook.h"

#include <algorithm>
#include <cctype>

namespace tulo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kResult = "Result";

// A cell whose value is a whole number a 16-bit integer holds.
bool IsWholeNumber(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value) return false;
    const double rounded = RoundHalfEven(*value);
    return rounded == *value && rounded >= -32768.0 && rounded <= 32767.0;
}

void FillGrid(Grid& grid, const SheetData& sheet) {
    int rows = static_cast<int>(sheet.cells.size()), cols = 0;
    for (const auto& row : sheet.cells) cols = std::max(cols, static_cast<int>(row.size()));
    // The grid keeps at least its own size: the model's tables have fixed shapes (366 weather rows).
    grid.resize(std::max(grid.rows(), rows), std::max(grid.cols(), cols));
    grid.clearData();
    for (int r = 1; r <= rows; ++r) {
        const auto& row = sheet.cells[static_cast<std::size_t>(r - 1)];
        for (int c = 1; c <= static_cast<int>(row.size()); ++c)
            grid.setText(r, c, row[static_cast<std::size_t>(c - 1)]);
    }
    for (const auto& cell : sheet.dates)
        grid.setDate(static_cast<int>(cell.first), static_cast<int>(cell.second), true);
    for (int r = 1; r <= grid.rows(); ++r)
        for (int c = 1; c <= grid.cols(); ++c)
            if (IsWholeNumber(grid.text(r, c))) grid.setWholeNumber(r, c, true);
    if (grid.rows() >= 1000) grid.setColumnWidth(0, 8);
}

// The index pandas writes is 0, 1, 2, ... from the first row below the titles; `text(r, c)` is a cell
// of a sheet whose last row holding any text is `rows`.
template <typename Text> std::optional<std::string> IndexColumnReason(int rows, const Text& text) {
    if (rows < 2) return std::nullopt;
    const auto holds = [&](int r, int c, int value) {
        const auto number = ParseNumber(text(r, c));
        return number && *number == value;
    };
    for (int r = 2; r <= rows; ++r)
        if (!holds(r, 1, r - 2)) return std::nullopt;
    std::string title(Trim(text(1, 1)));
    std::transform(title.begin(), title.end(), title.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string what;
    if ((title.empty() || title == "unnamed: 0" || title == "index") && !Trim(text(1, 2)).empty()) {
        what = title.empty() ? "under no title" : "under the title " + QuoteValue(Trim(text(1, 1)));
    } else {
        if (rows < 3) return std::nullopt;
        for (int r = 2; r <= rows; ++r)
            if (!holds(r, 2, r - 1)) return std::nullopt;
        what = "beside 1, 2, 3, ... in column B";
    }
    return "an extra first column (an index written by pandas?): column A holds 0, 1, 2, ... " + what +
           "; remove it";
}

std::optional<std::string> IndexColumnReason(const SheetData& sheet) {
    int rows = 0;
    for (int r = 1; r <= static_cast<int>(sheet.cells.size()); ++r)
        for (const std::string& cell : sheet.cells[static_cast<std::size_t>(r - 1)])
            if (!cell.empty()) rows = r;
    static const std::string kEmpty;
    return IndexColumnReason(rows, [&](int r, int c) -> const std::string& {
        const auto& row = sheet.cells[static_cast<std::size_t>(r - 1)];
        return c <= static_cast<int>(row.size()) ? row[static_cast<std::size_t>(c - 1)] : kEmpty;
    });
}

// The program's texts break lines with a carriage return; the reader's reason follows on its own line.
std::string Where(const fs::path& file) {
    return "\r" + file.string() + ": ";
}

// Whether the user has to choose among the workbook's sheets: several, and neither a sheet nor an
// option given.
bool SheetToBeChosen(const WorkbookData& workbook, const SheetRequest& request) {
    return !request.sheet && request.option.empty() && workbook.sheets.size() > 1;
}

// Imports the request's sheet, 1 for the first, into the grid: the one asked for, else the first, saying
// so and naming the option when there are several.
Outcome ImportRequestedSheet(Grid& grid, const fs::path& file, const WorkbookData& workbook,
                             const SheetRequest& request, Messages& messages, std::string* source) {
    const int sheets = static_cast<int>(workbook.sheets.size());
    const std::string where = Where(file);
    const int chosen = request.sheet.value_or(1);
    if (!request.sheet && sheets > 1 && !request.option.empty())
        // A command line states what it chose rather than ask a question nobody is there to answer.
        messages.push_back({file.string() + " has " + std::to_string(sheets) + " sheets: read sheet 1 (" +
                            QuoteValue(workbook.sheets[0].name) + "); " + std::string(request.option) +
                            (request.option.starts_with("--") ? " chooses another." : ".")});
    if (chosen < 1 || chosen > sheets) {
        messages.push_back({"Import did not succeed." + where + "there is no sheet " +
                                std::to_string(chosen) + "; the workbook has " + std::to_string(sheets) +
                                (sheets == 1 ? " sheet." : " sheets."),
                            std::string(kResult)});
        return Outcome::Failed;
    }
    const auto& limit = request.limit;
    const SheetData& data = workbook.sheets[static_cast<std::size_t>(chosen - 1)];
    if (limit && data.cells.size() > static_cast<std::size_t>(limit->rows)) {
        messages.push_back({"Import did not succeed." + where + "sheet " + QuoteValue(data.name) + " has " +
                                std::to_string(data.cells.size()) + " rows, but " +
                                std::string(limit->table) + ".",
                            std::string(kResult)});
        return Outcome::Failed;
    }
    // A CSV file's only sheet is the file itself.
    const std::string named = workbook.format == WorkbookFormat::Csv
                                  ? file.string()
                                  : file.string() + ", sheet " + QuoteValue(data.name);
    if (const auto index = request.refuseIndexColumn ? IndexColumnReason(data) : std::nullopt) {
        messages.push_back(
            {"Import did not succeed.\r" + named + " has " + *index + ".", std::string(kResult)});
        return Outcome::Failed;
    }
    FillGrid(grid, data);
    if (source) *source = named;
    if (data.unreadFormulas)
        messages.push_back(
            {"Some formula cells of this sheet could not be read and were left empty (a legacy .xls "
             "workbook, or one saved without the formulas' results). Save it as .xlsx from a spreadsheet "
             "program and import it again.",
             std::string(kResult), Icon::Exclamation});
    return Outcome::Done;
}

} // namespace

RowLimit WeatherRowLimit() {
    return {kWeatherRows, "the weather table takes at most 366 rows (row 1 the titles, then days 1 to 365)"};
}

RowLimit SoilRowLimit() {
    return {kSoilRows, "the soil table takes at most 15 rows (one layer a row)"};
}

std::optional<WorkbookData> ReadImportedWorkbook(const fs::path& file, Messages& messages) {
    try {
        WorkbookData workbook = ReadWorkbook(file);
        if (!workbook.sheets.empty()) return workbook;
        messages.push_back({"Cannot return information for Excel file.", std::string(kResult)});
    } catch (const NoWorkbookFileError& e) {
        // No spreadsheet question: the file is missing, unreadable or text.
        messages.push_back({file.string() + ": " + e.what(), std::string(kResult)});
    } catch (const WorkbookError& e) {
        messages.push_back(
            {"File is not an Excel file or is locked and cannot be imported." + Where(file) + e.what(),
             "Invalid File Type or Locked"});
    }
    return std::nullopt;
}

std::optional<std::string> ExtraIndexColumn(const Grid& grid) {
    return IndexColumnReason(FindUsedBlock(grid).rows,
                             [&](int r, int c) -> const std::string& { return grid.text(r, c); });
}

Outcome ImportWorkbookSheet(Grid& grid, const fs::path& file, const SheetRequest& request, Messages& messages,
                            std::string* source) {
    const auto workbook = ReadImportedWorkbook(file, messages);
    if (!workbook) return Outcome::Failed;
    if (SheetToBeChosen(*workbook, request)) return Outcome::Cancelled;
    return ImportRequestedSheet(grid, file, *workbook, request, messages, source);
}

Outcome ImportWorkbookData(Grid& grid, const fs::path& file, const WorkbookData& workbook,
                           const SheetRequest& request, Messages& messages, std::string* source) {
    return ImportRequestedSheet(grid, file, workbook, request, messages, source);
}

} // namespace tulo
