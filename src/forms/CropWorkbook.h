#pragma once
// A cultivar's crop parameters as a workbook of fixed layout: one parameter per row, column 1 the value,
// column 2 a label, column 3 the parameter key, column 4 the unit or a note, and the cultivar
// description in row 1 column 6. Workbooks already shared between users have this layout, labels and
// keys (spellings included), so both are kept exactly.
//
// These functions only fill and read the grid; moving it to and from a file is the spreadsheet
// commands' business.

#include "base/Problems.h"
#include "engine/Grid.h"
#include "engine/Parameters.h"
#include "forms/FormModel.h"
#include "inputs/SeasonConfiguration.h"

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

// The crop parameters of the form as a workbook grid (33 rows, 6 columns). Numbers are stored as the
// shortest text of the single-precision value the model would compute with ("2.0" -> "2", "0,5" ->
// "0.5"); an empty number box gives an empty cell. A box that holds no number, or one out of the
// single-precision range, adds a problem naming the field, and no grid is returned.
std::optional<Grid> BuildCropWorkbookGrid(const FormModel& form, Problems& problems);
// The same of a configuration, which holds no cultivar description; a problem names the parameter's id.
std::optional<Grid> BuildCropWorkbookGrid(const SeasonConfiguration& configuration, Problems& problems);

// Puts the values of a crop workbook grid into the form's crop controls. Rows 12 and 20 are
// informational and not read. The development-method, sterility and sensitive-period cells hold codes
// (an empty cell counts as 0); a cell that holds no valid code leaves its control as it was and adds a
// problem. Everything else is applied whatever the problems.
Problems ApplyCropWorkbookGrid(const Grid& grid, FormModel& form);
// The same into a configuration's crop parameters, read as a form that opened them would read them; the
// description has nowhere to go.
Problems ApplyCropWorkbookGrid(const Grid& grid, SeasonConfiguration& configuration);

// The first row whose key (column 3) is not the crop workbook's, as `row 15: key "X", expected "RUE"`;
// nothing when every key matches. A weather table or a truncated workbook fails here, so that it is
// refused before it can blank or scramble the crop parameters. Keys compare without surrounding blanks;
// rows 8 and 9, which have no key, are not compared.
std::optional<std::string> CropWorkbookKeyMismatch(const Grid& grid);

// Every value of a crop workbook grid that a run would not accept, all at once: a code cell that holds
// no valid code, a number cell that is empty or holds no number, a number outside the parameter's
// accepted range, a day length that is given but is not a number of hours. For a command that applies
// all values or none.
Problems CheckCropWorkbookValues(const Grid& grid);

// Blanks the crop description and parameters, empties both choices and clears the sterility box.
void NewCrop(FormModel& form);

// Blanks the management description, sowing date, latitude, flooding choice and water level.
void NewManagement(FormModel& form);

} // namespace tulo
