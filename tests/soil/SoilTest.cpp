#include "soil/Soil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace tulo {
namespace {

// Alpha 0.01, n 2, residual 0.05, field capacity 0.3, wilting point 0.1, saturation 0.45.
void GivenLayer(Soil& soil, int i, double thickness, double ksat, double start) {
    soil.SetUpLayer(i, {.thickness = thickness,
                        .bulkDensity = 1.4,
                        .carbon = 1.0,
                        .clay = 30,
                        .sand = 30,
                        .alpha = 0.01,
                        .n = 2.0,
                        .residual = 0.05,
                        .fieldCapacity = 0.3,
                        .wiltingPoint = 0.1,
                        .saturation = 0.45,
                        .conductivity = ksat,
                        .startShare = start});
}

TEST(SoilRetention, PotentialBoundsAndCurves) {
    const double a = 0.01, n = 2.0, r = 0.05, s = 0.45;
    double teta = r;
    EXPECT_NEAR(Soil::MatricPotential(teta, s, r, a, n), -1500.0, 1e-9);
    EXPECT_DOUBLE_EQ(teta, 1.1 * r);
    teta = 0.6;
    EXPECT_DOUBLE_EQ(Soil::MatricPotential(teta, s, r, a, n), -0.01);

    teta = 0.2;
    const double psi = Soil::MatricPotential(teta, s, r, a, n);
    double suction = -psi;
    EXPECT_NEAR(Soil::WaterContentAtSuction(a, n, r, s, suction), 0.2, 1e-12);
    EXPECT_DOUBLE_EQ(suction, -psi * 10.2);
    EXPECT_DOUBLE_EQ(Soil::FieldCapacityContent(a, n, r, s), 0.05 + 0.40 * std::pow(1.0 + 3.37 * 3.37, -0.5));
    EXPECT_DOUBLE_EQ(Soil::WiltingPointContent(a, n, r, s),
                     0.05 + 0.40 * std::pow(1.0 + 153.0 * 153.0, -0.5));
}

TEST(SoilSetUp, EstimatesAndStepOrder) {
    Soil soil;
    // Every hydraulic value left out (kMissing) is estimated.
    soil.SetUpLayer(
        1, {.thickness = 200, .bulkDensity = 1.35, .carbon = 1.2, .clay = 30, .sand = 30, .startShare = 1.0});
    // No carbon, but nothing to estimate.
    soil.SetUpLayer(2, {.thickness = 100,
                        .bulkDensity = 1.5,
                        .carbon = 0.0,
                        .clay = 20,
                        .sand = 40,
                        .alpha = 0.02,
                        .n = 1.5,
                        .residual = 0.05,
                        .fieldCapacity = 0.3,
                        .wiltingPoint = 0.1,
                        .saturation = 0.42,
                        .conductivity = 5,
                        .startShare = 0.5});
    ASSERT_EQ(soil.NLayers(), 2);

    // The continuous topsoil functions of Wösten et al. (1999) for clay 30, silt 40, carbon 1.2 % and bulk
    // density 1.35, evaluated independently.
    const SoilLayer& top = soil.Layer(1);
    EXPECT_NEAR(top.ThetaSat(), 0.4565646622, 1e-10);
    EXPECT_NEAR(top.Alpha(), 0.03655627075, 1e-11);
    EXPECT_NEAR(top.n(), 1.153767516, 1e-9);
    EXPECT_NEAR(top.ksat(), 33.55288937, 1e-8);
    EXPECT_EQ(top.SWCres(), 0.01);
    EXPECT_EQ(top.FieldCapacity(), Soil::FieldCapacityContent(top.Alpha(), top.n(), 0.01, top.ThetaSat()));
    EXPECT_EQ(top.WiltingPoint(), Soil::WiltingPointContent(top.Alpha(), top.n(), 0.01, top.ThetaSat()));
    EXPECT_DOUBLE_EQ(soil.LayerWaterContent(1), top.FieldCapacity());

    EXPECT_EQ(soil.Layer(2).Alpha(), 0.02);
    EXPECT_DOUBLE_EQ(soil.LayerWaterContent(2), 0.15);
}

TEST(SoilWaterBalance, HourlyInputWindow) {
    const auto expect = [](double Qing, int HQin, int first, int last) {
        const auto q = Soil::HourlyWaterInput(Qing, HQin);
        for (int t = 0; t <= 24; ++t)
            EXPECT_DOUBLE_EQ(q[t], t >= first && t <= last ? Qing / (last - first + 1) : 0.0)
                << HQin << ", " << t;
    };
    expect(8, 4, 14, 17);
    expect(22, 11, 14, 24);
    expect(24, 12, 13, 24);
    expect(20, 20, 5, 24);
    expect(48, 30, 1, 24);
    expect(5, 0, 14, 14);
    expect(5, -3, 14, 14);
    expect(-2, 4, 0, -1);
}

TEST(SoilWaterBalance, LayersBelowFieldCapacityOnlyTakeUpInfiltration) {
    Soil soil;
    for (int i = 1; i <= 3; ++i) GivenLayer(soil, i, 100, 20, 0.5);
    double uptake = 0;
    soil.WaterBalanceDarcy(0, 0, -30, 0, uptake); // a negative depth is no pond
    for (int t = 0; t <= 24; ++t) EXPECT_EQ(soil.PondDepth(t), 0);
    for (int i = 1; i <= 3; ++i) EXPECT_DOUBLE_EQ(soil.LayerWaterContent(i), 0.15);

    // The pond shrinks hour by hour by what the top layer takes and keeps.
    soil.WaterBalanceDarcy(0, 0, 50, 0, uptake);
    for (int t = 1; t <= 24; ++t) EXPECT_LT(soil.PondDepth(t), soil.PondDepth(t - 1));
    EXPECT_NEAR((soil.LayerWaterContent(1) - 0.15) * 100, 50 - soil.PondDepth(24), 1e-9);
    EXPECT_DOUBLE_EQ(soil.LayerWaterContent(3), 0.15);

    // A dry, fast layer under a thin pond takes no more than the pond holds.
    Soil dry;
    GivenLayer(dry, 1, 100, 500, 0.1);
    GivenLayer(dry, 2, 100, 500, 0.1);
    dry.WaterBalanceDarcy(0, 0, 1.0, 0, uptake);
    EXPECT_EQ(dry.PondDepth(24), 0);
    EXPECT_NEAR((dry.LayerWaterContent(1) - 0.03) * 100, 1.0, 1e-9);
}

TEST(SoilWaterBalance, SingleLayerPassesInfiltrationThroughAndPondStaysPositive) {
    Soil soil;
    GivenLayer(soil, 1, 150, 20, 1.2); // 0.36, between field capacity and saturation
    double uptake = 0;
    soil.WaterBalanceDarcy(10, 4, 80, 0, uptake);
    EXPECT_DOUBLE_EQ(soil.LayerWaterContent(1), 0.36);
    EXPECT_GT(soil.PondDepth(24), 0);
    EXPECT_LT(soil.PondDepth(24), 90);

    uptake = 300;
    soil.WaterBalanceDarcy(5, 2, 10, 500, uptake);
    for (int t = 0; t <= 24; ++t) EXPECT_GE(soil.PondDepth(t), 0);
    EXPECT_EQ(soil.PondDepth(24), 0);
}

TEST(SoilWaterBalance, SaturatedLayerDrainsTowardFieldCapacityAndSpillsTheRest) {
    // 48 mm in a layer holding 30 mm at field capacity and 45 mm at saturation: the water above field
    // capacity drains with the travel time (45 - 30) / ksat; what stays above saturation spills, once.
    const auto day = [](double ksat) {
        Soil soil;
        GivenLayer(soil, 1, 100, ksat, 1.6);
        double uptake = 0;
        soil.WaterBalanceDarcy(0, 0, 0, 0, uptake);
        return std::tuple{soil.HourlyLayerWaterContent(1, 1) * 100, soil.PondDepth(1), soil.PondDepth(24)};
    };
    const auto [fastWater, fastPond, fastEnd] = day(10);
    EXPECT_NEAR(fastWater, 48 - 18 * (1 - std::exp(-10.0 / 15)), 1e-9);
    EXPECT_EQ(fastEnd, 0);
    const auto [slowWater, slowPond, slowEnd] = day(1);
    EXPECT_NEAR(slowWater, 45, 1e-9);
    EXPECT_NEAR(slowPond, 48 - 18 * (1 - std::exp(-1.0 / 15)) - 45, 1e-9);
    const auto [closedWater, closedPond, closedEnd] = day(0); // conducts nothing, drains nothing
    EXPECT_NEAR(closedWater, 45, 1e-9);
    EXPECT_NEAR(closedPond, 3, 1e-9);
    EXPECT_NEAR(closedEnd, 3, 1e-9);
}

} // namespace
} // namespace tulo
