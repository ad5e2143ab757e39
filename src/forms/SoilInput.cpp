#include "forms/SoilInput.h"

#include "base/Numbers.h"
#include "engine/InputLimits.h"
#include "soil/Soil.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tulo {

namespace {

std::string LayerName(std::int32_t layer) {
    return "Soil layer " + std::to_string(layer);
}

InputProblem SoilProblem(std::int32_t layer, int column, std::string text) {
    return {std::string(ctl::sprSoilPhysics), layer, column, std::move(text)};
}

std::string Shown(double value) {
    return FormatSignificant(value, 6);
}

} // namespace

double SoilTableReader::Value(Column col, std::int32_t i) const {
    if (i < 0) throw std::out_of_range("soil layer " + std::to_string(i) + " outside 0..15");
    return values_[col].at(static_cast<std::size_t>(i));
}

void SoilTableReader::ReadSoilData(const FormModel& form, Problems& problems) {
    const Grid& grid = form.grid(ctl::sprSoilPhysics);
    NLayers_ = 0;
    for (auto& column : values_) column.fill(0.0);
    SoilCorrectlyOpen_ = true;
    if (Trim(grid.text(1, Thickness)).empty()) {
        problems.push_back({std::string(ctl::sprSoilPhysics), 1, Thickness,
                            "I notice something wrong with your soil file..."});
        SoilCorrectlyOpen_ = false;
        return;
    }
    while (NLayers_ < kMaxLayers && !Trim(grid.text(NLayers_ + 1, Thickness)).empty()) ++NLayers_;

    const std::size_t problemsBefore = problems.size();
    for (std::int32_t layer = 1; layer <= NLayers_; ++layer) {
        const auto k = static_cast<std::size_t>(layer);
        bool textureRead = true;
        for (int col = Thickness; col <= kColumns; ++col) {
            const std::string& text = grid.text(layer, col);
            const std::string field = LayerName(layer) + ", " + grid.text(0, col);
            // The starting water has no estimate: an empty cell would start the layer with negative water.
            const bool optional = col >= Alpha && col != SWCstartmm;
            if (optional && Trim(text).empty()) {
                values_[col][k] = Soil::kMissing;
                continue;
            }
            const auto value = ParseNumber(text);
            if (!value) {
                problems.push_back(SoilProblem(layer, col, NotANumberMessage(field, text)));
                if (!optional) textureRead = false;
                continue;
            }
            values_[col][k] = *value;
            // -1 in an optional column asks for an estimate, as an empty cell does.
            if (optional && *value == Soil::kMissing) continue;
            const InputLimit& limit = SoilLimits()[static_cast<std::size_t>(col - 1)];
            if (!WithinLimit(limit, *value)) {
                problems.push_back(SoilProblem(
                    layer, col, field + ": " + ShortestText(*value) + " " + DescribeLimit(limit) + "."));
                if (!optional) textureRead = false;
            }
        }
        if (textureRead) CheckLayerOrders(grid, layer, problems);
        // The estimates can only be judged on a layer whose texture and density read correctly.
        if (textureRead) CheckEstimates(form, layer, problems);
    }
    if (problems.size() > problemsBefore) SoilCorrectlyOpen_ = false;
}

void SoilTableReader::CheckLayerOrders(const Grid& grid, std::int32_t layer, Problems& problems) const {
    const auto k = static_cast<std::size_t>(layer);
    auto given = [&](Column col) { return values_[col][k] != Soil::kMissing; };
    if (values_[Clay][k] + values_[Sand][k] > 100.0)
        problems.push_back(SoilProblem(layer, Sand,
                                       LayerName(layer) + ": clay and sand make " +
                                           Shown(values_[Clay][k] + values_[Sand][k]) +
                                           " %; together they are at most 100 %, silt the rest."));
    // Given water contents in the order the retention curve needs: residual < wilting point < field
    // capacity < saturation.
    const Column order[] = {SWCres, WiltingPoint, FieldCapacity, Sat};
    Column lower = SWCres;
    bool anyLower = false;
    for (const Column col : order) {
        if (!given(col)) continue;
        if (anyLower && !(values_[lower][k] < values_[col][k]))
            problems.push_back(SoilProblem(layer, col,
                                           LayerName(layer) + ": " + grid.text(0, lower) + " (" +
                                               Shown(values_[lower][k]) + ") must be below " +
                                               grid.text(0, col) + " (" + Shown(values_[col][k]) + ")."));
        lower = col;
        anyLower = true;
    }
    // The starting water multiplies field capacity: it can fill the layer up to saturation, no more.
    if (given(SWCstartmm) && given(FieldCapacity) && given(Sat) && values_[FieldCapacity][k] > 0 &&
        values_[SWCstartmm][k] > values_[Sat][k] / values_[FieldCapacity][k])
        problems.push_back(SoilProblem(
            layer, SWCstartmm,
            LayerName(layer) + ": " + grid.text(0, SWCstartmm) + " " + Shown(values_[SWCstartmm][k]) +
                " times field capacity is more water than saturation holds (at most " +
                Shown(values_[Sat][k] / values_[FieldCapacity][k]) + ")."));
}

void SoilTableReader::CheckEstimates(const FormModel& form, std::int32_t layer, Problems& problems) const {
    const auto k = static_cast<std::size_t>(layer);
    const Grid& grid = form.grid(ctl::sprSoilPhysics);
    const double clay = values_[Clay][k], carbon = values_[Carbon][k], bd = values_[BulkDensity][k];
    const double silt = 100.0 - clay - values_[Sand][k];
    const std::string siltName = "silt (100 - clay - sand)";

    // What each estimate takes the logarithm or reciprocal of (bulk density is already above 0).
    struct Estimate {
        Column col;
        bool needsCarbon;
        bool needsClay;
    };
    const Estimate estimates[] = {
        {Alpha, true, false}, {N, true, false}, {Sat, false, true}, {SatK, true, false}};
    bool nEstimable = true;
    for (const Estimate& e : estimates) {
        if (values_[e.col][k] != Soil::kMissing) continue;
        std::vector<std::string> faults;
        std::string needs;
        if (e.needsCarbon) {
            needs = "carbon and " + siltName;
            if (!(carbon > 0.0)) faults.push_back("carbon is " + Shown(carbon));
        } else {
            needs = "clay and " + siltName;
            if (!(clay > 0.0)) faults.push_back("clay is " + Shown(clay));
        }
        if (!(silt > 0.0)) faults.push_back("silt is " + Shown(silt));
        if (faults.empty()) continue;
        if (e.col == N) nEstimable = false;
        std::string message = LayerName(layer) + ": " + grid.text(0, e.col) +
                              " is not given and cannot be estimated, which needs " + needs +
                              " above 0, but " + faults.front();
        if (faults.size() > 1) message += " and " + faults.back();
        problems.push_back(SoilProblem(layer, e.col, message + "."));
    }

    // The retention curve needs m = 1 - 1/n above 0; a given n is held to that by its limit.
    if (values_[N][k] == Soil::kMissing && nEstimable) {
        const double estimated = Soil::nPTF(clay, silt, bd, carbon);
        if (!(estimated > 1.0))
            problems.push_back(SoilProblem(
                layer, N,
                LayerName(layer) + ": the van Genuchten n must be above 1 (estimated " + Shown(estimated) +
                    "); give n, or check clay, sand, carbon and bulk density."));
    }
}

} // namespace tulo
