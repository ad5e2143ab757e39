#include "weather/HourlyMeteo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tulo {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(HourlyMeteo, CurveHitsTheExtremesAtSunriseAndTwoPm) {
    HourlyWeather day;
    day.CalculateHoursAtLatitude({30.0f, 18.0f, 28.0f, 20.0f}, 45.0f, 172); // sunrise at 4
    EXPECT_FLOAT_EQ(day.GetHourTemperature(4), 18.0f);
    EXPECT_FLOAT_EQ(day.GetHourTemperature(14), 30.0f);
    EXPECT_NEAR(day.GetHourTemperature(9), 24.0f, 1e-5);
    EXPECT_FLOAT_EQ(day.GetHourTemperature(24),
                    static_cast<float>(25.0 + 5.0 * std::cos(kPi * 10.0 / 14.0))); // 21.88
    EXPECT_FLOAT_EQ(day.GetHourTemperature(1),
                    static_cast<float>(23.0 + 5.0 * std::cos(kPi * 11.0 / 14.0))); // 19.09
    EXPECT_EQ(day.GetHourTemperature(0), 0.0f);
    EXPECT_THROW(static_cast<void>(day.GetHourTemperature(-1)), std::out_of_range);
    EXPECT_THROW(static_cast<void>(day.GetHourTemperature(25)), std::out_of_range);
    for (int h = 1; h < 24; ++h)
        EXPECT_EQ(day.GetHourTemperature(h) < day.GetHourTemperature(h + 1), h >= 4 && h < 14) << h;
}

TEST(HourlyMeteo, SunriseAtHourZeroLeavesNoNightBranch) {
    HourlyWeather midsummer; // 66.4° in June: 23.1 h of day
    midsummer.CalculateHoursAtLatitude({24.0f, 10.0f, 20.0f, 12.0f}, 66.4f, 172);
    for (int h = 1; h <= 14; ++h)
        EXPECT_FLOAT_EQ(midsummer.GetHourTemperature(h),
                        static_cast<float>(17.0 - 7.0 * std::cos(kPi * h / 14.0)))
            << h;
    EXPECT_FLOAT_EQ(midsummer.GetHourTemperature(24), 12.0f);
}

} // namespace
} // namespace tulo
