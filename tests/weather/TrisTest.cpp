#include "weather/Tris.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

TEST(Tris, SeasonalRegressionsAndWeights) {
    FloodwaterTemperature tris;
    const auto waterMax = [&tris](int doy) {
        tris.TRISempiric(25.0f, 25.0f, 25.0f, 25.0f, 25.0f, 25.0f, doy);
        return tris.GetTmaxWaterE();
    };
    EXPECT_FLOAT_EQ(waterMax(163), 25.5f);
    EXPECT_FLOAT_EQ(tris.GetTminWaterE(), 28.0f);
    EXPECT_FLOAT_EQ(waterMax(164), 23.125f);
    EXPECT_FLOAT_EQ(waterMax(199), 23.125f);
    EXPECT_FLOAT_EQ(waterMax(200), 23.5f);
    EXPECT_FLOAT_EQ(waterMax(212), 23.5f);
    EXPECT_FLOAT_EQ(waterMax(213), 23.0f);

    tris.TRISempiric(30.0f, 20.0f, 10.0f, 15.0f, 10.0f, 5.0f, 205);
    EXPECT_FLOAT_EQ(tris.GetTmaxWaterE(), 19.9f); // 10.8 + 5.4 + 2.7 + 1
    EXPECT_FLOAT_EQ(tris.GetTminWaterE(), 15.0f); // 9 + 2 + 1 + 3
    tris.TRISempiric(10.0f, 10.0f, 10.0f, 9.0f, 9.0f, 9.0f, 150);
    EXPECT_FLOAT_EQ(tris.GetTmaxWaterE(), 3.0f); // no ordering is imposed
    EXPECT_FLOAT_EQ(tris.GetTminWaterE(), 12.0f);
}

} // namespace
} // namespace tulo
