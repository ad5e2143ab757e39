#pragma once
// A sites table: the sites or treatments of an experiment, one a row, each a configuration run with its
// own weather, days and crop parameter values and evaluated against its own measurements.
//
// Row 1 holds the titles, matched whatever their case and surrounding blanks: "name" and "config" are
// needed; "weather", "year", "lat", "sowing", "transplanting", "start", "end" change the season as the
// command-line options of the same names do; "agb", "lai" and "measured" name the measurement tables; any
// other title must name a crop parameter (its registry id, crop workbook key or caption), whose cells replace
// the configuration's value for their row. An empty cell changes nothing. Files are named relative to the
// table's folder, so that a folder of them moves whole. "emergence", "flowering" and "maturity" hold the
// days the stages were observed (a day of year or a date), as the phenology fit reads them; "years" the
// sowings' years a run over many years grows the row's season in. Blank rows are skipped. The caller says how
// a crop parameter's title is found (see ParameterLookup).

#include "base/Outcome.h"
#include "engine/Grid.h"
#include "inputs/SeasonOptions.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

struct SiteRow {
    int row = 0; // the row of the sheet
    std::string name;
    std::filesystem::path config;
    std::optional<std::filesystem::path> agb, lai, measured;
    // Observed stage days as written: read in the season's year once the row's season is known.
    std::optional<std::string> emergence, flowering, maturity;
    // The sowings' years a run over many years grows the row's season in ("1991-2020", or one year).
    std::optional<std::string> years;
    SeasonOptions season; // optionPrefix "": messages name the table's columns
    std::string prefix;   // what starts the messages about the row: "sites.csv, row 3: "
};

struct SitesTable {
    std::string source; // how messages name the table: the file, and the sheet unless it is CSV
    std::vector<SiteRow> rows;
    // The measurement columns the table has, even where some rows leave their cells empty.
    bool agbColumn = false, laiColumn = false, measuredColumn = false;
};

// The titles of the columns that are not crop parameters, in the order messages list them.
std::span<const std::string_view> SitesTableColumns();

// Reads the table from a sheet of a workbook or a CSV file; `sheetOption` names the option that chooses
// another sheet of a workbook of several. Every problem is added to `messages`; nothing when there is any.
std::optional<SitesTable> ReadSitesTable(const std::filesystem::path& file, std::optional<int> sheet,
                                         std::string_view sheetOption, ParameterLookup findParameter,
                                         Messages& messages);

// The same from a sheet already read, whose files are named relative to `folder`.
std::optional<SitesTable> ReadSitesGrid(const Grid& grid, const std::filesystem::path& folder,
                                        const std::string& source, ParameterLookup findParameter,
                                        Messages& messages);

} // namespace tulo
