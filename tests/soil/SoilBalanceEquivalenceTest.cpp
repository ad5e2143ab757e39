// The balance remembers potentials, skips hours and days that repeat, takes settled hours in a short path
// and writes their layer rows only when they are read. None of that may change a bit of what it shows: it
// is checked here against the balance as first written, kept below as it was, on random profiles and days.

#include "soil/Soil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace tulo {
namespace {

namespace balance_as_first_written {

// Its potentials and hourly inputs are the plain Soil::MatricPotential and Soil::HourlyWaterInput, whose
// values SoilTest pins down.
constexpr std::size_t kLayers = 16, kSlots = 25;

struct Layer {
    double thickness, swc, sat, res, alpha, n, ksat, FCmm, SATmm, drainShare;
};

struct Balance {
    int N = 0;
    std::array<Layer, kLayers> L{};
    std::array<double, kSlots> pondDepth{};
    std::array<std::array<double, kSlots>, kLayers> layerFlux{}, swcHourly{};

    // The layers as SetUpLayer left them in `soil`.
    explicit Balance(const Soil& soil) : N(soil.NLayers()) {
        for (int i = 1; i <= N; ++i) {
            const SoilLayer& s = soil.Layer(i);
            Layer& l = L[static_cast<std::size_t>(i)];
            const double thickness = s.Thickness(), FCmm = thickness * s.FieldCapacity();
            l = {thickness,  s.SWC(),   s.ThetaSat(),
                 s.SWCres(), s.Alpha(), s.n(),
                 s.ksat(),   FCmm,      thickness * s.ThetaSat(),
                 0.0};
            if (l.ksat > 0.0 && l.SATmm > l.FCmm)
                l.drainShare = 1.0 - std::exp(-1.0 / ((l.SATmm - l.FCmm) / l.ksat));
        }
    }

    double Psi(const Layer& l, double teta) const {
        return Soil::MatricPotential(teta, l.sat, l.res, l.alpha, l.n);
    }

    void WaterBalanceDarcy(double Qing, std::int32_t HQin, double h, double Evg, double WUg) {
        const auto Qh = Soil::HourlyWaterInput(Qing, HQin);
        const double Eh = Evg > 0.0 ? Evg / 12.0 : 0.0;
        const double Uh = WUg > 0.0 ? WUg / 12.0 : 0.0;
        std::array<double, kLayers> W{}, P{};
        for (int i = 1; i <= N; ++i) W[i] = L[i].thickness * L[i].swc;
        pondDepth[0] = h > 0.0 ? h : 0.0;
        const Layer& top = L[1];
        const double psiSat = Psi(top, top.sat);
        for (std::size_t t = 1; t < kSlots; ++t) {
            const bool daytime = t >= 7 && t <= 18;
            const double Et = daytime ? Eh : 0.0;
            const double Ut = daytime ? Uh : 0.0;
            if (N > 1)
                for (int i = 1; i <= N; ++i)
                    P[i] = 0.05 * static_cast<double>(i) * 9.81 - Psi(L[i], W[i] / L[i].thickness);
            const double P1 = 0.4905 - Psi(top, top.swc);
            const double available = Qh[t] + pondDepth[t - 1] - Et;
            const double Ptop = -(available - Ut) * 9.81 / 1000.0 - psiSat;
            double q = (P1 - Ptop) / 9810.0 * (top.ksat / 1000.0) * 1000.0;
            q = available <= 0.0 ? 0.0 : std::min(q, available);
            double pond = pondDepth[t - 1] + Qh[t] - Et - q - Ut;
            double inflow = q;
            for (int i = 1; i <= N; ++i) {
                Layer& l = L[i];
                double flux = inflow;
                if (i < N) flux = std::max(std::fabs(P[i] - P[i + 1]) / 9810.0 * l.ksat * 1000.0, 0.0);
                flux = std::min(flux, inflow);
                double w = W[i] - flux + inflow;
                if (w < l.FCmm) {
                    w += flux;
                    flux = 0.0;
                }
                if (w < 0.0005) w = 0.0005;
                if (w >= l.SATmm) {
                    const double drain = (w - l.FCmm) * l.drainShare;
                    flux += drain;
                    w -= drain;
                    const double excess = std::max(w - l.SATmm, 0.0);
                    w -= excess;
                    pond += excess;
                }
                l.swc = w / l.thickness;
                swcHourly[i][t] = l.swc;
                layerFlux[i][t] = flux;
                W[i] = w;
                inflow = flux;
            }
            pondDepth[t] = pond > 0.0 ? pond : 0.0;
        }
    }
};

} // namespace balance_as_first_written

std::uint64_t Bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

// Both balances hold the same bits in every array they expose.
::testing::AssertionResult SameDay(const Soil& soil, const balance_as_first_written::Balance& first) {
    for (int t = 0; t <= 24; ++t)
        if (Bits(soil.PondDepth(t)) != Bits(first.pondDepth[t]))
            return ::testing::AssertionFailure()
                   << "pond at hour " << t << ": " << soil.PondDepth(t) << " vs " << first.pondDepth[t];
    for (int i = 1; i <= first.N; ++i) {
        if (Bits(soil.LayerWaterContent(i)) != Bits(first.L[i].swc))
            return ::testing::AssertionFailure() << "layer " << i << " at the end of the day";
        for (int t = 1; t <= 24; ++t) {
            if (Bits(soil.HourlyLayerWaterContent(i, t)) != Bits(first.swcHourly[i][t]))
                return ::testing::AssertionFailure()
                       << "layer " << i << " water at hour " << t << ": "
                       << soil.HourlyLayerWaterContent(i, t) << " vs " << first.swcHourly[i][t];
            if (Bits(soil.LayerFlux(i, t)) != Bits(first.layerFlux[i][t]))
                return ::testing::AssertionFailure() << "layer " << i << " flux at hour " << t;
        }
    }
    return ::testing::AssertionSuccess();
}

struct Day {
    double Qing = 0, h = 0, Evg = 0, WUg = 0;
    std::int32_t HQin = 0;
};

// A random profile of 1 .. 15 layers: hydraulics estimated or given, some layers starting exactly at
// field capacity, saturation or the residual content, over- or undersaturated, or holding a power of two
// of millimetres.
Soil RandomProfile(std::mt19937_64& rng) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    Soil soil;
    const int layers = 1 + pick(15);
    for (int i = 1; i <= layers; ++i) {
        const double thickness = pick(4) == 0 ? std::ldexp(1.0, 5 + pick(4)) : 20.0 + 600.0 * u(rng);
        const double bd = 1.1 + 0.5 * u(rng), carbon = 0.2 + 2.0 * u(rng), clay = 5 + 50 * u(rng);
        const double sand = 5 + (90 - clay) * u(rng);
        double start = std::array{1.0, 0.05, 0.6, 1.08, 1.6, 2.5}[static_cast<std::size_t>(pick(6))];
        if (pick(3) == 0) { // estimated hydraulics
            soil.SetUpLayer(i, {.thickness = thickness,
                                .bulkDensity = bd,
                                .carbon = carbon,
                                .clay = clay,
                                .sand = sand,
                                .startShare = start});
            continue;
        }
        const double res = 0.01 + 0.08 * u(rng), sat = 0.35 + 0.2 * u(rng);
        double fc = res + (sat - res) * (0.3 + 0.6 * u(rng));
        // Starting exactly saturated, at the residual content, or with a power of two of mm in 2^k mm.
        const int kind = pick(4);
        if (kind < 3) fc = std::array{sat, res, 0.25}[static_cast<std::size_t>(kind)];
        if (kind == 2) start = pick(2) == 0 ? 1.0 : 1.5;
        const double ksat =
            std::array{0.0, 0.05, 1.0, 20.0, 400.0}[static_cast<std::size_t>(pick(5))] * (0.5 + u(rng));
        const double alpha = 0.005 + 0.05 * u(rng);
        const double n = 1.05 + 1.5 * u(rng);
        soil.SetUpLayer(i, {.thickness = thickness,
                            .bulkDensity = bd,
                            .carbon = carbon,
                            .clay = clay,
                            .sand = sand,
                            .alpha = alpha,
                            .n = n,
                            .residual = res,
                            .fieldCapacity = fc,
                            .wiltingPoint = res + 0.5 * (fc - res),
                            .saturation = sat,
                            .conductivity = ksat,
                            .startShare = start});
    }
    return soil;
}

Day RandomDay(std::mt19937_64& rng, const Day& yesterday, double pondYesterday) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    if (pick(4) == 0) return yesterday; // the same day again
    Day day;
    day.Qing = std::array{0.0, 0.0, -3.0, 2.0, 40.0 * u(rng)}[static_cast<std::size_t>(pick(5))];
    day.HQin = std::array{-3, 0, 1, 4, 11, 12, 20, 24, 30}[static_cast<std::size_t>(pick(9))];
    day.h = std::array{pondYesterday, pondYesterday, 0.0, -5.0,
                       150.0 * u(rng)}[static_cast<std::size_t>(pick(5))];
    day.Evg = std::array{0.0, -1.0, 6.0 * u(rng)}[static_cast<std::size_t>(pick(3))];
    day.WUg = std::array{0.0, -2.0, 5.0 * u(rng)}[static_cast<std::size_t>(pick(3))];
    return day;
}

TEST(SoilBalanceEquivalence, RandomProfilesAndDaysMatchTheBalanceAsFirstWrittenBitForBit) {
    std::mt19937_64 rng(20240611);
    for (int profile = 0; profile < 160; ++profile) {
        Soil soil = RandomProfile(rng);
        balance_as_first_written::Balance first(soil);
        Day day;
        for (int d = 0; d < 40; ++d) {
            day = RandomDay(rng, day, soil.PondDepth(24));
            double uptake = day.WUg;
            soil.WaterBalanceDarcy(day.Qing, day.HQin, day.h, day.Evg, uptake);
            first.WaterBalanceDarcy(day.Qing, day.HQin, day.h, day.Evg, day.WUg);
            // Some days go unread, as in a season, which reads only the pond.
            if (d % 3 == 1) continue;
            ASSERT_TRUE(SameDay(soil, first))
                << "profile " << profile << " (" << soil.NLayers() << " layers), day " << d;
        }
    }
}

TEST(SoilBalanceEquivalence, RepeatedDaysAndACopiedProfileGoOnAsTheFullComputation) {
    // A dry profile without pond: every hour and day repeats the one before; then water comes.
    const Soil::LayerInput layer{.thickness = 100,
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
                                 .conductivity = 5,
                                 .startShare = 0.5};
    Soil soil;
    for (int i = 1; i <= 4; ++i) soil.SetUpLayer(i, layer);
    balance_as_first_written::Balance first(soil);
    const Day days[] = {{0, 0, 2, 1, 0},  {0, 0, 2, 1, 0},  {0, 0, 2, 1, 0},
                        {30, 0, 2, 1, 4}, {0, 40, 0, 0, 0}, {0, 40, 0, 0, 0}};
    for (const Day& day : days) {
        double uptake = day.WUg;
        soil.WaterBalanceDarcy(day.Qing, day.HQin, day.h, day.Evg, uptake);
        first.WaterBalanceDarcy(day.Qing, day.HQin, day.h, day.Evg, day.WUg);
        ASSERT_TRUE(SameDay(soil, first));
    }
    // A copy carries on from the same state; setting a layer up again forgets the days before.
    Soil copy = soil;
    double uptake = 0;
    copy.WaterBalanceDarcy(0, 0, 40, 0, uptake);
    first.WaterBalanceDarcy(0, 0, 40, 0, 0);
    EXPECT_TRUE(SameDay(copy, first));
    copy.SetUpLayer(1, layer);
    balance_as_first_written::Balance again(copy);
    copy.WaterBalanceDarcy(0, 0, 40, 0, uptake);
    again.WaterBalanceDarcy(0, 0, 40, 0, 0);
    EXPECT_TRUE(SameDay(copy, again));
}

} // namespace
} // namespace tulo
