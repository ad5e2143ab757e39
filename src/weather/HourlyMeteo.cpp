#include "weather/HourlyMeteo.h"

#include "weather/Meteo.h"

#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace tulo {

namespace {

constexpr std::int32_t kLatestSunrise = 12; // a day length of 0 h puts sunrise at noon
constexpr std::int32_t kMaximumHour = 14;

// Cosine factor of each hour for each possible sunrise hour. The curve depends on the sunrise hour only
// through these factors, and the sterility model asks for a new day on every day of its window, so they are
// worked out once.
using CurveShape = std::array<double, 25>;

const std::array<CurveShape, kLatestSunrise + 1>& CurveShapes() {
    static const auto shapes = [] {
        constexpr double pi = std::numbers::pi;
        std::array<CurveShape, kLatestSunrise + 1> table{};
        for (std::int32_t sunrise = 0; sunrise <= kLatestSunrise; ++sunrise) {
            const double s = sunrise;
            auto& shape = table[static_cast<std::size_t>(sunrise)];
            for (std::int32_t h = 1; h <= 24; ++h) {
                const double hour = h;
                double factor = 0.0;
                // Night: falling from yesterday's 14:00 maximum, 10 h before midnight, to the minimum at
                // sunrise.
                if (h < sunrise) factor = std::cos(pi * (hour + 10.0) / (s + 10.0));
                // Evening: falling from today's maximum towards tomorrow's minimum at the next sunrise.
                if (h > kMaximumHour) factor = std::cos(pi * (hour - kMaximumHour) / (s + 10.0));
                // Day: rising from the minimum at sunrise to the maximum at 14:00.
                if (sunrise <= h && h <= kMaximumHour)
                    factor = std::cos(pi * (hour - s) / (kMaximumHour - s));
                shape[static_cast<std::size_t>(h)] = factor;
            }
        }
        return table;
    }();
    return shapes;
}

} // namespace

void HourlyWeather::CalculateHoursAtLatitude(const DayTemperatures& day, float latitude, std::int32_t DOY) {
    SolarGeometry meteo;
    meteo.CalculateSunRiseAndSunsetHour(latitude, DOY);
    // A whole hour between 0 and 12: the day length lies between 0 and 24 h.
    CalculateHours(day, static_cast<std::int32_t>(meteo.GetSunriseHour()));
}

void HourlyWeather::CalculateHours(const DayTemperatures& day, std::int32_t sunrise) {
    const float Tmax = day.Tmax;
    const float Tmin = day.Tmin;
    const float TmaxP = day.TmaxYesterday;
    const float TminS = day.TminTomorrow;

    // Levels and amplitudes of the three cosine arcs, kept in single precision.
    const auto half = [](float x, float y) { return static_cast<float>((static_cast<double>(x) + y) / 2.0); };
    const float nightLevel = half(Tmin, TmaxP);
    const float nightAmplitude = half(TmaxP, -Tmin);
    const float dayLevel = half(Tmax, Tmin);
    const float dayAmplitude = half(Tmax, -Tmin);
    const float eveningLevel = half(Tmax, TminS);
    const float eveningAmplitude = half(Tmax, -TminS);

    const auto& shape = CurveShapes().at(static_cast<std::size_t>(sunrise));
    for (std::int32_t h = 1; h <= 24; ++h) {
        const double factor = shape[static_cast<std::size_t>(h)];
        double t = 0.0;
        if (h < sunrise)
            t = nightLevel + nightAmplitude * factor;
        else if (h > kMaximumHour)
            t = eveningLevel + eveningAmplitude * factor;
        else
            t = dayLevel - dayAmplitude * factor;
        hourly_[static_cast<std::size_t>(h)] = static_cast<float>(t);
    }
}

float HourlyWeather::GetHourTemperature(std::int32_t hour) const {
    if (hour < 0 || hour > 24) throw std::out_of_range("hour " + std::to_string(hour) + " outside 0..24");
    return hourly_[static_cast<std::size_t>(hour)];
}

} // namespace tulo
