#include "weather/Tris.h"

namespace tulo {

void FloodwaterTemperature::EstimateDay(const AirTemperatures& air, std::int32_t DOY) {
    const double tmax = air.Tmax, tmaxBefore = air.TmaxYesterday, tmaxAfter = air.TmaxTomorrow;
    const double weighted = 1.1 * tmax + 0.2 * tmaxBefore + 0.2 * tmaxAfter;

    // Separate regressions from 13 June, 19 July and 1 August; the breaks are calendar dates, not crop
    // stages.
    double waterMax = 0.0;
    if (DOY < 164)
        waterMax = weighted - 12.0;
    else if (DOY < 200)
        waterMax = 0.75 * weighted - 5.0;
    else if (DOY < 213)
        waterMax = 0.36 * tmax + 0.27 * tmaxBefore + 0.27 * tmaxAfter + 1.0;
    else
        waterMax = 0.4 * weighted + 8.0;

    const double tmin = air.Tmin, tminBefore = air.TminYesterday, tminAfter = air.TminTomorrow;
    const double waterMin = 0.6 * tmin + 0.2 * tminBefore + 0.2 * tminAfter + 3.0;

    waterTmax_ = static_cast<float>(waterMax);
    waterTmin_ = static_cast<float>(waterMin);
}

} // namespace tulo
