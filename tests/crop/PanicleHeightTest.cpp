#include "crop/PanicleHeight.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

TEST(PanicleHeight, RisesFromZeroAtDvs06ToHmaxAtFlowering) {
    PanicleHeightGrowth panicle;
    const auto height = [&panicle](float dvs) {
        panicle.GrowDay(80.0f, dvs);
        return panicle.GetPanicleHeight();
    };
    EXPECT_EQ(height(0.59f), 0.0f);
    EXPECT_NEAR(height(0.6f), 0.0f, 1e-6);
    EXPECT_NEAR(height(0.8f), 0.30522 * 80.0, 1e-3);
    EXPECT_LT(height(0.99f), 80.0f);
    EXPECT_FLOAT_EQ(height(1.0f), 80.0f);
    EXPECT_EQ(height(1.2f), 80.0f);
}

} // namespace
} // namespace tulo
