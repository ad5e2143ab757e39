#include "commands/SitesTable.h"

#include "commands/ParameterNames.h"

namespace tulo {

std::optional<SitesTable> ReadSitesTable(const std::filesystem::path& file, std::optional<int> sheet,
                                         std::string_view sheetOption, Messages& messages) {
    return ReadSitesTable(file, sheet, sheetOption, FindParameterByName, messages);
}

std::optional<SitesTable> ReadSitesGrid(const Grid& grid, const std::filesystem::path& folder,
                                        const std::string& source, Messages& messages) {
    return ReadSitesGrid(grid, folder, source, FindParameterByName, messages);
}

} // namespace tulo
