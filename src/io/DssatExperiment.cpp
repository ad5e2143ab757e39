#include "io/DssatExperiment.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "io/FixedColumns.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <utility>

namespace tulo {

namespace {

// A refusal of the file being read, thrown from deep in a row's values and turned into the reader's
// failed Result at its top.
struct Refusal {
    std::string message;
};

// A title without the dots that fill its column's width ("TNAME....", ".....ELEV").
std::string TitleName(std::string_view token) {
    while (!token.empty() && token.front() == '.') token.remove_prefix(1);
    while (!token.empty() && token.back() == '.') token.remove_suffix(1);
    return UpperCase(token);
}

// Names (TNAME, CNAME, FLNAME, ...) are free texts that may hold blanks.
bool IsFreeText(std::string_view title) {
    return title.ends_with("NAME");
}

bool IsMissing(std::string_view text) {
    if (text.empty()) return true;
    const auto value = ParseNumber(text);
    return value && *value <= -99 && *value >= -99.9;
}

struct TitleLine {
    std::vector<std::string> names;
    std::vector<std::size_t> ends; // where each title's token ends, dots included
};

TitleLine ReadTitles(std::string_view line) {
    TitleLine titles;
    const std::size_t at = line.find('@');
    for (const std::string_view token : SplitBlanks(line.substr(at + 1))) {
        std::string name = TitleName(token);
        if (name.empty()) continue;
        titles.names.push_back(std::move(name));
        titles.ends.push_back(static_cast<std::size_t>(token.data() - line.data()) + token.size());
    }
    return titles;
}

// A row's values under its titles: split at blanks, a free text taking what lies between the values
// before and after it; read by the titles' places when values are left blank.
DssatTable::Row SplitRow(std::string_view line, int number, const TitleLine& titles, int titleLine) {
    DssatTable::Row row;
    row.line = number;
    const std::vector<std::string_view> tokens = SplitBlanks(line);
    const std::size_t count = titles.names.size();
    const auto text = std::find_if(titles.names.begin(), titles.names.end(),
                                   [](const std::string& name) { return IsFreeText(name); });
    if (text != titles.names.end() && tokens.size() >= count) {
        const auto before = static_cast<std::size_t>(text - titles.names.begin());
        const std::size_t after = count - 1 - before;
        for (std::size_t i = 0; i < before; ++i) row.values.emplace_back(tokens[i]);
        const std::string_view first = tokens[before];
        const std::string_view last = tokens[tokens.size() - after - 1];
        row.values.emplace_back(first.data(),
                                static_cast<std::size_t>(last.data() + last.size() - first.data()));
        for (std::size_t i = tokens.size() - after; i < tokens.size(); ++i)
            row.values.emplace_back(tokens[i]);
        return row;
    }
    if (tokens.size() == count) {
        row.values.assign(tokens.begin(), tokens.end());
        return row;
    }
    if (tokens.size() < count) {
        if (const auto fields = FixedColumns(line, titles.ends)) {
            row.values.assign(fields->begin(), fields->end());
            return row;
        }
    }
    row.problem = "line " + std::to_string(number) + ": " + std::to_string(tokens.size()) +
                  " values under the " + std::to_string(count) + " titles of line " +
                  std::to_string(titleLine) + ", and the values do not stand under the titles";
    return row;
}

// The values of one row, each refused naming the file, the line and the column.
class RowValues {
public:
    RowValues(const DssatTable& table, const DssatTable::Row& row, std::string_view file)
        : table_(table), row_(row), file_(file) {
        if (!row.problem.empty()) throw Refusal{std::string(file) + ", " + row.problem + "."};
    }

    std::string where(std::string_view title) const {
        return std::string(file_) + ", line " + std::to_string(row_.line) + ", column " + std::string(title);
    }

    // The value as written, trimmed; empty for a column the table lacks or a value missing.
    std::string_view text(std::string_view title) const {
        const auto column = table_.column(title);
        if (!column) return {};
        const std::string_view value = Trim(row_.values[*column]);
        return IsMissing(value) ? std::string_view{} : value;
    }

    std::optional<double> number(std::string_view title) const {
        const std::string_view value = text(title);
        if (value.empty()) return std::nullopt;
        const auto parsed = ParseNumber(value);
        if (!parsed) throw Refusal{where(title) + ": " + QuoteValue(value) + " is not a number."};
        return parsed;
    }

    std::optional<int> whole(std::string_view title) const {
        const auto value = number(title);
        if (!value) return std::nullopt;
        // The range first: a cast of 1e31 to an integer is undefined, not merely wrong.
        if (!(*value >= 0 && *value <= 1e6) || *value != std::floor(*value))
            throw Refusal{where(title) + ": " + QuoteValue(text(title)) + " is not a whole number."};
        return static_cast<int>(*value);
    }

    // A level or treatment number, which every row needs.
    int level(std::string_view title) const {
        const auto column = table_.column(title);
        if (!column)
            throw Refusal{std::string(file_) + ", line " + std::to_string(table_.titleLine) +
                          ": the titles lack " + std::string(title) + ", the rows' numbers."};
        const auto value = whole(title);
        if (!value || *value < 1)
            throw Refusal{where(title) + ": a row needs its number (1, 2, ...), not " +
                          QuoteValue(Trim(row_.values[*column])) + "."};
        return *value;
    }

    std::optional<CivilDate> date(std::string_view title) const {
        auto parsed = ParseDssatDate(text(title), where(title));
        if (!parsed) throw Refusal{parsed.message()};
        return *parsed;
    }

    int line() const { return row_.line; }

private:
    const DssatTable& table_;
    const DssatTable::Row& row_;
    std::string_view file_;
};

// The tables of the sections whose title starts with `title`, that have the column `needed`.
template <class Visit>
void ForEachRow(const std::vector<DssatSection>& sections, std::string_view title, std::string_view needed,
                std::string_view file, Visit visit) {
    for (const DssatSection& section : sections) {
        if (!section.title.starts_with(title)) continue;
        for (const DssatTable& table : section.tables) {
            if (!table.column(needed)) continue;
            for (const DssatTable::Row& row : table.rows) visit(RowValues(table, row, file), table);
        }
    }
}

// A level's row, which may be given only once.
template <class Level>
void AddLevel(std::map<int, Level>& levels, int number, Level level, const RowValues& row,
              std::string_view title) {
    if (!levels.emplace(number, std::move(level)).second)
        throw Refusal{row.where(title) + ": level " + std::to_string(number) + " is given twice."};
}

void ReadTreatments(const std::vector<DssatSection>& sections, std::string_view file,
                    DssatExperiment& experiment) {
    static const std::set<std::string, std::less<>> kNotLevels = {"N", "R", "O", "C", "TNAME"};
    std::map<int, int> lines;
    ForEachRow(sections, "TREATMENTS", "TNAME", file, [&](const RowValues& row, const DssatTable& table) {
        DssatTreatment treatment;
        treatment.number = row.level("N");
        treatment.name = std::string(row.text("TNAME"));
        treatment.line = row.line();
        for (const std::string& title : table.titles)
            if (!kNotLevels.contains(title)) treatment.levels[title] = row.whole(title).value_or(0);
        if (const auto [at, added] = lines.emplace(treatment.number, row.line()); !added)
            throw Refusal{row.where("N") + ": treatment " + std::to_string(treatment.number) +
                          " is given twice (line " + std::to_string(at->second) +
                          " too); TULO imports one season a treatment."};
        experiment.treatments.push_back(std::move(treatment));
    });
    if (experiment.treatments.empty())
        throw Refusal{std::string(file) + " has no treatments: a *TREATMENTS section with an @N ... TNAME "
                                          "title line and a row a treatment is needed."};
}

void ReadLevels(const std::vector<DssatSection>& sections, std::string_view file,
                DssatExperiment& experiment) {
    ForEachRow(sections, "CULTIVARS", "INGENO", file, [&](const RowValues& row, const DssatTable& table) {
        AddLevel(experiment.cultivars, row.level(table.titles.front()),
                 DssatCultivar{std::string(row.text("INGENO")), std::string(row.text("CNAME"))}, row,
                 table.titles.front());
    });
    ForEachRow(sections, "FIELDS", "WSTA", file, [&](const RowValues& row, const DssatTable& table) {
        AddLevel(experiment.fields, row.level(table.titles.front()),
                 DssatField{.station = std::string(row.text("WSTA")),
                            .soil = std::string(row.text("ID_SOIL")),
                            .latitude = std::nullopt,
                            .line = row.line()},
                 row, table.titles.front());
    });
    // The field's coordinates come in a table of their own, under the same levels.
    ForEachRow(sections, "FIELDS", "YCRD", file, [&](const RowValues& row, const DssatTable& table) {
        const auto field = experiment.fields.find(row.level(table.titles.front()));
        if (field == experiment.fields.end()) return;
        field->second.latitude = row.number("YCRD");
        if (field->second.latitude && std::abs(*field->second.latitude) > 90)
            throw Refusal{row.where("YCRD") + ": " + QuoteValue(row.text("YCRD")) +
                          " is no latitude (degrees, -90 to 90)."};
    });
    ForEachRow(sections, "PLANTING", "PDATE", file, [&](const RowValues& row, const DssatTable& table) {
        DssatPlanting planting;
        planting.line = row.line();
        const auto date = row.date("PDATE");
        if (!date) throw Refusal{row.where("PDATE") + ": the planting date is missing."};
        planting.date = *date;
        const std::string_view method = row.text("PLME");
        if (method.size() > 1)
            throw Refusal{row.where("PLME") + ": " + QuoteValue(method) +
                          " is no planting method (one letter: S, P, T or N)."};
        if (!method.empty())
            planting.method = static_cast<char>(std::toupper(static_cast<unsigned char>(method[0])));
        planting.density = row.number("PPOP");
        planting.seedlingAge = row.number("PAGE");
        planting.plantsPerHill = row.number("PLPH");
        planting.seedbedCelsius = row.number("PENV");
        AddLevel(experiment.plantings, row.level(table.titles.front()), planting, row, table.titles.front());
    });
    ForEachRow(sections, "IRRIGATION", "IROP", file, [&](const RowValues& row, const DssatTable& table) {
        DssatIrrigationEvent event;
        event.line = row.line();
        event.code = UpperCase(row.text("IROP"));
        event.value = row.number("IRVAL").value_or(0);
        experiment.irrigations[row.level(table.titles.front())].push_back(std::move(event));
    });
    ForEachRow(sections, "FERTILIZERS", "FAMN", file, [&](const RowValues& row, const DssatTable& table) {
        experiment.fertilisers[row.level(table.titles.front())].push_back({row.number("FAMN").value_or(0)});
    });
}

template <class Read> auto Refused(Read read) -> Result<decltype(read())> {
    try {
        return read();
    } catch (const Refusal& refusal) {
        return Outcome::Failure(refusal.message, Outcome::Reason::InvalidInputs);
    }
}

} // namespace

std::optional<std::size_t> DssatTable::column(std::string_view title) const {
    const auto at = std::find(titles.begin(), titles.end(), title);
    if (at == titles.end()) return std::nullopt;
    return static_cast<std::size_t>(at - titles.begin());
}

int DssatTreatment::level(std::string_view factor) const {
    const auto at = levels.find(std::string(factor));
    return at == levels.end() ? 0 : at->second;
}

std::vector<DssatSection> ReadDssatSections(std::string_view text) {
    std::vector<DssatSection> sections;
    TitleLine titles;
    DssatTable* table = nullptr;
    const std::vector<std::string_view> lines = TextLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const std::string_view line = Trim(lines[i]);
        if (line.empty() || line.front() == '!') continue;
        if (line.front() == '*') {
            sections.push_back({UpperCase(Trim(line.substr(1))), number, {}});
            table = nullptr;
            continue;
        }
        if (line.front() == '@') {
            if (sections.empty()) sections.push_back({"", number, {}});
            titles = ReadTitles(lines[i]);
            table = &sections.back().tables.emplace_back();
            table->titleLine = number;
            table->titles = titles.names;
            continue;
        }
        // Free text before any titles (a section's notes) is no table's row.
        if (table && !titles.names.empty())
            table->rows.push_back(SplitRow(lines[i], number, titles, table->titleLine));
    }
    return sections;
}

Result<std::optional<CivilDate>> ParseDssatDate(std::string_view text, std::string_view where) {
    text = Trim(text);
    if (IsMissing(text)) return std::optional<CivilDate>{};
    const bool digits = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || text.size() == 6 || text.size() > 7)
        return Outcome::Failure(std::string(where) + ": " + QuoteValue(text) +
                                    " is not a date written YYDDD or YYYYDDD.",
                                Outcome::Reason::InvalidInputs);
    const int value = std::stoi(std::string(text));
    const int year = text.size() == 7 ? value / 1000 : YearOfTwoDigits(value / 1000);
    const int day = value % 1000;
    if (year < 1 || day < 1 || day > DaysInYear(year))
        return Outcome::Failure(std::string(where) + ": " + QuoteValue(text) + " names day " +
                                    std::to_string(day) + " of " + std::to_string(year) + ", which has " +
                                    std::to_string(year < 1 ? 0 : DaysInYear(year)) + " days.",
                                Outcome::Reason::InvalidInputs);
    return std::optional<CivilDate>{DateOfSeasonDay(day, year)};
}

Result<DssatExperiment> ReadDssatExperiment(std::string_view text, std::string_view file) {
    return Refused([&] {
        const std::vector<DssatSection> sections = ReadDssatSections(text);
        DssatExperiment experiment;
        for (const DssatSection& section : sections)
            if (section.title.starts_with("EXP.DETAILS")) {
                const std::size_t colon = section.title.find(':');
                experiment.title =
                    colon == std::string::npos ? "" : std::string(Trim(section.title.substr(colon + 1)));
            }
        ReadTreatments(sections, file, experiment);
        ReadLevels(sections, file, experiment);
        return experiment;
    });
}

Result<DssatObservations> ReadDssatObservations(std::string_view text, std::string_view file,
                                                bool timeCourse) {
    return Refused([&] {
        DssatObservations observations;
        const std::vector<DssatSection> sections = ReadDssatSections(text);
        for (const DssatSection& section : sections)
            for (const DssatTable& table : section.tables) {
                if (!table.column("TRNO")) continue;
                if (timeCourse && !table.column("DATE"))
                    throw Refusal{std::string(file) + ", line " + std::to_string(table.titleLine) +
                                  ": a table of measurements over time needs a DATE column beside TRNO."};
                for (const std::string& title : table.titles)
                    if (std::find(observations.titles.begin(), observations.titles.end(), title) ==
                        observations.titles.end())
                        observations.titles.push_back(title);
                for (const DssatTable::Row& data : table.rows) {
                    const RowValues row(table, data, file);
                    DssatObservation observation;
                    observation.treatment = row.level("TRNO");
                    observation.line = row.line();
                    if (timeCourse) {
                        observation.date = row.date("DATE");
                        if (!observation.date) throw Refusal{row.where("DATE") + ": the date is missing."};
                    }
                    for (const std::string& title : table.titles) {
                        if (title == "TRNO" || title == "DATE" || IsFreeText(title)) continue;
                        if (title.ends_with("DAT")) {
                            if (const auto date = row.date(title)) observation.dates[title] = *date;
                        } else if (const auto value = row.number(title)) {
                            observation.numbers[title] = *value;
                        }
                    }
                    observations.rows.push_back(std::move(observation));
                }
            }
        return observations;
    });
}

} // namespace tulo
