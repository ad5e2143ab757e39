#include "forms/SpreadsheetCommands.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "forms/FormModel.h"
#include "io/TextFiles.h"
#include "io/Workbook.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace tulo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kResult = "Result";

std::optional<int> AskSheet(UserInterface& ui, const WorkbookData& workbook) {
    std::string prompt = "Found " + std::to_string(workbook.sheets.size()) + " sheets\r\r";
    for (std::size_t i = 0; i < workbook.sheets.size(); ++i)
        prompt += std::to_string(i + 1) + ")  " + workbook.sheets[i].name + "\r";
    prompt += "\r\rplease, select the number of the sheet";
    const auto answer = ui.input(prompt, "selection of sheet", "1");
    if (!answer || Trim(*answer).empty()) return std::nullopt;
    // An answer that names no sheet makes the import fail below.
    return ParseInt32(*answer).value_or(0);
}

// Whether the user has to choose among the workbook's sheets: several, and no sheet given.
bool SheetToBeChosen(const WorkbookData& workbook, const SheetRequest& request) {
    return !request.sheet && request.option.empty() && workbook.sheets.size() > 1;
}

} // namespace

std::optional<RowLimit> ImportRowLimit(std::string_view gridId) {
    if (gridId == ctl::sprWeather) return WeatherRowLimit();
    if (gridId == ctl::sprSoilPhysics) return SoilRowLimit();
    return std::nullopt;
}

std::optional<fs::path> SaveGridAsWorkbook(const Grid& grid, UserInterface& ui, std::string_view kind) {
    return SaveGridAsWorkbookTitled(grid, ui, "TULO - Save a " + std::string(kind) + " file");
}

std::optional<fs::path> SaveGridAsWorkbookTitled(const Grid& grid, UserInterface& ui,
                                                 std::string_view title) {
    const FileDialog dialog{std::string(title), "*.xlsx",
                            "Excel workbook (*.xlsx)|*.xlsx|CSV file (*.csv)|*.csv"};
    const auto chosen = ui.saveFile(dialog);
    if (!chosen || chosen->empty()) return std::nullopt;
    // The extension is added before the question, so that an existing workbook is never replaced unasked.
    const fs::path file = WorkbookSaveName(*chosen);
    std::error_code ec;
    if (fs::exists(file, ec) &&
        ui.ask("File already exists  \r\r" + file.string() + "\r\r\rSave anyway? (Y/N)", Buttons::YesNo) !=
            Answer::Yes)
        return std::nullopt;
    BusyPointer busy(ui);
    try {
        WriteGridFile(grid, file);
    } catch (const WorkbookError& e) {
        ui.message(e.what(), kResult, Icon::Critical);
        return std::nullopt;
    }
    return file;
}

Outcome OpenWorkbookIntoGrid(Grid& grid, UserInterface& ui, std::string_view kind, std::string& fileName,
                             std::optional<RowLimit> limit) {
    const FileDialog dialog{
        "TULO - Open a " + std::string(kind) + " file", "*.xlsx",
        "Workbooks (*.xlsx *.xls *.ods *.csv)|*.xlsx;*.xls;*.ods;*.csv|All files (*.*)|*.*"};
    const auto chosen = ui.openFile(dialog);
    fileName = chosen.value_or("");
    if (!chosen || chosen->empty()) return Outcome::Cancelled;
    std::error_code ec;
    if (!fs::exists(*chosen, ec)) {
        ui.message("File not exit");
        return Outcome::Failed;
    }
    return ImportWorkbookFile(grid, *chosen, ui, std::nullopt, limit);
}

Outcome ImportWorkbookFile(Grid& grid, const fs::path& file, UserInterface& ui, std::optional<int> sheet,
                           std::optional<RowLimit> limit) {
    // The tables of fixed shape are the weather, whose column 1 is the day, and the soil, whose rows are
    // layers: in neither can a first column of 0, 1, 2, ... be data.
    return ImportWorkbookSheet(grid, file, ui, {sheet, {}, limit, limit.has_value()});
}

Outcome ImportWorkbookSheet(Grid& grid, const fs::path& file, UserInterface& ui, const SheetRequest& request,
                            std::string* source) {
    BusyPointer busy(ui);
    Messages messages;
    const auto workbook = ReadImportedWorkbook(file, messages);
    Outcome outcome = Outcome::Failed;
    if (workbook) {
        SheetRequest chosen = request;
        const bool asked = SheetToBeChosen(*workbook, request);
        if (asked) chosen.sheet = AskSheet(ui, *workbook);
        outcome = asked && !chosen.sheet
                      ? Outcome::Cancelled
                      : ImportWorkbookData(grid, file, *workbook, chosen, messages, source);
    }
    ShowMessages(ui, messages);
    return outcome;
}

void ClearGrid(Grid& grid) {
    int lastRow = 0, lastCol = 0;
    for (int r = 1; r <= std::min(grid.rows(), 10000); ++r)
        if (!grid.text(r, 1).empty()) lastRow = r;
    for (int c = 1; c <= std::min(grid.cols(), 5000); ++c)
        if (!grid.text(1, c).empty()) lastCol = c;
    for (int r = 1; r <= lastRow; ++r)
        for (int c = 1; c <= lastCol; ++c) grid.setText(r, c, {});
}

std::vector<std::string> ReadHeader(const Grid& grid) {
    std::vector<std::string> names;
    for (int c = 1; c <= grid.cols(); ++c)
        if (!grid.text(1, c).empty()) names.push_back(grid.text(1, c));
    return names;
}

} // namespace tulo
