#pragma once
// The sun's course over a season at one latitude, worked out once for every day of the season.
//
// Inputs: latitude (degrees, north positive), the season's first year and its first and last days (see
// base/Calendar.h). Outputs per day of the season, each from its own day of year: the day length (h,
// as SolarGeometry gives it: 0 beyond the polar band), the whole sunrise hour the hourly temperatures start
// their day at (0 .. 12), and the extraterrestrial radiation (MJ m-2 d-1) of the evapotranspiration.
// A season reads these every day, yet they depend on the site alone: a compilation fills the calendar
// once and every season of it reads the same values the daily computations would have given, bit for bit.

#include "base/DailySeries.h"

#include <array>
#include <cstdint>

namespace tulo {

class SolarCalendar {
public:
    // An empty calendar, for no latitude.
    SolarCalendar() = default;
    // Days firstDay .. lastDay of a season whose first year is `year`; the other slots hold nothing.
    SolarCalendar(float latitude, int year, int firstDay, int lastDay);

    // True when the calendar was worked out for exactly this latitude and year, over firstDay .. lastDay.
    bool IsFor(float latitude, int year, int firstDay, int lastDay) const;

    float DayLength(std::int32_t doy) const { return dayLength_[static_cast<std::size_t>(doy)]; }
    std::int32_t SunriseHour(std::int32_t doy) const { return sunriseHour_[static_cast<std::size_t>(doy)]; }
    double ExtraterrestrialRadiation(std::int32_t doy) const {
        return radiation_[static_cast<std::size_t>(doy)];
    }

private:
    bool filled_ = false;
    float latitude_ = 0;
    int year_ = 0;
    int firstDay_ = 0, lastDay_ = 0;
    DailySeries dayLength_{};
    std::array<std::int8_t, kDaySlots> sunriseHour_{};
    DailySeriesD radiation_{};
};

} // namespace tulo
