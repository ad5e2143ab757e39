#include "inputs/SeasonOptions.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/OpeningSeason.h"
#include "io/SheetImport.h"
#include "io/WeatherFiles.h"
#include "io/Workbook.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>

namespace tulo {

namespace {

// The text a parameter's value stands for, or the sentence refusing it.
struct SettingText {
    std::string text;
    std::string refusal;
};

SettingText SettingValue(const ParameterInfo& info, std::string_view name, std::string_view value) {
    const std::string quoted = QuoteValue(value);
    if (info.kind == ParameterKind::Code) {
        // A list takes its item's text or the item's code, as the crop workbook writes it.
        for (const std::string_view item : info.choices)
            if (EqualIgnoringCase(item, value)) return {std::string(item), {}};
        if (const auto code = ParseInt32(value); code && *code >= 0 &&
                                                 static_cast<std::size_t>(*code) < info.choices.size() &&
                                                 ParseNumber(value) == static_cast<double>(*code))
            return {std::string(info.choices[static_cast<std::size_t>(*code)]), {}};
        std::string accepted;
        for (std::size_t k = 0; k < info.choices.size(); ++k)
            accepted += (k ? ", " : "") + std::to_string(k) + " \"" + std::string(info.choices[k]) + "\"";
        return {{}, std::string(name) + ": " + quoted + " is not one of " + accepted + "."};
    }
    const auto number = ParseNumber(value);
    if (!number) return {{}, std::string(name) + ": " + quoted + " is not a number."};
    if (info.kind == ParameterKind::Switch) {
        if (*number != 0 && *number != 1)
            return {{}, std::string(name) + ": " + quoted + " is neither 0 (off) nor 1 (on)."};
        return {*number == 1 ? "1" : "0", {}};
    }
    if (const auto problem = CheckParameterBounds(info, *number))
        return {{}, std::string(name) + ": " + problem->text};
    return {std::string(Trim(value)), {}};
}

// The options' changes are made to a copy, which replaces the configuration only when nothing was
// refused, so that a refusal leaves it as it was.
struct PlannedChanges {
    SeasonConfiguration season;
    std::vector<std::string> notes; // told once the changes are made
    bool newSeason = false;         // a new season takes the weather file's latitude
};

// The weather table as the grid an import fills: row 1 the titles, then the days from 1 on.
Grid WeatherGrid(const SeasonConfiguration& season) {
    const int rows = std::max(kWeatherRows, season.weather.rows() + 1);
    Grid grid(rows, kWeatherCols);
    for (int col = 1; col <= kWeatherCols; ++col) {
        grid.setText(1, col, season.weatherTitles[static_cast<std::size_t>(col - 1)]);
        for (int row = 2; row <= rows; ++row) grid.setText(row, col, season.weather.text(row - 2, col - 1));
    }
    return grid;
}

// The grid's days into the table: `days` of them, at least 365.
void SetWeather(SeasonConfiguration& season, const Grid& grid, int days = kLastDay) {
    days = std::max(days, kLastDay);
    season.weather = NumberTable(days, kWeatherCols);
    for (int col = 1; col <= kWeatherCols; ++col) {
        season.weatherTitles[static_cast<std::size_t>(col - 1)] = grid.text(1, col);
        for (int row = 2; row <= days + 1; ++row)
            season.weather.setText(row - 2, col - 1, grid.text(row, col));
    }
}

// Keeps the weather table's days through the day after the season's last, which the loop reads, and
// never fewer than 365: the days beyond are no concern of the season.
void TrimWeather(SeasonConfiguration& season) {
    const int needed = std::max(kLastDay, season.finalDate.value.value_or(kLastDay));
    if (season.weather.rows() <= needed) return;
    NumberTable kept(needed, kWeatherCols);
    for (int row = 0; row < needed; ++row)
        for (int col = 0; col < kWeatherCols; ++col) kept.setText(row, col, season.weather.text(row, col));
    season.weather = std::move(kept);
}

} // namespace

bool SeasonOptions::any() const {
    return weather || weatherSheet || year || radiationKrs || latitude || sowing || transplanting || start ||
           end || !settings.empty();
}

SeasonDay ParseSeasonDay(std::string_view option, std::string_view text, std::optional<int> seasonYear) {
    const std::string name(option);
    const std::string_view trimmed = Trim(text);
    if (const auto number = ParseNumber(trimmed)) {
        if (*number != std::floor(*number) || *number < 1 || *number > kLastSeasonDay)
            return {
                {},
                {},
                name + ": " + QuoteValue(text) + " is not a day of the season's year (1 to 366; later days " +
                    "count on into the next years, up to " + std::to_string(kLastSeasonDay) + ") or a date."};
        return {static_cast<int>(*number), {}, {}};
    }
    const auto date = ParseDateText(trimmed);
    if (!date)
        return {{},
                {},
                name + ": " + QuoteValue(text) +
                    " is neither a day of year nor a date (2024-06-15, 15/06/2024)."};
    const auto doy = DayOfYear(*date);
    if (!doy) return {{}, {}, name + ": " + QuoteValue(text) + " is a date its year does not have."};
    if (!seasonYear) return {static_cast<int>(*doy), date->year, {}};
    if (date->year < *seasonYear)
        return {{},
                {},
                name + ": " + IsoDateText(*date) + " is before the season's year, " +
                    std::to_string(*seasonYear) + "."};
    const auto day = SeasonDayOfDate(*date, *seasonYear);
    if (!day || *day > kLastSeasonDay)
        return {{},
                {},
                name + ": " + IsoDateText(*date) + " is more than two years after 1 January " +
                    std::to_string(*seasonYear) +
                    ", the start of the season's year: a season lasts at most " +
                    std::to_string(kLongestSeason) + " days."};
    return {static_cast<int>(*day), date->year, {}};
}

namespace {

// A table's columns read as ReadWeatherFile reads a file, messages starting with the name it goes by.
WeatherFileSeries ReadColumnsOf(const std::string& name, const std::vector<WeatherColumn>& columns) {
    try {
        return ReadWeatherColumns(columns);
    } catch (const WeatherFileError& e) {
        throw WeatherFileError(name + ", " + e.what());
    }
}

// The weather option: a weather file's year, or a workbook's sheet, put into a copy of the weather table.
bool PlanWeather(const SeasonOptions& options, std::optional<int> dateYear, PlannedChanges& plan,
                 SeasonChanges& changes, Messages& messages) {
    const std::string& file = *options.weather;
    const std::string prefix = options.optionPrefix;
    Grid grid = WeatherGrid(plan.season);
    const auto format = !options.weatherColumns ? RecogniseWeatherFile(file)
                        : IsDatedWeatherTable(*options.weatherColumns)
                            ? std::optional(WeatherFileFormat::DatedCsv)
                            : std::nullopt;
    if (!format) {
        std::error_code ec;
        // A file that cannot be read is told so by the import below, whatever else the options ask.
        if (options.year && (options.weatherColumns || std::filesystem::is_regular_file(file, ec))) {
            messages.push_back({prefix +
                                "year chooses the season's year in a weather file of several years (DSSAT "
                                ".WTH, NASA POWER CSV, APSIM .met); " +
                                file + " is none: a workbook's weather table is one season's."});
            return false;
        }
        std::string source;
        const std::string sheetOption = prefix + "weather-sheet";
        const SheetRequest request{options.weatherSheet, sheetOption, WeatherRowLimit(), true};
        if (options.weatherColumns) {
            // Columns of no dated table are the weather table's own, as a workbook's sheet holds them.
            WorkbookData table;
            table.format = WorkbookFormat::Csv;
            table.sheets.push_back({file, WeatherColumnCells(*options.weatherColumns), {}, false});
            if (!ImportWorkbookData(grid, file, table, request, messages, &source)) return false;
        } else if (!ImportWorkbookSheet(grid, file, request, messages, &source)) {
            return false;
        }
        changes.weatherSource = source;
        SetWeather(plan.season, grid);
        return true;
    }
    if (options.weatherSheet) {
        messages.push_back({prefix + "weather-sheet: " + file + " is " +
                            std::string(DescribeWeatherFormat(*format)) + ", which has no sheets."});
        return false;
    }
    try {
        const WeatherFileSeries series =
            options.weatherColumns ? ReadColumnsOf(file, *options.weatherColumns) : ReadWeatherFile(file);
        const int year = ChooseWeatherYear(series, options.year ? options.year : dateYear);
        // Radiation a station did not record is estimated at the latitude the season will have.
        std::optional<double> latitude =
            options.latitude ? ParseNumber(*options.latitude) : ParseNumber(ItemText(plan.season.latitude));
        if (!options.latitude && plan.newSeason && series.latitude) latitude = series.latitude;
        std::optional<RadiationEstimate> estimate;
        if (latitude) estimate = RadiationEstimate{*latitude, options.radiationKrs.value_or(kInlandKrs)};
        std::vector<std::string> notes;
        const int days = FillWeatherTable(series, year, grid, notes, estimate);
        for (const std::string& note : notes) plan.notes.push_back(file + ": " + note);
        changes.year = year;
        changes.weatherLatitude = series.latitude;
        changes.weatherSource = file + " (" + std::to_string(year) + ")";
        SetWeather(plan.season, grid, days);
        return true;
    } catch (const WeatherFileError& e) {
        const std::string text = e.what();
        messages.push_back({text.starts_with(file) ? text : file + ": " + text});
        return false;
    }
}

// Tells each refusal at once, so that all of an invocation's problems are heard together, and remembers
// that there was one.
struct Refusals {
    Messages& messages;
    bool any = false;

    void operator()(const std::string& sentence) {
        messages.push_back({sentence});
        any = true;
    }
};

// The sowing, transplanting, start and end options, in that order.
void PlanDays(const SeasonOptions& options, SeasonChanges& changes, PlannedChanges& plan, Refusals& refuse) {
    const std::string prefix = options.optionPrefix;
    SeasonConfiguration& season = plan.season;
    const std::pair<const std::optional<std::string>*, std::pair<std::string_view, WholeItem*>> days[] = {
        {&options.sowing, {"sowing", &season.sowingDate}},
        {&options.transplanting, {"transplanting", &season.transplantingDate}},
        {&options.start, {"start", &season.initialDate}},
        {&options.end, {"end", &season.finalDate}}};
    // A sowing day that does not read counts as day 0, which every transplanting follows.
    std::optional<int> sowing = season.sowingDate.value.value_or(0);
    for (const auto& [text, names] : days) {
        if (!*text) continue;
        const SeasonDay day = ParseSeasonDay(prefix + std::string(names.first), **text, changes.year);
        if (!day.doy) {
            refuse(day.refusal);
            continue;
        }
        // Without a weather file the first date tells the season's year, and the others must agree.
        if (day.year && !changes.year) changes.year = day.year;
        if (text == &options.sowing) sowing = day.doy;
        if (text == &options.transplanting) {
            // The seedlings grow in the seedbed from the sowing on, so they are moved after it.
            if (sowing && *day.doy <= *sowing) {
                refuse(prefix + "transplanting: day " + std::to_string(*day.doy) +
                       " is not after the sowing in the seedbed (day " + std::to_string(*sowing) + ").");
                continue;
            }
            season.transplanted = true;
        }
        // The end is the last simulated day; the configuration holds the day the loop stops at.
        *names.second = WholeItem{*day.doy + (text == &options.end ? 1 : 0), {}};
    }
}

// The lat option, and the warning when the season's latitude is far from the weather file's.
void PlanLatitude(const SeasonOptions& options, const SeasonChanges& changes, PlannedChanges& plan,
                  Refusals& refuse) {
    // Read as the text it stands for, so that the comparison sees the degrees as written.
    const std::optional<double> held = ParseNumber(ItemText(plan.season.latitude));
    std::optional<double> latitude;
    if (options.latitude) {
        latitude = ParseNumber(*options.latitude);
        if (!latitude)
            refuse(options.optionPrefix + "lat: " + QuoteValue(*options.latitude) +
                   " is not a latitude in degrees north.");
        else
            plan.season.latitude = ReadSingleItem(std::string(Trim(*options.latitude)));
    }
    if (!latitude) latitude = held;
    if (changes.weatherLatitude && latitude && std::fabs(*changes.weatherLatitude - *latitude) > 0.1)
        plan.notes.push_back("Warning: the season's latitude " + ShortestText(*latitude) + "° differs from " +
                             *options.weather + "'s " + ShortestText(*changes.weatherLatitude) +
                             "° by more than 0.1°; the season keeps its own.");
}

// One NAME=VALUE setting of a crop parameter; `what` starts its refusals.
void PlanSetting(const std::string& setting, const std::string& what, ParameterLookup findParameter,
                 PlannedChanges& plan, Refusals& refuse) {
    const auto equals = setting.find('=');
    if (equals == std::string::npos) {
        refuse(what + QuoteValue(setting) + ": expected NAME=VALUE, a crop parameter and its value.");
        return;
    }
    const std::string_view name = Trim(std::string_view(setting).substr(0, equals));
    const std::string_view value = Trim(std::string_view(setting).substr(equals + 1));
    const ParameterInfo* info = findParameter(name);
    if (!info) {
        refuse(what + QuoteValue(name) +
               " is not a crop parameter: name one by its id, key or caption (tulo-cli parameters lists "
               "them).");
        return;
    }
    if (!FindCropParameterItem(info->id)) {
        refuse(what + std::string(info->id) + " is a constant of the model, not a setting.");
        return;
    }
    const SettingText text = SettingValue(*info, info->id, value);
    if (!text.refusal.empty()) {
        refuse(what + text.refusal);
        return;
    }
    CropItem& item = plan.season.crop[static_cast<std::size_t>(info - CropParameterRegistry().data())];
    item = info->kind == ParameterKind::Switch ? CropItem{text.text == "1" ? 1.0 : 0.0, {}}
                                               : ReadCropItem(*info, text.text);
}

std::optional<SeasonChanges> PlanSeason(const SeasonOptions& options, ParameterLookup findParameter,
                                        PlannedChanges& plan, Messages& messages) {
    SeasonChanges changes;
    const std::string prefix = options.optionPrefix;

    // The year the configuration holds belongs to its weather: another weather brings its own year, or
    // none (a workbook's table).
    const std::optional<int> stored = plan.season.year;
    if (!options.weather && stored && options.year && *options.year != *stored) {
        messages.push_back({prefix + "year " + std::to_string(*options.year) +
                            ": the season's weather is of " + std::to_string(*stored) +
                            "; a season of another year needs that year's weather (" + prefix + "weather)."});
        return std::nullopt;
    }
    // The days given as dates choose the year of a weather file of several, as --year would: the
    // earliest of their years, the one a season that crosses 31 December starts in.
    std::optional<int> dateYear;
    for (const auto* day : {&options.start, &options.sowing, &options.transplanting, &options.end})
        if (*day && !ParseNumber(Trim(**day)))
            if (const auto date = ParseDateText(Trim(**day)); date && DayOfYear(*date))
                dateYear = dateYear ? std::min(*dateYear, date->year) : date->year;
    if (options.weather && !PlanWeather(options, dateYear, plan, changes, messages)) return std::nullopt;
    if (!options.weather) changes.year = stored;
    if (!changes.year) changes.year = options.year ? options.year : dateYear;

    Refusals refuse{messages};
    PlanDays(options, changes, plan, refuse);
    // What the command learnt of the year is the season's, so that its dates show in that calendar.
    plan.season.year = changes.year;
    PlanLatitude(options, changes, plan, refuse);
    const std::string what = prefix.empty() ? std::string() : prefix + "set ";
    for (const std::string& setting : options.settings)
        PlanSetting(setting, what, findParameter, plan, refuse);
    if (refuse.any) return std::nullopt;
    return changes;
}

} // namespace

std::optional<SeasonChanges> ApplySeasonOptions(SeasonConfiguration& configuration,
                                                const SeasonOptions& options, ParameterLookup findParameter,
                                                Messages& messages) {
    PlannedChanges plan{configuration, {}};
    CompleteLayout(plan.season);
    auto changes = PlanSeason(options, findParameter, plan, messages);
    if (!changes) return std::nullopt;
    TrimWeather(plan.season);
    configuration = std::move(plan.season);
    for (const std::string& note : plan.notes) messages.push_back({note, {}, Icon::Information});
    return changes;
}

std::optional<SeasonChanges> MakeNewSeason(SeasonConfiguration& season, const SeasonOptions& options,
                                           std::optional<double> floodedLevelCm,
                                           ParameterLookup findParameter, Messages& messages) {
    const std::string prefix = options.optionPrefix;
    if (!options.weather || !options.sowing) {
        messages.push_back({"A new season needs " + prefix + "weather and " + prefix + "sowing."});
        return std::nullopt;
    }
    PlannedChanges plan{OpeningConfiguration(), {}, true};
    auto changes = PlanSeason(options, findParameter, plan, messages);
    if (!changes) return std::nullopt;
    SeasonConfiguration& made = plan.season;
    if (!options.latitude) {
        if (!changes->weatherLatitude) {
            messages.push_back(
                {*options.weather + " gives no latitude: give the site's with " + prefix + "lat."});
            return std::nullopt;
        }
        made.latitude = ReadSingleItem(ShortestText(*changes->weatherLatitude));
    }
    if (!options.start) made.initialDate = WholeItem{1, {}};
    // Through 31 December of the season's year, the day after being the one the loop stops at.
    if (!options.end) made.finalDate = WholeItem{DaysInYear(changes->year.value_or(0)) + 1, {}};
    TrimWeather(made);
    if (floodedLevelCm) {
        made.flooding = std::string(choice::Flooded);
        made.waterLevel = ReadSingleItem(ShortestText(*floodedLevelCm));
        // One depth all season is what a flooded field's single level means.
        made.fixedWaterLevel = true;
        made.dynamicWaterLevel = false;
    } else {
        made.flooding = std::string(choice::Unflooded);
    }
    season = std::move(made);
    for (const std::string& note : plan.notes) messages.push_back({note, {}, Icon::Information});
    return changes;
}

} // namespace tulo
