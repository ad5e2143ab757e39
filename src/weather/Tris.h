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
