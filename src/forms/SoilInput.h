#pragma once
// SoilTableReader: the soil table of the main window (grid sprSoilPhysics), one row per layer, top first.
// Columns: 1 thickness (mm), 2 bulk density (g cm-3), 3 organic carbon, 4 clay, 5 sand (%), required;
// 6 alpha (1/cm), 7 n, 8 residual, 9 field-capacity, 10 wilting-point, 11 saturated water content
// (m3 m-3), 12 saturated conductivity (mm h-1), optional: an empty cell reads as -1, the marker that asks
// the soil set-up to estimate the value; 13 starting water as a multiple of field capacity, required
// (it has no estimate).
//
// The layers are the consecutive filled rows from row 1 (column 1 decides), at most 15. Cells that are
// not numbers, values outside their column's limits, clay and sand above 100 % together, given water
// contents out of the order residual < wilting point < field capacity < saturation, a starting water
// above saturation, and layers whose missing values cannot be estimated (the estimates need carbon,
// silt = 100 - clay - sand and, for the saturated content, clay above 0, and the estimated n must be
// above 1) are all reported; any of them leaves the soil not correctly open.

#include "base/Problems.h"
#include "forms/FormModel.h"

#include <array>
#include <cstdint>

namespace tulo {

class SoilTableReader {
public:
    static constexpr std::int32_t kMaxLayers = 15;

    void ReadSoilData(const FormModel& form, Problems& problems);

    std::int32_t GetNLayers() const { return NLayers_; }
    // Values of layer i; i must be 0 .. 15 (layers are 1 .. GetNLayers()).
    double GetThickness(std::int32_t i) const { return Value(Thickness, i); }
    double GetBulkDensity(std::int32_t i) const { return Value(BulkDensity, i); }
    double GetCarbon(std::int32_t i) const { return Value(Carbon, i); }
    double GetClay(std::int32_t i) const { return Value(Clay, i); }
    double GetSand(std::int32_t i) const { return Value(Sand, i); }
    double GetAlpha(std::int32_t i) const { return Value(Alpha, i); }
    double Getn(std::int32_t i) const { return Value(N, i); }
    double GetSWCres(std::int32_t i) const { return Value(SWCres, i); }
    double GetFieldCapacity(std::int32_t i) const { return Value(FieldCapacity, i); }
    double GetWiltingPoint(std::int32_t i) const { return Value(WiltingPoint, i); }
    double GetSat(std::int32_t i) const { return Value(Sat, i); }
    double GetSatK(std::int32_t i) const { return Value(SatK, i); }
    double GetSWCstartmm(std::int32_t i) const { return Value(SWCstartmm, i); }
    bool GetSoilCorrectlyOpen() const { return SoilCorrectlyOpen_; }

private:
    // Column indexes of the soil table (1-based, as in the grid).
    enum Column {
        Thickness = 1,
        BulkDensity,
        Carbon,
        Clay,
        Sand,
        Alpha,
        N,
        SWCres,
        FieldCapacity,
        WiltingPoint,
        Sat,
        SatK,
        SWCstartmm,
        kColumns = SWCstartmm
    };

    double Value(Column col, std::int32_t i) const;
    void CheckEstimates(const FormModel& form, std::int32_t layer, Problems& problems) const;
    void CheckLayerOrders(const Grid& grid, std::int32_t layer, Problems& problems) const;

    std::int32_t NLayers_ = 0;
    // values_[column][layer], layers 0 .. 15.
    std::array<std::array<double, kMaxLayers + 1>, kColumns + 1> values_{};
    bool SoilCorrectlyOpen_ = false;
};

} // namespace tulo
