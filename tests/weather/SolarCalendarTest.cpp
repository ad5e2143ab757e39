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
        const SolarCalendar calendar(latitude, 0, 1, 365);
        EXPECT_TRUE(calendar.IsFor(latitude, 0, 1, 365));
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
    EXPECT_EQ(SolarCalendar(80.0f, 0, 1, 365).DayLength(172), 0.0f);
    EXPECT_GT(SolarCalendar(66.4f, 0, 1, 365).DayLength(172), 23.0f);
}

// A season across 31 December reads each later day as its own day of year: 1 January after a leap year
// is day 367 of the season, and the leap year's 31 December (day 366) its own.
TEST(SolarCalendar, DaysAfterTheFirstYearAreTheirOwnDaysOfYear) {
    const SolarCalendar leap(23.8f, 2020, 300, 366 + 120);
    const SolarCalendar common(23.8f, 2021, 1, 365 + 120);
    for (int doy = 1; doy <= 120; ++doy) {
        EXPECT_EQ(leap.DayLength(366 + doy), common.DayLength(doy)) << doy;
        EXPECT_EQ(leap.ExtraterrestrialRadiation(366 + doy), common.ExtraterrestrialRadiation(doy)) << doy;
    }
    SolarGeometry sun;
    sun.CalculateSunRiseAndSunsetHour(23.8f, 366);
    EXPECT_EQ(leap.DayLength(366), sun.GetDayLength());
    EXPECT_TRUE(leap.IsFor(23.8f, 2020, 300, 400));
    EXPECT_FALSE(leap.IsFor(23.8f, 2020, 300, 366 + 121)); // a longer season needs its days worked out
    EXPECT_FALSE(leap.IsFor(23.8f, 2020, 299, 400));       // and so does an earlier start
    EXPECT_FALSE(leap.IsFor(23.8f, 2021, 300, 400));       // another calendar
}

TEST(SolarCalendar, BelongsToOneLatitudeBitForBit) {
    EXPECT_FALSE(SolarCalendar().IsFor(0.0f, 0, 1, 365)); // an empty calendar is for no latitude
    EXPECT_FALSE(SolarCalendar(0.0f, 0, 1, 365).IsFor(-0.0f, 0, 1, 365));
    EXPECT_FALSE(SolarCalendar(45.3f, 0, 1, 365).IsFor(std::nextafter(45.3f, 90.0f), 0, 1, 365));
}

} // namespace
} // namespace tulo
