#pragma once
// Forcing the simulated leaf area with exogenous values (remote sensing, NDVI): on a forcing day the
// green leaves become LAI / SLA, and the total and organ biomasses are rescaled with them, keeping the
// day's simulated organ shares; the season then continues from the next day with that corrected state.
// A forcing with the day's own simulated LAI changes nothing.
//
// A forced season continues exactly as the uninterrupted season would have continued from the end of
// the forcing day: the loop's carry-over values (blast, CropActive), the soil layers' water and every
// process object's day-to-day state are those at the end of that day, with only the forced values in
// its slots. Points apply in order of day, each building on the earlier ones.

#include "base/Problems.h"
#include "engine/DailyLoop.h" // ForcedDay
#include "engine/Grid.h"
#include "engine/RunState.h"
#include "engine/Season.h"
#include "engine/SeasonInputs.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tulo {

struct LaiPoint {
    std::int32_t doy = 0;
    float lai = 0; // m2/m2
};

struct ForcingOutcome {
    std::vector<ForcedDay> forced;       // one per forcing day, in day order; empty on a problem
    std::optional<InputProblem> problem; // a point that cannot be forced; the run state is then unchanged
};

// What forcing `point` would write, computed on a finished season's series without changing it (the
// window shows it before asking for confirmation); a problem naming the day when the day is not
// simulated, the crop has ended by then, the day's above-ground or leaf biomass or its simulated LAI is
// 0 (nothing to rescale) or the LAI is negative.
std::optional<ForcedDay> PreviewForcing(const RunState& run, const LaiPoint& point,
                                        InputProblem* problem = nullptr);

// Runs the season of `inputs` (with `parameters` written over the crop parameters) from a cleared state,
// forcing every point in order of day (a stable sort: of two points on one day the later row wins).
// On a problem nothing of `run` is changed.
ForcingOutcome ForceLai(const SeasonInputs& inputs, std::span<const ParameterValue> parameters,
                        std::span<const LaiPoint> points, RunState& run);

// The (DOY, LAI) pairs of an exogenous LAI table: column 1 the day (a day of year, or a date read as its
// day of year in its own year's calendar, as measured tables read it), column 2 the LAI, from row 1; a
// first row of two numbers is a point, a first row of titles (no number or date in either cell) is
// skipped; empty rows are skipped; a row that is not a day and a number, a day that is not a whole day
// of 1 .. 365 (a leap year's 31 December is DOY 366) or a negative LAI is a problem naming the row (field
// "sprLAIexo", its row and column).
std::vector<LaiPoint> ReadLaiPoints(const Grid& grid, Problems& problems);

} // namespace tulo
