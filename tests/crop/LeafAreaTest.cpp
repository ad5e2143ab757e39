#include "crop/LeafArea.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

using Part = LeafAreaAndPartitioning;

TEST(Partition, ShareFunctions) {
    EXPECT_FLOAT_EQ(Part::SpecificLeafArea(27.0f, 18.0f, 0.0f), 0.027f);
    EXPECT_FLOAT_EQ(Part::SpecificLeafArea(27.0f, 18.0f, 0.175f), 0.02475f);
    EXPECT_FLOAT_EQ(Part::SpecificLeafArea(27.0f, 18.0f, 0.35f), 0.018f);
    EXPECT_EQ(Part::SpecificLeafArea(27.0f, 18.0f, 0.36f), 0.018f);
    EXPECT_EQ(Part::SpecificLeafArea(27.0f, 18.0f, 1.5f), 0.018f);

    EXPECT_FLOAT_EQ(Part::LeafShare(0.8f, 0.0f), 0.8f);
    EXPECT_FLOAT_EQ(Part::LeafShare(0.8f, 0.5f), 0.6f);
    EXPECT_EQ(Part::LeafShare(0.8f, 1.0f), 0.0f);
    EXPECT_EQ(Part::LeafShare(0.8f, 1.2f), 0.0f);

    EXPECT_EQ(Part::PanicleShare(0.0f), 0.0f);
    EXPECT_EQ(Part::PanicleShare(0.69f), 0.0f);
    EXPECT_NEAR(Part::PanicleShare(0.701f), -0.019445f, 1e-5f); // not raised to 0
    EXPECT_NEAR(Part::PanicleShare(1.0f), 0.6509f, 1e-5f);
    EXPECT_NEAR(Part::PanicleShare(1.2f), 0.912156f, 1e-5f);
    EXPECT_EQ(Part::PanicleShare(1.5f), 1.0f); // 1.0228 capped
    EXPECT_EQ(Part::PanicleShare(2.0f), 1.0f);
}

TEST(Partition, SplitsGrowthAndTurnsLeavesIntoArea) {
    const LeafParameters leaf{.SLA0 = 27.0f, .SLA035 = 18.0f, .RipL0 = 0.8f};
    Part p;
    p.SplitGrowth(leaf, {.growth = 10.0f, .DVS = 0.0f, .SterilityCum = 0.0f});
    EXPECT_FLOAT_EQ(p.GetLeavesAGBday(), 8.0f);
    EXPECT_EQ(p.GetPaniclesAGBday(), 0.0f);
    EXPECT_FLOAT_EQ(p.GetStemsAGBday(), 2.0f);
    EXPECT_FLOAT_EQ(p.GetLAIday(), 0.216f);

    // Sterile spikelets hand their panicle share to the stems.
    p.SplitGrowth(leaf, {.growth = 10.0f, .DVS = 1.2f, .SterilityCum = 0.3f});
    EXPECT_NEAR(p.GetPaniclesAGBday(), 0.912156f * 10.0f * 0.7f, 1e-4f);
    EXPECT_EQ(p.GetLeavesAGBday(), 0.0f);
    EXPECT_NEAR(p.GetStemsAGBday(), 10.0f - 0.912156f * 7.0f, 1e-4f);
    EXPECT_EQ(p.GetLAIday(), 0.0f);

    // Just after 0.7 the panicle share is negative and the stems get more than the remainder.
    p.SplitGrowth(leaf, {.growth = 10.0f, .DVS = 0.701f, .SterilityCum = 0.0f});
    EXPECT_LT(p.GetPaniclesAGBday(), 0.0f);
    EXPECT_GT(p.GetStemsAGBday(), 10.0f - p.GetLeavesAGBday());
    EXPECT_NEAR(p.GetLeavesAGBday() + p.GetStemsAGBday() + p.GetPaniclesAGBday(), 10.0f, 1e-5f);
}

class LeafLife : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kDaySlots; ++i) {
            gdd[i] = 20.0f * static_cast<float>(i); // 20 degree-days a day: wider than the 18 window
            lai[i] = static_cast<float>(i);         // the area formed on day i is i, to tell days apart
        }
        lai[0] = -1.0f; // fallback marker
    }
    float Shed(float leafLife, std::int32_t today) {
        LeafSenescence life;
        life.CalculateDeadLAI(gdd, lai, leafLife, today);
        return life.GetDeadLAI();
    }
    DailySeries gdd{};
    DailySeries lai{};
};

TEST_F(LeafLife, ShedsTheAreaFormedBeforeTheFirstSlotInTheWindow) {
    // Day 100: GDDcum[99] = 1980.
    EXPECT_EQ(Shed(2000.0f, 100), -1.0f); // x < 0: too early
    EXPECT_EQ(Shed(1000.0f, 100), 48.0f); // x = 980 = GDDcum[49]: lower end inclusive
    EXPECT_EQ(Shed(978.0f, 100), 50.0f);  // x = 1002, x + 18 = 1020 = GDDcum[51]: upper end inclusive
    EXPECT_EQ(Shed(979.0f, 100), -1.0f);  // x = 1001: [1001, 1019] holds no day
    gdd[5] = 985.0f;                      // left over from an earlier run, ahead of the genuine day 49
    EXPECT_EQ(Shed(1000.0f, 100), 4.0f);
}

// A transplanted crop sheds the seedbed's leaves in the field's share, so the day they grew on counts.
TEST_F(LeafLife, TellsTheDayTheShedLeavesGrewOnAndNoDayWhenNoneIsShed) {
    const auto grownOn = [&](float leafLife, std::int32_t today) {
        LeafSenescence life;
        life.CalculateDeadLAI(gdd, lai, 1000.0f, 100); // a match first, so that a miss must clear it
        life.CalculateDeadLAI(gdd, lai, leafLife, today);
        return life.GetGrowthDay();
    };
    EXPECT_EQ(grownOn(1000.0f, 100), 48);
    EXPECT_EQ(grownOn(978.0f, 100), 50);
    EXPECT_EQ(grownOn(979.0f, 100), 0);  // no day in the window
    EXPECT_EQ(grownOn(2000.0f, 100), 0); // too early
}

TEST_F(LeafLife, CarriesItsSearchOverOnlyWhereNoEarlierDayCanMatch) {
    LeafSenescence life;
    const auto shed = [&](std::int32_t today) {
        life.CalculateDeadLAI(gdd, lai, 1000.0f, today);
        return life.GetDeadLAI();
    };
    gdd[5] = 985.0f;             // above day 99's window [960, 978], inside day 100's
    EXPECT_EQ(shed(99), 47.0f);  // GDDcum[48] = 960
    EXPECT_EQ(shed(100), 4.0f);  // day 5, though it lies before yesterday's match
    gdd[100] = 2020.0f;          // the loop writes the day just simulated
    EXPECT_EQ(shed(101), 50.0f); // x = 1020
    gdd[101] = 1500.0f;          // thermal time falls (a new season)
    EXPECT_EQ(shed(102), 24.0f); // x = 500: found from day 1 again
}

} // namespace
} // namespace tulo
