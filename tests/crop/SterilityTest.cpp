#include "crop/Sterility.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tulo {
namespace {

TEST(Sterility, BellAndHourlyColdDegrees) {
    EXPECT_NEAR(SpikeletSterility::BellFactor(0.04, 0.8f, 0.1), 0.9974, 1e-4);
    EXPECT_NEAR(SpikeletSterility::BellFactor(0.04, 0.9f, 0.1), 0.044, 1e-3);
    EXPECT_NEAR(SpikeletSterility::BellFactor(0.1, 0.9f, 0.25), 0.605, 1e-3);
    EXPECT_FLOAT_EQ(SpikeletSterility::HourlyColdDegrees(10.0f, 13.0f), 3.0f);
    EXPECT_EQ(SpikeletSterility::HourlyColdDegrees(20.0f, 13.0f), 0.0f);
}

TEST(Sterility, ColdSumWeightedByStageAndSensitivity) {
    const float cold = 15.0f - 50.0f / 24.0f; // 50 degree-hours under a threshold of 15
    SpikeletSterility sterility;
    const auto day = [&](std::int32_t doy, float stSen, std::int32_t senDuration, float dvs) {
        sterility.SimulateDayAtLatitude({stSen, 15.0f, senDuration}, {{cold, cold, cold, cold}, doy, dvs},
                                        45.0f);
        return sterility.GetSterilityDay(doy);
    };
    EXPECT_NEAR(day(180, 1.0f, 0, 0.8f), 0.4987, 1e-3);
    EXPECT_NEAR(day(181, 2.0f, 1, 0.9f), 2.0 * 50.0 * 0.6049 / 100.0, 1e-3);
    EXPECT_NEAR(sterility.GetSterilityDay(180), 0.4987, 1e-3);
    EXPECT_EQ(sterility.GetSterilityDay(179), 0.0f);

    sterility.SimulateDayAtLatitude({1.0f, 15.0f, 0}, {{30.0f, 16.0f, 29.0f, 17.0f}, 180, 0.8f}, 45.0f);
    EXPECT_EQ(sterility.GetSterilityDay(180), 0.0f);
    EXPECT_THROW(static_cast<void>(sterility.GetSterilityDay(kLastSeasonDay + 1)), std::out_of_range);
    EXPECT_THROW(day(-1, 1.0f, 0, 0.8f), std::out_of_range);
}

} // namespace
} // namespace tulo
