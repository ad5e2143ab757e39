#include "disease/Blast.h"

#include "base/DailySeries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace tulo {
namespace {

using B = LeafBlast;
using Cases = std::initializer_list<std::pair<float, double>>;

TEST(Blast, RiskFactorsAtTheirBoundaries) {
    for (auto [range, risk] : Cases{{6.0f, 1.0}, {5.5f, 0.95815}, {0.0f, 0.5}})
        EXPECT_NEAR(B::TemperatureRangeRisk(14.0f + range, 14.0f), risk, 1e-9) << range;
    for (auto [rh, risk] : Cases{{84.0f, 0.0}, {84.5f, 0.05465}, {93.0f, 1.0}})
        EXPECT_NEAR(B::HighestHumidityRisk(rh), risk, 1e-9) << rh;
    for (auto [range, risk] : Cases{{30.0f, 1.0}, {50.0f, 0.5}, {70.0f, 0.0}, {80.0f, 0.0}})
        EXPECT_NEAR(B::HumidityRangeRisk(100.0f, 100.0f - range), risk, 1e-9) << range;
    for (auto [t, risk] : Cases{{-5.0f, 0.0}, {9.0f, 0.0}, {27.5f, 0.9728}, {28.0f, 0.9988}, {40.0f, 0.0}})
        EXPECT_NEAR(B::MaximumTemperatureRisk(t), risk, 1e-9) << t;
    for (auto [rain, risk] : Cases{{4.0f, 1.0}, {6.0f, 0.5}, {8.0f, 0.0}, {10.0f, 0.0}})
        EXPECT_NEAR(B::RainRiskOf(rain), risk, 1e-9) << rain;

    for (auto [r, level] : {std::pair{0.3, 0}, {0.4, 1}, {0.5, 2}}) {
        EXPECT_EQ(B::RiskLevelOf(r), level) << r;
        EXPECT_EQ(B::RiskLevelOf(std::nextafter(r, 1.0)), level + 1) << r;
    }
}

TEST(Blast, HumidWarmDayInfectsOnlyClassesBelowItsRiskLevel) {
    double yesterday = 0.0;
    for (const std::int32_t varRes : {1, 2, 3, 5}) {
        LeafBlast blast;
        blast.SimulateDay({varRes, 95.0f, 70.0f, 30.0f, 22.0f, 0.0f, 100.0f, 0.0, 0.0f, 18.0f}, {},
                          yesterday);
        EXPECT_EQ(blast.GetRiskLevel(), 3.0);
        EXPECT_EQ(blast.GetInfection(), varRes < 3 ? 1 : 0) << varRes;
        if (varRes != 1) continue;
        EXPECT_EQ(blast.GetDTempRisk() * blast.GetMaxRhRisk() * blast.GetDltRhRisk() * blast.GetRainRisk(),
                  1.0);
        EXPECT_NEAR(blast.GetMxTempRisk(), 0.713, 1e-12);
        // Nothing sporulates yet, so the crop is untouched.
        EXPECT_EQ(blast.GetMF1() * blast.GetMF2() * blast.GetMF3(), 1.0);
        EXPECT_EQ(blast.GetMF4(), 0.0);
        EXPECT_DOUBLE_EQ(blast.GetMF12(), 1.0);
        EXPECT_EQ(blast.GetLeafRespiration(), 0.0);
    }
    LeafBlast drier;
    drier.SimulateDay({1, 95.0f, 60.0f, 30.0f, 22.0f, 0.0f, 100.0f, 0.0, 0.0f, 18.0f}, {}, yesterday);
    EXPECT_DOUBLE_EQ(drier.GetDltRhRisk(), 0.875);
    EXPECT_NEAR(drier.GetDltRhRisk() * drier.GetMxTempRisk(), 0.624, 1e-3);
    EXPECT_EQ(drier.GetRiskLevel(), 3.0);
}

TEST(Blast, TemperatureCurvesAndTheirHotGuards) {
    EXPECT_DOUBLE_EQ(B::AdvanceLatency(26.0f, 14.0f, 0.0), 1.0 / 8.8);
    EXPECT_DOUBLE_EQ(B::AdvanceLatency(34.67f, 34.67f, 0.25), 1.25);

    EXPECT_DOUBLE_EQ(B::CycleDurationDays(15.0f, 5.0f), 37.5);
    EXPECT_DOUBLE_EQ(B::CycleDurationDays(26.0f, 14.0f), 25.0);
    EXPECT_DOUBLE_EQ(B::CycleDurationDays(25.0f, 20.0f), 22.5);
    EXPECT_NEAR(B::CycleDurationDays(30.0f, 20.0f), 19.999, 1e-9);
    EXPECT_EQ(B::CycleDurationDays(44.0f, 34.0f), 1.0);

    EXPECT_DOUBLE_EQ(B::RespirationTemperatureFactor(40.0f, 30.0f), 2.0);
}

TEST(Blast, SeverityAndModifyingFactors) {
    for (auto [x, sev] :
         Cases{{0.25f, 0.5}, {0.5f, 1.0}, {0.75f, 0.4375}, {0.9f, 0.1}, {1.0f, 0.0}, {1.25f, 0.0}})
        EXPECT_NEAR(B::CycleSeverity(x), sev, 1e-7) << x;

    EXPECT_NEAR(B::DiseaseSeverity(26.0f, 14.0f, 0.3, 0.5), 0.2, 1e-12); // the larger progress counts
    EXPECT_NEAR(B::DiseaseSeverity(25.0f, 20.0f, 0.5, 0.4), 0.15, 1e-12);
    EXPECT_NEAR(B::DiseaseSeverity(30.0f, 20.0f, 0.5, 0.4), 0.0989, 1e-12);
    EXPECT_EQ(B::DiseaseSeverity(15.0f, 5.0f, 0.5, 0.4), 0.0);

    EXPECT_DOUBLE_EQ(B::ComputeMF4(0.04), 0.01);
    EXPECT_NEAR(B::ComputeMF4(0.05), 0.014525, 1e-12);
    EXPECT_NEAR(B::ComputeMF1(0.1), 0.72, 1e-12);
    EXPECT_NEAR(B::ComputeMF2(0.1), 0.74667, 1e-12);
    EXPECT_NEAR(B::ComputeMF3(0.1), 1.33333, 1e-12);
    EXPECT_NEAR(B::ComputeMF4(0.1), 0.03725, 1e-12);
}

TEST(Blast, LivingLeafShare) {
    EXPECT_DOUBLE_EQ(B::LivingLeafShare(0.5f, 3.0, 1.0f, 4.0f), 0.5);
    EXPECT_DOUBLE_EQ(B::LivingLeafShare(0.5f, 4.0, 1.0f, 4.0f), 0.4);
    EXPECT_EQ(B::LivingLeafShare(0.5f, 4.0, 1.0f, 0.0f), 1.0);
    EXPECT_EQ(B::LivingLeafShare(0.0f, 4.0, 4.0f, 4.0f), 1.0);
}

TEST(Blast, InfectionLatencySporulationAndCycleDayByDay) {
    // Mean 21.5 °C: latency 1/7.9 a day, cycle 23.5 days. No leaf area is lost, so Mndvs is 1.
    DailySeriesD progress{};
    LeafBlast blast;
    std::int32_t noBlast = 0, infection = 0, spor = 0;
    double latency = 0.0;
    const auto days = [&](int from, int to, float rhMax) {
        for (int d = from; d <= to; ++d) {
            blast.SimulateDay({1, rhMax, 70.0f, 27.5f, 15.5f, 0.0f, 100.0f, 0.0, 0.0f, 18.0f},
                              {noBlast, infection, spor, latency}, progress[d - 1]);
            progress[d] = blast.GetBlastDVStoday();
            noBlast = blast.GetNoBlast();
            infection = blast.GetInfection();
            spor = blast.GetSporulating();
            latency = blast.GetLatency();
        }
    };
    days(1, 7, 95.0f);
    EXPECT_EQ(infection, 1);
    EXPECT_NEAR(latency, 7.0 / 7.9, 1e-12);
    EXPECT_EQ(spor, 0);
    days(8, 8, 95.0f);
    EXPECT_EQ(spor, 1);
    EXPECT_NEAR(progress[8], 1.0 / 23.5, 1e-12);
    EXPECT_NEAR(blast.GetLeafRespiration(), (blast.GetMF3() - 1.0) * 2.0 * std::pow(2.0, -0.35), 1e-12);

    days(9, 30, 95.0f);
    EXPECT_NEAR(progress[30], 23.0 / 23.5, 1e-12);
    days(31, 31, 95.0f); // the cycle completes and clears yesterday's slot too
    EXPECT_EQ(progress[31] + progress[30] + spor + blast.GetBlastDVSrate(), 0.0);
    EXPECT_DOUBLE_EQ(blast.GetMF12(), 1.0);
    days(32, 32, 95.0f); // the latency is still over: a new cycle starts
    EXPECT_NEAR(progress[32], 1.0 / 23.5, 1e-12);

    const double latencyBefore = latency;
    days(33, 45, 80.0f); // too dry to infect
    EXPECT_EQ(noBlast, 13);
    EXPECT_EQ(infection, 1);
    EXPECT_EQ(latency, latencyBefore);
    days(46, 46, 80.0f);
    EXPECT_EQ(noBlast + infection, 0);
    EXPECT_EQ(latency, 0.0);
    EXPECT_GT(progress[46], progress[45]); // the running cycle goes on
    days(47, 47, 80.0f);
    EXPECT_EQ(noBlast, 0);
}

} // namespace
} // namespace tulo
