#include "weather/Meteo.h"

#include <gtest/gtest.h>

#include <numbers>

namespace tulo {
namespace {

TEST(Meteo, DayLengthAndWholeSunHours) {
    SolarGeometry meteo;
    meteo.CalculateSunRiseAndSunsetHour(0.0f, 80);
    EXPECT_NEAR(meteo.GetSolarDeclination(), -0.007, 0.001);
    EXPECT_FLOAT_EQ(meteo.GetDayLength(), 12.0f);
    EXPECT_EQ(meteo.GetSunriseHour(), 6.0f);
    EXPECT_EQ(meteo.GetSunsetHour(), 18.0f);

    meteo.CalculateSunRiseAndSunsetHour(45.0f, 172);
    EXPECT_NEAR(meteo.GetDayLength(), 15.43, 0.01);
    EXPECT_EQ(meteo.GetSunriseHour(), 4.0f); // 4.29
    EXPECT_EQ(meteo.GetSunsetHour(), 20.0f); // 19.71

    meteo.CalculateSunRiseAndSunsetHour(-45.0f, 172);
    EXPECT_NEAR(meteo.GetDayLength(), 8.57, 0.01);
    EXPECT_EQ(meteo.GetSunriseHour(), 8.0f); // 7.71
    EXPECT_EQ(meteo.GetSunsetHour(), 16.0f);
}

TEST(Meteo, OutsideThePolarBandTheDayLengthIsNotWritten) {
    SolarGeometry fresh;
    fresh.CalculateSunRiseAndSunsetHour(66.5f, 172);
    EXPECT_EQ(fresh.GetDayLength(), 0.0f);
    EXPECT_EQ(fresh.GetSunriseHour(), 12.0f);
    EXPECT_EQ(fresh.GetSunsetHour(), 12.0f);

    SolarGeometry meteo;
    meteo.CalculateDayLength(-45.0f, 172);
    meteo.CalculateSunRiseAndSunsetHour(70.0f, 172);
    EXPECT_NEAR(meteo.GetDayLength(), 8.57, 0.01);
    // Midnight sun and polar night saturate the sunset hour angle instead of giving NaN.
    EXPECT_FLOAT_EQ(meteo.GetDaylightTimeFactor(), std::numbers::pi_v<float>);
    meteo.CalculateDayLightTimeFactor(80.0f, 355);
    EXPECT_EQ(meteo.GetDaylightTimeFactor(), 0.0f);
}

} // namespace
} // namespace tulo
