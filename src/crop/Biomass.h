#pragma once
// Radiation-use-efficiency biomass growth.
//
// RadiationUseEfficiency — inputs: RUEmax (g MJ-1, the crop parameter RUE), DVS (-), global radiation (MJ m-2
// d-1). Outputs: the reductions due to radiation and to development and the day's RUE (g MJ-1, no lower
// bound).
//
// BiomassGrowth:
// | input                 | unit       | where                                   |
// |-----------------------|------------|-----------------------------------------|
// | K, Tb, Topt, TmaxG, C | -, °C      | GrowthParameters, fixed for a run       |
// | RUE                   | g MJ-1     | GrowthDay                               |
// | Rad                   | MJ m-2 d-1 | GrowthDay: global radiation             |
// | LAI                   | m2 m-2     | GrowthDay: yesterday's green area index |
// | Tmax, Tmin            | °C         | GrowthDay: working temperatures         |
// Outputs: potential and actual above-ground growth of the day (g m-2 d-1). The potential growth keeps
// its last value on days the crop is not active.

namespace tulo {

class RadiationUseEfficiency {
public:
    void VariableRUE(float RUEmax, float DVS, float Radiation);

    float GetDVSRUE() const { return DVSRUE_; }
    float GetRadRUE() const { return RadRUE_; }
    float GetVarRUE() const { return VarRUE_; }

private:
    float DVSRUE_ = 0.0f;
    float RadRUE_ = 0.0f;
    float VarRUE_ = 0.0f;
};

// The crop's light interception and temperature response, fixed for a run.
struct GrowthParameters {
    float K = 0.0f;     // extinction coefficient (-)
    float Tb = 0.0f;    // base growth temperature (°C)
    float Topt = 0.0f;  // optimum growth temperature (°C)
    float TmaxG = 0.0f; // maximum growth temperature (°C)
    float C = 0.0f;     // shape exponent of the temperature response (-)
};

// What the day brings to growth.
struct GrowthDay {
    float RUE = 0.0f;  // the day's radiation use efficiency (g MJ-1)
    float Rad = 0.0f;  // global radiation (MJ m-2 d-1)
    float LAI = 0.0f;  // yesterday's green area index (m2 m-2)
    float Tmax = 0.0f; // working maximum temperature (°C)
    float Tmin = 0.0f; // working minimum temperature (°C)
};

class BiomassGrowth {
public:
    // The actual growth: the potential one while the crop is active, none otherwise.
    void GrowDay(const GrowthParameters& crop, const GrowthDay& day, bool CropActive);
    void GrowPotential(const GrowthParameters& crop, const GrowthDay& day);
    // Beta response (0 .. 1) of growth to the day's mean of Tmax and Tmin (°C), plateau of 1 above Topt.
    static float TemperatureFactor(const GrowthParameters& crop, float Tmax, float Tmin);

    float GetAGBdayRad() const { return AGBdayRad_; }
    float GetAGBday() const { return AGBday_; }

private:
    float AGBdayRad_ = 0.0f;
    float AGBday_ = 0.0f;
};

} // namespace tulo
