#include "crop/Sterility.h"

#include "weather/HourlyMeteo.h"
#include "weather/Meteo.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace tulo {

namespace {

std::size_t DaySlot(std::int32_t DOY) {
    if (DOY < 0 || DOY > kLastSeasonDay)
        throw std::out_of_range("day " + std::to_string(DOY) + " outside 0.." +
                                std::to_string(kLastSeasonDay));
    return static_cast<std::size_t>(DOY);
}

} // namespace

void SpikeletSterility::SimulateDayAtLatitude(const ColdSensitivity& cultivar, const ColdDay& day,
                                              float Lat) {
    SolarGeometry sun;
    sun.CalculateSunRiseAndSunsetHour(Lat, day.DOY);
    SimulateDay(cultivar, day, static_cast<std::int32_t>(sun.GetSunriseHour()));
}

void SpikeletSterility::SimulateDay(const ColdSensitivity& cultivar, const ColdDay& day,
                                    std::int32_t sunriseHour) {
    const std::size_t slot = DaySlot(day.DOY);
    const float Threshold = cultivar.Threshold;

    HourlyWeather hourly;
    hourly.CalculateHours(day.temperatures, sunriseHour);
    double coldSum = 0.0;
    for (std::int32_t h = 1; h <= 24; ++h)
        coldSum += HourlyColdDegrees(hourly.GetHourTemperature(h), Threshold);

    // Cultivars sensitive for many days get a wider bell; both peak near 1 at DVS 0.8. Any code other than 1
    // means the restricted period, as the duration list of the crop record does.
    const bool manyDays = cultivar.SenDuration == 1;
    const double sigma = manyDays ? 0.1 : 0.04;
    const double delta = manyDays ? 0.25 : 0.1;
    const double bell = BellFactor(sigma, day.DVS, delta);

    sterility_[slot] = static_cast<float>(coldSum * static_cast<double>(cultivar.StSen) * bell / 100.0);
}

double SpikeletSterility::BellFactor(double Sigma, float DVS, double Delta) {
    const double offset = static_cast<double>(DVS) - 0.8;
    return Delta / (std::sqrt(6.28318530717958) * Sigma) *
           std::exp(-(offset * offset) / (2.0 * Sigma * Sigma));
}

float SpikeletSterility::HourlyColdDegrees(float hourTemperature, float threshold) {
    if (hourTemperature <= threshold)
        return static_cast<float>(static_cast<double>(threshold) - hourTemperature);
    return 0.0f;
}

float SpikeletSterility::GetSterilityDay(std::int32_t DOY) const {
    return sterility_[DaySlot(DOY)];
}

} // namespace tulo
