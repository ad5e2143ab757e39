// The calendar a compilation works out once must give each day exactly what that day's own computation
// gives, including beyond the polar band, where a day's computation leaves the day length at 0.

#include "weather/SolarCalendar.h"
#include "weather/Evapotranspiration.h"
#include "weather/Meteo.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tulo {
namespace {

TEST(SolarCalendar, EveryDayEqualsItsOwnComputationAtAnyLatitude) {
    for (const float latitude : {-70.0f, -66.0f, -45.3f, -0.0f, 0.0f, 12.5f, 45.3f, 66.4f, 66.5f, 80.0f}) {
        const SolarCalendar calendar(latitude);
        EXPECT_TRUE(calendar.IsFor(latitude));
        for (int doy = 1; doy <= 365; ++doy) {
            SolarGeometry sun;
            sun.CalculateSunRiseAndSunsetHour(latitude, doy);
            EXPECT_EQ(calendar.DayLength(doy), sun.GetDayLength()) << latitude << " " << doy;
            EXPECT_EQ(calendar.SunriseHour(doy), static_cast<int>(sun.GetSunriseHour()))
                << latitude << " " << doy;
            EXPECT_EQ(calendar.ExtraterrestrialRadiation(doy), ExtraterrestrialRadiation(doy, latitude))
                << latitude << " " << doy;
        }
    }
    // Polar days carry nothing over: the midsummer day length beyond the band is 0, as a fresh day's.
    EXPECT_EQ(SolarCalendar(80.0f).DayLength(172), 0.0f);
    EXPECT_GT(SolarCalendar(66.4f).DayLength(172), 23.0f);
}

TEST(SolarCalendar, BelongsToOneLatitudeBitForBit) {
    EXPECT_FALSE(SolarCalendar().IsFor(0.0f)); // an empty calendar is for no latitude
    EXPECT_FALSE(SolarCalendar(0.0f).IsFor(-0.0f));
    EXPECT_FALSE(SolarCalendar(45.3f).IsFor(std::nextafter(45.3f, 90.0f)));
}

} // namespace
} // namespace tulo
