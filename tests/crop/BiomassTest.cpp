#include "crop/Biomass.h"

#include <cmath>

#include <gtest/gtest.h>

namespace tulo {
namespace {

constexpr float kC = 1.8f, kTb = 12.0f, kTopt = 28.0f, kTmaxG = 35.0f;

float Beta(float tmax, float tmin, float tb = kTb, float topt = kTopt, float tmaxG = kTmaxG) {
    return BiomassGrowth::TemperatureFactor({.Tb = tb, .Topt = topt, .TmaxG = tmaxG, .C = kC}, tmax, tmin);
}

TEST(Biomass, TemperatureResponseShape) {
    EXPECT_NEAR(Beta(24.0f, 16.0f), 0.52336f, 1e-5f); // Tavg 20
    EXPECT_EQ(Beta(30.0f, 26.0f), 1.0f);              // at the optimum
    EXPECT_EQ(Beta(34.0f, 30.0f), 1.0f);              // plateau above it
    EXPECT_EQ(Beta(45.0f, 40.0f), 1.0f);              // even beyond TmaxG
    EXPECT_EQ(Beta(14.0f, 10.0f), 0.0f);              // at the base
    EXPECT_EQ(Beta(5.0f, -3.0f), 0.0f);               // below it

    // Zero-width limbs must not divide by zero. Topt == Tb: a step to the plateau.
    EXPECT_EQ(Beta(30.0f, 26.0f, 28.0f, 28.0f, 35.0f), 1.0f);
    EXPECT_EQ(Beta(24.0f, 16.0f, 28.0f, 28.0f, 35.0f), 0.0f);
    // TmaxG == Topt: only the rising limb, u^C.
    EXPECT_NEAR(Beta(24.0f, 16.0f, 12.0f, 28.0f, 28.0f), std::pow(0.5, 1.8), 1e-6);
    EXPECT_EQ(Beta(30.0f, 26.0f, 12.0f, 28.0f, 28.0f), 1.0f);
    // A rising limb a hundredth of a degree wide: below the base still nothing, not 0 x infinity.
    EXPECT_EQ(Beta(12.0f, 8.0f, 21.27f, 21.28f, 50.0f), 0.0f);
    EXPECT_TRUE(std::isfinite(Beta(21.3f, 21.258f, 21.27f, 21.28f, 50.0f)));
}

TEST(RUE, RadiationAndDevelopmentReductions) {
    RadiationUseEfficiency rue;
    rue.VariableRUE(2.3f, 0.5f, 30.0f);
    EXPECT_EQ(rue.GetVarRUE(), 2.3f);
    EXPECT_EQ(rue.GetRadRUE(), 0.0f);
    EXPECT_EQ(rue.GetDVSRUE(), 0.0f);

    rue.VariableRUE(2.3f, 0.5f, 31.0f);
    EXPECT_NEAR(rue.GetRadRUE(), 0.24f * 2.3f, 1e-6f);
    EXPECT_NEAR(rue.GetVarRUE(), 0.76f * 2.3f, 1e-6f);

    rue.VariableRUE(2.3f, 1.5f, 20.0f);
    EXPECT_NEAR(rue.GetDVSRUE(), 0.125f * 2.3f, 1e-6f);
    EXPECT_NEAR(rue.GetVarRUE(), 0.875f * 2.3f, 1e-6f);

    rue.VariableRUE(2.3f, 1.5f, 31.0f); // both reductions add up
    EXPECT_NEAR(rue.GetVarRUE(), (1.0f - 0.24f - 0.125f) * 2.3f, 1e-6f);

    rue.VariableRUE(2.3f, 6.0f, 20.0f); // no lower bound
    EXPECT_NEAR(rue.GetVarRUE(), -0.25f * 2.3f, 1e-6f);
}

TEST(Biomass, GrowthOnlyWhenActiveAndIntercepting) {
    BiomassGrowth agb;
    const GrowthParameters crop{.K = 0.5f, .Tb = kTb, .Topt = kTopt, .TmaxG = kTmaxG, .C = kC};
    // Optimal temperatures, RUE 2, Rad 20, K 0.5, LAI 2: 2 x 0.5 x 20 x (1 - e^-1).
    agb.GrowDay(crop, {2.0f, 20.0f, 2.0f, 30.0f, 26.0f}, true);
    EXPECT_NEAR(agb.GetAGBdayRad(), 12.64241f, 1e-4f);
    EXPECT_EQ(agb.GetAGBday(), agb.GetAGBdayRad());

    const float potential = agb.GetAGBdayRad();
    agb.GrowDay(crop, {2.0f, 25.0f, 3.0f, 30.0f, 26.0f}, false);
    EXPECT_EQ(agb.GetAGBday(), 0.0f);
    EXPECT_EQ(agb.GetAGBdayRad(), potential); // kept from the last active day

    agb.GrowDay(crop, {2.0f, 20.0f, 0.0f, 30.0f, 26.0f}, true);
    EXPECT_EQ(agb.GetAGBday(), 0.0f);
    EXPECT_EQ(agb.GetAGBdayRad(), 0.0f);

    // The temperature factor scales the growth.
    agb.GrowDay(crop, {2.0f, 20.0f, 2.0f, 24.0f, 16.0f}, true);
    EXPECT_NEAR(agb.GetAGBday(), 12.64241f * 0.52336f, 1e-3f);
}

} // namespace
} // namespace tulo
