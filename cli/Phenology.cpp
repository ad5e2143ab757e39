#include "Phenology.h"

#include "CommandLine.h"
#include "Commands.h"
#include "ConfiguredSeason.h"

#include "base/Numbers.h"
#include "calibration/CalibratedConfiguration.h"
#include "calibration/Phenology.h"
#include "commands/SitesTable.h"
#include "engine/Parameters.h"
#include "inputs/ConfigurationFile.h"
#include "io/TextFiles.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace tulo::cli {

namespace {

std::string OptionName(PhenoStage stage) {
    return "--" + std::string(StageName(stage));
}

std::string DayText(const std::optional<std::int32_t>& day) {
    return day ? std::to_string(*day) : std::string("not reached");
}

std::string ErrorText(const std::optional<std::int32_t>& error) {
    if (!error) return "-";
    return (*error > 0 ? "+" : "") + std::to_string(*error);
}

void PrintTable(const PhenologyFit& fit, const CropParameters& before, std::ostream& out) {
    const auto registry = CropParameterRegistry();
    for (const ParameterValue& p : fit.parameters) {
        const ParameterInfo& info = registry[static_cast<std::size_t>(p.index)];
        // A stage has no unit to show, only a dash.
        const std::string unit = info.unit == "–" ? "" : " " + std::string(info.unit);
        out << info.id << ": " << ShortestText(static_cast<float>(p.value)) << unit << " (was "
            << ShortestText(static_cast<float>(GetParameter(before, info))) << ")\n";
    }
    char line[96];
    std::snprintf(line, sizeof line, "%-10s %-9s %-11s %s\n", "Stage", "Observed", "Simulated",
                  "Error (days)");
    out << line;
    for (const StageResult& stage : fit.stages) {
        std::snprintf(line, sizeof line, "%-10s %-9d %-11s %s\n", std::string(StageName(stage.stage)).c_str(),
                      stage.observed, DayText(stage.simulated).c_str(), ErrorText(stage.error()).c_str());
        out << line;
    }
}

nlohmann::ordered_json FitJson(const PhenologyFit& fit) {
    const auto registry = CropParameterRegistry();
    nlohmann::ordered_json parameters = nlohmann::ordered_json::object();
    for (const ParameterValue& p : fit.parameters) {
        // The value as the configuration holds it, not the 17 digits its single widens to.
        const double value = ParseNumber(ShortestText(static_cast<float>(p.value))).value_or(p.value);
        auto& item = parameters[std::string(registry[static_cast<std::size_t>(p.index)].id)];
        if (value == std::floor(value) && std::fabs(value) < 1e15)
            item = static_cast<long long>(value);
        else
            item = value;
    }
    nlohmann::ordered_json stages = nlohmann::ordered_json::array();
    for (const StageResult& stage : fit.stages) {
        nlohmann::ordered_json item = {{"stage", StageName(stage.stage)}, {"observed", stage.observed}};
        item["simulated"] = stage.simulated ? nlohmann::ordered_json(*stage.simulated) : nullptr;
        item["error"] = stage.error() ? nlohmann::ordered_json(*stage.error()) : nullptr;
        if (!stage.note.empty()) item["note"] = stage.note;
        stages.push_back(std::move(item));
    }
    return {{"parameters", parameters}, {"stages", stages}};
}

void PrintParameters(std::span<const ParameterValue> parameters, std::ostream& out) {
    const auto registry = CropParameterRegistry();
    for (const ParameterValue& p : parameters) {
        const ParameterInfo& info = registry[static_cast<std::size_t>(p.index)];
        const std::string unit = info.unit == "–" ? "" : " " + std::string(info.unit);
        out << info.id << ": " << ShortestText(static_cast<float>(p.value)) << unit << '\n';
    }
}

nlohmann::ordered_json StagesJson(std::span<const StageResult> stages) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const StageResult& stage : stages) {
        nlohmann::ordered_json item = {{"stage", StageName(stage.stage)}, {"observed", stage.observed}};
        item["simulated"] = stage.simulated ? nlohmann::ordered_json(*stage.simulated) : nullptr;
        item["error"] = stage.error() ? nlohmann::ordered_json(*stage.error()) : nullptr;
        list.push_back(std::move(item));
    }
    return list;
}

// A row's season and its observed days, the dates read in the row's season's year; nothing, after the
// row's messages, when the row is refused.
std::optional<ObservedSeason> ReadObservedSeason(const SiteRow& row, const Console& console) {
    const Console rowConsole = console.prefixed(row.prefix);
    if (!row.flowering || !row.maturity) {
        rowConsole.print(std::string("the ") + (row.flowering ? "maturity" : "flowering") +
                         " cell is empty; every row needs its observed flowering and maturity.");
        return std::nullopt;
    }
    SeasonConfiguration configuration;
    SeasonChanges changes;
    const auto compiled =
        CompileConfiguredSeason(row.config.string(), row.season, configuration, rowConsole, &changes);
    if (!compiled) return std::nullopt;
    bool refused = false;
    ObservedStages observed;
    const auto day = [&](PhenoStage stage, const std::string& text) {
        const SeasonDay parsed = ParseSeasonDay(StageName(stage), text, changes.year);
        if (!parsed.doy) {
            rowConsole.print(parsed.refusal);
            refused = true;
        }
        return parsed.doy.value_or(0);
    };
    if (row.emergence) observed.emergence = day(PhenoStage::Emergence, *row.emergence);
    observed.flowering = day(PhenoStage::Flowering, *row.flowering);
    observed.maturity = day(PhenoStage::Maturity, *row.maturity);
    if (refused) return std::nullopt;
    const auto refusals = CheckObservedStages(*compiled, observed);
    for (const StageRefusal& refusal : refusals)
        rowConsole.print(std::string(StageName(refusal.stage)) + ": " + refusal.reason + ".");
    if (!refusals.empty()) return std::nullopt;
    return ObservedSeason{compiled, observed};
}

void PrintSitesFitJson(const SeasonsFit& fit, const std::vector<SiteRow>& rows, std::ostream& out) {
    nlohmann::ordered_json parameters = nlohmann::ordered_json::object();
    const auto registry = CropParameterRegistry();
    for (const ParameterValue& p : fit.parameters)
        parameters[std::string(registry[static_cast<std::size_t>(p.index)].id)] =
            ParseNumber(ShortestText(static_cast<float>(p.value))).value_or(p.value);
    nlohmann::ordered_json sites = nlohmann::ordered_json::array();
    for (std::size_t r = 0; r < rows.size(); ++r)
        sites.push_back({{"name", rows[r].name}, {"stages", StagesJson(fit.seasons[r])}});
    out << nlohmann::ordered_json{{"parameters", parameters}, {"sites", sites}, {"runs", fit.runs}}.dump(2)
        << '\n';
}

void PrintSitesFit(const SeasonsFit& fit, const std::vector<SiteRow>& rows, std::ostream& out) {
    PrintParameters(fit.parameters, out);
    // A terminal shows one column per character, whatever its bytes: names of accented sites align too.
    const auto columns = [](const std::string& text) {
        return static_cast<std::size_t>(std::count_if(
            text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    std::size_t width = 4;
    for (const SiteRow& row : rows) width = std::max(width, columns(row.name));
    char line[96];
    out << std::string("Site") + std::string(width - 4 + 1, ' ');
    std::snprintf(line, sizeof line, "%-10s %-9s %-11s %s\n", "Stage", "Observed", "Simulated",
                  "Error (days)");
    out << line;
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (const StageResult& stage : fit.seasons[r]) {
            out << rows[r].name << std::string(width - columns(rows[r].name) + 1, ' ');
            std::snprintf(line, sizeof line, "%-10s %-9d %-11s %s\n",
                          std::string(StageName(stage.stage)).c_str(), stage.observed,
                          DayText(stage.simulated).c_str(), ErrorText(stage.error()).c_str());
            out << line;
        }
}

// One set of thermal times for every row of a sites table.
int PhenologySites(const PhenologyOptions& options, std::ostream& out, const Console& console) {
    const auto table = console.printing([&](Messages& messages) {
        return ReadSitesTable(*options.sites, options.sheet, "--sheet", messages);
    });
    if (!table) return kInvalidInputs;
    std::vector<ObservedSeason> seasons;
    bool refused = false;
    for (const SiteRow& row : table->rows)
        if (auto season = ReadObservedSeason(row, console))
            seasons.push_back(std::move(*season));
        else
            refused = true;
    // Every row is checked first, so that one reading names everything to mend.
    if (refused) return kInvalidInputs;

    const SeasonsFit fit = FitPhenologyAcross(seasons);
    if (options.json)
        PrintSitesFitJson(fit, table->rows, out);
    else
        PrintSitesFit(fit, table->rows, out);
    return kSuccess;
}

} // namespace

int Phenology(const PhenologyOptions& options, std::ostream& out, const Console& console) {
    if (options.sites) return PhenologySites(options, out, console);
    if (!SaveSpares(options.save, SeasonInputPaths(options.config, options.season), console))
        return kInvalidInputs;
    SeasonConfiguration configuration;
    SeasonChanges changes;
    const auto compiled =
        CompileConfiguredSeason(options.config, options.season, configuration, console, &changes);
    if (!compiled) return kInvalidInputs;

    // Dates are read in the season's year, as the season options' days are.
    ObservedStages observed;
    bool refused = false;
    const auto day = [&](PhenoStage stage, const std::string& text) {
        const SeasonDay parsed = ParseSeasonDay(OptionName(stage), text, changes.year);
        if (!parsed.doy) {
            console.print(parsed.refusal);
            refused = true;
        }
        return parsed.doy.value_or(0);
    };
    if (options.emergence) observed.emergence = day(PhenoStage::Emergence, *options.emergence);
    observed.flowering = day(PhenoStage::Flowering, options.flowering);
    observed.maturity = day(PhenoStage::Maturity, options.maturity);
    if (refused) return kInvalidInputs;
    const auto refusals = CheckObservedStages(*compiled, observed);
    for (const StageRefusal& refusal : refusals)
        console.print(OptionName(refusal.stage) + ": " + refusal.reason + ".");
    if (!refusals.empty()) return kInvalidInputs;

    auto run = std::make_unique<RunState>();
    const PhenologyFit fit = FitPhenology(*compiled, observed, *run);
    if (options.json)
        out << FitJson(fit).dump(2) << '\n';
    else
        PrintTable(fit, compiled->crop, out);
    for (const StageResult& stage : fit.stages)
        if (!stage.note.empty())
            console.print("Note: " + std::string(StageName(stage.stage)) + " missed " + "DOY " +
                          std::to_string(stage.observed) + ": " + stage.note + ".");

    // The result is printed before the configuration is saved: a failed save must not lose it.
    if (!options.save) return kSuccess;
    out.flush();
    WritePhenologyValues(configuration, fit);
    if (const Outcome written = WriteConfigurationFile(configuration, *options.save); !written) {
        console.print(written.message);
        return kFailure;
    }
    return kSuccess;
}

void RegisterPhenologyCommand(CommandLine& line) {
    auto options = std::make_shared<PhenologyOptions>();
    CLI::App* command = line.app().add_subcommand(
        "phenology", "Fit the thermal times to observed emergence, flowering and maturity days");
    CLI::Option* config = AddConfigArgument(command, options->config);
    AddSeasonOptions(command, options->season);
    CLI::Option* emergence =
        command->add_option("--emergence", options->emergence,
                            "Observed emergence: a day of year or a date (otherwise TSUMEM stays)");
    CLI::Option* flowering =
        command->add_option("--flowering", options->flowering, "Observed flowering: a day of year or a date");
    CLI::Option* maturity =
        command->add_option("--maturity", options->maturity, "Observed maturity: a day of year or a date");
    CLI::Option* save =
        command->add_option("--save", options->save, "Write the configuration with the fitted values");
    CLI::Option* sites = command->add_option(
        "--sites", options->sites,
        "Sites table: one set of thermal times for every row, each with its own config, season and "
        "emergence, flowering and maturity columns");
    for (CLI::Option* single : {config, emergence, flowering, maturity, save}) sites->excludes(single);
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet of the sites workbook (1-based)")
        ->needs(sites);
    command->add_flag("--json", options->json,
                      "Print {parameters: {id: value}, stages: [{stage, observed, simulated, error}]}");
    const auto check = [=] {
        if (!*sites && (!*config || !*flowering || !*maturity))
            throw OptionError("phenology needs CONFIG with --flowering and --maturity, or --sites TABLE.");
        if (*sites && options->season.any())
            throw OptionError("phenology --sites takes each row's season from the table: give the "
                              "season's options as its columns.");
    };
    line.add(
        command,
        [options](std::ostream& out, const Console& console) { return Phenology(*options, out, console); },
        check);
}

} // namespace tulo::cli
