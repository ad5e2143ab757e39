#include "Years.h"

#include "CommandLine.h"
#include "Commands.h"
#include "base/Calendar.h"
#include "base/Numbers.h"
#include "commands/GrowingSeasons.h"
#include "commands/SitesTable.h"
#include "io/TextFiles.h"
#include "io/WeatherFiles.h"

namespace tulo::cli {

namespace {

// A month and day as --sowing takes it ("11-15"), or a date's ("2019-11-15").
std::optional<DayMonth> MonthDayOf(std::string_view text) {
    if (const auto md = ParseMonthDay(text)) return md;
    if (const auto date = ParseDateText(Trim(text)); date && DayOfYear(*date))
        return DayMonth{date->day, date->month};
    return std::nullopt;
}

// "1991-2020", or one year.
std::optional<std::pair<int, int>> YearsOf(std::string_view text) {
    text = Trim(text);
    const std::size_t dash = text.find('-', 1);
    const auto first = ParseSeasonYear(text.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : ParseSeasonYear(text.substr(dash + 1));
    if (!first || !last || *last < *first) return std::nullopt;
    return std::pair{*first, *last};
}

// The table printed, or written whole into --out and told as `what`.
int WriteTable(const YearsOptions& options, const std::string& csv, const std::string& what,
               std::ostream& out, const Console& console) {
    if (!options.out) {
        out << csv;
        return kSuccess;
    }
    if (const Outcome written = WriteFileAtomically(*options.out, csv); !written) {
        console.print(written.message);
        return kFailure;
    }
    out << "Wrote " << *options.out << ": " << what << ".\n";
    return kSuccess;
}

// Every row of a sites table over its own years: its configuration, weather, years and sowing, its crop
// parameter columns for all its growing seasons. Any row refused refuses the table before anything runs.
int YearsOfSites(const YearsOptions& options, std::ostream& out, const Console& console) {
    Messages messages;
    const auto table = ReadSitesTable(*options.sites, options.sheet, "--sheet", messages);
    console.print(messages);
    if (!table) return kInvalidInputs;
    std::vector<NamedPath> inputs = {{"the sites table", *options.sites}};
    for (const SiteRow& row : table->rows) {
        inputs.push_back({row.prefix + "config", row.config});
        if (row.season.weather) inputs.push_back({row.prefix + "weather", *row.season.weather});
    }
    if (options.out)
        if (const auto refusal = OutputRefusal({"--out", *options.out}, inputs)) {
            console.print(*refusal);
            return kInvalidInputs;
        }
    std::vector<GrowingSeason> seasons;
    std::vector<std::string> names;
    bool refused = false;
    for (const SiteRow& row : table->rows) {
        const auto refuse = [&](const std::string& text) {
            console.print(row.prefix + text);
            refused = true;
        };
        const auto years = row.years ? YearsOf(*row.years) : std::nullopt;
        if (!years) {
            refuse("years: " +
                   (row.years ? QuoteValue(*row.years) + " is not" : std::string("the row gives no")) +
                   " years of sowings (1991-2020, or one year).");
            continue;
        }
        if (!row.season.weather) {
            refuse("weather: the row names no weather file of its years.");
            continue;
        }
        if (row.season.year || row.season.latitude || row.season.start || row.season.end) {
            refuse("year, lat, start and end are the configuration's: each growing season keeps its days.");
            continue;
        }
        GrowingSeasonsRequest request{years->first, years->second,        {},
                                      {},           options.radiationKrs, *row.season.weather};
        const auto monthDay = [&](const std::optional<std::string>& text, const char* column,
                                  std::optional<DayMonth>& into) {
            if (!text) return true;
            into = MonthDayOf(*text);
            if (!into)
                refuse(std::string(column) + ": " + QuoteValue(*text) + " is not a month and day (11-15).");
            return into.has_value();
        };
        if (!monthDay(row.season.sowing, "sowing", request.sowing) ||
            !monthDay(row.season.transplanting, "transplanting", request.transplanting))
            continue;
        SeasonOptions settings;
        settings.optionPrefix.clear();
        settings.settings = row.season.settings;
        Messages said;
        const auto compiled = CompileSeasonConfiguration(row.config.string(), settings, said);
        for (const Message& message : said) console.print(row.prefix + message.text);
        if (!compiled) {
            refused = true;
            continue;
        }
        WeatherFileSeries weather;
        try {
            weather = ReadWeatherFile(*row.season.weather);
        } catch (const WeatherFileError& e) {
            refuse(std::string("weather: ") + e.what());
            continue;
        }
        GrowingSeasonsPlan plan = PlanGrowingSeasons(*compiled->inputs, weather, request);
        for (const Message& message : plan.messages) console.print(row.prefix + message.text);
        if (plan.seasons.empty()) {
            refused = true;
            continue;
        }
        for (GrowingSeason& season : plan.seasons) {
            seasons.push_back(std::move(season));
            names.push_back(row.name);
        }
    }
    if (refused) return kInvalidInputs;

    const auto rows = RunGrowingSeasons(seasons, options.threads);
    std::string csv = "site";
    for (const std::string_view column : GrowingSeasonColumns()) csv += "," + std::string(column);
    csv += '\n';
    for (std::size_t i = 0; i < rows.size(); ++i) {
        csv += CsvField(names[i]);
        for (const std::string& cell : GrowingSeasonCells(rows[i])) csv += "," + cell;
        csv += '\n';
    }
    return WriteTable(options, csv,
                      std::to_string(rows.size()) + " growing seasons of " +
                          std::to_string(table->rows.size()) + " sites",
                      out, console);
}

} // namespace

int Years(const YearsOptions& options, std::ostream& out, const Console& console) {
    if (options.sites) return YearsOfSites(options, out, console);
    if (options.to < options.from) {
        console.print("--to " + std::to_string(options.to) + " is before --from " +
                      std::to_string(options.from) + ".");
        return kInvalidInputs;
    }
    GrowingSeasonsRequest request{options.from, options.to, {}, {}, options.radiationKrs, options.weather};
    const auto monthDay = [&](const std::optional<std::string>& text, const char* option,
                              std::optional<DayMonth>& target) {
        if (!text) return true;
        target = ParseMonthDay(*text);
        if (!target)
            console.print(std::string(option) + ": " + QuoteValue(*text) +
                          " is not a month and day (11-15).");
        return target.has_value();
    };
    if (!monthDay(options.sowing, "--sowing", request.sowing) ||
        !monthDay(options.transplanting, "--transplanting", request.transplanting))
        return kInvalidInputs;
    const std::vector<NamedPath> inputs = {{"the configuration", options.config},
                                           {"the --weather file", options.weather}};
    if (options.out)
        if (const auto refusal = OutputRefusal({"--out", *options.out}, inputs)) {
            console.print(*refusal);
            return kInvalidInputs;
        }
    const auto compiled = CompileSeasonConfiguration(options.config, options.season, console);
    if (!compiled) return kInvalidInputs;
    if (options.transplanting && !compiled->inputs->manag.Transplanted) {
        console.print("--transplanting: " + options.config +
                      " sows the crop in the field; transplant it in the configuration first.");
        return kInvalidInputs;
    }
    WeatherFileSeries weather;
    try {
        weather = ReadWeatherFile(options.weather);
    } catch (const WeatherFileError& e) {
        const std::string text = e.what();
        console.print(text.starts_with(options.weather) ? text : options.weather + ": " + text);
        return kInvalidInputs;
    }
    const GrowingSeasonsPlan plan = PlanGrowingSeasons(*compiled->inputs, weather, request);
    console.print(plan.messages);
    if (plan.seasons.empty()) return kInvalidInputs;

    const std::string csv = GrowingSeasonsCsv(RunGrowingSeasons(plan.seasons, options.threads));
    return WriteTable(options, csv, std::to_string(plan.seasons.size()) + " growing seasons", out, console);
}

void RegisterYearsCommand(CommandLine& line) {
    auto options = std::make_shared<YearsOptions>();
    CLI::App* command = line.app().add_subcommand(
        "years", "Grow the configuration's season once a year over a weather file of many years");
    CLI::Option* config = AddConfigArgument(command, options->config);
    CLI::Option* weather = command->add_option("--weather", options->weather,
                                               "Weather file of many years (DSSAT .WTH, NASA POWER CSV, "
                                               "APSIM .met, CSV or tab-separated table with a "
                                               "date column)");
    CLI::Option* from =
        AddWholeOption(command, "--from", options->from, 1, "Year of the first growing season's sowing");
    CLI::Option* to =
        AddWholeOption(command, "--to", options->to, 1, "Year of the last growing season's sowing");
    CLI::Option* sites = command->add_option("--sites", options->sites,
                                             "Sites table: every row's config over its own weather and years "
                                             "(columns name, config, weather, years, "
                                             "and sowing, transplanting or crop parameters)");
    for (CLI::Option* single : {config, weather, from, to}) sites->excludes(single);
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet of the sites workbook (1-based)")
        ->needs(sites);
    command->add_option("--sowing", options->sowing,
                        "Sowing month and day (11-15) every year (default: the configuration's)");
    command->add_option("--transplanting", options->transplanting,
                        "Transplanting month and day, the first after the sowing (default: as many days "
                        "after the sowing as in the configuration)");
    command
        ->add_option("--krs", options->radiationKrs,
                     "Hargreaves-Samani kRs for weather days without radiation: 0.16 inland (default), 0.19 "
                     "on the coast")
        ->check(CLI::Range(0.05, 0.5));
    command
        ->add_option("--set", options->season.settings,
                     "NAME=VALUE: a crop parameter by id, key or caption (repeatable)")
        ->allow_extra_args(false);
    command->add_option("--out", options->out, "Write the table (.csv) instead of printing it");
    AddThreadsOption(command, options->threads);
    const auto check = [=] {
        if (!*sites && (!*config || !*weather || !*from || !*to))
            throw OptionError("years needs CONFIG with --weather, --from and --to, or --sites TABLE.");
        if (*sites && (options->sowing || options->transplanting || !options->season.settings.empty()))
            throw OptionError(
                "years --sites takes each row's sowing, transplanting and crop parameters from the "
                "table: give them as its columns.");
    };
    line.add(
        command,
        [options](std::ostream& out, const Console& console) { return Years(*options, out, console); },
        check);
}

} // namespace tulo::cli
