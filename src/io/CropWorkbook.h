#pragma once
// A cultivar's crop parameters as a workbook of fixed layout: one parameter per row, column 1 the value,
// column 2 a label, column 3 the parameter key, column 4 the unit or a note, and the cultivar
// description in row 1 column 6. Workbooks already shared between users have this layout, labels and
// keys (spellings included), so both are kept exactly.
//
// These functions only fill and read the grid; moving it to and from a file is the spreadsheet
// commands' business.

#include "base/Problems.h"
#include "engine/FormModel.h"
#include "engine/Grid.h"

#include <optional>

namespace tulo {

// The crop parameters of the form as a workbook grid (33 rows, 6 columns). Numbers are stored as the
// shortest text of the single-precision value the model would compute with ("2.0" -> "2", "0,5" ->
// "0.5"); an empty number box gives an empty cell. A box that holds no number, or one out of the
// single-precision range, adds a problem naming the field, and no grid is returned.
std::optional<Grid> BuildCropWorkbookGrid(const FormModel& form, Problems& problems);

// Puts the values of a crop workbook grid into the form's crop controls. Rows 12 and 20 are
// informational and not read. The development-method, sterility and sensitive-period cells hold codes
// (an empty cell counts as 0); a cell that holds no valid code leaves its control as it was and adds a
// problem. Everything else is applied whatever the problems.
Problems ApplyCropWorkbookGrid(const Grid& grid, FormModel& form);

// Blanks the crop description and parameters, empties both choices and clears the sterility box.
void NewCrop(FormModel& form);

// Blanks the management description, sowing date, latitude, flooding choice and water level.
void NewManagement(FormModel& form);

} // namespace tulo
