#pragma once
// The checks of a season and the inputs they let through: a typed configuration, with the few run
// choices its file does not hold, compiled to the `SeasonInputs` every run takes. The command line, the
// Python package and the window (through its form, forms/SeasonForm.h) all compile here, so a season is
// refused for the same reasons, with the same words, wherever it comes from.
//
// Every problem is collected, in the order control, crop, management, weather, soil, blast class and
// season dates, so that a user can mend them all before the next run. A number item that holds no value
// is told by its kept text: a text that reads as a number is "out of range" for the item's precision,
// any other "is not a number".
//
// The water input table's rows are those down to the first whose initial day is blank (at most 100), as
// the window's table shows them: rows a hand-edited file holds after a blank one do not run.
//
// A problem names its input by id, not by where a window shows it (forms/InputControls.h points ids at
// the window's controls):
//   - a single input by its own id: "InitialDate", "FinalDate", "SowingDate", "TransplantingDate",
//     "Latitude", "Flooding" (the irrigation strategy), "WaterLevelMethod" (fixed or dynamic),
//     "WaterLevel", "InitialWaterLevel", "PreFlowWaterLevel", "BlastClass", "DOYforcingLAI",
//     "ForcingLAI", or a crop parameter's registry id ("RUE", "IDSL");
//   - a table's cell by its column's id, with `row` and `column` the cell's in the configuration's
//     numbering (from 0, as `NumberTable` counts; weather row d - 1 for day d): "weather.Day",
//     "weather.Rain" ... "weather.RHmin" (`WeatherTableColumn`), "soil.Thickness" ... "soil.StartingWater"
//     (the ids of `SoilLimits()`, one per soil column), "water.FirstDay", "water.LastDay",
//     "water.Input", "water.Hours" (`WaterInflowColumn`), "blast.TreatmentDay" (row k for treatment
//     k + 1, column 0);
//   - the weather's title row by "weather.Titles", `column` the title's `WeatherTableColumn`, `row` 0;
//   - a table as a whole by "weather" or "blast.Treatments", `row` and `column` 0.
//
// Compiling is pure and costs about what reading the configuration did: it happens once per season
// compiled, not once per run of a search.

#include "base/Problems.h"
#include "engine/InputItems.h"
#include "engine/SeasonInputs.h"
#include "inputs/SeasonConfiguration.h"

#include <string>
#include <string_view>

namespace tulo {

// What a run is asked beyond its configuration: whether the leaf area is forced with one NDVI-derived
// value, and that value's day and LAI (read only when it is). The defaults are a new window's: the
// leaf area from TULO.
struct SeasonRunChoices {
    bool laiFromNdvi = false;
    WholeItem ndviDay;  // day of year
    SingleItem ndviLai; // m2/m2
};

// The configuration checked and, when nothing is wrong, compiled: `inputs` is set exactly when
// `problems` is empty; `warnings` tells what runs but may surprise. A configuration of an older layout
// (`ConfigurationLayout`) compiles with a new season's values for the items its file does not hold, as
// the window that opens it shows them.
Compilation CompileSeason(const SeasonConfiguration& configuration, const SeasonRunChoices& choices = {});

// An input problem as it is shown: a problem of the weather or soil table (an id "weather", "weather.…",
// "soil.…") has the file (and sheet) the table was read from in front, when it was
// read from one (a source not empty).
std::string ProblemText(const InputProblem& problem, std::string_view weatherSource,
                        std::string_view soilSource = {});

} // namespace tulo
