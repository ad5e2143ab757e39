#pragma once
// Recalibrating and reinitialising a season from remotely sensed leaf area: the sowing day and the crop
// parameters whose simulated LAI agrees best (RRMSE) with an exogenous LAI series.
//
// The sowing is a whole day, and the season is a step function of it, which a simplex cannot search: the
// days are an outer search, the continuous parameters the simplex's at each day. Days are scanned every
// `coarseStep` days of the window around the configuration's sowing, the simplex run at each; every day
// less than a step from the best two scanned days is then searched too, starting from that scanned day's
// parameters. The estimate is the day with the least objective, the earliest of equals. The simplex draws
// no random numbers and each day's search is the same on any number of threads, so the result is too.
//
// The sowing day's range is the profile interval: the days next to the estimate, one after the other,
// whose best objective stays within the 95 % bound of an F test on one more parameter,
// RRMSE(day) <= RRMSE(best) x sqrt(1 + t^2 / (n - p)), t Student's 95 % quantile and p the continuous
// parameters and the sowing. The continuous parameters' uncertainty is the calibration's (Gauss-Newton
// at the estimate, the sowing day held).

#include "calibration/Objective.h"
#include "calibration/Uncertainty.h"
#include "engine/LaiForcing.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tulo {

// Without named parameters the search moves the development to flowering (TSUM1), which places the
// rise and the peak of the leaf area, and the radiation use efficiency (RUE), which sets how high it
// climbs; each within 0.6 to 1.4 times the configuration's value, kept inside its accepted values.
inline constexpr std::string_view kReinitDefaultParameters[] = {"TSUM1", "RUE"};
inline constexpr double kReinitDefaultLow = 0.6, kReinitDefaultHigh = 1.4;
inline constexpr int kReinitDefaultWindow = 30; // days either side of the configuration's sowing
inline constexpr int kReinitCoarseStep = 5;

struct ReinitSettings {
    std::vector<CalibratedParameter> parameters; // at least one
    std::vector<double> initial;                 // one per parameter, inside its range
    int sowingWindow = kReinitDefaultWindow;     // 0: only the configuration's sowing
    int coarseStep = kReinitCoarseStep;
};

// The default parameters at the configuration's values, with their ranges.
ReinitSettings DefaultReinitSettings(const SeasonInputs& inputs);

struct SowingObjective {
    std::int32_t day = 0;
    double objective = kOutsidePenalty; // the simplex's best at that day
    std::vector<double> values;
};

struct ReinitResult {
    Problems problems;    // refused before any search; nothing else is set
    bool stopped = false; // the caller stopped it: the estimate is the best of the days searched
    std::int32_t sowing = 0;
    std::int32_t sowingLow = 0, sowingHigh = 0; // the profile range, inclusive
    std::vector<double> values;                 // as found
    std::vector<double> rounded;                // as written back (RoundCalibrated)
    double objective = kOutsidePenalty;         // RRMSE of the LAI, %
    int measurements = 0;                       // LAI points paired with the season
    CalibrationUncertainty uncertainty;
    std::vector<SowingObjective> days; // every day searched, in order of day
    std::int64_t runs = 0;
};

// The season to reinitialise, compiled as configured (no day) or with its sowing moved to a day.
using SowingCompiler = std::function<Compilation(std::optional<std::int32_t> sowingDay)>;

// The search on the season `compileSown` gives, with its sowing moved; `control` reports the model runs
// of every day's search (counted over all days) and stops it. The LAI points must be a valid table
// (ReadLaiPoints).
ReinitResult ReinitializeFromLai(const SowingCompiler& compileSown, std::span<const LaiPoint> lai,
                                 const ReinitSettings& settings, const SearchControl& control = {});

} // namespace tulo
