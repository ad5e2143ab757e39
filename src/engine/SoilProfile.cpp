#include "engine/SoilProfile.h"

#include <cstring>

namespace tulo {

namespace {

// A row of the soil table, in its column order.
Soil::LayerInput LayerOfRow(const SoilTableRows::value_type& v) {
    return {.thickness = v[0],
            .bulkDensity = v[1],
            .carbon = v[2],
            .clay = v[3],
            .sand = v[4],
            .alpha = v[5],
            .n = v[6],
            .residual = v[7],
            .fieldCapacity = v[8],
            .wiltingPoint = v[9],
            .saturation = v[10],
            .conductivity = v[11],
            .startShare = v[12]};
}

} // namespace

void SoilProfile::Prepare(std::int32_t layers, const SoilTableRows& table) {
    soil = Soil{};
    rows = SoilTableRows{};
    NLayers = 0;
    for (std::int32_t i = 1; i <= layers; ++i) {
        const auto& v = table[static_cast<std::size_t>(i)];
        soil.SetUpLayer(i, LayerOfRow(v));
        rows[static_cast<std::size_t>(i)] = v;
    }
    NLayers = layers;
}

bool SoilProfile::PreparedFrom(std::int32_t layers, const SoilTableRows& table) const {
    if (layers != NLayers || layers < 1 || layers > Soil::kMaxLayers) return false;
    // Bit for bit: a table edited after it was prepared, even to a value that compares equal, is
    // prepared again.
    const std::size_t count = static_cast<std::size_t>(layers);
    return std::memcmp(&rows[1], &table[1], count * sizeof(rows[1])) == 0;
}

void StartSeasonSoil(std::optional<Soil>& soil, const SoilProfile& prepared, std::int32_t layers,
                     const SoilTableRows& table) {
    if (prepared.PreparedFrom(layers, table)) {
        soil.emplace(prepared.soil);
        return;
    }
    soil.emplace();
    for (std::int32_t i = 1; i <= layers; ++i)
        soil->SetUpLayer(i, LayerOfRow(table[static_cast<std::size_t>(i)]));
}

} // namespace tulo
