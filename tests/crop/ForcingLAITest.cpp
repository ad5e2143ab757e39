#include "crop/ForcingLAI.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

// Shares 0.3 / 0.5 / 0.2 of 200 g m-2, every leaf green: 60 g at SLA 0.02 m2 g-1 carry a LAI of 1.2, so an
// observed LAI of 1.5 means 75 g of leaves and a crop of 250 g.
TEST(ForcingLAI, LeavesCarryTheObservedAreaAndTheOrgansKeepTheirShares) {
    ForcedLeafArea forcing;
    forcing.ForceObservedArea(1.5f, 1.2f,
                              {.AGB = 200.0f, .leaves = 60.0f, .stems = 100.0f, .panicles = 40.0f});
    const OrganBiomass& forced = forcing.GetForcedBiomass();
    EXPECT_FLOAT_EQ(forced.leaves, 75.0f);
    EXPECT_FLOAT_EQ(forced.AGB, 250.0f);
    EXPECT_FLOAT_EQ(forced.stems, 125.0f);
    EXPECT_FLOAT_EQ(forced.panicles, 50.0f);
}

// Half of the 60 g of leaves are dead: the green 30 g carry 0.6. The crop's own area gives the crop back,
// bit for bit; twice the area, twice the crop, dead leaves included.
TEST(ForcingLAI, DeadLeavesCarryNoAreaSoTheCropsOwnAreaChangesNothing) {
    const OrganBiomass simulated{.AGB = 200.1f, .leaves = 60.3f, .stems = 99.7f, .panicles = 40.1f};
    ForcedLeafArea forcing;
    forcing.ForceObservedArea(0.6f, 0.6f, simulated);
    const OrganBiomass& own = forcing.GetForcedBiomass();
    EXPECT_EQ(own.AGB, simulated.AGB);
    EXPECT_EQ(own.leaves, simulated.leaves);
    EXPECT_EQ(own.stems, simulated.stems);
    EXPECT_EQ(own.panicles, simulated.panicles);
    forcing.ForceObservedArea(1.2f, 0.6f, simulated);
    EXPECT_FLOAT_EQ(forcing.GetForcedBiomass().AGB, 400.2f);
    EXPECT_FLOAT_EQ(forcing.GetForcedBiomass().leaves, 120.6f);
}

} // namespace
} // namespace tulo
