#pragma once
// The daily loop: advances one season day by day from InitialDate to FinalDate - 1, calling the process
// models in a fixed order and writing one slot per day into each daily series of the run.
//
// The caller sets the initial state first (RunState::PrepareFreshRun for a new season); the loop's own
// process objects are created afresh for every call of SimulateDays, so nothing carries over between
// calls but the run state itself. A season that must stop after a day and go on later with the same
// process objects, soil and carry-over values (a forcing of that day's state) uses DailyLoop.

#include "engine/RunState.h"

#include <cstdint>
#include <memory>

namespace tulo {

// Runs the days from run.loop.DOY to FinalDate - 1. Throws std::invalid_argument for days outside
// 1 <= InitialDate <= 366, InitialDate < FinalDate <= InitialDate + kLongestSeason.
void SimulateDays(RunState& run);

// The state written into a forcing day's slots (g m-2; LAI in m2/m2).
struct ForcedDay {
    std::int32_t doy = 0;
    float lai = 0, AGB = 0, leaves = 0, stems = 0, panicles = 0;
};

// One season, run in pieces: the days of every piece are those SimulateDays would run, computed the
// same way, so a season run through in pieces equals one SimulateDays gives. Create it on the prepared
// run state; it keeps a reference to it.
class DailyLoop {
public:
    // Throws std::invalid_argument as SimulateDays does.
    explicit DailyLoop(RunState& run);
    ~DailyLoop();
    DailyLoop(const DailyLoop&) = delete;
    DailyLoop& operator=(const DailyLoop&) = delete;

    // Runs from the current day (run.loop.DOY) through `lastDay`, at most through FinalDate - 1; the
    // current day is then the day after. False when the season cannot go on (the soil water balance
    // without a soil table), now or in an earlier piece.
    bool RunThrough(std::int32_t lastDay);

    // Replaces the end of the day just run (run.loop.DOY - 1) with a forced state: its above-ground,
    // leaf, stem and panicle biomass and its leaf area; the crop counts as not finished. The next piece
    // continues from it. Throws std::invalid_argument for any other day.
    void OverwriteDay(const ForcedDay& forced);

private:
    struct Context;
    RunState& run_;
    std::unique_ptr<Context> context_;
    bool stopped_ = false;
};

} // namespace tulo
