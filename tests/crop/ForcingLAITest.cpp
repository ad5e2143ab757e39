#include "crop/ForcingLAI.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

// Shares 0.3 / 0.5 / 0.2 of 200 g m-2; an observed LAI of 1.5 at SLA 0.02 m2 g-1 means 75 g of leaves.
TEST(ForcingLAI, LeavesCarryTheObservedAreaAndTheOrgansKeepTheirShares) {
    ForcedLeafArea forcing;
    forcing.NDVItoForceLAI(1.5f, 200.0f, 60.0f, 100.0f, 40.0f, 0.7f, 0.02f);
    EXPECT_FLOAT_EQ(forcing.GetndviAGBleaves(), 75.0f);
    EXPECT_FLOAT_EQ(forcing.GetndviAGB(), 250.0f);
    EXPECT_FLOAT_EQ(forcing.GetndviAGBstems(), 125.0f);
    EXPECT_FLOAT_EQ(forcing.GetndviAGBpanicles(), 50.0f);
}

} // namespace
} // namespace tulo
