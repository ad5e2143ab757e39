#pragma once
// The crop workbook (commands/CropWorkbook.h) of the window's form: its crop parameters' boxes and its
// cultivar description, each read of a workbook one step to undo.

#include "commands/CropWorkbook.h"
#include "forms/FormModel.h"

#include <optional>

namespace tulo {

// The crop parameters of the form as a workbook grid (see the configuration's overload); an empty number
// box gives an empty cell, and a problem names the box.
std::optional<Grid> BuildCropWorkbookGrid(const FormModel& form, Problems& problems);

// Puts the values of a crop workbook grid into the form's crop controls, as one change (see the
// configuration's overload); a problem names the control left as it was.
Problems ApplyCropWorkbookGrid(const Grid& grid, FormModel& form);

// Blanks the crop description and parameters, empties both choices and clears the sterility box.
void NewCrop(FormModel& form);

// Blanks the management description, sowing date, latitude, flooding choice and water level.
void NewManagement(FormModel& form);

} // namespace tulo
