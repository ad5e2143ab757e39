#pragma once
// Radiation-use-efficiency biomass growth.
//
// RadiationUseEfficiency — inputs: RUEmax (g MJ-1, the crop parameter RUE), DVS (-), global radiation (MJ m-2
// d-1). Outputs: the reductions due to radiation and to development and the day's RUE (g MJ-1, no lower
// bound).
//
// BiomassGrowth — inputs: the day's RUE (g MJ-1), radiation (MJ m-2 d-1), extinction
// coefficient K (-), yesterday's green area index (m2 m-2), growth temperatures Tb, Topt, TmaxG (°C), the
// day's working Tmax and Tmin (°C), shape exponent C (-), CropActive.
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

class BiomassGrowth {
public:
    void CalculateAGBaccum(float RUE, float Rad, float K, float LAI, float Tb, float Topt, float TmaxG,
                           float Tmax, float Tmin, float C, bool CropActive);
    void CalculateAGBaccumRad(float RUE, float Rad, float K, float LAI, float Tb, float Topt, float TmaxG,
                              float Tmax, float Tmin, float C);
    // Beta temperature response (0 .. 1), plateau of 1 above Topt.
    static float TlimBeta(float C, float Tmax, float Tmin, float Tb, float Topt, float TmaxG);

    float GetAGBdayRad() const { return AGBdayRad_; }
    float GetAGBday() const { return AGBday_; }

private:
    float AGBdayRad_ = 0.0f;
    float AGBday_ = 0.0f;
};

} // namespace tulo
