#include "commands/CropWorkbook.h"

#include "base/CellName.h"
#include "base/Numbers.h"
#include "engine/Parameters.h"
#include "io/SheetImport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

namespace {

enum class Cell {
    Single, // a number box, stored as the shortest text of its single-precision value
    Text,   // stored and read back as typed
    Code,   // a choice list stored as the index of its text among `codes`
    Switch, // a check box stored as its state
    Fixed,  // a value the model does not take from the workbook, written for the reader's information
};

struct Row {
    int row;
    Cell cell;
    std::string_view fixedValue; // the value a Fixed row writes
    std::string_view label, key, note;
    std::span<const std::string_view> codes = {};
    const ParameterInfo* info = nullptr; // none for an informational row
};

constexpr int kRows = 33;
constexpr int kCols = 6;

// Rows 12 and 20: values the model does not take from a workbook. Every other data row is a crop
// parameter's.
constexpr Row kInformationalRows[] = {
    {12, Cell::Fixed, "0", "Initial development stage", "DVSI", "-"},
    {20, Cell::Fixed, "1.8", "C = exp di TlimBeta", "C", "-"},
};

constexpr WorkbookParameterRow kParameterRows[] = {
    {2, "Tbase", "TBASEM", "T base (development)", "°C"},
    {3, "Tcutoff", "TEFFMX", "T cutoff (development)", "°C"},
    {4, "TSUMEM", "TSUMEM", "GDDemergence", "°C-days"},
    {5, "DLC", "DLC", "", ""},
    {6, "DLO", "DLO", "", ""},
    {7, "IDSL", "IDLS", "0: temp; 1: daylenght; 2: temp+daylenght", "-"},
    {8, "TbaseAfterEmerg", "", "T base after emergence (development)", "°C"},
    {9, "TcutoffAfterEmerg", "", "T cutoff after emergence (development)", "°C"},
    {10, "TSUM1", "TSUM1", "GDD emerg-flowering", "°C-days"},
    {11, "TSUM2", "TSUM2", "GDD flowering-maturity", "°C-days"},
    {13, "DVSEND", "DVSEND", "Development stage at harvest", "-"},
    {15, "RUE", "RUE", "Radiation use efficiency", "g/MJ"},
    {16, "K", "k", "Extinction coefficient for solar radiation", "-"},
    {17, "Tb", "Tb", "T base (growth)", "°C"},
    {18, "Topt", "Topt", "T opt (growth)", "°C"},
    {19, "TmaxG", "Tmax", "T max (growth)", "°C"},
    {21, "LAIemerg", "LAIemerg", "LAI at emergence", "m2/m2"},
    {22, "SLA0", "SLA0", "SLA at emergence", "m2/kg"},
    {23, "SLA035", "SLA035", "SLA from stem elongation to maturity", "m2/kg"},
    {24, "RipL0", "RipL0", "Ripartition to leaves at emergence", "-"},
    {25, "GDDLeafLife", "GDDLeafLife", "Leaf duration", "°C-days"},
    {26, "PanicleHmax", "PanicleHmax", "Maximum panicle height", "cm"},
    {27, "KcFullCanopy", "KcFullCanopy", "Crop coefficient at full canopy", ""},
    {29, "SterilityActive", "SterilityActive", "Activate Sterility module",
     "0: module disactivated; 1 module acive"},
    {30, "StSen", "StSen", "Cultivars-specific sensitivities",
     "(0-2); usually 1; <1 for high resistant cultivars; >1 for high sensible cultivars"},
    {31, "TempStThreshold", "TempStThreshold", "Threshold T for sterility", "°C"},
    {32, "SenDuration", "SenDuration", "Duration of the high sensitive period",
     "0: for cultivars sensible only for few days; 1 for cultivars sensible for many days"},
};

Cell CellOf(const ParameterInfo& p) {
    switch (p.kind) {
    case ParameterKind::Code:
        return Cell::Code;
    case ParameterKind::Switch:
        return Cell::Switch;
    case ParameterKind::Number:
    case ParameterKind::Constant:
        break;
    }
    // The model does not read the day lengths, so they are kept as typed.
    return p.id == "DLC" || p.id == "DLO" ? Cell::Text : Cell::Single;
}

// The data rows in row order.
std::vector<Row> Layout() {
    std::vector<Row> rows(std::begin(kInformationalRows), std::end(kInformationalRows));
    for (const WorkbookParameterRow& r : kParameterRows) {
        const ParameterInfo& p = *FindParameter(r.id);
        rows.push_back({r.row, CellOf(p), {}, r.label, r.key, r.note, p.choices, &p});
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.row < b.row; });
    return rows;
}
// The registry and the rows are constants, so they are complete before this is built.
const std::vector<Row> kLayout = Layout();

constexpr std::pair<int, std::string_view> kHeadings[] = {
    {1, "Development parameters"},
    {14, "AGB accumulation parameters and partitioning"},
    {28, "Sterility related parameters"},
};

// The shortest text of the box's single-precision value; empty for an empty box.
std::optional<std::string> SingleText(const Row& row, std::string_view text, Problems& problems) {
    if (Trim(text).empty()) return std::string();
    const auto value = ParseNumber(text);
    if (!value) {
        problems.push_back({std::string(row.info->id), 0, 0, NotANumberMessage(row.label, text)});
        return std::nullopt;
    }
    if (std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
        problems.push_back({std::string(row.info->id), 0, 0,
                            std::string(row.label) + ": " + QuoteValue(Trim(text)) + " is out of range."});
        return std::nullopt;
    }
    return ShortestText(static_cast<float>(*value));
}

// The code a cell holds (an empty cell holds 0), when it is one of `count` codes 0, 1, ...
std::optional<int> ReadCode(std::string_view text, int count) {
    if (Trim(text).empty()) return 0;
    const auto value = ParseNumber(text);
    if (!value || *value != std::floor(*value) || *value < 0 || *value >= count) return std::nullopt;
    return static_cast<int>(*value);
}

int CodeCount(const Row& row) {
    return row.cell == Cell::Switch ? 2 : static_cast<int>(row.codes.size());
}

std::string CodeProblem(const Row& row, std::string_view text, int count) {
    std::string codes;
    for (int code = 0; code < count; ++code)
        codes += (code == 0 ? "" : code == count - 1 ? " or " : ", ") + std::to_string(code);
    return "Crop workbook cell " + CellName(row.row, 1) + " (" + std::string(row.key) +
           "): " + QuoteValue(text) + " is not " + codes + "; the setting was left as it was.";
}

// The problem of a number or day-length cell, if any: a day length may stay empty (the model reads it
// only for the photoperiod methods), a number may not.
std::optional<InputProblem> NumberProblem(const Row& row, std::string_view text) {
    if (row.cell == Cell::Text && Trim(text).empty()) return std::nullopt;
    const auto where = "Crop workbook cell " + CellName(row.row, 1) + ": ";
    const auto value = ParseNumber(text);
    if (!value)
        return InputProblem{std::string(row.info->id), row.row, 1,
                            where + NotANumberMessage(row.info->label, text)};
    auto outside = CheckParameterBounds(*row.info, *value);
    if (!outside) return std::nullopt;
    return InputProblem{std::string(row.info->id), row.row, 1, where + outside->text};
}

} // namespace

std::optional<std::string> CropWorkbookKeyMismatch(const Grid& grid) {
    for (const Row& row : kLayout) {
        if (row.key.empty()) continue;
        const std::string_view key = Trim(grid.text(row.row, 3));
        if (key != row.key)
            return "cell " + CellName(row.row, 3) + ": key " + QuoteValue(key) + ", expected \"" +
                   std::string(row.key) + "\"";
    }
    return std::nullopt;
}

Problems CheckCropWorkbookValues(const Grid& grid) {
    Problems problems;
    for (const Row& row : kLayout) {
        const std::string& text = grid.text(row.row, 1);
        switch (row.cell) {
        case Cell::Single:
        case Cell::Text:
            if (auto problem = NumberProblem(row, text)) problems.push_back(std::move(*problem));
            break;
        case Cell::Code:
        case Cell::Switch: {
            const int count = CodeCount(row);
            if (!ReadCode(text, count))
                problems.push_back({std::string(row.info->id), row.row, 1, CodeProblem(row, text, count)});
            break;
        }
        case Cell::Fixed:
            break;
        }
    }
    return problems;
}

namespace {

// The grid of a crop whose description and rows' texts and check states are given; a problem names its
// row by `fieldOf`.
template <class TextOf, class CheckOf, class FieldOf>
std::optional<Grid> BuildGrid(const std::string& description, TextOf textOf, CheckOf checkOf, FieldOf fieldOf,
                              Problems& problems) {
    Grid grid(kRows, kCols);
    const std::size_t problemsBefore = problems.size();
    for (const auto& [row, heading] : kHeadings) grid.setText(row, 1, std::string(heading));
    grid.setText(kCropDescriptionRow, kCropDescriptionColumn, description);
    for (const Row& row : kLayout) {
        std::string value;
        switch (row.cell) {
        case Cell::Single:
            if (auto text = SingleText(row, textOf(row), problems)) {
                value = std::move(*text);
            } else {
                problems.back().field = fieldOf(row);
            }
            break;
        case Cell::Text:
            value = textOf(row);
            break;
        case Cell::Code:
            // A choice outside the list has no code: the cell stays empty.
            for (std::size_t code = 0; code < row.codes.size(); ++code)
                if (textOf(row) == row.codes[code]) value = std::to_string(code);
            break;
        case Cell::Switch:
            value = std::to_string(checkOf(row));
            break;
        case Cell::Fixed:
            value = row.fixedValue;
            break;
        }
        grid.setText(row.row, 1, std::move(value));
        grid.setText(row.row, 2, std::string(row.label));
        grid.setText(row.row, 3, std::string(row.key));
        grid.setText(row.row, 4, std::string(row.note));
    }
    if (problems.size() != problemsBefore) return std::nullopt;
    return grid;
}

// Gives each parameter row's cell to `setText` (a number or a choice's text) or `setCheck` (a switch).
template <class SetText, class SetCheck, class FieldOf>
Problems ApplyGrid(const Grid& grid, SetText setText, SetCheck setCheck, FieldOf fieldOf) {
    Problems problems;
    for (const Row& row : kLayout) {
        const std::string& text = grid.text(row.row, 1);
        switch (row.cell) {
        case Cell::Single:
        case Cell::Text:
            setText(row, text);
            break;
        case Cell::Code:
        case Cell::Switch: {
            const int count = CodeCount(row);
            const auto code = ReadCode(text, count);
            if (!code)
                problems.push_back({fieldOf(row), row.row, 1, CodeProblem(row, text, count)});
            else if (row.cell == Cell::Switch)
                setCheck(row, *code);
            else
                setText(row, std::string(row.codes[static_cast<std::size_t>(*code)]));
            break;
        }
        case Cell::Fixed:
            break;
        }
    }
    return problems;
}

std::string IdField(const Row& row) {
    return std::string(row.info->id);
}

CropItem& CropOf(SeasonConfiguration& configuration, const Row& row) {
    return configuration.crop[static_cast<std::size_t>(ParameterIndex(row.info->id))];
}

} // namespace

std::optional<Grid> BuildCropWorkbookGrid(const std::string& description, const CropParameterTexts& crop,
                                          Problems& problems) {
    return BuildGrid(
        description, [&](const Row& row) { return crop.text(*row.info); },
        [&](const Row& row) { return crop.check(*row.info); },
        [&](const Row& row) { return crop.field(*row.info); }, problems);
}

std::optional<Grid> BuildCropWorkbookGrid(const SeasonConfiguration& configuration, Problems& problems) {
    const auto item = [&](const Row& row) -> const CropItem& {
        return configuration.crop[static_cast<std::size_t>(ParameterIndex(row.info->id))];
    };
    return BuildGrid(
        std::string(), [&](const Row& row) { return CropItemText(*row.info, item(row)); },
        [&](const Row& row) { return static_cast<int>(item(row).value.value_or(0)); }, IdField, problems);
}

Problems ApplyCropWorkbookGrid(const Grid& grid, const CropParameterTexts& crop) {
    return ApplyGrid(
        grid, [&](const Row& row, std::string text) { crop.setText(*row.info, std::move(text)); },
        [&](const Row& row, int check) { crop.setCheck(*row.info, check); },
        [&](const Row& row) { return crop.field(*row.info); });
}

Problems ApplyCropWorkbookGrid(const Grid& grid, SeasonConfiguration& configuration) {
    return ApplyGrid(
        grid,
        [&](const Row& row, std::string text) { CropOf(configuration, row) = ReadCropItem(*row.info, text); },
        [&](const Row& row, int check) {
            CropOf(configuration, row) = CropItem{double(check), {}};
        },
        IdField);
}

std::span<const WorkbookParameterRow> WorkbookParameterRows() {
    return kParameterRows;
}

const WorkbookParameterRow* FindWorkbookParameterRow(const ParameterInfo& info) {
    for (const WorkbookParameterRow& r : kParameterRows)
        if (r.id == info.id) return &r;
    return nullptr;
}

std::string_view WorkbookKey(const ParameterInfo& info) {
    const WorkbookParameterRow* row = FindWorkbookParameterRow(info);
    return row ? row->key : std::string_view();
}

Outcome RefuseUnlessCropWorkbook(Outcome read, const Grid& grid, const std::string& file,
                                 Messages& messages) {
    if (!read) return read;
    const auto mismatch = CropWorkbookKeyMismatch(grid);
    if (!mismatch) return read;
    // A crop workbook read and written back by pandas keeps its keys, one column to the right.
    if (const auto index = ExtraIndexColumn(grid))
        messages.push_back({file + " is not a crop parameter workbook as it stands: it has " + *index + "."});
    else
        messages.push_back({file + " is not a crop parameter workbook: " + *mismatch + "."});
    return Outcome::Failed;
}

Outcome ReadCropWorkbookFile(Grid& grid, const std::filesystem::path& file, Messages& messages,
                             std::optional<int> sheet, std::string_view sheetOption) {
    Grid read;
    const Outcome outcome = RefuseUnlessCropWorkbook(
        ImportWorkbookSheet(read, file, {sheet, sheetOption, std::nullopt, false}, messages), read,
        file.string(), messages);
    if (outcome) grid = std::move(read);
    return outcome;
}

} // namespace tulo
