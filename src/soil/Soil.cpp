#include "soil/Soil.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace tulo {

namespace {

// Suctions (cm of water) of the wilting point, 1500 kPa, and of field capacity, 33 kPa, rounded to whole
// centimetres.
constexpr double kWiltingSuction = 15300.0;
constexpr double kFieldCapacitySuction = 337.0;
// cm of water per kPa.
constexpr double kCmPerKPa = 10.2;
constexpr double kDriestPsi = -1500.0;
// Evaporation and uptake are spread over the daytime hours 7 .. 18.
constexpr std::int32_t kFirstDayHour = 7;
constexpr std::int32_t kLastDayHour = 18;
constexpr double kDayHours = 12.0;
// Shorter water inputs start at 14 h; longer ones end with the day.
constexpr std::int32_t kInputStartHour = 14;
// Below this a layer is taken as holding this much water (mm), so its potential stays defined.
constexpr double kDriestLayerMm = 0.0005;

// The same bits: a state or input that repeats this exactly gives the same results.
bool Same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

double Retention(double Alpha, double n, double tetares, double SWCsat, double h) {
    const double m = 1.0 - 1.0 / n;
    return tetares + (SWCsat - tetares) / std::pow(1.0 + std::pow(Alpha * h, n), m);
}

} // namespace

std::size_t Soil::LayerSlot(std::int32_t i, std::int32_t layers) {
    if (i < 1 || i > layers)
        throw std::out_of_range("soil layer " + std::to_string(i) + " outside 1.." + std::to_string(layers));
    return static_cast<std::size_t>(i);
}

double Soil::PondDepth(std::int32_t t) const {
    if (t < 0 || t > kHours) throw std::out_of_range("hour " + std::to_string(t) + " outside 0..24");
    return PondDepth_[static_cast<std::size_t>(t)];
}

double Soil::LayerWaterContent(std::int32_t i) const {
    return Layers_[LayerSlot(i, NLayers_)].SWC();
}

double Soil::HourlyLayerWaterContent(std::int32_t i, std::int32_t T) const {
    if (T < 1 || T > kHours) throw std::out_of_range("hour " + std::to_string(T) + " outside 1..24");
    if (pendingRuns_ != 0) WriteSettled();
    return SWChourly_[LayerSlot(i, NLayers_)][static_cast<std::size_t>(T)];
}

double Soil::LayerFlux(std::int32_t i, std::int32_t T) const {
    if (T < 1 || T > kHours) throw std::out_of_range("hour " + std::to_string(T) + " outside 1..24");
    if (pendingRuns_ != 0) WriteSettled();
    return LayerFlux_[LayerSlot(i, NLayers_)][static_cast<std::size_t>(T)];
}

const SoilLayer& Soil::Layer(std::int32_t i) const {
    return Layers_[LayerSlot(i, NLayers_)];
}

void Soil::SetUpLayer(std::int32_t i, const LayerInput& input) {
    const double Thick = input.thickness, BD = input.bulkDensity, carbon = input.carbon, clay = input.clay;
    const double Alpha = input.alpha, n = input.n, SWCres = input.residual, FC = input.fieldCapacity;
    const double WP = input.wiltingPoint, Sat = input.saturation, satK = input.conductivity;
    const std::size_t k = LayerSlot(i, kMaxLayers);
    NLayers_ = i;
    pendingRuns_ = 0;
    for (auto& row : LayerFlux_) row.fill(0.0);
    for (auto& row : SWChourly_) row.fill(0.0);

    const double silt = 100.0 - clay - input.sand;
    SoilLayer& layer = Layers_[k];
    layer.setBulkDensity(BD);
    layer.setThickness(Thick);
    layer.setAlpha(Alpha == kMissing ? AlphaPTF(clay, silt, BD, carbon) : Alpha);
    layer.setCarbon(carbon);
    layer.setN(n == kMissing ? nPTF(clay, silt, BD, carbon) : n);
    layer.setClay(clay);
    layer.setSilt(silt);
    layer.setSWCres(SWCres == kMissing ? 0.01 : SWCres);
    layer.setKsat(satK == kMissing ? KsatPTF(clay, silt, BD, carbon) : satK);
    layer.setThetaSat(Sat == kMissing ? ThetaSatPTF(clay, silt, BD, carbon) : Sat);
    // Field capacity and wilting point follow from the curve just set, estimated or given.
    layer.setFieldCapacity(
        FC == kMissing ? FieldCapacityContent(layer.Alpha(), layer.n(), layer.SWCres(), layer.ThetaSat())
                       : FC);
    layer.setWiltingPoint(
        WP == kMissing ? WiltingPointContent(layer.Alpha(), layer.n(), layer.SWCres(), layer.ThetaSat())
                       : WP);
    layer.setSWC(layer.FieldCapacity() * input.startShare * Thick);

    LayerTerms& c = terms_[k];
    c.thickness = layer.Thickness();
    c.FCmm = layer.Thickness() * layer.FieldCapacity();
    c.SATmm = layer.Thickness() * layer.ThetaSat();

    // A layer at saturation sheds part of its water above field capacity each hour, the more the shorter
    // its travel time (SAT - FC) / ksat. A layer that conducts nothing, or whose saturation does not exceed
    // field capacity, drains nothing.
    c.drainShare = 0.0;
    if (layer.ksat() > 0.0 && c.SATmm > c.FCmm) {
        const double travelTime = (c.SATmm - c.FCmm) / layer.ksat();
        c.drainShare = 1.0 - std::exp(-1.0 / travelTime);
    }
    c.ksat = layer.ksat();
    c.ksatPerThousand = layer.ksat() / 1000.0;
    c.gravity = 0.05 * static_cast<double>(i) * 9.81;
    c.tetares = layer.SWCres();
    c.tetasat = layer.ThetaSat();
    c.invAlpha = 1.0 / layer.Alpha();
    c.range = layer.ThetaSat() - layer.SWCres();
    const double m = 1.0 - 1.0 / layer.n();
    c.invM = 1.0 / m;
    c.invN = 1.0 / layer.n();
    double tetaAtSaturation = layer.ThetaSat();
    c.psiSat = MatricPotential(tetaAtSaturation, layer.ThetaSat(), layer.SWCres(), layer.Alpha(), layer.n());

    // What the balance worked out for the old profile no longer holds.
    waterKnown_ = potentialsKnown_ = infiltrationKnown_ = lastDayKnown_ = false;
    psiMemo_[k].teta.fill(std::numeric_limits<double>::quiet_NaN());
    // The first hour asks for the potential at the starting content, and at the content its water in mm
    // gives back; a profile prepared once for many seasons has both at hand.
    LayerPsi(k, layer.SWC());
    LayerPsi(k, c.thickness * layer.SWC() / c.thickness);
}

double Soil::LayerPotential(const LayerTerms& c, double Teta) {
    double h = 0.0; // cm
    if (Teta <= c.tetares) {
        h = -kDriestPsi * kCmPerKPa;
    } else if (Teta >= c.tetasat) {
        h = 0.102;
    } else {
        h = c.invAlpha * std::pow(std::pow(c.range / (Teta - c.tetares), c.invM) - 1.0, c.invN);
    }
    const double Psi = -h / kCmPerKPa;
    return Psi < kDriestPsi ? kDriestPsi : Psi;
}

double Soil::LayerPsi(std::size_t k, double teta) {
    PsiMemo& memo = psiMemo_[k];
    if (teta == memo.teta[0]) return memo.psi[0];
    if (teta == memo.teta[1]) return memo.psi[1];
    memo.teta[1] = memo.teta[0];
    memo.psi[1] = memo.psi[0];
    memo.teta[0] = teta;
    memo.psi[0] = LayerPotential(terms_[k], teta);
    return memo.psi[0];
}

double Soil::WaterContentAtSuction(double Alpha, double n, double tetares, double SWCsat, double& Psi) {
    if (Psi == 0.0) return SWCsat;
    Psi = Psi * kCmPerKPa;
    return Retention(Alpha, n, tetares, SWCsat, Psi);
}

double Soil::WiltingPointContent(double Alpha, double n, double tetares, double SWCsat) {
    return Retention(Alpha, n, tetares, SWCsat, kWiltingSuction);
}

double Soil::FieldCapacityContent(double Alpha, double n, double tetares, double SWCsat) {
    return Retention(Alpha, n, tetares, SWCsat, kFieldCapacitySuction);
}

double Soil::MatricPotential(double& Teta, double Tetasat, double tetares, double Alpha, double n) {
    const double m = 1.0 - 1.0 / n;
    double h = 0.0; // cm
    if (Teta <= tetares) {
        h = -kDriestPsi * kCmPerKPa;
        Teta = 1.1 * tetares;
    } else if (Teta >= Tetasat) {
        h = 0.102;
    } else {
        h = (1.0 / Alpha) *
            std::pow(std::pow((Tetasat - tetares) / (Teta - tetares), 1.0 / m) - 1.0, 1.0 / n);
    }
    const double Psi = -h / kCmPerKPa;
    return Psi < kDriestPsi ? kDriestPsi : Psi;
}

double Soil::ThetaSatPTF(double clay, double silt, double BD, double carbon) {
    const double C = clay, S = silt, D = BD, OM = 1.72 * carbon;
    return 0.7919 + 0.001691 * C - 0.29619 * D - 0.000001491 * S * S + 0.0000821 * OM * OM + 0.02427 / C +
           0.01113 / S + 0.01472 * std::log(S) - 0.0000733 * OM * C - 0.000619 * D * C - 0.001183 * D * OM -
           0.0001664 * S;
}

double Soil::AlphaPTF(double clay, double silt, double BD, double carbon) {
    const double C = clay, S = silt, D = BD, OM = 1.72 * carbon;
    return std::exp(-14.96 + 0.03135 * C + 0.0351 * S + 0.646 * OM + 15.29 * D - 0.192 - 4.671 * D * D -
                    0.000781 * C * C - 0.00687 * OM * OM + 0.0449 / OM + 0.0663 * std::log(S) +
                    0.1482 * std::log(OM) - 0.04546 * D * S - 0.4852 * D * OM + 0.00673 * C);
}

double Soil::nPTF(double clay, double silt, double BD, double carbon) {
    const double C = clay, S = silt, D = BD, OM = 1.72 * carbon;
    return 1.0 + std::exp(-25.23 - 0.02195 * C + 0.0074 * S - 0.194 * OM + 45.5 * D - 7.24 * D * D +
                          0.0003658 * C * C + 0.002885 * OM * OM - 12.81 / D - 0.1524 / S - 0.01958 / OM -
                          0.2876 * std::log(S) - 0.0709 * std::log(OM) - 44.6 * std::log(D) -
                          0.02264 * D * C + 0.0896 * D * OM + 0.00718 * C);
}

double Soil::KsatPTF(double clay, double silt, double BD, double carbon) {
    const double C = clay, S = silt, D = BD, OM = 1.72 * carbon;
    return std::exp(7.755 + 0.0352 * S + 0.93 - 0.967 * D * D - 0.000484 * C * C - 0.000322 * S * S +
                    0.001 / S - 0.0748 / OM - 0.643 * std::log(S) - 0.01398 * D * C - 0.1673 * D * OM +
                    0.02986 * C - 0.03305 * S);
}

Soil::InputHours Soil::InputWindow(double waterInput, std::int32_t inputHours) {
    InputHours hours;
    if (!(waterInput > 0.0)) return hours;
    hours.first = kInputStartHour;
    hours.last = kInputStartHour;
    if (inputHours >= 1 && inputHours <= kHours - kInputStartHour + 1) {
        hours.last = kInputStartHour + inputHours - 1;
    } else if (inputHours > kHours - kInputStartHour + 1) {
        // Would run past midnight: shifted earlier so the whole input arrives within the day.
        hours.first = inputHours >= kHours ? 1 : kHours + 1 - inputHours;
        hours.last = kHours;
    }
    hours.share = waterInput / static_cast<double>(hours.last - hours.first + 1);
    return hours;
}

std::array<double, Soil::kHours + 1> Soil::HourlyWaterInput(double waterInput, std::int32_t inputHours) {
    std::array<double, kHours + 1> input{};
    const InputHours hours = InputWindow(waterInput, inputHours);
    for (std::int32_t t = hours.first; t <= hours.last; ++t) input[static_cast<std::size_t>(t)] = hours.share;
    return input;
}

void Soil::UpdatePotentials() {
    const std::size_t N = static_cast<std::size_t>(NLayers_);
    if (N == 1) passLimit_ = std::numeric_limits<double>::infinity();
    if (N > 1) {
        std::uint32_t moved = 0; // bit k: the potential of layer k changed
        for (std::size_t k = 1; k <= N; ++k) {
            if (potentialsKnown_ && Same(W_[k], potW_[k])) continue;
            potW_[k] = W_[k];
            P_[k] = terms_[k].gravity - LayerPsi(k, W_[k] / terms_[k].thickness);
            moved |= 1u << k;
        }
        // A layer's capacity depends on its own potential and on the one of the layer below.
        if (moved != 0) {
            passLimit_ = std::numeric_limits<double>::infinity();
            for (std::size_t k = 1; k < N; ++k) {
                if (moved & (3u << k))
                    capacity_[k] =
                        std::max(std::fabs(P_[k] - P_[k + 1]) / 9810.0 * terms_[k].ksat * 1000.0, 0.0);
                // An unknown capacity lets nothing through unexamined.
                passLimit_ = std::isnan(capacity_[k]) ? -std::numeric_limits<double>::infinity()
                                                      : std::min(passLimit_, capacity_[k]);
            }
        }
        potentialsKnown_ = true;
    }
    if (!infiltrationKnown_ || !Same(topSWC_, infiltrationTeta_)) {
        infiltrationTeta_ = topSWC_;
        infiltrationP_ = 0.4905 - LayerPsi(1, topSWC_);
        infiltrationKnown_ = true;
    }
}

void Soil::SetLayerWater(std::size_t k, double w, double swc) {
    const LayerTerms& c = terms_[k];
    W_[k] = w;
    swcW_[k] = swc;
    gridKnown_ = false;
    // The tests of the hour on water that does not move: none of them changes it.
    settled_[k] = !(w < c.FCmm) && !(w < kDriestLayerMm) && !(w >= c.SATmm);
}

bool Soil::FullHour(std::size_t t, const HourInputs& in) {
    const std::size_t bottom = static_cast<std::size_t>(NLayers_);
    const LayerTerms& top = terms_[1];
    // Infiltration from the pond into the top layer, driven by the pond's weight against the top
    // layer's potential at its stored content.
    const double available = in.Q + PondDepth_[t - 1] - in.E;
    const double Ptop = -(available - in.U) * 9.81 / 1000.0 - top.psiSat;
    double q = (infiltrationP_ - Ptop) / 9810.0 * top.ksatPerThousand * 1000.0;
    // A dry layer under a thin pond could draw more than the pond holds; it gets what there is.
    q = available <= 0.0 ? 0.0 : std::min(q, available);

    // The pond plus the input less the evaporation is `available`: the sum is the same in either order.
    double pond = available - q - in.U;
    double inflow = q; // what the layer above passes down this hour
    bool moved = false;
    allSettled_ = true;
    for (std::size_t k = 1; k <= bottom; ++k) {
        const LayerTerms& c = terms_[k];
        // The bottom layer passes on what it receives; the others conduct down their potential
        // difference, never more than they receive.
        double flux = k < bottom ? std::min(capacity_[k], inflow) : inflow;
        double w = W_[k] - flux + inflow;
        if (w < c.FCmm) { // below field capacity nothing leaves
            w += flux;
            flux = 0.0;
        }
        if (w < kDriestLayerMm) w = kDriestLayerMm;
        if (w >= c.SATmm) {
            const double drain = (w - c.FCmm) * c.drainShare;
            flux += drain;
            w -= drain;
            // What is still beyond saturation spills back onto the field.
            const double excess = std::max(w - c.SATmm, 0.0);
            w -= excess;
            pond += excess;
        }
        const double swc = w / c.thickness;
        SWChourly_[k][t] = swc;
        LayerFlux_[k][t] = flux;
        if (!Same(w, W_[k])) {
            SetLayerWater(k, w, swc);
            moved = true;
        }
        allSettled_ = allSettled_ && settled_[k];
        inflow = flux;
    }
    PondDepth_[t] = pond > 0.0 ? pond : 0.0;
    const bool unchanged =
        !moved && Same(PondDepth_[t], PondDepth_[t - 1]) && Same(SWChourly_[1][t], topSWC_);
    topSWC_ = SWChourly_[1][t];
    // The next hour's potentials, as it would find them.
    UpdatePotentials();
    return unchanged;
}

void Soil::FindGrid() {
    const std::size_t bottom = static_cast<std::size_t>(NLayers_);
    // (W - q) + q gives W back unless W - q is a tie, which needs q to be an odd multiple of half an
    // ulp of W: a q below half of every W, on no grid as coarse as the finest of those half ulps, comes
    // back unchanged from every layer. W must be normal and no power of two (whose lower neighbour is
    // closer). Such a q is told by (q + C) - C differing from q, with C = 2^(E - 1) for the least
    // exponent E of the layers' water.
    std::uint64_t least = 0x7ff;
    bool gridded = true;
    for (std::size_t k = 1; k <= bottom; ++k) {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(W_[k]);
        const std::uint64_t exponent = bits >> 52; // settled water is positive: no sign bit
        gridded = gridded && exponent > 1 && exponent < 0x7ff && (bits & 0xfffffffffffffULL) != 0;
        least = std::min(least, exponent);
    }
    grid_ = gridded ? std::bit_cast<double>((least - 1) << 52) : 0.0;
    gridKnown_ = true;
}

std::size_t Soil::SettledHours(std::size_t t, const DayRuns& runs, std::size_t r) {
    const std::size_t bottom = static_cast<std::size_t>(NLayers_);
    const LayerTerms& top = terms_[1];
    const double P1 = infiltrationP_;
    const double limit = passLimit_;
    if (!gridKnown_) FindGrid();
    const double C = grid_;
    const double quick = std::min(limit, C);

    // Each hour's infiltration, which every layer passes on; the other layers' rows wait (KeepSettled).
    auto& passed = LayerFlux_[1];
    double previous = PondDepth_[t - 1];
    for (; r < runs.count; ++r) {
        const HourInputs in = runs.run[r].in;
        const std::size_t end = static_cast<std::size_t>(runs.run[r].end);
        for (; t < end; ++t) {
            const double available = in.Q + previous - in.E;
            const double Ptop = -(available - in.U) * 9.81 / 1000.0 - top.psiSat;
            double q = (P1 - Ptop) / 9810.0 * top.ksatPerThousand * 1000.0;
            q = available <= 0.0 ? 0.0 : std::min(q, available);
            // Below every layer's capacity the infiltration passes through the profile as FullHour would
            // pass it, if each layer comes out with the water it went in with, to the bit.
            const bool passes = q > 0.0 && q < quick && q + C - C != q;
            if (!passes) {
                if (!(q < limit)) return t;
                std::size_t k = 1;
                while (k <= bottom && Same(W_[k] - q + q, W_[k])) ++k;
                if (k <= bottom) return t;
            }
            passed[t] = q;
            const double pond = available - q - in.U;
            PondDepth_[t] = pond > 0.0 ? pond : 0.0;
            // An infiltration that passes cannot leave the pond as it was but by chance.
            if (!passes && Same(PondDepth_[t], previous)) {
                // Nothing changed: so it stays to the end of the run.
                for (std::size_t s = t + 1; s < end; ++s) {
                    PondDepth_[s] = PondDepth_[t];
                    passed[s] = q;
                }
                t = end;
                break;
            }
            previous = PondDepth_[t];
        }
    }
    return t;
}

void Soil::KeepSettled(std::size_t from, std::size_t to) {
    if (to <= from) return;
    pendingFrom_[pendingRuns_] = static_cast<std::uint8_t>(from);
    pendingTo_[pendingRuns_] = static_cast<std::uint8_t>(to);
    pendingSWC_[pendingRuns_] = swcW_;
    ++pendingRuns_;
}

void Soil::WriteSettled() const {
    const auto& passed = LayerFlux_[1];
    for (std::size_t j = 0; j < pendingRuns_; ++j) {
        const std::size_t from = pendingFrom_[j], to = pendingTo_[j];
        for (std::size_t k = 1; k <= static_cast<std::size_t>(NLayers_); ++k) {
            std::fill(SWChourly_[k].begin() + from, SWChourly_[k].begin() + to, pendingSWC_[j][k]);
            if (k > 1) std::copy(passed.begin() + from, passed.begin() + to, LayerFlux_[k].begin() + from);
        }
    }
    pendingRuns_ = 0;
}

void Soil::RepeatHours(std::size_t t, std::size_t end) {
    for (; t < end; ++t) {
        PondDepth_[t] = PondDepth_[t - 1];
        for (std::size_t k = 1; k <= static_cast<std::size_t>(NLayers_); ++k) {
            SWChourly_[k][t] = SWChourly_[k][t - 1];
            LayerFlux_[k][t] = LayerFlux_[k][t - 1];
        }
    }
}

Soil::HourInputs Soil::InputsAt(const DayStart& day, std::int32_t T) {
    const bool daytime = T >= kFirstDayHour && T <= kLastDayHour;
    return {T >= day.input.first && T <= day.input.last ? day.input.share : 0.0, daytime ? day.Eh : 0.0,
            daytime ? day.Uh : 0.0};
}

Soil::DayRuns Soil::Runs(const DayStart& day) {
    // The inputs change only where the daytime or the water input begins or ends: two ordered pairs,
    // merged.
    std::array<std::int32_t, 4> cuts = {kFirstDayHour, kLastDayHour + 1, day.input.first, day.input.last + 1};
    const auto order = [&](std::size_t i, std::size_t j) {
        if (cuts[j] < cuts[i]) std::swap(cuts[i], cuts[j]);
    };
    order(0, 2);
    order(1, 3);
    order(1, 2);
    DayRuns runs;
    std::int32_t start = 1;
    for (const std::int32_t cut : cuts) {
        if (cut <= start || cut > kHours) continue;
        runs.run[runs.count++] = {cut, InputsAt(day, start)};
        start = cut;
    }
    runs.run[runs.count++] = {kHours + 1, InputsAt(day, start)};
    return runs;
}

bool Soil::RepeatsLastDay(const DayStart& day) {
    // A day that starts where the day before started, with its inputs, ends where that one ended: in the
    // layers' water it starts from, and in the hours the arrays hold.
    bool repeats = lastDayKnown_ && Same(day.input.share, lastDay_.input.share) &&
                   day.input.first == lastDay_.input.first && day.input.last == lastDay_.input.last &&
                   Same(day.Eh, lastDay_.Eh) && Same(day.Uh, lastDay_.Uh) && Same(day.pond, lastDay_.pond);
    for (std::size_t k = 1; k <= static_cast<std::size_t>(NLayers_); ++k) {
        repeats = repeats && Same(Layers_[k].SWC(), lastDaySWC_[k]);
        lastDaySWC_[k] = Layers_[k].SWC();
    }
    lastDay_ = day;
    lastDayKnown_ = true;
    return repeats;
}

void Soil::TakeLayersWater() {
    const std::size_t bottom = static_cast<std::size_t>(NLayers_);
    // The layers' water in mm, usually what the last hour left: then what follows from it still holds.
    bool moved = !waterKnown_;
    for (std::size_t k = 1; k <= bottom; ++k) {
        const double w = terms_[k].thickness * Layers_[k].SWC();
        if (!waterKnown_ || !Same(w, W_[k])) {
            SetLayerWater(k, w, w / terms_[k].thickness);
            moved = true;
        }
    }
    if (moved) {
        allSettled_ = true;
        for (std::size_t k = 1; k <= bottom; ++k) allSettled_ = allSettled_ && settled_[k];
    }
    waterKnown_ = true;
    topSWC_ = Layers_[1].SWC();
    if (moved || !infiltrationKnown_ || !Same(topSWC_, infiltrationTeta_)) UpdatePotentials();
}

void Soil::RunHours(const DayRuns& runs) {
    // Hours in which no layer's water moves leave the layers' rows for later (settledFrom up to the hour);
    // the others are computed in full. The rows kept from the day before are superseded.
    pendingRuns_ = 0;
    std::size_t settledFrom = 0;
    std::size_t r = 0; // the run of hour t
    for (std::size_t t = 1; t <= static_cast<std::size_t>(kHours);) {
        if (allSettled_ && Same(topSWC_, swcW_[1])) {
            if (settledFrom == 0) settledFrom = t;
            t = SettledHours(t, runs, r);
            if (t > static_cast<std::size_t>(kHours)) break;
            while (static_cast<std::size_t>(runs.run[r].end) <= t) ++r;
        }
        if (settledFrom != 0) {
            KeepSettled(settledFrom, t);
            settledFrom = 0;
        }
        const std::size_t end = static_cast<std::size_t>(runs.run[r].end);
        if (FullHour(t, runs.run[r].in)) {
            // It changed nothing: so do the hours after it with the same inputs.
            RepeatHours(t + 1, end);
            t = end;
        } else {
            ++t;
        }
        if (t == end) ++r;
    }
    if (settledFrom != 0) KeepSettled(settledFrom, kHours + 1);
}

void Soil::WaterBalanceDarcy(double waterInput, std::int32_t inputHours, double pond, double evaporation,
                             double uptake) {
    if (NLayers_ < 1) throw std::logic_error("the soil water balance needs at least one soil layer");
    DayStart day;
    day.input = InputWindow(waterInput, inputHours);
    day.Eh = evaporation > 0.0 ? evaporation / kDayHours : 0.0;
    day.Uh = uptake > 0.0 ? uptake / kDayHours : 0.0;
    day.pond = pond > 0.0 ? pond : 0.0;
    if (RepeatsLastDay(day)) return;
    TakeLayersWater();
    PondDepth_[0] = day.pond;
    RunHours(Runs(day));
    for (std::size_t k = 1; k <= static_cast<std::size_t>(NLayers_); ++k) Layers_[k].setSWC(W_[k]);
}

} // namespace tulo
