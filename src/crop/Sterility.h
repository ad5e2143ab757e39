#pragma once
// SpikeletSterility: spikelet sterility caused by cold nights around flowering.
//
// | input                      | unit  | where                                                       |
// |----------------------------|-------|-------------------------------------------------------------|
// | StSen, Threshold, duration | -, °C | ColdSensitivity, fixed for a run                            |
// | temperatures               | °C    | ColdDay: the day's, yesterday's maximum, tomorrow's minimum |
// | DOY, DVS                   | -     | ColdDay                                                     |
// | sunrise hour               | h     | the solar calendar, or latitude (degrees)                   |
//
// Output: the sterility fraction of the day, kept per day of year. Hourly temperatures come from
// HourlyWeather; the cold sum is weighted by a bell centred on DVS 0.8.

#include "base/DailySeries.h"
#include "weather/HourlyMeteo.h"

#include <cstdint>

namespace tulo {

// The cultivar's response to cold around flowering, fixed for a run.
struct ColdSensitivity {
    float StSen = 0.0f;           // cultivar sensitivity (-)
    float Threshold = 0.0f;       // threshold temperature (°C)
    std::int32_t SenDuration = 0; // 1 sensitive for many days, anything else in a restricted period
};

// The day's temperatures and stage.
struct ColdDay {
    DayTemperatures temperatures; // working temperatures of the day, yesterday's maximum, tomorrow's minimum
    std::int32_t DOY = 0; // day of the season (0 .. kLastSeasonDay); of year for SimulateDayAtLatitude
    float DVS = 0.0f;     // development stage (-)
};

class SpikeletSterility {
public:
    // sunriseHour is the day's whole sunrise hour (0 .. 12), as a season's solar calendar gives it.
    void SimulateDay(const ColdSensitivity& cultivar, const ColdDay& day, std::int32_t sunriseHour);
    // The same with the sunrise worked out from the latitude (degrees).
    void SimulateDayAtLatitude(const ColdSensitivity& cultivar, const ColdDay& day, float Lat);

    // Sensitivity weight of a development stage.
    static double BellFactor(double Sigma, float DVS, double Delta);
    // Degrees of one hour's temperature below the threshold (°C; 0 above it).
    static float HourlyColdDegrees(float hourTemperature, float threshold);

    // The fraction stored for a day of year (0 .. 365); throws std::out_of_range outside.
    float GetSterilityDay(std::int32_t DOY) const;

private:
    DailySeries sterility_{};
};

} // namespace tulo
