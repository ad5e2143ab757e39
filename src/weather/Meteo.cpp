#include "weather/Meteo.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tulo {

namespace {

constexpr double kPi = std::numbers::pi;
// Beyond this latitude the sun can stay up or down all day; the day length is left as it was there.
constexpr double kPolarBand = 66.5;

} // namespace

void SolarGeometry::CalculateSolarDeclination(std::int32_t DOY) {
    declination_ =
        static_cast<float>(0.4093 * std::sin(2.0 * kPi / 365.0 * (static_cast<double>(DOY) + 284.0)));
}

void SolarGeometry::CalculateDayLightTimeFactor(float latitude, std::int32_t DOY) {
    CalculateSolarDeclination(DOY);
    const double phi = static_cast<double>(latitude) * kPi / 180.0;
    // Past the polar circles the product leaves [-1, 1]: clamping yields π under the midnight sun and 0 in
    // the polar night instead of NaN.
    const double cosOmega =
        std::clamp(-std::tan(phi) * std::tan(static_cast<double>(declination_)), -1.0, 1.0);
    daylightTimeFactor_ = ArCos(static_cast<float>(cosOmega));
}

void SolarGeometry::CalculateDayLength(float latitude, std::int32_t DOY) {
    CalculateDayLightTimeFactor(latitude, DOY);
    if (latitude > -kPolarBand && latitude < kPolarBand)
        dayLength_ = static_cast<float>(static_cast<double>(daylightTimeFactor_) * 24.0 / kPi);
}

void SolarGeometry::CalculateSunRiseAndSunsetHour(float latitude, std::int32_t DOY) {
    CalculateDayLength(latitude, DOY);
    const double halfDay = static_cast<double>(dayLength_) / 2.0;
    // The day length lies in [0, 24] h, so both hours fit any integer.
    sunriseHour_ = static_cast<std::int32_t>(RoundHalfEven(12.0 - halfDay));
    sunsetHour_ = static_cast<std::int32_t>(RoundHalfEven(12.0 + halfDay));
}

float SolarGeometry::ArCos(float x) {
    return static_cast<float>(std::acos(static_cast<double>(x)));
}

} // namespace tulo
