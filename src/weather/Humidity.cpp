#include "weather/Humidity.h"

#include <cmath>

namespace tulo {

namespace {

double SaturationVapourPressure(double T, double k) {
    return 6.11 * std::pow(10.0, k * T / (T + 273.3));
}

} // namespace

double RelativeHumidity::VapourPressureAtTmin(double T) {
    return SaturationVapourPressure(T, T < 10.0 ? 8.5 : 7.5);
}

double RelativeHumidity::VapourPressureAtTmax(double T) {
    return SaturationVapourPressure(T, T <= 10.0 ? 7.5 : 8.5);
}

float RelativeHumidity::MinimumFromTemperatures(float Tmax, float Tmin) {
    return static_cast<float>(100.0 * VapourPressureAtTmin(Tmin) / VapourPressureAtTmax(Tmax));
}

void RelativeHumidity::EstimateFromTemperatures(float Tmin, float Tmax) {
    RHmax_ = 100.0f;
    RHmin_ = MinimumFromTemperatures(Tmax, Tmin);
}

} // namespace tulo
