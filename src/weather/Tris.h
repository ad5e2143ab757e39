#pragma once
// FloodwaterTemperature: empirical floodwater temperatures.
//
// | input | unit | meaning                                                         |
// |-------|------|-----------------------------------------------------------------|
// | air   | °C   | working Tmax and Tmin of the day, the previous and the next day |
// | DOY   | -    | day of year                                                     |
//
// Outputs: the day's maximum and minimum floodwater temperature (°C). The maximum's regression changes
// on fixed days of year (164, 200, 213); no ordering of maximum and minimum is enforced.
//
// The regression was fitted north of the equator, where those days are early summer. South of it the
// same seasons come half a year later, so a southern site reads it on its day of year shifted by half a
// year (FloodwaterSeasonDay): 13 December there is 13 June here.

#include <cstdint>

namespace tulo {

// The air temperatures around the day whose water is estimated (°C).
struct AirTemperatures {
    float Tmax = 0.0f;
    float TmaxYesterday = 0.0f;
    float TmaxTomorrow = 0.0f;
    float Tmin = 0.0f;
    float TminYesterday = 0.0f;
    float TminTomorrow = 0.0f;
};

// The day of year the regression is read on: the day's own north of the equator (and on it), the day
// 182 days on, within one year of 365 days, south of it.
inline std::int32_t FloodwaterSeasonDay(std::int32_t dayOfYear, float latitude) {
    return latitude < 0 ? (dayOfYear + 181) % 365 + 1 : dayOfYear;
}

class FloodwaterTemperature {
public:
    void EstimateDay(const AirTemperatures& air, std::int32_t DOY);
    float GetWaterTmax() const { return waterTmax_; }
    float GetWaterTmin() const { return waterTmin_; }

private:
    float waterTmax_ = 0.0f;
    float waterTmin_ = 0.0f;
};

} // namespace tulo
