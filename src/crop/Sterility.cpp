#include "crop/Sterility.h"

#include "weather/HourlyMeteo.h"
#include "weather/Meteo.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace tulo {

namespace {

std::size_t DaySlot(std::int32_t DOY) {
    if (DOY < 0 || DOY > kLastDay)
        throw std::out_of_range("day of year " + std::to_string(DOY) + " outside 0..365");
    return static_cast<std::size_t>(DOY);
}

} // namespace

void SpikeletSterility::CalculateSterilitySTEFIday(float TmaxDAY, float TminDAY, float TmaxYesterday,
                                                   float TminTomorrow, float Lat, std::int32_t DOY,
                                                   float StSen, float Threshold, std::int32_t SenDuration,
                                                   float DVS) {
    SolarGeometry sun;
    sun.CalculateSunRiseAndSunsetHour(Lat, DOY);
    CalculateSterilitySTEFIday(TmaxDAY, TminDAY, TmaxYesterday, TminTomorrow, DOY,
                               static_cast<std::int32_t>(sun.GetSunriseHour()), StSen, Threshold, SenDuration,
                               DVS);
}

void SpikeletSterility::CalculateSterilitySTEFIday(float TmaxDAY, float TminDAY, float TmaxYesterday,
                                                   float TminTomorrow, std::int32_t DOY,
                                                   std::int32_t sunriseHour, float StSen, float Threshold,
                                                   std::int32_t SenDuration, float DVS) {
    const std::size_t slot = DaySlot(DOY);

    HourlyWeather hourly;
    hourly.CalculateHourlyTemp(TmaxDAY, TminDAY, TmaxYesterday, TminTomorrow, sunriseHour);
    double coldSum = 0.0;
    for (std::int32_t h = 1; h <= 24; ++h) coldSum += SterilityFactorOrario(hourly.GetHourlyT(h), Threshold);

    // Cultivars sensitive for many days get a wider bell; both peak near 1 at DVS 0.8. Any code other than 1
    // means the restricted period, as the duration list of the crop record does.
    const bool manyDays = SenDuration == 1;
    const double sigma = manyDays ? 0.1 : 0.04;
    const double delta = manyDays ? 0.25 : 0.1;
    const double bell = BellFactor(sigma, DVS, delta);

    sterility_[slot] = static_cast<float>(coldSum * static_cast<double>(StSen) * bell / 100.0);
}

double SpikeletSterility::BellFactor(double Sigma, float DVS, double Delta) {
    const double offset = static_cast<double>(DVS) - 0.8;
    return Delta / (std::sqrt(6.28318530717958) * Sigma) *
           std::exp(-(offset * offset) / (2.0 * Sigma * Sigma));
}

float SpikeletSterility::SterilityFactorOrario(float Tora, float SogliaInf) {
    if (Tora <= SogliaInf) return static_cast<float>(static_cast<double>(SogliaInf) - Tora);
    return 0.0f;
}

float SpikeletSterility::GetSterilityDay(std::int32_t DOY) const {
    return sterility_[DaySlot(DOY)];
}

} // namespace tulo
