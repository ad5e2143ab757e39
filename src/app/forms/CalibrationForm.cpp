#include "forms/CalibrationForm.h"

#include "base/Numbers.h"
#include "calibration/CalibrationParameters.h"
#include "commands/CalibrationCommand.h"
#include "commands/DssatImport.h"
#include "evaluation/MeasuredEvaluation.h"
#include "forms/ConfigurationForm.h"
#include "forms/InputControls.h"
#include "forms/SeasonForm.h"
#include "forms/ToolResults.h"
#include "forms/WindowCommands.h"
#include "inputs/SeasonCompile.h"
#include "io/DataFolder.h"
#include "io/TextFiles.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <system_error>

namespace tulo {

namespace fs = std::filesystem;

namespace {

Message Refusal(std::string text, Icon icon = Icon::Exclamation, std::string_view title = kCalibrationTitle) {
    return {std::move(text), std::string(title), icon};
}

MeasuredTable FromGrid(const Grid& grid, std::string source, UserInterface& ui) {
    Messages messages;
    MeasuredTable table = MeasuredTableOf(grid, std::move(source), messages);
    ShowMessages(ui, messages);
    return table;
}

bool Empty(std::string_view text) {
    return Trim(text).empty();
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The third parameter is optional.
bool Chosen(const std::array<CalibrationParameterTexts, 3>& parameters, std::size_t k) {
    return k < 2 || !Empty(parameters[2].caption);
}

// The checks that come before the parameters are read, shared by both windows: the ranges, then the
// captions (two empty ones count as the same).
std::optional<Message> CheckCaptions(const std::array<CalibrationParameterTexts, 3>& p) {
    if (Empty(p[0].min))
        return Refusal(
            "You have to specify the ranges for the parameters you want to calibrate or load default",
            Icon::None);
    const auto caption = [&](std::size_t k) { return Trim(p[k].caption); };
    if (caption(0) == caption(1) || caption(0) == caption(2) || caption(1) == caption(2))
        return Refusal("You must specify three DIFFERENT parameters for the automatic calibration!",
                       Icon::None);
    return std::nullopt;
}

// Only the parameters chosen need an initial value: a two-parameter calibration never reads the third.
// A single parameter is told what the window needs before its missing initial value is.
std::optional<Message> CheckInitialValues(const std::array<CalibrationParameterTexts, 3>& p,
                                          const std::array<std::string, 3>& initial) {
    if (Empty(p[0].caption) != Empty(p[1].caption))
        return Refusal("You must specify three DIFFERENT parameters for the automatic calibration!\n"
                       "The window calibrates two or three parameters: choose a second one (tulo-cli "
                       "calibrate calibrates one alone).",
                       Icon::None);
    for (std::size_t k = 0; k < 3; ++k)
        if (Chosen(p, k) && Empty(initial[k]))
            return Refusal("You have to specify valid initial parameters values", Icon::Critical);
    return std::nullopt;
}

std::optional<Message> ReadChoices(const std::array<CalibrationParameterTexts, 3>& p,
                                   const std::array<std::string, 3>& initial,
                                   std::vector<ParameterChoice>& choices) {
    for (std::size_t k = 0; k < 3; ++k) {
        if (!Chosen(p, k)) continue;
        const auto choice = MakeParameterChoice(p[k].caption, p[k].min, p[k].max, initial[k],
                                                "Parameter " + std::to_string(k + 1));
        if (!choice) return Refusal(choice.message());
        choices.push_back(*choice);
    }
    return std::nullopt;
}

std::optional<Message> ReadObjective(std::string_view name, CalibrationSettings& settings) {
    const auto kind = ObjectiveKindNamed(Trim(name));
    if (!kind)
        return Refusal("The objective " + QuoteValue(name) +
                       " is not one of \"RRMSE\" and \"RRMSE + CV on Last Point\".");
    settings.objective = *kind;
    return std::nullopt;
}

// The genetic settings and the seed, then everything that would make the search meaningless.
std::optional<Message> ReadSearch(SimplexMethod method, const std::array<std::string, 6>& genetic,
                                  const std::string& seed, CalibrationRequest& request) {
    if (method == SimplexMethod::Genetic) {
        double numbers[6] = {};
        for (std::size_t i = 0; i < 6; ++i) {
            const auto value = ParseNumber(genetic[i]);
            const bool whole = i < 3;
            if (!value || (whole && (*value != std::floor(*value) || std::fabs(*value) > 2e9)))
                return Refusal(std::string(kGeneticLabels[i]) + ": " + QuoteValue(genetic[i]) + " is not " +
                                   (whole ? "a whole number." : "a number."),
                               Icon::Exclamation, kGeneticTitle);
            numbers[i] = *value;
        }
        const GeneticSettings settings{static_cast<int>(numbers[0]),
                                       static_cast<int>(numbers[1]),
                                       static_cast<int>(numbers[2]),
                                       numbers[3],
                                       numbers[4],
                                       numbers[5]};
        if (settings.simplexes > kMaxSimplexes)
            return Refusal("Too many simplexes, 1000 is the maximum", Icon::Information, kGeneticTitle);
        if (const Problems problems = CheckGeneticSettings(settings); !problems.empty())
            return Refusal(problems.front().text, Icon::Exclamation, kGeneticTitle);
        request.genetic = settings;
        if (!Empty(seed)) {
            const auto value = ParseNumber(seed);
            if (!value || *value != std::floor(*value) || std::fabs(*value) > 9e15)
                return Refusal("Seed: " + QuoteValue(seed) +
                               " is not a whole number; leave it empty for a seed "
                               "from the clock.");
            request.seed = static_cast<std::int64_t>(*value);
        }
    }
    CalibrationSettings settings = request.settings;
    std::vector<double> initial;
    for (const ParameterChoice& choice : request.choices) {
        settings.parameters.push_back(choice.range);
        initial.push_back(choice.initial);
    }
    const CalibrationProblem problem(settings, request.dataSets);
    if (const Problems problems = CheckCalibration(problem, initial); !problems.empty())
        return Refusal(problems.front().text);
    return std::nullopt;
}

} // namespace

void ImportDefaultRanges(std::array<CalibrationParameterTexts, 3>& parameters,
                         std::array<std::string, 3>* initial, const FormModel* main) {
    if (!main)
        return ImportDefaultRanges(parameters, initial, static_cast<const SeasonConfiguration*>(nullptr));
    const SeasonConfiguration configuration = ConfigurationFromForm(*main);
    ImportDefaultRanges(parameters, initial, &configuration);
}

std::optional<MeasuredTable> ReadMeasuredTable(const fs::path& file, std::string_view option,
                                               UserInterface& ui, std::optional<int> sheet) {
    Grid grid;
    std::string source;
    if (!ImportWorkbookSheet(grid, file, ui, {sheet, option, std::nullopt, true}, &source))
        return std::nullopt;
    return FromGrid(grid, std::move(source), ui);
}

std::optional<MeasuredTable> OpenMeasuredTable(UserInterface& ui, std::string_view kind,
                                               std::string& fileName) {
    Grid grid;
    if (!OpenWorkbookIntoGrid(grid, ui, kind, fileName)) return std::nullopt;
    return FromGrid(grid, fs::path(fileName).filename().string(), ui);
}

Outcome ImportSiteWeather(const FormModel& base, const fs::path& file, UserInterface& ui, Grid& weather) {
    Grid grid = base.grid(ctl::sprWeather);
    const Outcome outcome = ImportWorkbookFile(grid, file, ui, std::nullopt, ImportRowLimit(ctl::sprWeather));
    if (outcome) weather = std::move(grid);
    return outcome;
}

Outcome ImportSiteWeather(const FormModel& base, const fs::path& file, Messages& messages, Grid& weather) {
    Grid grid = base.grid(ctl::sprWeather);
    const auto limit = ImportRowLimit(ctl::sprWeather);
    const Outcome outcome = ImportWorkbookSheet(grid, file, {std::nullopt, {}, limit, true}, messages);
    if (outcome) weather = std::move(grid);
    return outcome;
}

Outcome OpenSiteWeather(const FormModel& base, UserInterface& ui, Grid& weather, std::string& fileName) {
    Grid grid = base.grid(ctl::sprWeather);
    const Outcome outcome =
        OpenWorkbookIntoGrid(grid, ui, "meteo file (MPAC)", fileName, ImportRowLimit(ctl::sprWeather));
    if (outcome) weather = std::move(grid);
    return outcome;
}

Compilation CompileSite(const FormModel& base, const SiteTexts& row, const Grid& weather) {
    FormModel form = base;
    ApplyConfiguration(SiteConfiguration(ConfigurationFromForm(base), row, SiteWeatherOf(weather)), form);
    return CompileInputs(form);
}

void WriteCalibratedValues(FormModel& form, std::span<const ParameterChoice> choices,
                           std::span<const double> rounded) {
    std::string label = "Calibration result:";
    for (std::size_t k = 0; k < choices.size() && k < rounded.size(); ++k)
        label += (k == 0 ? " " : ", ") + CalibratedName(*choices[k].info);
    const SeasonConfiguration before = ConfigurationFromForm(form);
    SeasonConfiguration after = before;
    WriteCalibratedValues(after, choices, rounded);
    WriteChangedValues(before, after, form, std::move(label));
}

std::array<std::string, 6> DefaultGeneticTexts() {
    const GeneticSettings g;
    return {std::to_string(g.simplexes), std::to_string(g.iterations), std::to_string(g.generations),
            ShortestText(g.reduction),   ShortestText(g.increase),     ShortestText(g.randomShare)};
}

AutoCalTexts NewAutoCalTexts() {
    AutoCalTexts texts;
    texts.acc.objective = ObjectiveKindName(ObjectiveKind::RRMSE);
    return texts;
}

std::optional<Message> CheckAutoCalStart(const AutoCalTexts& texts) {
    if (texts.method == SimplexMethod::None)
        return Refusal("You have to select one of the simplex methods implemented (standard or genetic)",
                       Icon::None);
    return CheckInitialValues(texts.acc.parameters, texts.acc.initial);
}

PreparedCalibration PrepareAutoCal(const AutoCalTexts& texts, const FormModel& main, const MeasuredTable& agb,
                                   const MeasuredTable& lai) {
    PreparedCalibration prepared;
    const AccSettings& acc = texts.acc;
    CalibrationRequest& request = prepared.request;
    if (acc.agbAndLai) {
        const auto agbWeight = ParseNumber(acc.agbWeight), laiWeight = ParseNumber(acc.laiWeight);
        if (!agbWeight || !laiWeight) {
            prepared.refusal = Refusal(!agbWeight ? NotANumberMessage("AGB weight", acc.agbWeight)
                                                  : NotANumberMessage("LAI weight", acc.laiWeight));
            return prepared;
        }
        request.settings.withLai = true;
        request.settings.agbWeight = *agbWeight;
        request.settings.laiWeight = *laiWeight;
    }
    if ((prepared.refusal = CheckCaptions(acc.parameters))) return prepared;
    if (!agb.loaded || agb.data.rows.empty()) {
        prepared.refusal = Refusal("You have to open an excel measured data file", Icon::None);
        return prepared;
    }
    if ((prepared.refusal = ReadChoices(acc.parameters, acc.initial, request.choices))) return prepared;
    if ((prepared.refusal = ReadObjective(acc.objective, request.settings))) return prepared;
    Compilation compiled = CompileInputs(main);
    if (!compiled.inputs) {
        prepared.inputProblems = std::move(compiled.problems);
        return prepared;
    }
    request.dataSets.push_back({"", compiled.inputs, agb.data, agb.source, lai.data, lai.source});
    prepared.refusal = ReadSearch(texts.method, texts.genetic, texts.seed, request);
    if (!prepared.refusal) prepared.notes = MeasurementNotes(request.settings, request.dataSets);
    return prepared;
}

namespace {

// What the window's texts alone refuse, before any table is looked at.
std::optional<Message> CheckMultiPointTexts(const MultiPointTexts& texts) {
    const CfgSettings& cfg = texts.cfg;
    if (texts.method == SimplexMethod::None)
        return Refusal("You have to select one of the simplex methods implemented (standard or genetic)",
                       Icon::None);
    if (auto refusal = CheckInitialValues(cfg.parameters, cfg.initial)) return refusal;
    if (auto refusal = CheckCaptions(cfg.parameters)) return refusal;
    if (const auto leftOut = SiteAfterTheLast(cfg)) return Refusal(*leftOut);
    if (SitesInUse(cfg) == 0)
        return Refusal("Data set 1 has no weather: choose its weather workbook (Select), or open a "
                       "configuration file that names it.");
    return std::nullopt;
}

// Adds site `s` (0-based) as a data set of the request, or says why it cannot be one: a table not read,
// or a season that cannot be simulated.
std::optional<Message> AddSiteDataSet(const MultiPointTexts& texts, const FormModel& main,
                                      const SiteTables& table, int s, CalibrationRequest& request) {
    const SiteTexts& row = texts.cfg.sites[static_cast<std::size_t>(s)];
    const std::string name = "Data set " + std::to_string(s + 1);
    const auto missing = [&](std::string_view what, std::string_view file) {
        return Refusal(name + " has no " + std::string(what) + " table: choose its " + std::string(what) +
                       " workbook" + (Empty(file) ? "" : " (" + std::string(file) + " was not read)") +
                       " with its Select button.");
    };
    if (!table.weather && !table.season) return missing("weather", row.weather);
    if (!table.agb.loaded) return missing("AGB", row.agb);
    if (texts.agbAndLai && !table.lai.loaded) return missing("LAI", row.lai);
    if (table.season) {
        request.dataSets.push_back(
            {name, table.season, table.agb.data, table.agb.source, table.lai.data, table.lai.source});
        return std::nullopt;
    }
    const Compilation site = CompileSite(main, row, *table.weather);
    if (!site.inputs) {
        std::string text = name + " (weather " + row.weather + ") cannot be simulated:";
        for (const InputProblem& problem : site.problems) text += "\n" + problem.text;
        return Refusal(std::move(text));
    }
    request.dataSets.push_back(
        {name, site.inputs, table.agb.data, table.agb.source, table.lai.data, table.lai.source});
    return std::nullopt;
}

} // namespace

PreparedCalibration PrepareMultiPoint(const MultiPointTexts& texts, const FormModel& main,
                                      const SiteTableSet& tables) {
    PreparedCalibration prepared;
    const CfgSettings& cfg = texts.cfg;
    CalibrationRequest& request = prepared.request;
    request.multiSite = true;
    if ((prepared.refusal = CheckMultiPointTexts(texts))) return prepared;
    if ((prepared.refusal = ReadChoices(cfg.parameters, cfg.initial, request.choices))) return prepared;
    if ((prepared.refusal = ReadObjective(texts.objective, request.settings))) return prepared;
    // One objective for every point: the sites' AGB indices, plus their LAI indices with the option.
    request.settings.withLai = texts.agbAndLai;
    request.settings.agbWeight = 1;
    request.settings.laiWeight = texts.agbAndLai ? 1 : 0;
    Compilation compiled = CompileInputs(main);
    if (!compiled.inputs) {
        prepared.inputProblems = std::move(compiled.problems);
        return prepared;
    }
    const int count = SitesInUse(cfg);
    for (int s = 0; s < count; ++s)
        if ((prepared.refusal = AddSiteDataSet(texts, main, tables[static_cast<std::size_t>(s)], s, request)))
            return prepared;
    prepared.refusal = ReadSearch(texts.method, texts.genetic, texts.seed, request);
    if (!prepared.refusal) prepared.notes = MeasurementNotes(request.settings, request.dataSets);
    return prepared;
}

std::vector<OwnSeasonRow> OwnSeasonRowsOf(const DssatImport& imported, const fs::path& folder) {
    std::vector<OwnSeasonRow> rows;
    for (const ImportedTreatment& t : imported.treatments) {
        if (rows.size() == kCalibrationSites) break;
        if (t.agb.empty()) continue;
        rows.push_back({t.name + ".sim", t.season, folder / (t.name + "-agb.csv"),
                        t.lai.empty() ? std::nullopt : std::optional(folder / (t.name + "-lai.csv"))});
    }
    return rows;
}

void FillOwnSeasonRows(std::span<const OwnSeasonRow> rows, MultiPointTexts& texts, SiteTableSet& tables,
                       Messages& messages) {
    for (std::size_t s = 0; s < rows.size() && s < tables.size(); ++s) {
        const OwnSeasonRow& row = rows[s];
        const SeasonConfiguration& season = row.season;
        SiteTexts& site = texts.cfg.sites[s];
        site = {ItemText(season.initialDate),
                ItemText(season.finalDate),
                ItemText(season.sowingDate),
                ItemText(season.latitude),
                {},
                row.name,
                row.agb ? row.agb->filename().string() : std::string(),
                row.lai ? row.lai->filename().string() : std::string()};
        tables[s] = {};
        const Compilation compiled = CompileSeason(season);
        if (!compiled.inputs) {
            for (const InputProblem& problem : compiled.problems)
                messages.push_back({row.name + ": " + problem.text});
            continue;
        }
        tables[s].season = compiled.inputs;
        const int laterYears = LaterYearsOf(compiled.inputs->control);
        for (const auto& [file, table] :
             {std::pair{&row.agb, &tables[s].agb}, std::pair{&row.lai, &tables[s].lai}}) {
            if (!*file) continue;
            auto read = ReadMeasuredTable(**file, {}, messages);
            if (!read) continue;
            const std::vector<std::string> refusals = SeasonYearRefusals(*read, season.year, laterYears);
            for (const std::string& refusal : refusals) messages.push_back({row.name + ": " + refusal});
            if (refusals.empty()) *table = std::move(*read);
        }
    }
}

SiteTableSet LoadSiteTables(const CfgSettings& cfg, const fs::path& folder, const FormModel& base,
                            UserInterface& ui) {
    SiteTableSet tables;
    for (std::size_t s = 0; s < cfg.sites.size(); ++s) {
        const SiteTexts& row = cfg.sites[s];
        const auto file = [&](const std::string& name) { return folder / std::string(Trim(name)); };
        if (!Empty(row.weather)) {
            Grid weather;
            if (ImportSiteWeather(base, file(row.weather), ui, weather))
                tables[s].weather = std::move(weather);
        }
        if (!Empty(row.agb))
            if (auto agb = ReadMeasuredTable(file(row.agb), {}, ui)) tables[s].agb = std::move(*agb);
        if (!Empty(row.lai))
            if (auto lai = ReadMeasuredTable(file(row.lai), {}, ui)) tables[s].lai = std::move(*lai);
    }
    return tables;
}

std::optional<fs::path> AskSettingsFileToSave(UserInterface& ui, std::string_view extension) {
    const std::string ext(extension), pattern = "*." + ext;
    const auto chosen =
        ui.saveFile({"Save a configuration file", pattern, ext + " file (" + pattern + ")|" + pattern});
    if (!chosen || Empty(*chosen) || *chosen == pattern) return std::nullopt;
    std::string name = *chosen;
    if (!EndsWith(name, "." + ext)) name += "." + ext;
    std::error_code ec;
    if (fs::exists(name, ec) &&
        ui.ask("FIle Already exist  \n" + name + "\nConfirm, please (Y/N)", Buttons::YesNo) != Answer::Yes)
        return std::nullopt;
    return fs::path(name);
}

std::optional<fs::path> AskSettingsFileToOpen(UserInterface& ui, std::string_view extension) {
    const std::string pattern = "*." + std::string(extension);
    const auto chosen =
        ui.openFile({"Open a configuration file", pattern, "Dictionary (" + pattern + ")|" + pattern});
    if (!chosen || Empty(*chosen) || *chosen == pattern) return std::nullopt;
    std::error_code ec;
    if (!fs::exists(*chosen, ec)) {
        ui.message("File not exit");
        return std::nullopt;
    }
    return fs::path(*chosen);
}

} // namespace tulo
