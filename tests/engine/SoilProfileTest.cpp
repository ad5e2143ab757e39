// A compilation prepares the soil table once; every season starts from a copy, and a run state whose
// table no longer matches what was prepared prepares its own, so that it runs as its table says.

#include "engine/Season.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <memory>

namespace tulo {
namespace {

TEST(SoilProfile, SeasonsRunAsTheirSoilTableSaysWhetherPreparedOrNot) {
    const auto inputs = test::CompiledExample("flooded.sim");
    ASSERT_TRUE(inputs);
    const ControlParameters& control = inputs->control;
    ASSERT_EQ(control.soilProfile.NLayers, 3);
    EXPECT_TRUE(control.soilProfile.PreparedFrom(control.NLayers, control.SoilLayers));

    auto run = std::make_unique<RunState>();
    RunSeason(*inputs, {}, *run);
    const DailySeriesD prepared = run->out.WaterLevel;
    RunSeason(*inputs, {}, *run); // the season leaves the prepared profile as it was
    EXPECT_EQ(run->out.WaterLevel, prepared);

    // Nothing prepared: the loop prepares the same soil.
    auto bare = std::make_unique<RunState>(*run);
    bare->control.soilProfile = SoilProfile{};
    RunSeason(*inputs, {}, *bare);
    EXPECT_EQ(bare->out.WaterLevel, prepared);

    // A table changed after it was prepared runs as inputs prepared from the changed table do.
    auto edited = std::make_unique<RunState>(*run);
    edited->control.SoilLayers[1][11] = 20; // the top layer's conductivity
    edited->control.SoilLayers[2][12] = 0.5;
    RunSeason(*inputs, {}, *edited);
    SeasonInputs changed = *inputs;
    changed.control.SoilLayers = edited->control.SoilLayers;
    changed.control.soilProfile.Prepare(changed.control.NLayers, changed.control.SoilLayers);
    SealSeasonInputs(changed);
    auto fresh = std::make_unique<RunState>();
    RunSeason(changed, {}, *fresh);
    EXPECT_EQ(edited->out.WaterLevel, fresh->out.WaterLevel);
    EXPECT_NE(edited->out.WaterLevel, prepared);
}

TEST(SoilProfile, PreparedFromComparesEveryValueOfTheLayersInUse) {
    SoilTableRows table{};
    table[1] = {200, 1.35, 1.2, 30, 30, -1, -1, -1, -1, -1, -1, 2, 1};
    table[2] = {150, 1.55, 0.6, 35, 25, -1, -1, -1, -1, -1, -1, 0.1, 1};
    SoilProfile profile;
    profile.Prepare(2, table);
    EXPECT_TRUE(profile.PreparedFrom(2, table));
    EXPECT_FALSE(profile.PreparedFrom(1, table));
    table[3][0] = 99; // a row beyond the layers in use does not matter
    EXPECT_TRUE(profile.PreparedFrom(2, table));
    table[2][12] = 1.0000000000000002; // the last bit of the starting water does
    EXPECT_FALSE(profile.PreparedFrom(2, table));
    EXPECT_FALSE(SoilProfile{}.PreparedFrom(0, SoilTableRows{}));
}

} // namespace
} // namespace tulo
