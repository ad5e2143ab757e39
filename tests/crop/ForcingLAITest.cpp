#include "crop/ForcingLAI.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

// Shares 0.3 / 0.5 / 0.2 of 200 g m-2; an observed LAI of 1.5 at SLA 0.02 m2 g-1 means 75 g of leaves.
TEST(ForcingLAI, LeavesCarryTheObservedAreaAndTheOrgansKeepTheirShares) {
    ForcedLeafArea forcing;
    forcing.ForceObservedArea(1.5f, {.AGB = 200.0f, .leaves = 60.0f, .stems = 100.0f, .panicles = 40.0f},
                              0.02f);
    const OrganBiomass& forced = forcing.GetForcedBiomass();
    EXPECT_FLOAT_EQ(forced.leaves, 75.0f);
    EXPECT_FLOAT_EQ(forced.AGB, 250.0f);
    EXPECT_FLOAT_EQ(forced.stems, 125.0f);
    EXPECT_FLOAT_EQ(forced.panicles, 50.0f);
}

} // namespace
} // namespace tulo
