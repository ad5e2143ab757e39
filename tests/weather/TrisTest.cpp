#include "weather/Tris.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

TEST(Tris, SeasonalRegressionsAndWeights) {
    FloodwaterTemperature tris;
    const auto waterMax = [&tris](int doy) {
        tris.EstimateDay({25.0f, 25.0f, 25.0f, 25.0f, 25.0f, 25.0f}, doy);
        return tris.GetWaterTmax();
    };
    EXPECT_FLOAT_EQ(waterMax(163), 25.5f);
    EXPECT_FLOAT_EQ(tris.GetWaterTmin(), 28.0f);
    EXPECT_FLOAT_EQ(waterMax(164), 23.125f);
    EXPECT_FLOAT_EQ(waterMax(199), 23.125f);
    EXPECT_FLOAT_EQ(waterMax(200), 23.5f);
    EXPECT_FLOAT_EQ(waterMax(212), 23.5f);
    EXPECT_FLOAT_EQ(waterMax(213), 23.0f);

    tris.EstimateDay({30.0f, 20.0f, 10.0f, 15.0f, 10.0f, 5.0f}, 205);
    EXPECT_FLOAT_EQ(tris.GetWaterTmax(), 19.9f); // 10.8 + 5.4 + 2.7 + 1
    EXPECT_FLOAT_EQ(tris.GetWaterTmin(), 15.0f); // 9 + 2 + 1 + 3
    tris.EstimateDay({10.0f, 10.0f, 10.0f, 9.0f, 9.0f, 9.0f}, 150);
    EXPECT_FLOAT_EQ(tris.GetWaterTmax(), 3.0f); // no ordering is imposed
    EXPECT_FLOAT_EQ(tris.GetWaterTmin(), 12.0f);
}

} // namespace
} // namespace tulo
