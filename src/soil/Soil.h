#pragma once
// The soil under a flooded field: its layers, their hydraulic properties and an hourly water balance of
// the ponded water and the layers.
//
// SoilLayer — one layer: thickness (mm), bulk density (g cm-3), carbon, clay and silt (%), residual,
// saturated, field-capacity and wilting-point water contents (m3 m-3), van Genuchten alpha (1/cm) and n,
// saturated conductivity (mm h-1) and the current water content (m3 m-3).
//
// Soil — builds the layers from the soil table (missing hydraulic values estimated with the continuous
// topsoil pedotransfer functions of Wösten et al. 1999), converts between water content and matric
// potential with the van Genuchten curve, and computes one day of ponded depth and layer water in 24
// hourly steps from the day's water input, evaporation and crop uptake. Water only moves: infiltration
// never exceeds what the pond holds, and water beyond saturation leaves the layer when it spills back.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tulo {

class SoilLayer {
public:
    double silt() const { return silt_; }
    void setSilt(double v) { silt_ = v; }
    double carbon() const { return carbon_; }
    void setCarbon(double v) { carbon_ = v; }
    double SWCres() const { return SWCres_; }
    void setSWCres(double v) { SWCres_ = v; }
    double Alpha() const { return Alpha_; }
    void setAlpha(double v) { Alpha_ = v; }
    double n() const { return n_; }
    void setN(double v) { n_ = v; }
    double clay() const { return clay_; }
    void setClay(double v) { clay_ = v; }
    double BulkDensity() const { return BulkDensity_; }
    void setBulkDensity(double v) { BulkDensity_ = v; }
    double FieldCapacity() const { return FieldCapacity_; }
    void setFieldCapacity(double v) { FieldCapacity_ = v; }
    double Thickness() const { return Thickness_; }
    void setThickness(double v) { Thickness_ = v; }
    // Volumetric water content (m3 m-3).
    double SWC() const { return SWC_; }
    // Takes the layer's water in mm; the thickness must already be set.
    void setSWC(double mm) { SWC_ = mm / Thickness_; }
    double WiltingPoint() const { return WiltingPoint_; }
    void setWiltingPoint(double v) { WiltingPoint_ = v; }
    double ksat() const { return ksat_; }
    void setKsat(double v) { ksat_ = v; }
    double ThetaSat() const { return ThetaSat_; }
    void setThetaSat(double v) { ThetaSat_ = v; }

private:
    double SWC_ = 0, Thickness_ = 0, WiltingPoint_ = 0, FieldCapacity_ = 0, BulkDensity_ = 0, ThetaSat_ = 0,
           ksat_ = 0, SWCres_ = 0, Alpha_ = 0, n_ = 0, clay_ = 0, silt_ = 0, carbon_ = 0;
};

class Soil {
public:
    static constexpr std::int32_t kMaxLayers = 15;
    static constexpr std::int32_t kHours = 24;
    // The value of the soil table that asks for an estimate.
    static constexpr double kMissing = -1.0;

    // Ponded depth (mm) at the end of hour t of the last simulated day; t = 0 is the start of the day.
    double OutW(std::int32_t t) const;

    // Sets up layer i (1 .. 15) from one row of the soil table; kMissing in Alpha, n, SWCres, FC, WP, Sat
    // or satK asks for an estimate. The layer starts with FC × SWCstartmm of water (m3 m-3). Layers are set
    // up in order 1, 2, ...; the profile then has i layers.
    void SoilInitVal(std::int32_t i, double Thick, double BD, double carbon, double clay, double sand,
                     double Alpha, double n, double SWCres, double FC, double WP, double Sat, double satK,
                     double SWCstartmm);

    // Volumetric water of layer i now, and at the end of hour T of the last simulated day.
    double SWCdaily(std::int32_t i) const;
    double SWCtimestep(std::int32_t i, std::int32_t T) const;

    // One day: Qing water input (mm) spread over HQin hours, h ponded depth at the start (mm), Evg
    // evaporation and WUg crop uptake of the day (mm, taken from the ponded water between 7 and 18 h).
    void WaterBalanceDarcy(double Qing, std::int32_t HQin, double h, double Evg, double& WUg);

    // Water content at suction Psi (kPa); a non-zero Psi is converted to cm of water in place.
    static double vanGProfile(double Alpha, double n, double tetares, double SWCsat, double& Psi);
    // Water content at 1500 kPa and at 33 kPa.
    static double WPprofile(double Alpha, double n, double tetares, double SWCsat);
    static double FCProfile(double Alpha, double n, double tetares, double SWCsat);
    // Matric potential (kPa, -1500 .. -0.01) of water content Teta. A Teta at or below the residual
    // content is replaced by 1.1 × tetares.
    static double PsifromTeta(double& Teta, double Tetasat, double tetares, double Alpha, double n);

    // Pedotransfer estimates from clay and silt (%), bulk density (g cm-3) and organic carbon (%). They
    // take logarithms and reciprocals: silt and carbon must be above 0, and clay too for ThetaSatPTF.
    static double ThetaSatPTF(double clay, double silt, double BD, double carbon);
    static double KsatPTF(double clay, double silt, double BD, double carbon);
    static double AlphaPTF(double clay, double silt, double BD, double carbon);
    static double nPTF(double clay, double silt, double BD, double carbon);

    // The day's water input by hour (index 1 .. 24; index 0 unused). Inputs of up to 11 hours start at
    // 14 h; longer ones end at 24 h; HQin <= 0 puts the whole input in hour 14. The shares add up to Qing.
    static std::array<double, kHours + 1> HourlyInput(double Qing, std::int32_t HQin);

    std::int32_t NLayers() const { return NLayers_; }
    const SoilLayer& Layer(std::int32_t i) const;

private:
    static std::size_t LayerSlot(std::int32_t i, std::int32_t layers);
    // Potential of layer k at water content teta, remembered from the last call for the same content.
    double LayerPsi(std::size_t k, double teta);

    std::int32_t NLayers_ = 0;
    std::array<SoilLayer, kMaxLayers + 1> Layers_{};
    std::array<double, kMaxLayers + 1> FCmm_{}, WPmm_{}, SATmm_{};
    // Share of the water above field capacity that a saturated layer sheds in an hour.
    std::array<double, kMaxLayers + 1> drainShare_{};
    // Lower layers often keep their water for hours or days; their potential is then not recomputed.
    std::array<double, kMaxLayers + 1> psiTeta_{}, psiValue_{};
    std::array<double, kHours + 1> PondDepth_{};
    std::array<std::array<double, kHours + 1>, kMaxLayers + 1> LayerFlux_{}, SWChourly_{};
};

} // namespace tulo
