// A paddy season with everything on: dynamic water level over three soil layers with daily irrigation,
// floodwater temperatures, cold sterility and blast with a fungicide treatment.

#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tulo {
namespace {

using test::SimulatedSeason;

TEST(FloodedSeason, LevelStaysPhysicalAndNoSeriesTurnsNaN) {
    const auto run = SimulatedSeason(*test::CompiledExample("flooded.sim"));
    const DailyOutputs& o = run->out;
    const int first = run->control.InitialDate, last = run->control.FinalDate - 1;
    double totalInput = 0;
    int infected = 0, disease = 0;
    for (int d = first; d <= last; ++d) {
        for (const OutputVariable& v : DailyOutputVariables()) {
            if (!v.value) continue;
            EXPECT_TRUE(std::isfinite(v.value(*run, d))) << v.name << " on DOY " << d;
        }
        // Never negative, and never more than the pond started with plus all the water that came in.
        totalInput += run->weather.Rain[d] + run->manag.Winputmm[d];
        EXPECT_GE(o.WaterLevel[d], 0.0) << d;
        EXPECT_LE(o.WaterLevel[d], run->manag.IniWaterLevel + totalInput / 10.0) << d;
        infected += o.InfectionInProgress[d];
        disease += o.MF12[d] < 1.0 ? 1 : 0;
    }
    // The first day starts from the initial pond, not from an empty one.
    EXPECT_NEAR(o.WaterLevel[first], run->manag.IniWaterLevel, 1.0);
    EXPECT_GT(infected, 0);
    EXPECT_GT(disease, 0); // the epidemic reaches its growth-reducing stage
}

TEST(FloodedSeason, FungicideAndResistanceCutTheEpidemic) {
    SeasonInputs inputs = *test::CompiledExample("flooded.sim");
    const auto susceptible = SimulatedSeason(inputs);
    inputs.manag.ProductApplied = false; // the DOY 200 treatment no longer counts
    const auto untreated = SimulatedSeason(inputs);
    inputs.manag.BlastClass = 3; // no risk level exceeds 3: no infection ever starts
    const auto resistant = SimulatedSeason(inputs);
    inputs.control.BLASTsimulation = false;
    const auto healthy = SimulatedSeason(inputs);
    int infected = 0, treatedDays = 0, untreatedDays = 0;
    float peakSusceptible = 0, peakResistant = 0, peakHealthy = 0;
    for (int d = 100; d < 300; ++d) {
        infected += resistant->out.InfectionInProgress[d];
        treatedDays += susceptible->out.InfectionInProgress[d];
        untreatedDays += untreated->out.InfectionInProgress[d];
        peakSusceptible = std::max(peakSusceptible, susceptible->out.AGB[d]);
        peakResistant = std::max(peakResistant, resistant->out.AGB[d]);
        peakHealthy = std::max(peakHealthy, healthy->out.AGB[d]);
    }
    EXPECT_EQ(infected, 0);
    EXPECT_LT(treatedDays, untreatedDays);
    EXPECT_EQ(peakResistant, peakHealthy);
    EXPECT_LT(peakSusceptible, 0.95f * peakHealthy);
}

} // namespace
} // namespace tulo
