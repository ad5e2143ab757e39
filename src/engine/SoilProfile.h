#pragma once
// The soil table prepared for the water balance: each layer set up from its row of the control's soil
// table (the missing hydraulic values estimated, the starting water set to the row's multiple of field
// capacity) and the rows it was set up from. Setting up evaluates the pedotransfer functions and the
// retention curve (exp, log, pow) on every layer, so whoever fills a soil table prepares it once and every
// season starts from a copy.

#include "soil/Soil.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tulo {

// Thirteen values per layer (1 .. 15) in the soil table's column order; slot 0 unused.
using SoilTableRows = std::array<std::array<double, 13>, 16>;

struct SoilProfile {
    std::int32_t NLayers = 0; // 0: nothing prepared
    SoilTableRows rows{};     // the rows 1 .. NLayers it was prepared from
    Soil soil;

    // Sets up layers 1 .. layers (at most 15) from the table's rows.
    void Prepare(std::int32_t layers, const SoilTableRows& table);
    // True when it was prepared from the first `layers` rows of the table, to the bit.
    bool PreparedFrom(std::int32_t layers, const SoilTableRows& table) const;
};

// Sets up in `soil` the soil a season starts from: a copy of the prepared profile when it was prepared
// from the table, otherwise the table prepared now (no layers for an empty table).
void StartSeasonSoil(std::optional<Soil>& soil, const SoilProfile& prepared, std::int32_t layers,
                     const SoilTableRows& table);

} // namespace tulo
