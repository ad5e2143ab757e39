#include "crop/Biomass.h"

#include <cmath>

namespace tulo {

void RadiationUseEfficiency::VariableRUE(float RUEmax, float DVS, float Radiation) {
    // Above 30 MJ m-2 d-1 the canopy is light-saturated; the reduction starts at 0.2 x RUEmax, not at 0.
    RadRUE_ = (Radiation > 30.0f) ? static_cast<float>(RUEmax * (0.04 * Radiation - 1.0)) : 0.0f;
    DVSRUE_ = (DVS >= 1.0f) ? static_cast<float>(0.25 * RUEmax * (static_cast<double>(DVS) - 1.0)) : 0.0f;
    // No lower bound: late in a long season the efficiency may go negative and growth with it.
    VarRUE_ = static_cast<float>(static_cast<double>(RUEmax) - RadRUE_ - DVSRUE_);
}

float BiomassGrowth::TemperatureFactor(const GrowthParameters& crop, float Tmax, float Tmin) {
    const float Tb = crop.Tb;
    const float Topt = crop.Topt;
    const float TmaxG = crop.TmaxG;
    float tavg = static_cast<float>((static_cast<double>(Tmax) + Tmin) / 2.0);
    if (tavg > Topt) tavg = Topt;

    const double rise = static_cast<double>(Topt) - Tb;
    const double fall = static_cast<double>(TmaxG) - Topt;
    // Parameters are not checked, so a limb of zero width must not divide by zero. The curve is then
    // taken at its limit: with Topt == Tb a step from 0 below Tb to the plateau of 1 at Topt; with
    // TmaxG == Topt the falling limb vanishes (exponent 0) and only the rising limb remains.
    double a = 0.0;
    double u = 0.0;
    double v = 1.0;
    if (rise != 0.0) {
        a = fall / rise;
        u = (static_cast<double>(tavg) - Tb) / rise;
    } else {
        u = (tavg >= Topt) ? 1.0 : 0.0;
    }
    if (fall != 0.0) v = (static_cast<double>(TmaxG) - tavg) / fall;
    if (u < 0.0) u = 0.0;
    if (v < 0.0) v = 0.0;

    // At or below the base temperature nothing grows. Said first because there v exceeds 1, and with a
    // narrow rising limb (a large a) v^a overflows, which would turn 0 x infinity into NaN. Above the
    // base v stays below 1 + 1/a, so v^a stays below e.
    if (u == 0.0) return 0.0f;
    // The plateau is exact (1^anything is 1), so spare the two pow calls on the many warm days.
    if (u == 1.0 && v == 1.0) return 1.0f;
    return static_cast<float>(std::pow(u * std::pow(v, a), static_cast<double>(crop.C)));
}

void BiomassGrowth::GrowPotential(const GrowthParameters& crop, const GrowthDay& day) {
    // Half of global radiation is photosynthetically active; Beer's law gives the intercepted share.
    const double intercepted = 1.0 - std::exp(-static_cast<double>(crop.K) * day.LAI);
    const float temperatureFactor = TemperatureFactor(crop, day.Tmax, day.Tmin);
    AGBdayRad_ = static_cast<float>(day.RUE * 0.5 * day.Rad * intercepted * temperatureFactor);
}

void BiomassGrowth::GrowDay(const GrowthParameters& crop, const GrowthDay& day, bool CropActive) {
    if (CropActive) {
        GrowPotential(crop, day);
        AGBday_ = AGBdayRad_;
    } else {
        // The potential growth is kept from the last active day; only the actual growth stops.
        AGBday_ = 0.0f;
    }
}

} // namespace tulo
