#include "engine/SoilProfile.h"

#include <cstring>

namespace tulo {

void SoilProfile::Prepare(std::int32_t layers, const SoilTableRows& table) {
    soil = Soil{};
    rows = SoilTableRows{};
    NLayers = 0;
    for (std::int32_t i = 1; i <= layers; ++i) {
        const auto& v = table[static_cast<std::size_t>(i)];
        soil.SoilInitVal(i, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12]);
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
    for (std::int32_t i = 1; i <= layers; ++i) {
        const auto& v = table[static_cast<std::size_t>(i)];
        soil->SoilInitVal(i, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12]);
    }
}

} // namespace tulo
