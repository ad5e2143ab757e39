#pragma once
// SpikeletSterility: spikelet sterility caused by cold nights around flowering.
//
// Inputs: the day's working Tmax and Tmin, yesterday's Tmax and tomorrow's Tmin (°C), latitude (degrees),
// day of year, cultivar sensitivity StSen (-), threshold temperature (°C), SenDuration (0 sensitive in a
// restricted period, 1 for many days), DVS (-).
// Output: the sterility fraction of the day, kept per day of year. Hourly temperatures come from
// HourlyWeather; the cold sum is weighted by a bell centred on DVS 0.8.

#include "base/DailySeries.h"

#include <cstdint>

namespace tulo {

class SpikeletSterility {
public:
    void CalculateSterilitySTEFIday(float TmaxDAY, float TminDAY, float TmaxYesterday, float TminTomorrow,
                                    float Lat, std::int32_t DOY, float StSen, float Threshold,
                                    std::int32_t SenDuration, float DVS);
    // The same with the day's whole sunrise hour (0 .. 12) in place of the latitude, as a season's solar
    // calendar gives it.
    void CalculateSterilitySTEFIday(float TmaxDAY, float TminDAY, float TmaxYesterday, float TminTomorrow,
                                    std::int32_t DOY, std::int32_t sunriseHour, float StSen, float Threshold,
                                    std::int32_t SenDuration, float DVS);

    // Sensitivity weight of a development stage.
    static double BellFactor(double Sigma, float DVS, double Delta);
    // Degrees of one hour below the threshold (0 above it).
    static float SterilityFactorOrario(float Tora, float SogliaInf);

    // The fraction stored for a day of year (0 .. 365); throws std::out_of_range outside.
    float GetSterilityDay(std::int32_t DOY) const;

private:
    DailySeries sterility_{};
};

} // namespace tulo
