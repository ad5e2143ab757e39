#include "weather/Humidity.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

float RHmin(float tmin, float tmax) {
    RelativeHumidity rh;
    rh.EstimateFromTemperatures(tmin, tmax);
    EXPECT_EQ(rh.GetRHmax(), 100.0f);
    return rh.GetRHmin();
}

TEST(Humidity, CoefficientsSwitchInOppositeSensesAroundTenDegrees) {
    EXPECT_NEAR(RHmin(5, 15), 51.0, 0.5);
    EXPECT_NEAR(RHmin(20, 30), 46.8, 0.05);
    EXPECT_EQ(RHmin(10, 10), 100.0f);      // both use 7.5 exactly at 10 °C
    EXPECT_NEAR(RHmin(9, 10), 101.4, 0.1); // not limited to 100 %
    EXPECT_NEAR(RHmin(12, 11), 97.0, 0.2);
}

} // namespace
} // namespace tulo
