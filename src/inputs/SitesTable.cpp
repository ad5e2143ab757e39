#include "inputs/SitesTable.h"

#include "base/CellName.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/Parameters.h"
#include "inputs/ConfigurationFile.h"
#include "io/SheetImport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace tulo {

namespace fs = std::filesystem;

namespace {

enum class Column {
    Name,
    Config,
    Weather,
    Year,
    Lat,
    Sowing,
    Transplanting,
    Start,
    End,
    Agb,
    Lai,
    Measured,
    Emergence,
    Flowering,
    Maturity,
    Years,
    Parameter
};

constexpr std::array<std::string_view, 16> kColumns = {
    "name", "config", "weather", "year",     "lat",       "sowing",    "transplanting", "start",
    "end",  "agb",    "lai",     "measured", "emergence", "flowering", "maturity",      "years"};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string ColumnList() {
    std::string list;
    for (const std::string_view column : kColumns) list += (list.empty() ? "" : ", ") + std::string(column);
    return list;
}

// The messages of a table's refusal. A table broken throughout would bury its first problem under
// thousands of lines; past 20 the rest are counted.
class Refusals {
public:
    Refusals(const std::string& source, Messages& messages) : source_(source), messages_(messages) {}
    ~Refusals() {
        if (count_ > kShown)
            messages_.push_back(
                {source_ + ": " + std::to_string(count_ - kShown) + " more problems are not shown."});
    }
    Refusals(const Refusals&) = delete;
    Refusals& operator=(const Refusals&) = delete;

    void operator()(const std::string& text) {
        if (++count_ <= kShown) messages_.push_back({text});
    }
    bool any() const { return count_ > 0; }

private:
    static constexpr int kShown = 20;
    const std::string& source_;
    Messages& messages_;
    int count_ = 0;
};

struct TitledColumn {
    Column kind = Column::Parameter;
    std::string title; // as written, trimmed; empty for a column without a title
};

// The meaning of each column of row 1; nothing after refusing the titles.
std::optional<std::vector<TitledColumn>> ReadTitles(const Grid& grid, const std::string& source,
                                                    ParameterLookup findParameter, Refusals& refuse) {
    std::vector<TitledColumn> columns(static_cast<std::size_t>(grid.cols()));
    std::map<std::string, int> firstColumnOf; // what a column stands for -> its first column
    for (int c = 1; c <= grid.cols(); ++c) {
        TitledColumn& column = columns[static_cast<std::size_t>(c - 1)];
        column.title = std::string(Trim(grid.text(1, c)));
        if (column.title.empty()) continue;
        const std::string lower = Lower(column.title);
        std::string meaning;
        if (const auto fixed = std::find(kColumns.begin(), kColumns.end(), lower); fixed != kColumns.end()) {
            column.kind = static_cast<Column>(fixed - kColumns.begin());
            meaning = "the " + lower + " column";
        } else if (const ParameterInfo* parameter = findParameter(column.title)) {
            column.kind = Column::Parameter;
            meaning = "the crop parameter " + std::string(parameter->id);
            // Refused here once rather than on every row that gives it a value.
            if (!FindCropParameterItem(parameter->id))
                refuse(source + ", cell " + CellName(1, c) + ": " + std::string(parameter->id) +
                       " is a constant of the model, not a setting.");
        } else {
            refuse(source + ", cell " + CellName(1, c) + ": " + QuoteValue(column.title) +
                   " is neither a column of a sites table (" + ColumnList() +
                   ") nor a crop parameter's id, workbook key or caption.");
            continue;
        }
        // Two columns of one meaning would leave one of them unread without a word.
        const auto [earlier, first] = firstColumnOf.emplace(meaning, c);
        if (!first)
            refuse(source + ": cells " + CellName(1, earlier->second) + " and " + CellName(1, c) +
                   " are both " + meaning + "; it takes one column.");
    }
    for (const Column needed : {Column::Name, Column::Config})
        if (std::none_of(columns.begin(), columns.end(),
                         [&](const TitledColumn& c) { return !c.title.empty() && c.kind == needed; }))
            refuse(source + ": row 1 has no " + std::string(kColumns[static_cast<std::size_t>(needed)]) +
                   " column; a sites table needs name and config, with one site a row.");
    if (refuse.any()) return std::nullopt;
    return columns;
}

bool BlankRow(const Grid& grid, int r) {
    for (int c = 1; c <= grid.cols(); ++c)
        if (!Trim(grid.text(r, c)).empty()) return false;
    return true;
}

// A row's problems, each told after the row's prefix; `any` remembers that the row was refused.
struct RowRefusals {
    Refusals& refuse;
    const std::string& prefix;
    bool any = false;

    void operator()(const std::string& text) {
        refuse(prefix + text);
        any = true;
    }
};

void StoreYear(SeasonOptions& season, const std::string& text, int r, int c, RowRefusals& refuseRow) {
    const auto year = ParseNumber(text);
    if (!year || *year != std::floor(*year) || *year < 1 || *year > 9999)
        refuseRow("year (cell " + CellName(r, c) + "): " + QuoteValue(text) +
                  " is not a year (a whole number from 1 to 9999).");
    else
        season.year = static_cast<int>(*year);
}

// Puts the text of a titled, non-empty cell where its column says.
void StoreCell(SiteRow& site, const TitledColumn& column, const std::string& text, const fs::path& folder,
               int r, int c, RowRefusals& refuseRow) {
    const auto file = [&] { return folder / fs::path(text); };
    switch (column.kind) {
    case Column::Name:
        site.name = text;
        break;
    case Column::Config:
        site.config = file();
        break;
    case Column::Weather:
        site.season.weather = file().string();
        break;
    case Column::Year:
        StoreYear(site.season, text, r, c, refuseRow);
        break;
    case Column::Lat:
        site.season.latitude = text;
        break;
    case Column::Sowing:
        site.season.sowing = text;
        break;
    case Column::Transplanting:
        site.season.transplanting = text;
        break;
    case Column::Start:
        site.season.start = text;
        break;
    case Column::End:
        site.season.end = text;
        break;
    case Column::Agb:
        site.agb = file();
        break;
    case Column::Lai:
        site.lai = file();
        break;
    case Column::Measured:
        site.measured = file();
        break;
    case Column::Emergence:
        site.emergence = text;
        break;
    case Column::Flowering:
        site.flowering = text;
        break;
    case Column::Maturity:
        site.maturity = text;
        break;
    case Column::Years:
        site.years = text;
        break;
    case Column::Parameter:
        site.season.settings.push_back(column.title + "=" + text);
        break;
    }
}

// The cells of row `r`, each told to `refuseRow` when it cannot be taken.
void ReadRowCells(SiteRow& site, const Grid& grid, int r, const std::vector<TitledColumn>& columns,
                  const fs::path& folder, RowRefusals& refuseRow) {
    for (int c = 1; c <= grid.cols(); ++c) {
        const TitledColumn& column = columns[static_cast<std::size_t>(c - 1)];
        const std::string text(Trim(grid.text(r, c)));
        if (column.title.empty()) {
            if (!text.empty())
                refuseRow("cell " + CellName(r, c) + " holds " + QuoteValue(text) +
                          " under no title; row 1 must name every column.");
            continue;
        }
        if (text.empty()) {
            if (column.kind == Column::Name || column.kind == Column::Config)
                refuseRow("the " + Lower(column.title) + " cell (" + CellName(r, c) +
                          ") is empty; every site needs a name and a config.");
            continue;
        }
        StoreCell(site, column, text, folder, r, c, refuseRow);
    }
}

void MarkMeasurementColumns(SitesTable& table, const std::vector<TitledColumn>& columns) {
    for (const TitledColumn& column : columns) {
        if (column.title.empty()) continue;
        table.agbColumn |= column.kind == Column::Agb;
        table.laiColumn |= column.kind == Column::Lai;
        table.measuredColumn |= column.kind == Column::Measured;
    }
}

} // namespace

std::span<const std::string_view> SitesTableColumns() {
    return kColumns;
}

std::optional<SitesTable> ReadSitesGrid(const Grid& grid, const fs::path& folder, const std::string& source,
                                        ParameterLookup findParameter, Messages& messages) {
    Refusals refuse(source, messages);
    const auto columns = ReadTitles(grid, source, findParameter, refuse);
    if (!columns) return std::nullopt;
    SitesTable table;
    table.source = source;
    MarkMeasurementColumns(table, *columns);
    std::map<std::string, int> rowOfName;
    for (int r = 2; r <= grid.rows(); ++r) {
        if (BlankRow(grid, r)) continue;
        SiteRow site;
        site.row = r;
        site.prefix = source + ", row " + std::to_string(r) + ": ";
        site.season.optionPrefix = "";
        RowRefusals refuseRow{refuse, site.prefix};
        ReadRowCells(site, grid, r, *columns, folder, refuseRow);
        if (!site.name.empty()) {
            // Results are listed by name: two sites of one name could not be told apart.
            const auto [earlier, first] = rowOfName.emplace(site.name, r);
            if (!first)
                refuseRow("the name " + QuoteValue(site.name) + " is row " + std::to_string(earlier->second) +
                          "'s too; every site needs a name of its own.");
        }
        if (!refuseRow.any) table.rows.push_back(std::move(site));
    }
    if (refuse.any()) return std::nullopt;
    if (table.rows.empty()) {
        messages.push_back({source + " names no site: every row below the titles is blank."});
        return std::nullopt;
    }
    return table;
}

std::optional<SitesTable> ReadSitesTable(const fs::path& file, std::optional<int> sheet,
                                         std::string_view sheetOption, ParameterLookup findParameter,
                                         Messages& messages) {
    Grid grid;
    std::string source;
    if (ImportWorkbookSheet(grid, file, {sheet, sheetOption, std::nullopt, false}, messages, &source) !=
        Outcome::Done)
        return std::nullopt;
    return ReadSitesGrid(grid, file.parent_path(), source, findParameter, messages);
}

} // namespace tulo
