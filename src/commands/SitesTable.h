#pragma once
// The sites table (inputs/SitesTable.h) with its crop parameter columns found by every name users know a
// parameter by (FindParameterByName).

#include "inputs/SitesTable.h"

namespace tulo {

std::optional<SitesTable> ReadSitesTable(const std::filesystem::path& file, std::optional<int> sheet,
                                         std::string_view sheetOption, Messages& messages);
std::optional<SitesTable> ReadSitesGrid(const Grid& grid, const std::filesystem::path& folder,
                                        const std::string& source, Messages& messages);

} // namespace tulo
