#include "calibration/SettingsFiles.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "io/TextFiles.h"

#include <cmath>
#include <vector>

namespace tulo {

namespace {

// The values are written one a line, so a value holding a line break would shift every later one.
std::optional<std::string> Unwritable(const std::vector<const std::string*>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i]->find_first_of("\r\n") != std::string::npos)
            return "line " + std::to_string(i + 1) + " would hold a line break: " + QuoteValue(*values[i]);
    return std::nullopt;
}

std::string Join(const std::vector<const std::string*>& values) {
    std::string text;
    for (const std::string* value : values) text += *value + '\n';
    return text;
}

enum class Kind { Text, Truth, Number, Whole };

struct Field {
    std::string* value;
    Kind kind;
    std::string_view what;
};

// Lines end with CR LF, LF or CR alone, as an editor of any platform may have saved them.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        const std::size_t breakLength = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        text.remove_prefix(end + breakLength);
    }
    return lines;
}

// Fills the fields from the lines, each checked against its kind; an empty number stays empty, as an
// empty box of the window does.
std::optional<std::string> ReadFields(std::string_view text, const std::vector<Field>& fields,
                                      std::string_view fileKind) {
    const auto lines = Lines(text);
    if (lines.size() < fields.size())
        return "line " + std::to_string(lines.size() + 1) + " (" + std::string(fields[lines.size()].what) +
               ") is missing: a " + std::string(fileKind) + " file has " + std::to_string(fields.size()) +
               " lines.";
    for (std::size_t i = fields.size(); i < lines.size(); ++i)
        if (!Trim(lines[i]).empty())
            return "line " + std::to_string(i + 1) + " is more than a " + std::string(fileKind) +
                   " file holds (" + std::to_string(fields.size()) + " lines).";
    std::vector<std::string> values(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view line = lines[i];
        const std::string_view value = Trim(line);
        const std::string where = "line " + std::to_string(i + 1) + " (" + std::string(fields[i].what) +
                                  "): " + QuoteValue(line) + " ";
        switch (fields[i].kind) {
        case Kind::Text:
            values[i] = std::string(line);
            continue;
        case Kind::Truth:
            if (value != "True" && value != "False") return where + "is neither True nor False.";
            break;
        case Kind::Number:
            if (!value.empty() && !ParseNumber(value)) return where + "is not a number.";
            break;
        case Kind::Whole:
            if (!value.empty()) {
                const auto number = ParseNumber(value);
                // Days and indices: bounded before any conversion, which a huge value would overflow.
                if (!number || std::abs(*number) > 1e9 || *number != std::trunc(*number))
                    return where + "is not a whole number.";
            }
            break;
        }
        values[i] = std::string(value);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) *fields[i].value = std::move(values[i]);
    return std::nullopt;
}

void AddParameters(std::vector<Field>& fields, std::array<CalibrationParameterTexts, 3>& parameters,
                   std::array<std::string, 3>& initial, std::array<std::string, 3>& whats) {
    for (int k = 0; k < 3; ++k) {
        fields.push_back({&parameters[k].caption, Kind::Text, "parameter caption"});
        fields.push_back({&parameters[k].min, Kind::Number, "parameter minimum"});
        fields.push_back({&parameters[k].max, Kind::Number, "parameter maximum"});
    }
    for (int k = 0; k < 3; ++k) {
        whats[k] = "initial value " + std::to_string(k + 1);
        fields.push_back({&initial[k], Kind::Number, whats[k]});
    }
}

// The texts in file order; the truth values are held as their texts while the file is read.
struct AccLayout {
    std::string agbOnly, agbAndLai;
    std::array<std::string, 3> whats;
    std::vector<Field> fields;

    explicit AccLayout(AccSettings& s)
        : agbOnly(s.agbOnly ? "True" : "False"), agbAndLai(s.agbAndLai ? "True" : "False") {
        fields = {{&agbOnly, Kind::Truth, "evaluate on AGB"},
                  {&agbAndLai, Kind::Truth, "evaluate on AGB and LAI"},
                  {&s.agbWeight, Kind::Number, "AGB weight"},
                  {&s.laiWeight, Kind::Number, "LAI weight"},
                  {&s.objective, Kind::Text, "objective"}};
        AddParameters(fields, s.parameters, s.initial, whats);
        fields.push_back({&s.rrmse, Kind::Text, "last AGB index"});
        fields.push_back({&s.rrmseLai, Kind::Text, "last LAI index"});
    }
    std::vector<const std::string*> values() const {
        std::vector<const std::string*> all;
        for (const Field& field : fields) all.push_back(field.value);
        return all;
    }
};

struct CfgLayout {
    std::array<std::string, 3> whats;
    std::vector<Field> fields;

    explicit CfgLayout(CfgSettings& s) {
        for (SiteTexts& site : s.sites) {
            fields.push_back({&site.initialDate, Kind::Whole, "initial date"});
            fields.push_back({&site.finalDate, Kind::Whole, "final date"});
            fields.push_back({&site.sowingDate, Kind::Whole, "sowing date"});
            fields.push_back({&site.latitude, Kind::Number, "latitude"});
            fields.push_back({&site.rrmse, Kind::Text, "last AGB index"});
            fields.push_back({&site.weather, Kind::Text, "weather file"});
            fields.push_back({&site.agb, Kind::Text, "AGB file"});
            fields.push_back({&site.lai, Kind::Text, "LAI file"});
        }
        AddParameters(fields, s.parameters, s.initial, whats);
    }
    std::vector<const std::string*> values() const {
        std::vector<const std::string*> all;
        for (const Field& field : fields) all.push_back(field.value);
        return all;
    }
};

std::optional<std::string> ReadText(const std::filesystem::path& file, std::string& text) {
    auto read = ReadWholeFile(file, kMaxTextFileBytes);
    if (!read) return "Cannot read " + file.string() + ": " + read.message() + ".";
    text = std::move(read).value();
    return std::nullopt;
}

} // namespace

int SitesInUse(const CfgSettings& settings) {
    int count = 0;
    while (count < kCalibrationSites && !Trim(settings.sites[count].weather).empty()) ++count;
    return count;
}

std::optional<std::string> SiteAfterTheLast(const CfgSettings& settings) {
    const int count = SitesInUse(settings);
    for (int s = count; s < kCalibrationSites; ++s) {
        const SiteTexts& site = settings.sites[static_cast<std::size_t>(s)];
        const bool names = !Trim(site.weather).empty() || !Trim(site.agb).empty() || !Trim(site.lai).empty();
        if (!names) continue;
        const std::string gap = "site " + std::to_string(count + 1);
        if (s == count)
            return "Site " + std::to_string(s + 1) +
                   " names measurements but no weather workbook, so it cannot be simulated: give it its "
                   "weather or empty its row.";
        return "Site " + std::to_string(s + 1) + " names its files, but " + gap +
               " has no weather workbook and the sites are read up to the first without one: fill " + gap +
               " or move site " + std::to_string(s + 1) + " up.";
    }
    return std::nullopt;
}

std::string FormatAccSettings(const AccSettings& settings) {
    AccSettings copy = settings;
    return Join(AccLayout(copy).values());
}

std::string FormatCfgSettings(const CfgSettings& settings) {
    CfgSettings copy = settings;
    return Join(CfgLayout(copy).values());
}

Outcome ParseAccSettings(std::string_view text, AccSettings& settings) {
    AccSettings read = settings;
    AccLayout layout(read);
    if (auto error = ReadFields(text, layout.fields, ".acc")) return Outcome::Failure(std::move(*error));
    read.agbOnly = layout.agbOnly == "True";
    read.agbAndLai = layout.agbAndLai == "True";
    settings = std::move(read);
    return Outcome::Success();
}

Outcome ParseCfgSettings(std::string_view text, CfgSettings& settings) {
    CfgSettings read = settings;
    CfgLayout layout(read);
    if (auto error = ReadFields(text, layout.fields, ".cfg")) return Outcome::Failure(std::move(*error));
    settings = std::move(read);
    return Outcome::Success();
}

Outcome WriteAccSettings(const std::filesystem::path& file, const AccSettings& settings) {
    AccSettings copy = settings;
    const AccLayout layout(copy);
    if (const auto why = Unwritable(layout.values()))
        return Outcome::Failure("Cannot write " + file.string() + ": " + *why);
    return WriteFileAtomically(file, Join(layout.values()));
}

Outcome WriteCfgSettings(const std::filesystem::path& file, const CfgSettings& settings) {
    CfgSettings copy = settings;
    const CfgLayout layout(copy);
    if (const auto why = Unwritable(layout.values()))
        return Outcome::Failure("Cannot write " + file.string() + ": " + *why);
    return WriteFileAtomically(file, Join(layout.values()));
}

Outcome ReadAccSettings(const std::filesystem::path& file, AccSettings& settings) {
    std::string text;
    if (auto error = ReadText(file, text)) return Outcome::Failure(std::move(*error));
    if (const Outcome parsed = ParseAccSettings(text, settings); parsed == Outcome::Failed)
        return Outcome::Failure(file.string() + ", " + parsed.message);
    return Outcome::Success();
}

Outcome ReadCfgSettings(const std::filesystem::path& file, CfgSettings& settings) {
    std::string text;
    if (auto error = ReadText(file, text)) return Outcome::Failure(std::move(*error));
    if (const Outcome parsed = ParseCfgSettings(text, settings); parsed == Outcome::Failed)
        return Outcome::Failure(file.string() + ", " + parsed.message);
    return Outcome::Success();
}

} // namespace tulo
