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
#include <limits>

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

    // One row of the soil table. kMissing in alpha, n, residual, fieldCapacity, wiltingPoint, saturation or
    // conductivity asks for an estimate.
    struct LayerInput {
        double thickness = 0;            // mm
        double bulkDensity = 0;          // g cm-3
        double carbon = 0;               // organic carbon (%)
        double clay = 0;                 // %
        double sand = 0;                 // %; silt is what clay and sand leave of 100
        double alpha = kMissing;         // van Genuchten alpha (1/cm)
        double n = kMissing;             // van Genuchten n (-)
        double residual = kMissing;      // residual water content (m3 m-3)
        double fieldCapacity = kMissing; // m3 m-3
        double wiltingPoint = kMissing;  // m3 m-3
        double saturation = kMissing;    // saturated water content (m3 m-3)
        double conductivity = kMissing;  // saturated hydraulic conductivity (mm h-1)
        double startShare = 0;           // the starting water as a share of field capacity (-)
    };

    // Ponded depth (mm) at the end of hour t of the last simulated day; t = 0 is the start of the day.
    double PondDepth(std::int32_t t) const;

    // Sets up layer i (1 .. 15) from one row of the soil table. Layers are set up in order 1, 2, ...; the
    // profile then has i layers.
    void SetUpLayer(std::int32_t i, const LayerInput& input);

    // Volumetric water (m3 m-3) of layer i now, and at the end of hour T of the last simulated day. The
    // hourly readers complete rows the day left for later (see WriteSettled), so a soil is read by one
    // thread at a time, like every other part of a run state.
    double LayerWaterContent(std::int32_t i) const;
    double HourlyLayerWaterContent(std::int32_t i, std::int32_t T) const;
    // Water that left layer i downwards in hour T of the last simulated day (mm).
    double LayerFlux(std::int32_t i, std::int32_t T) const;

    // One day of the balance:
    // | input        | unit | meaning                                                            |
    // |--------------|------|--------------------------------------------------------------------|
    // | waterInput   | mm   | rain and irrigation of the day                                     |
    // | inputHours   | h    | the hours the input is spread over (see HourlyWaterInput)          |
    // | pond         | mm   | ponded depth at the start of the day                               |
    // | evaporation  | mm   | evaporation of the day, taken from the pond between 7 and 18 h     |
    // | uptake       | mm   | crop uptake of the day, taken from the pond between 7 and 18 h     |
    // Outputs: PondDepth, the layers' water content and flux by hour.
    // An hour that starts from the state and inputs of an hour that changed nothing, and a day that starts
    // from the state and inputs of the day before, end as those did: they are not computed again.
    void WaterBalanceDarcy(double waterInput, std::int32_t inputHours, double pond, double evaporation,
                           double uptake);

    // The van Genuchten curve: alpha (1/cm), n (-), residual and saturated water content (m3 m-3).
    // Water content at suction Psi (kPa); a non-zero Psi is converted to cm of water in place.
    static double WaterContentAtSuction(double Alpha, double n, double tetares, double SWCsat, double& Psi);
    // Water content at 1500 kPa and at 33 kPa.
    static double WiltingPointContent(double Alpha, double n, double tetares, double SWCsat);
    static double FieldCapacityContent(double Alpha, double n, double tetares, double SWCsat);
    // Matric potential (kPa, -1500 .. -0.01) of water content Teta. A Teta at or below the residual
    // content is replaced by 1.1 × tetares.
    static double MatricPotential(double& Teta, double Tetasat, double tetares, double Alpha, double n);

    // Pedotransfer estimates from clay and silt (%), bulk density (g cm-3) and organic carbon (%). They
    // take logarithms and reciprocals: silt and carbon must be above 0, and clay too for ThetaSatPTF.
    static double ThetaSatPTF(double clay, double silt, double BD, double carbon);
    static double KsatPTF(double clay, double silt, double BD, double carbon);
    static double AlphaPTF(double clay, double silt, double BD, double carbon);
    static double nPTF(double clay, double silt, double BD, double carbon);

    // The day's water input (mm) by hour (index 1 .. 24; index 0 unused). Inputs of up to 11 hours start at
    // 14 h; longer ones end at 24 h; inputHours <= 0 puts the whole input in hour 14. The shares add up to
    // waterInput.
    static std::array<double, kHours + 1> HourlyWaterInput(double waterInput, std::int32_t inputHours);

    std::int32_t NLayers() const { return NLayers_; }
    const SoilLayer& Layer(std::int32_t i) const;

private:
    // What the balance needs of a layer, fixed once the layer is set up. Each term is the very
    // subexpression the balance would otherwise form every hour, so using it gives the same bits.
    struct LayerTerms {
        double thickness = 0;                 // mm
        double FCmm = 0, SATmm = 0;           // water at field capacity and at saturation (mm)
        double drainShare = 0;                // share above field capacity a saturated layer sheds an hour
        double ksat = 0, ksatPerThousand = 0; // mm h-1, and ksat / 1000
        double gravity = 0;                   // 0.05 × i × 9.81 (kPa)
        double psiSat = 0;                    // potential at saturation (kPa)
        // The curve as MatricPotential forms it: 1 / Alpha, Tetasat - tetares, 1 / m with m = 1 - 1 / n, 1 /
        // n.
        double tetares = 0, tetasat = 0, invAlpha = 0, range = 0, invM = 0, invN = 0;
    };
    // The last potentials remembered for a layer, newest first.
    struct PsiMemo {
        std::array<double, 2> teta{}, psi{};
    };
    // The hours a day's water input arrives in (none when first > last) and the share of each (mm).
    struct InputHours {
        std::int32_t first = 1, last = 0;
        double share = 0;
    };
    // What a day starts from besides the layers' water: the hourly input, evaporation and uptake (mm)
    // and the pond (mm).
    struct DayStart {
        InputHours input;
        double Eh = 0, Uh = 0, pond = 0;
    };
    // An hour's water input, evaporation and uptake (mm).
    struct HourInputs {
        double Q = 0, E = 0, U = 0;
    };
    // A day's runs of hours between the changes of its inputs: run r ends before hour run[r].end, where
    // run r + 1 starts. Neighbouring runs may bring the same inputs.
    struct Run {
        std::int32_t end;
        HourInputs in;
    };
    struct DayRuns {
        std::array<Run, 5> run;
        std::size_t count = 0;
    };

    static std::size_t LayerSlot(std::int32_t i, std::int32_t layers);
    static InputHours InputWindow(double waterInput, std::int32_t inputHours);
    // MatricPotential on a layer's fixed terms.
    static double LayerPotential(const LayerTerms& c, double Teta);
    // Potential of layer k at water content teta, remembered for the contents last asked for.
    double LayerPsi(std::size_t k, double teta);
    // Brings the layers' potentials and capacities, and the top layer's infiltration term, up to W_ and
    // topSWC_.
    void UpdatePotentials();
    // Sets layer k's water to w (mm), with the content w / thickness it gives.
    void SetLayerWater(std::size_t k, double w, double swc);
    // Hour t in full; true when it changed nothing.
    bool FullHour(std::size_t t, const HourInputs& in);
    // Hours t, t + 1, ... of the day (t in run r) while every layer passes the infiltration on and keeps
    // its water; returns the first hour it could not take (25 for none). It writes the pond and the top
    // layer's flux; the layers' rows are left to KeepSettled.
    std::size_t SettledHours(std::size_t t, const DayRuns& runs, std::size_t r);
    // Hours from .. to - 1 were settled: their rows hold each layer's content now and the top layer's
    // flux, written when first read (WriteSettled).
    void KeepSettled(std::size_t from, std::size_t to);
    void WriteSettled() const;
    // Hours t .. end - 1 repeat hour t - 1.
    void RepeatHours(std::size_t t, std::size_t end);
    // The grid of SettledHours' quick test, for the layers' water now.
    void FindGrid();
    // True when the day starts as the last one did (which it then remembers in its place).
    bool RepeatsLastDay(const DayStart& day);
    // The layers' water from their contents, and what follows from it.
    void TakeLayersWater();
    // The day's 24 hours, settled or in full.
    void RunHours(const DayRuns& runs);
    static HourInputs InputsAt(const DayStart& day, std::int32_t T);
    static DayRuns Runs(const DayStart& day);

    std::int32_t NLayers_ = 0;
    std::array<SoilLayer, kMaxLayers + 1> Layers_{};
    std::array<LayerTerms, kMaxLayers + 1> terms_{};
    std::array<PsiMemo, kMaxLayers + 1> psiMemo_{};

    // The hour's state: each layer's water (mm) and the content it gives, and the top layer's stored
    // content, which drives infiltration (the day's at first, then each hour's W / thickness).
    bool waterKnown_ = false; // W_ and what follows from it belong to the profile
    std::array<double, kMaxLayers + 1> W_{}, swcW_{};
    double topSWC_ = 0;
    // Layers whose water lies between field capacity and saturation (and above the driest) keep it while
    // what comes in goes on: a field whose layers all do so changes only its pond.
    std::array<bool, kMaxLayers + 1> settled_{};
    bool allSettled_ = false;
    // The grid an infiltration must be off to come back unchanged from every layer (see SettledHours).
    bool gridKnown_ = false;
    double grid_ = 0;
    // Each layer's potential (kPa) for the water potW_ (mm) it was computed at, and what it can conduct
    // to the layer below (mm h-1). Lower layers often keep their water for days, so neither is
    // recomputed until the water moves.
    bool potentialsKnown_ = false;
    std::array<double, kMaxLayers + 1> potW_{}, P_{}, capacity_{};
    // Below the least capacity an inflow passes every layer (infinite for a single layer).
    double passLimit_ = std::numeric_limits<double>::infinity();
    // The infiltration's term of the top layer (0.4905 kPa less its potential) at content infiltrationTeta_.
    bool infiltrationKnown_ = false;
    double infiltrationTeta_ = 0, infiltrationP_ = 0;
    // The last day's start, and each layer's water content then (valid after a day has run).
    bool lastDayKnown_ = false;
    DayStart lastDay_{};
    std::array<double, kMaxLayers + 1> lastDaySWC_{};

    std::array<double, kHours + 1> PondDepth_{};
    // The season reads only the pond of each day; the layers' rows of settled hours are written when a
    // reader first asks for them. Runs of settled hours alternate with full hours: at most 12 a day.
    mutable std::array<std::array<double, kHours + 1>, kMaxLayers + 1> LayerFlux_{}, SWChourly_{};
    mutable std::size_t pendingRuns_ = 0;
    std::array<std::uint8_t, kHours / 2> pendingFrom_{}, pendingTo_{};
    std::array<std::array<double, kMaxLayers + 1>, kHours / 2> pendingSWC_{};
};

} // namespace tulo
