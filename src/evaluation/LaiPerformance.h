#pragma once
// The LAI simulation performance index: how well a season's simulated green area index agrees with an
// exogenous LAI table (remote sensing), by the indices and the regression of the evaluation against
// measurements. Each point is paired with the simulated value of its day; points of days the season
// did not simulate are left out and listed.

#include "engine/LaiForcing.h"
#include "engine/RunState.h"
#include "evaluation/MeasuredEvaluation.h"

#include <span>
#include <vector>

namespace tulo {

struct LaiPerformance {
    AgreementIndices indices; // n: the pairs
    Regression regression;    // simulated on exogenous LAI
    std::vector<LaiPoint> leftOut;
};

// On the season as simulated, before any forcing.
LaiPerformance ComputeLaiPerformance(const RunState& run, std::span<const LaiPoint> points);

} // namespace tulo
