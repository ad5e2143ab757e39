#include "weather/SolarCalendar.h"

#include "weather/Evapotranspiration.h"
#include "weather/Meteo.h"

#include "base/Calendar.h"

#include <algorithm>
#include <bit>

namespace tulo {

SolarCalendar::SolarCalendar(float latitude, int year, int firstDay, int lastDay)
    : filled_(true), latitude_(latitude), year_(year), firstDay_(std::clamp(firstDay, 0, kDaySlots - 1)),
      lastDay_(std::clamp(lastDay, firstDay_, kDaySlots - 1)) {
    for (std::int32_t day = firstDay_; day <= lastDay_; ++day) {
        const auto slot = static_cast<std::size_t>(day);
        const std::int32_t doy = day == 0 ? 0 : DayOfYearOfSeasonDay(day, year);
        // A fresh SolarGeometry per day, as each day's own computation had: beyond the polar band the day
        // length stays at its initial 0 instead of carrying the day before's.
        SolarGeometry sun;
        sun.CalculateSunRiseAndSunsetHour(latitude, doy);
        dayLength_[slot] = sun.GetDayLength();
        sunriseHour_[slot] = static_cast<std::int8_t>(sun.GetSunriseHour());
        radiation_[slot] = tulo::ExtraterrestrialRadiation(doy, static_cast<double>(latitude));
    }
}

bool SolarCalendar::IsFor(float latitude, int year, int firstDay, int lastDay) const {
    // Bit for bit, so that -0 and 0, whose computations could in principle differ, are not taken as one.
    return filled_ && std::bit_cast<std::uint32_t>(latitude_) == std::bit_cast<std::uint32_t>(latitude) &&
           year_ == year && firstDay_ <= firstDay && lastDay <= lastDay_;
}

} // namespace tulo
