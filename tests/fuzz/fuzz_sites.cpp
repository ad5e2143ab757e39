#include "commands/SitesTable.h"
#include "io/Workbook.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

// A sites table's CSV text: its titles, parameter columns, years and days, whatever they hold.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const tulo::WorkbookData book =
            tulo::ReadWorkbookBytes(std::string_view(reinterpret_cast<const char*>(data), size), "sites.csv");
        const tulo::SheetData& sheet = book.sheets.front();
        int cols = 0;
        for (const auto& row : sheet.cells) cols = std::max(cols, static_cast<int>(row.size()));
        tulo::Grid grid(static_cast<int>(sheet.cells.size()), cols);
        for (std::size_t r = 0; r < sheet.cells.size(); ++r)
            for (std::size_t c = 0; c < sheet.cells[r].size(); ++c)
                grid.setText(static_cast<int>(r) + 1, static_cast<int>(c) + 1, sheet.cells[r][c]);
        tulo::Messages messages;
        tulo::ReadSitesGrid(grid, "/nonexistent", "sites.csv", messages);
    } catch (const tulo::WorkbookError&) {
    }
    return 0;
}
