#pragma once
// Which of the window's controls shows which input: the crop parameters' controls, their kind and the
// part of the window each sits in, and the controls and grid columns of the inputs that have limits. The
// form builds its crop controls from these tables, its records read the inputs through them, the pages
// lay out and annotate their controls by them, and a problem raised below the form, which names an input
// by its id, is pointed at its control through them.

#include "base/Problems.h"
#include "engine/InputLimits.h"
#include "engine/Parameters.h"
#include "forms/FormModel.h"

#include <span>
#include <string>
#include <string_view>

namespace tulo {

// Where the window shows a crop parameter.
enum class ParameterGroup { Development, Biomass, Sterility, Transplanting };

struct CropControl {
    std::string_view id;      // the registry's id
    std::string_view control; // ctl::txtRUE ...
    ControlKind kind;         // a code shows as a list, a switch as a check box, a number as a text box
    ParameterGroup group;
};

// Every crop parameter the window shows, in the registry's order; a constant of the model has none.
std::span<const CropControl> CropControls();
// The control of a crop parameter, or none for a constant.
const CropControl* FindCropControl(const ParameterInfo& info);
// Its name, or empty for a constant.
std::string_view ControlOf(const ParameterInfo& info);
// The crop parameter a control shows, or none.
const ParameterInfo* ParameterOfControl(std::string_view control);

// The control, or the grid and its column, that holds an input with a limit.
struct LimitedField {
    std::string_view id;    // the limit's id
    std::string_view field; // the control or grid
    int column;             // the grid's column; 0 for a control
};
std::span<const LimitedField> LimitedFields();
// The limit of a grid's column or of a control, if it has one.
const InputLimit* FindFieldLimit(std::string_view field, int column = 0);
// Where the form holds the input with this limit id, or none.
const LimitedField* FindLimitedField(std::string_view id);

// The form's field for an input named by its id (a crop parameter's, a limit's, "SowingDate"): its
// control or grid; an id the form does not show is kept as it is.
std::string FieldOfInput(std::string_view id);
// Points a problem raised below the form, which names its input by its id (and a table's cell by its
// column's id, row and column in the table: inputs/SeasonCompile.h), at the form's field, and a cell at
// the grid's cell.
InputProblem PointedAtField(InputProblem problem);
Problems PointedAtFields(Problems problems);

} // namespace tulo
