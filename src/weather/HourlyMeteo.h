#pragma once
// HourlyWeather: the 24 hourly temperatures of one day.
// Inputs: the day's Tmax and Tmin, the previous day's maximum TmaxP and the next day's minimum TminS (°C),
// latitude (degrees) and day of year. Output: T(1) .. T(24) (°C); the minimum falls at the sunrise hour,
// the maximum at 14:00. Hour 0 stays 0.

#include <array>
#include <cstdint>

namespace tulo {

class HourlyWeather {
public:
    void CalculateHourlyTemp(float Tmax, float Tmin, float TmaxP, float TminS, float latitude,
                             std::int32_t DOY);
    // The same with the day's whole sunrise hour (0 .. 12) already known, as a solar calendar gives it.
    void CalculateHourlyTemp(float Tmax, float Tmin, float TmaxP, float TminS, std::int32_t sunriseHour);
    // Temperature at the given hour (0 .. 24); throws std::out_of_range outside.
    float GetHourlyT(std::int32_t hour) const;

private:
    std::array<float, 25> hourly_{};
};

} // namespace tulo
