#include "soil/Soil.h"

#include <algorithm>
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

double Soil::OutW(std::int32_t t) const {
    if (t < 0 || t > kHours) throw std::out_of_range("hour " + std::to_string(t) + " outside 0..24");
    return PondDepth_[static_cast<std::size_t>(t)];
}

double Soil::SWCdaily(std::int32_t i) const {
    return Layers_[LayerSlot(i, NLayers_)].SWC();
}

double Soil::SWCtimestep(std::int32_t i, std::int32_t T) const {
    if (T < 1 || T > kHours) throw std::out_of_range("hour " + std::to_string(T) + " outside 1..24");
    return SWChourly_[LayerSlot(i, NLayers_)][static_cast<std::size_t>(T)];
}

const SoilLayer& Soil::Layer(std::int32_t i) const {
    return Layers_[LayerSlot(i, NLayers_)];
}

void Soil::SoilInitVal(std::int32_t i, double Thick, double BD, double carbon, double clay, double sand,
                       double Alpha, double n, double SWCres, double FC, double WP, double Sat, double satK,
                       double SWCstartmm) {
    const std::size_t k = LayerSlot(i, kMaxLayers);
    NLayers_ = i;
    for (auto& row : LayerFlux_) row.fill(0.0);
    for (auto& row : SWChourly_) row.fill(0.0);

    const double silt = 100.0 - clay - sand;
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
        FC == kMissing ? FCProfile(layer.Alpha(), layer.n(), layer.SWCres(), layer.ThetaSat()) : FC);
    layer.setWiltingPoint(
        WP == kMissing ? WPprofile(layer.Alpha(), layer.n(), layer.SWCres(), layer.ThetaSat()) : WP);
    layer.setSWC(layer.FieldCapacity() * SWCstartmm * Thick);

    WPmm_[k] = layer.Thickness() * layer.WiltingPoint();
    FCmm_[k] = layer.Thickness() * layer.FieldCapacity();
    SATmm_[k] = layer.Thickness() * layer.ThetaSat();

    // A layer at saturation sheds part of its water above field capacity each hour, the more the shorter
    // its travel time (SAT - FC) / ksat. A layer that conducts nothing, or whose saturation does not exceed
    // field capacity, drains nothing.
    drainShare_[k] = 0.0;
    if (layer.ksat() > 0.0 && SATmm_[k] > FCmm_[k]) {
        const double travelTime = (SATmm_[k] - FCmm_[k]) / layer.ksat();
        drainShare_[k] = 1.0 - std::exp(-1.0 / travelTime);
    }
    psiTeta_.fill(std::numeric_limits<double>::quiet_NaN());
}

double Soil::LayerPsi(std::size_t k, double teta) {
    if (teta == psiTeta_[k]) return psiValue_[k];
    const SoilLayer& layer = Layers_[k];
    double copy = teta;
    psiTeta_[k] = teta;
    psiValue_[k] = PsifromTeta(copy, layer.ThetaSat(), layer.SWCres(), layer.Alpha(), layer.n());
    return psiValue_[k];
}

double Soil::vanGProfile(double Alpha, double n, double tetares, double SWCsat, double& Psi) {
    if (Psi == 0.0) return SWCsat;
    Psi = Psi * kCmPerKPa;
    return Retention(Alpha, n, tetares, SWCsat, Psi);
}

double Soil::WPprofile(double Alpha, double n, double tetares, double SWCsat) {
    return Retention(Alpha, n, tetares, SWCsat, kWiltingSuction);
}

double Soil::FCProfile(double Alpha, double n, double tetares, double SWCsat) {
    return Retention(Alpha, n, tetares, SWCsat, kFieldCapacitySuction);
}

double Soil::PsifromTeta(double& Teta, double Tetasat, double tetares, double Alpha, double n) {
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

std::array<double, Soil::kHours + 1> Soil::HourlyInput(double Qing, std::int32_t HQin) {
    std::array<double, kHours + 1> input{};
    if (!(Qing > 0.0)) return input;
    std::int32_t first = kInputStartHour;
    std::int32_t last = kInputStartHour;
    if (HQin >= 1 && HQin <= kHours - kInputStartHour + 1) {
        last = kInputStartHour + HQin - 1;
    } else if (HQin > kHours - kInputStartHour + 1) {
        // Would run past midnight: shifted earlier so the whole input arrives within the day.
        first = HQin >= kHours ? 1 : kHours + 1 - HQin;
        last = kHours;
    }
    const double share = Qing / static_cast<double>(last - first + 1);
    for (std::int32_t t = first; t <= last; ++t) input[static_cast<std::size_t>(t)] = share;
    return input;
}

void Soil::WaterBalanceDarcy(double Qing, std::int32_t HQin, double h, double Evg, double& WUg) {
    const std::int32_t N = NLayers_;
    if (N < 1) throw std::logic_error("the soil water balance needs at least one soil layer");
    const auto Qh = HourlyInput(Qing, HQin);
    const double Eh = Evg > 0.0 ? Evg / kDayHours : 0.0;
    const double Uh = WUg > 0.0 ? WUg / kDayHours : 0.0;

    // W: water of each layer (mm), at the end of the previous hour until the layer is updated.
    // P: potential (kPa) of each layer at the start of the hour.
    std::array<double, kMaxLayers + 1> W{}, P{};
    for (std::int32_t i = 1; i <= N; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        W[k] = Layers_[k].Thickness() * Layers_[k].SWC();
    }
    PondDepth_[0] = h > 0.0 ? h : 0.0;

    const SoilLayer& top = Layers_[1];
    double tetaAtSaturation = top.ThetaSat();
    const double psiSat = PsifromTeta(tetaAtSaturation, top.ThetaSat(), top.SWCres(), top.Alpha(), top.n());

    for (std::int32_t T = 1; T <= kHours; ++T) {
        const std::size_t t = static_cast<std::size_t>(T);
        const bool daytime = T >= kFirstDayHour && T <= kLastDayHour;
        const double Et = daytime ? Eh : 0.0;
        const double Ut = daytime ? Uh : 0.0;

        // Each layer's potential once per hour: it drives both the flux into the layer and out of it.
        if (N > 1) {
            for (std::int32_t i = 1; i <= N; ++i) {
                const std::size_t k = static_cast<std::size_t>(i);
                P[k] = 0.05 * static_cast<double>(i) * 9.81 - LayerPsi(k, W[k] / Layers_[k].Thickness());
            }
        }

        // Infiltration from the pond into the top layer, driven by the pond's weight against the top
        // layer's potential at its stored content (the previous hour's W / Thickness, so usually the
        // potential just computed).
        const double psiInfiltration = LayerPsi(1, top.SWC());
        const double P1 = 0.4905 - psiInfiltration;
        const double available = Qh[t] + PondDepth_[t - 1] - Et;
        const double Ptop = -(available - Ut) * 9.81 / 1000.0 - psiSat;
        double q = (P1 - Ptop) / 9810.0 * (top.ksat() / 1000.0) * 1000.0;
        // A dry layer under a thin pond could draw more than the pond holds; it gets what there is.
        q = available <= 0.0 ? 0.0 : std::min(q, available);

        double pond = PondDepth_[t - 1] + Qh[t] - Et - q - Ut;
        double inflow = q; // what the layer above passes down this hour
        for (std::int32_t i = 1; i <= N; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            SoilLayer& layer = Layers_[k];
            // The bottom layer passes on what it receives; the others conduct down their potential
            // difference, never more than they receive.
            double flux = inflow;
            if (i < N) flux = std::max(std::fabs(P[k] - P[k + 1]) / 9810.0 * layer.ksat() * 1000.0, 0.0);
            flux = std::min(flux, inflow);
            double w = W[k] - flux + inflow;
            if (w < FCmm_[k]) { // below field capacity nothing leaves
                w += flux;
                flux = 0.0;
            }
            if (w < kDriestLayerMm) w = kDriestLayerMm;
            if (w >= SATmm_[k]) {
                const double drain = (w - FCmm_[k]) * drainShare_[k];
                flux += drain;
                w -= drain;
                // What is still beyond saturation spills back onto the field.
                const double excess = std::max(w - SATmm_[k], 0.0);
                w -= excess;
                pond += excess;
            }
            layer.setSWC(w);
            SWChourly_[k][t] = layer.SWC();
            LayerFlux_[k][t] = flux;
            W[k] = w;
            inflow = flux;
        }
        PondDepth_[t] = pond > 0.0 ? pond : 0.0;
    }
}

} // namespace tulo
