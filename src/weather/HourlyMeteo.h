#pragma once
// HourlyWeather: the 24 hourly temperatures of one day.
//
// | input         | unit | meaning                                                 |
// |---------------|------|---------------------------------------------------------|
// | Tmax, Tmin    | °C   | DayTemperatures: the day's maximum and minimum          |
// | TmaxYesterday | °C   | DayTemperatures: the previous day's maximum             |
// | TminTomorrow  | °C   | DayTemperatures: the next day's minimum                 |
// | sunriseHour   | h    | whole sunrise hour (0 .. 12), or latitude (degrees) and |
// |               |      | day of year to work it out                              |
//
// Output: the temperature of hours 1 .. 24 (°C); the minimum falls at the sunrise hour, the maximum at
// 14:00. Hour 0 stays 0.

#include <array>
#include <cstdint>

namespace tulo {

// The temperatures a day's hourly curve passes through (°C).
struct DayTemperatures {
    float Tmax = 0.0f;          // the day's maximum
    float Tmin = 0.0f;          // the day's minimum
    float TmaxYesterday = 0.0f; // the previous day's maximum
    float TminTomorrow = 0.0f;  // the next day's minimum
};

class HourlyWeather {
public:
    // With the day's whole sunrise hour (0 .. 12) known, as a solar calendar gives it.
    void CalculateHours(const DayTemperatures& day, std::int32_t sunriseHour);
    // The same with the sunrise worked out from the latitude (degrees) and the day of year.
    void CalculateHoursAtLatitude(const DayTemperatures& day, float latitude, std::int32_t DOY);
    // Temperature at the given hour (0 .. 24); throws std::out_of_range outside.
    float GetHourTemperature(std::int32_t hour) const;

private:
    std::array<float, 25> hourly_{};
};

} // namespace tulo
