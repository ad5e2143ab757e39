#pragma once
// FloodwaterTemperature: empirical floodwater temperatures.
// Inputs: working Tmax and Tmin of the day, the previous day and the next day (°C), day of year.
// Outputs: the day's maximum and minimum floodwater temperature (°C). The maximum's regression changes
// on fixed days of year (164, 200, 213); no ordering of maximum and minimum is enforced.

#include <cstdint>

namespace tulo {

class FloodwaterTemperature {
public:
    void TRISempiric(float TmaxD, float TmaxDmeno1, float TmaxDpiu1, float TminD, float TminDmeno1,
                     float TminDpiu1, std::int32_t DOY);
    float GetTmaxWaterE() const { return TmaxWaterE_; }
    float GetTminWaterE() const { return TminWaterE_; }

private:
    float TmaxWaterE_ = 0.0f;
    float TminWaterE_ = 0.0f;
};

} // namespace tulo
