#pragma once
// The inputs of a season, compiled once from the form: every parameter and daily driving series the
// loop reads, checked and converted. Compiling is pure: it reads the form and changes nothing, so any
// number of workers may compile or share one compilation; the window alone writes the estimated
// humidities back into its weather grid.

#include "base/Problems.h"
#include "engine/FormModel.h"
#include "engine/RunState.h"

#include <cstdint>
#include <memory>

namespace tulo {

struct SeasonInputs {
    ControlParameters control;
    CropParameters crop;
    ManagementParameters manag;
    WeatherSeries weather;          // the working temperatures equal the air copies
    SiteDays site;                  // at the management's latitude
    bool humidityEstimated = false; // the sheet brought no humidity: RHmax and RHmin were estimated
    bool optiLAIndvi = false;       // leaf area forced with one NDVI-derived value on a given day
    std::int32_t DOYforcingLAI = 0;
    float ForcingLAI = 0;
    // Tells one compilation from another, so that a run state knows whether it already holds these.
    std::uint64_t serial = 0;
};

struct Compilation {
    std::shared_ptr<const SeasonInputs> inputs; // set when there is no problem
    Problems problems;                          // every problem, in the order the records read them
    Problems warnings; // what runs but may surprise (a sowing before the first simulated day)
};

// Reads the control, crop, management and weather records (and the soil record when soil simulation is
// on) and collects every problem.
Compilation CompileInputs(const FormModel& form);

// Puts the estimated humidities of a compilation into the form's weather grid, as one change.
void ShowEstimatedHumidities(FormModel& form, const SeasonInputs& inputs);

} // namespace tulo
