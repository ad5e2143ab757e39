#pragma once
// SolarGeometry: solar declination, sunset hour angle, day length, and whole sunrise and sunset hours.
// Inputs: latitude (degrees, north positive) and day of year (1-365). Outputs: declination (rad),
// daylight time factor ωs (rad), day length (h), sunrise and sunset hours (whole hours, halves to even).
// Each operation runs the simpler ones it needs; the day length is only written for latitudes strictly
// inside (-66.5, 66.5) and keeps its previous value elsewhere.

#include <cstdint>

namespace tulo {

class SolarGeometry {
public:
    void CalculateSolarDeclination(std::int32_t DOY);
    void CalculateDayLightTimeFactor(float latitude, std::int32_t DOY);
    void CalculateDayLength(float latitude, std::int32_t DOY);
    void CalculateSunRiseAndSunsetHour(float latitude, std::int32_t DOY);
    static float ArCos(float x);

    float GetSunriseHour() const { return static_cast<float>(sunriseHour_); }
    float GetSunsetHour() const { return static_cast<float>(sunsetHour_); }
    float GetSolarDeclination() const { return declination_; }
    float GetDayLength() const { return dayLength_; }
    float GetDaylightTimeFactor() const { return daylightTimeFactor_; }

private:
    std::int32_t sunriseHour_ = 0;
    std::int32_t sunsetHour_ = 0;
    float declination_ = 0.0f;
    float dayLength_ = 0.0f;
    float daylightTimeFactor_ = 0.0f;
};

} // namespace tulo
