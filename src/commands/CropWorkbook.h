#pragma once
// A cultivar's crop parameters as a workbook of fixed layout: one parameter per row, column 1 the value,
// column 2 a label, column 3 the parameter key, column 4 the unit or a note, and the cultivar
// description in row 1 column 6. Workbooks already shared between users have this layout, labels and
// keys (spellings included), so both are kept exactly.
//
// These functions fill and read the grid, the crop being a configuration's or, through CropParameterTexts,
// any holder's of the parameters' texts (the window's form); ReadCropWorkbookFile reads a file asking
// nothing.

#include "base/Outcome.h"
#include "base/Problems.h"
#include "engine/Grid.h"
#include "engine/Parameters.h"
#include "inputs/SeasonConfiguration.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tulo {

// A crop parameter's row of the workbook, keyed by the registry's id.
struct WorkbookParameterRow {
    int row;
    std::string_view id;
    std::string_view key;   // column 3 (may be empty)
    std::string_view label; // column 2
    std::string_view note;  // column 4
};
// The parameters' rows in row order (rows 12 and 20 are informational, not a parameter's).
std::span<const WorkbookParameterRow> WorkbookParameterRows();
// The row of a registry parameter, or none when the workbook does not keep it.
const WorkbookParameterRow* FindWorkbookParameterRow(const ParameterInfo& info);
// Its key, or empty.
std::string_view WorkbookKey(const ParameterInfo& info);

// The crop parameters of a configuration as a workbook grid (33 rows, 6 columns). Numbers are stored as
// the shortest text of the single-precision value the model would compute with ("2.0" -> "2", "0,5" ->
// "0.5"); an empty number gives an empty cell. A number that cannot be read, or one out of the
// single-precision range, adds a problem naming the parameter's id, and no grid is returned. A
// configuration holds no cultivar description: the cell stays empty.
std::optional<Grid> BuildCropWorkbookGrid(const SeasonConfiguration& configuration, Problems& problems);

// Puts the values of a crop workbook grid into a configuration's crop parameters, read as a form that
// opened them would read them; the description has nowhere to go. Rows 12 and 20 are informational and
// not read. The development-method, sterility and sensitive-period cells hold codes (an empty cell counts
// as 0); a cell that holds no valid code leaves its parameter as it was and adds a problem naming its id.
// Everything else is applied whatever the problems.
Problems ApplyCropWorkbookGrid(const Grid& grid, SeasonConfiguration& configuration);

// The first row whose key (column 3) is not the crop workbook's, as `row 15: key "X", expected "RUE"`;
// nothing when every key matches. A weather table or a truncated workbook fails here, so that it is
// refused before it can blank or scramble the crop parameters. Keys compare without surrounding blanks;
// rows 8 and 9, which have no key, are not compared.
std::optional<std::string> CropWorkbookKeyMismatch(const Grid& grid);

// The crop parameters' texts of a holder other than a configuration: a number's or a choice's text, a
// switch's state, and how a problem names the parameter.
struct CropParameterTexts {
    std::function<std::string(const ParameterInfo&)> text;
    std::function<int(const ParameterInfo&)> check;
    std::function<void(const ParameterInfo&, std::string)> setText;
    std::function<void(const ParameterInfo&, int)> setCheck;
    std::function<std::string(const ParameterInfo&)> field;
};
// The grid of a crop held as texts, with its cultivar description (see the configuration's overload).
std::optional<Grid> BuildCropWorkbookGrid(const std::string& description, const CropParameterTexts& crop,
                                          Problems& problems);
// The grid's values given to a crop held as texts (see the configuration's overload).
Problems ApplyCropWorkbookGrid(const Grid& grid, const CropParameterTexts& crop);
// The cell of a workbook that holds the cultivar description.
inline constexpr int kCropDescriptionRow = 1;
inline constexpr int kCropDescriptionColumn = 6;

// Every value of a crop workbook grid that a run would not accept, all at once: a code cell that holds
// no valid code, a number cell that is empty or holds no number, a number outside the parameter's
// accepted range, a day length that is given but is not a number of hours; each problem names its
// parameter's id. For a command that applies all values or none.
Problems CheckCropWorkbookValues(const Grid& grid);

// A sheet read from `file` that is not a crop workbook turns a successful reading into a failure, with a
// message naming the file and the first row whose key differs.
Outcome RefuseUnlessCropWorkbook(Outcome read, const Grid& grid, const std::string& file, Messages& messages);

// Reads a chosen file into the grid, asking nothing, refusing, with a message naming the file and the
// first row whose key differs, a sheet that is not a crop workbook. The grid is left as it was unless a
// crop workbook was read. For a caller that checks the values itself before applying them. `sheetOption`
// is the command line's, which reads sheet 1 of several unless told (see SheetRequest).
Outcome ReadCropWorkbookFile(Grid& grid, const std::filesystem::path& file, Messages& messages,
                             std::optional<int> sheet = std::nullopt, std::string_view sheetOption = {});

} // namespace tulo
