#include "Calibrate.h"

#include "CommandLine.h"
#include "Commands.h"
#include "ConfiguredSeason.h"
#include "ForceLai.h"

#include "base/Numbers.h"
#include "calibration/CalibrationRun.h"
#include "calibration/Reinit.h"
#include "commands/CalibrationCommand.h"
#include "commands/SitesTable.h"
#include "engine/SeasonInputs.h"
#include "evaluation/MeasuredEvaluation.h"
#include "inputs/ConfigurationFile.h"
#include "io/FileSets.h"
#include "io/TextFiles.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <unistd.h>

namespace tulo::cli {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
    interrupted.store(true);
    std::signal(SIGINT, SIG_DFL); // a second Ctrl-C ends the program at once
}

// Ctrl-C stops the search and keeps the best point found; a second one ends the program.
class InterruptStops {
public:
    InterruptStops() { previous_ = std::signal(SIGINT, OnInterrupt); }
    ~InterruptStops() { std::signal(SIGINT, previous_); }
    InterruptStops(const InterruptStops&) = delete;
    InterruptStops& operator=(const InterruptStops&) = delete;

private:
    void (*previous_)(int) = SIG_DFL;
};

// A parameter from its texts; `where` starts the messages ("--param \"RUE:a:4:2\"").
std::optional<ParameterChoice> MakeChoice(std::string_view caption, std::string_view min,
                                          std::string_view max, std::string_view initial,
                                          const std::string& where, const Console& console) {
    auto choice = MakeParameterChoice(caption, min, max, initial, where);
    if (!choice) {
        console.print(choice.message());
        return std::nullopt;
    }
    return *std::move(choice);
}

// Every NAME:MIN:MAX[:INITIAL] of an option; nothing, after a message, when one cannot be read.
std::optional<std::vector<ParamText>> ParseParams(const std::vector<std::string>& texts,
                                                  const Console& console,
                                                  std::string_view option = "--param") {
    std::vector<ParamText> params;
    if (const Outcome read = ParseParamTexts(texts, option, params); !read) {
        console.print(read.message);
        return std::nullopt;
    }
    return params;
}

// The objective and, for the genetic simplex, its settings that a calibration's options name; nothing,
// after a message, when either is refused.
std::optional<SearchMethod> ReadSearchOptions(const SearchOptions& search, const Console& console) {
    SearchMethod method;
    if (const Outcome read = ReadSearchMethod(search.objective, search.genetic, method); !read) {
        console.print(read.message);
        return std::nullopt;
    }
    return method;
}

// A progress line on a terminal, at most five times a second.
class ProgressLine {
public:
    void operator()(std::int64_t runs, double best) {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        std::fprintf(stderr, "\r%lld model runs, best objective %s   ", static_cast<long long>(runs),
                     best < kOutsidePenalty ? ShortestText(best).c_str() : "none yet");
        std::fflush(stderr);
        shown_ = true;
    }
    ~ProgressLine() {
        if (shown_) std::fprintf(stderr, "\n");
    }

private:
    std::chrono::steady_clock::time_point last_{};
    bool shown_ = false;
};

// A number of the uncertainty report: four significant digits; JSON has no infinity, so a value the data
// cannot tell is null there.
std::string Rounded(double value) {
    if (std::isnan(value)) return "-";
    if (std::isinf(value)) return value > 0 ? "infinite" : "-infinite";
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

void PrintUncertainty(const CalibrationUncertainty& u, const std::vector<std::string>& names,
                      std::ostream& out) {
    if (!u.note.empty())
        out << "Uncertainty: " << u.note << '\n';
    else
        out << "Uncertainty (Gauss-Newton at the result, " << u.measurements
            << " measurements; 95 % intervals):\n";
    for (std::size_t k = 0; k < names.size(); ++k) {
        const ParameterUncertainty& p = u.parameters[k];
        out << "  " << names[k] << ": ";
        if (std::isfinite(p.se))
            out << "se " << Rounded(p.se) << ", " << Rounded(p.low) << " to " << Rounded(p.high);
        else
            out << "se infinite";
        if (p.atBound)
            out << " - at its bound";
        else if (!p.identifiable)
            out << " - not identifiable from these data";
        out << '\n';
    }
    if (names.size() < 2) return;
    out << "Correlation:\n";
    for (std::size_t k = 0; k < names.size(); ++k) {
        out << "  " << names[k] << ":";
        for (std::size_t j = 0; j < names.size(); ++j) out << ' ' << Rounded(u.correlation[k][j]);
        out << '\n';
    }
}

// With a sites table: the rows' names, which name their own values, and how the values are saved.
struct SiteValues {
    std::vector<std::string> names;
    std::function<int(const std::vector<double>& rounded)> save; // none: nothing is saved
};

void PrintCalibration(const CalibrationResult& calibration, ObjectiveKind objective,
                      const std::vector<std::string>& names, std::ostream& out) {
    const CalibrationOutcome& outcome = calibration.outcome;
    const double seconds = calibration.seconds;
    for (std::size_t k = 0; k < names.size(); ++k)
        out << names[k] << ": " << CalibratedText(outcome.rounded[k]) << '\n';
    out << "Objective (" << ObjectiveKindName(objective) << "): " << ShortestText(outcome.objective) << '\n';
    out << "Search: " << SearchEnd(outcome) << '\n';
    out << "Model runs: " << outcome.runs << " in " << ShortestText(std::round(seconds * 1000) / 1000)
        << " s (" << static_cast<long long>(seconds > 0 ? static_cast<double>(outcome.runs) / seconds : 0)
        << " per second)\n";
    out << "Seed: "
        << (outcome.seed >= 0 ? std::to_string(outcome.seed)
                              : "none (the standard simplex draws no random numbers)")
        << '\n';
    // A trace that was not written is not named: the file there, if any, is another search's.
    if (!calibration.traceFile.empty()) out << "Trace: " << calibration.traceFile.string() << '\n';
    if (calibration.uncertainty)
        PrintUncertainty(*calibration.uncertainty, names, out);
    else if (!outcome.stopped)
        out << "Uncertainty: " << kNoIntervals << '\n';
}

// True when --trace names none of the inputs nor --save's file; otherwise the refusal is shown.
bool TraceSpares(const std::optional<std::string>& trace, std::vector<NamedPath> inputs,
                 const std::optional<std::string>& save, const Console& console) {
    if (!trace) return true;
    if (save) inputs.push_back({"--save", *save});
    if (const auto refusal = OutputRefusal({"--trace", *trace}, inputs)) {
        console.print(*refusal);
        return false;
    }
    return true;
}

// The search of several sites or rows, which keeps its "Trip" folder as the multi-site window does.
CalibrationRequest MultiSiteRequest(CalibrationSettings settings, std::vector<CalibrationDataSet> dataSets,
                                    std::vector<ParameterChoice> choices, const SearchMethod& method,
                                    std::optional<int> seed, const std::optional<std::string>& trace) {
    CalibrationRequest request{std::move(settings), std::move(dataSets), std::move(choices),
                               method.genetic,      std::nullopt,        true,
                               std::nullopt};
    if (seed) request.seed = *seed;
    if (trace) request.traceFile = *trace;
    return request;
}

// A search stopped by Ctrl-C ends the command as interrupted, after its best point is printed; nothing
// is saved, so that the files a --save or --save-dir would replace keep their old contents.
int Stopped(bool saveAsked, const Console& console) {
    if (saveAsked) console.print("Nothing was saved: the search was stopped before it finished.");
    return kFailure;
}

// The search on the data sets, its trace file, the configuration saved with the calibrated values and
// the report: what the single-site and the multi-site commands share.
int SearchAndReport(const CalibrationRequest& request, int threads, const std::optional<std::string>& save,
                    SeasonConfiguration& configuration, bool json, std::ostream& out, const Console& console,
                    const SiteValues* siteValues = nullptr) {
    const std::vector<ParameterChoice>& choices = request.choices;
    interrupted.store(false);
    InterruptStops interrupts;
    ProgressLine progress;
    SearchControl control;
    control.threads = threads;
    control.stop = &interrupted;
    if (isatty(fileno(stderr)))
        control.progress = [&](std::int64_t runs, double best) { progress(runs, best); };
    const CalibrationResult calibration = RunCalibration(request, std::move(control));
    const CalibrationOutcome& outcome = calibration.outcome;
    if (!outcome.problems.empty()) {
        for (const InputProblem& problem : outcome.problems) console.print(problem.text);
        return kInvalidInputs;
    }
    if (calibration.traceError) console.print(*calibration.traceError);
    if (outcome.failed) {
        console.print(kNothingCalibrated);
        return kFailure;
    }
    if (outcome.stopped) console.print(kStoppedNote);

    // The result is printed before the configuration is saved: a failed save must not lose the search.
    const auto saveResult = [&] {
        if (outcome.stopped) return Stopped(save || (siteValues && siteValues->save), console);
        if (siteValues && siteValues->save) return siteValues->save(outcome.rounded);
        if (!save) return kSuccess;
        out.flush();
        WriteCalibratedValues(configuration, choices, outcome.rounded);
        if (const Outcome written = WriteConfigurationFile(configuration, *save); !written) {
            console.print(written.message);
            return kFailure;
        }
        return kSuccess;
    };
    const std::vector<std::string> names =
        CalibratedNames(choices, siteValues ? &siteValues->names : nullptr);
    if (json)
        out << CalibrationJson(calibration, choices, names, siteValues ? &siteValues->names : nullptr).dump(2)
            << '\n';
    else
        PrintCalibration(calibration, request.settings.objective, names, out);
    return saveResult();
}

} // namespace

namespace {

// The season's measured AGB, and LAI with --lai; nothing after the message (the command then ends with
// kInvalidInputs).
std::optional<SeasonMeasurements> ReadMeasurements(const CalibrateOptions& options, std::optional<int> year,
                                                   int laterYears, const Console& console) {
    // Dates of another year than the weather file's would pair with another season's days.
    const auto read = [&](const std::string& file, std::string_view option, std::optional<int> sheet) {
        auto table = console.printing(
            [&](Messages& messages) { return ReadMeasuredTable(file, option, messages, sheet); });
        if (!table) return table;
        const auto refusals = SeasonYearRefusals(*table, year, laterYears);
        if (refusals.empty()) return table;
        for (const std::string& refusal : refusals) console.print(refusal);
        return std::optional<MeasuredTable>();
    };
    const auto agb = read(options.agb, "--agb-sheet", options.agbSheet);
    if (!agb) return std::nullopt;
    SeasonMeasurements measured{*agb, std::nullopt, options.agbWeight, options.laiWeight};
    if (options.lai) {
        measured.lai = read(*options.lai, "--lai-sheet", options.laiSheet);
        if (!measured.lai) return std::nullopt;
    }
    return measured;
}

} // namespace

int Calibrate(const CalibrateOptions& options, std::ostream& out, const Console& console) {
    const auto params = ParseParams(options.params, console);
    if (!params) return kInvalidInputs;
    const auto method = ReadSearchOptions(options.search, console);
    if (!method) return kInvalidInputs;
    std::vector<NamedPath> inputs = SeasonInputPaths(options.config, options.season);
    inputs.push_back({"--agb", options.agb});
    if (options.lai) inputs.push_back({"--lai", *options.lai});
    if (!SaveSpares(options.save, inputs, console)) return kInvalidInputs;
    if (!TraceSpares(options.search.trace, inputs, options.save, console)) return kInvalidInputs;

    SeasonConfiguration configuration;
    SeasonChanges changes;
    const auto compiled =
        CompileConfiguredSeason(options.config, options.season, configuration, console, &changes);
    if (!compiled) return kInvalidInputs;
    std::vector<ParameterChoice> choices;
    if (const Outcome chosen = ChoicesOf(*params, configuration, *compiled, choices); !chosen) {
        console.print(chosen.message);
        return kInvalidInputs;
    }
    const auto measured = ReadMeasurements(options, changes.year, LaterYearsOf(compiled->control), console);
    if (!measured) return kInvalidInputs;
    CalibrationRequest request =
        SeasonCalibration(compiled, *measured, std::move(choices), *method, options.search.seed);
    if (options.search.trace) request.traceFile = *options.search.trace;
    for (const std::string& note : MeasurementNotes(request.settings, request.dataSets)) console.print(note);
    return SearchAndReport(request, options.search.threads, options.save, configuration, options.json, out,
                           console);
}

namespace {

// A row's name as a file name: the rows' names are their own, but a name may not be a path.
bool UsableFileName(const std::string& name) {
    return name != "." && name != ".." && name.find_first_of("/\\:*?\"<>|") == std::string::npos;
}

// Every file the command reads: the table and each row's configuration, measurements and weather. No row's
// output may replace any of them, another row's included.
std::vector<NamedPath> SitesInputPaths(const CalibrateSitesOptions& options, const SitesTable& table) {
    std::vector<NamedPath> inputs = {{"the sites table", *options.sites}};
    for (const SiteRow& row : table.rows) {
        const std::string whose = "row " + std::to_string(row.row) + "'s ";
        inputs.push_back({whose + "config", row.config});
        if (row.agb) inputs.push_back({whose + "agb", *row.agb});
        if (row.lai) inputs.push_back({whose + "lai", *row.lai});
        if (row.season.weather) inputs.push_back({whose + "weather", *row.season.weather});
    }
    return inputs;
}

// Every output is checked before the search, which may run for hours: --save-dir a folder, each row's
// name a file name (the table gives each row a name of its own), and no file written over an input of
// any row.
int CheckSaveDir(const CalibrateSitesOptions& options, const SitesTable& table, const Console& console) {
    const std::filesystem::path saveDir = *options.saveDir;
    std::error_code error;
    if (!std::filesystem::is_directory(saveDir, error)) {
        console.print("--save-dir " + QuoteValue(*options.saveDir) + " is not a folder.");
        return kInvalidInputs;
    }
    const std::vector<NamedPath> inputs = SitesInputPaths(options, table);
    for (const SiteRow& row : table.rows) {
        if (!UsableFileName(row.name)) {
            console.print(row.prefix + "the name " + QuoteValue(row.name) +
                          " cannot name the file --save-dir writes (NAME.sim): it holds a character a "
                          "file name may not.");
            return kInvalidInputs;
        }
        if (const auto refusal = OutputRefusal({"--save-dir", saveDir / (row.name + ".sim")}, inputs)) {
            console.print(row.prefix + *refusal);
            return kInvalidInputs;
        }
    }
    return kSuccess;
}

// What the rows of a sites table give the search: each row's configuration and data set, and the values
// searched, the shared ones first, then each row's own: the order the point of the search holds them in.
struct SitesSearch {
    std::vector<SeasonConfiguration> configurations;
    std::vector<CalibrationDataSet> dataSets;
    std::vector<ParameterChoice> choices;
    std::vector<ParameterChoice> ownChoices;
};

// A row's measurements, refused when their dates fall in another year than the season's: they would pair
// with another season's days.
std::optional<MeasuredTable> ReadRowMeasured(const std::filesystem::path& file, std::optional<int> year,
                                             int laterYears, const Console& rowConsole) {
    auto read = rowConsole.printing([&](Messages& messages) {
        return ReadMeasuredTable(file, "a sites table names no sheet: put the measurements first", messages);
    });
    if (!read) return std::nullopt;
    const auto refusals = SeasonYearRefusals(*read, year, laterYears);
    for (const std::string& refusal : refusals) rowConsole.print(refusal);
    if (!refusals.empty()) return std::nullopt;
    return read;
}

// Row `r` of the table into the search; kSuccess, or the status the command ends with after the message.
int AddSiteRow(const CalibrateSitesOptions& options, const SiteRow& row, std::size_t r,
               const std::vector<ParamText>& shared, const std::vector<ParamText>& perSite,
               SitesSearch& search, const Console& console) {
    const Console rowConsole = console.prefixed(row.prefix);
    if (!row.agb || (options.withLai && !row.lai)) {
        console.print(row.prefix + "the " + (row.agb ? "lai" : "agb") +
                      " cell is empty; every row needs the measurements the objective weighs.");
        return kInvalidInputs;
    }
    SeasonChanges changes;
    SeasonConfiguration& configuration = search.configurations[r];
    const auto compiled =
        CompileConfiguredSeason(row.config.string(), row.season, configuration, rowConsole, &changes);
    if (!compiled) return kInvalidInputs;
    // An initial value left out is the first row's for a shared parameter, the row's own (its
    // configuration with the row's overrides) for its own.
    const auto initial = [&](const ParamText& param, ParameterChoice& choice) {
        choice.initial =
            param.initial ? *param.initial : ConfiguredValue(*param.info, configuration, *compiled);
        if (param.initial || (choice.initial > param.min && choice.initial <= param.max)) return true;
        console.print(row.prefix + param.where + ": the row's value " + ShortestText(choice.initial) +
                      " is outside the range (above " + ShortestText(param.min) + ", at most " +
                      ShortestText(param.max) +
                      "): widen it, or give an initial value (NAME:MIN:MAX:INITIAL).");
        return false;
    };
    if (r == 0)
        for (std::size_t k = 0; k < shared.size(); ++k)
            if (!initial(shared[k], search.choices[k])) return kInvalidInputs;
    for (const ParamText& param : perSite) {
        ParameterChoice choice{
            param.info, {ParameterIndex(param.info->id), param.min, param.max, static_cast<int>(r)}, 0};
        if (!initial(param, choice)) return kInvalidInputs;
        search.ownChoices.push_back(choice);
    }

    CalibrationDataSet data;
    data.name = row.name;
    data.inputs = compiled;
    const int laterYears = LaterYearsOf(compiled->control);
    const auto agb = ReadRowMeasured(*row.agb, changes.year, laterYears, rowConsole);
    if (!agb) return kInvalidInputs;
    data.agb = agb->data;
    data.agbSource = agb->source;
    if (options.withLai) {
        const auto lai = ReadRowMeasured(*row.lai, changes.year, laterYears, rowConsole);
        if (!lai) return kInvalidInputs;
        data.lai = lai->data;
        data.laiSource = lai->source;
    }
    search.dataSets.push_back(std::move(data));
    return kSuccess;
}

// Each row's configuration as the row ran it (its season and overrides) with the shared values and its
// own, as NAME.sim in the folder: every file or, when one cannot be written, none.
int SaveRows(const SitesTable& table, const std::filesystem::path& saveDir,
             const std::vector<ParameterChoice>& choices, const std::vector<double>& rounded,
             std::vector<SeasonConfiguration>& configurations, const Console& console) {
    std::vector<FileContent> files;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        std::vector<ParameterChoice> rowChoices;
        std::vector<double> rowValues;
        for (std::size_t k = 0; k < choices.size(); ++k)
            if (choices[k].range.dataSet < 0 || choices[k].range.dataSet == static_cast<int>(r)) {
                rowChoices.push_back(choices[k]);
                rowValues.push_back(rounded[k]);
            }
        WriteCalibratedValues(configurations[r], rowChoices, rowValues);
        files.push_back({saveDir / (table.rows[r].name + ".sim"), FormatConfiguration(configurations[r])});
    }
    if (const Outcome written = WriteFilesTogether(files); !written) {
        console.print(written.message);
        return kFailure;
    }
    return kSuccess;
}

int CalibrateSitesTable(const CalibrateSitesOptions& options, std::ostream& out, const Console& console) {
    const auto shared = ParseParams(options.params, console);
    if (!shared) return kInvalidInputs;
    const auto perSite = ParseParams(options.perSite, console, "--per-site");
    if (!perSite) return kInvalidInputs;
    if (shared->empty() && perSite->empty()) {
        console.print("calibrate-sites --sites needs a parameter to calibrate: --param NAME:MIN:MAX for one "
                      "value shared by every row, --per-site NAME:MIN:MAX for one value per row.");
        return kInvalidInputs;
    }
    const auto method = ReadSearchOptions(options.search, console);
    if (!method) return kInvalidInputs;
    const auto table = console.printing([&](Messages& messages) {
        return ReadSitesTable(*options.sites, options.sheet, "--sheet", messages);
    });
    if (!table) return kInvalidInputs;
    if (options.saveDir)
        if (const int checked = CheckSaveDir(options, *table, console); checked != kSuccess) return checked;
    if (!TraceSpares(options.search.trace, SitesInputPaths(options, *table), std::nullopt, console))
        return kInvalidInputs;

    CalibrationSettings settings;
    settings.objective = method->objective;
    settings.withLai = options.withLai;
    settings.agbWeight = options.withLai ? options.agbWeight : 1;
    settings.laiWeight = options.withLai ? options.laiWeight : 0;
    SitesSearch search;
    search.configurations.resize(table->rows.size());
    for (const ParamText& param : *shared)
        search.choices.push_back({param.info, {ParameterIndex(param.info->id), param.min, param.max}, 0});
    for (std::size_t r = 0; r < table->rows.size(); ++r)
        if (const int added = AddSiteRow(options, table->rows[r], r, *shared, *perSite, search, console);
            added != kSuccess)
            return added;
    std::vector<ParameterChoice>& choices = search.choices;
    choices.insert(choices.end(), search.ownChoices.begin(), search.ownChoices.end());
    for (const std::string& note : MeasurementNotes(settings, search.dataSets)) console.print(note);

    SiteValues siteValues;
    for (const SiteRow& row : table->rows) siteValues.names.push_back(row.name);
    const std::filesystem::path saveDir = options.saveDir.value_or("");
    if (options.saveDir)
        siteValues.save = [&](const std::vector<double>& rounded) {
            return SaveRows(*table, saveDir, choices, rounded, search.configurations, console);
        };
    return SearchAndReport(MultiSiteRequest(std::move(settings), std::move(search.dataSets), choices, *method,
                                            options.search.seed, options.search.trace),
                           options.search.threads, std::nullopt, search.configurations.front(), options.json,
                           out, console, &siteValues);
}

} // namespace

namespace {

// The up to three parameters of the settings file; nothing, after a message, when one is refused.
std::optional<std::vector<ParameterChoice>> CfgChoices(const CfgSettings& cfg, const std::string& settings,
                                                       const Console& console) {
    std::vector<ParameterChoice> choices;
    for (int k = 0; k < 3; ++k) {
        const CalibrationParameterTexts& texts = cfg.parameters[k];
        if (Trim(texts.caption).empty()) continue; // the check below counts what is left
        const auto choice = MakeChoice(texts.caption, texts.min, texts.max, cfg.initial[k],
                                       settings + ", parameter " + std::to_string(k + 1), console);
        if (!choice) return std::nullopt;
        choices.push_back(*choice);
    }
    return choices;
}

// The files the command reads, which --save may not replace: the configuration, the settings file and
// each site's weather and measurements.
std::vector<NamedPath> CfgInputPaths(const CalibrateSitesOptions& options, const CfgSettings& cfg, int count,
                                     const std::function<std::string(const std::string&)>& resolve) {
    std::vector<NamedPath> inputs = {{"the configuration", options.config},
                                     {"the settings file", options.settings}};
    for (int s = 0; s < count; ++s) {
        const std::string site = "site " + std::to_string(s + 1);
        inputs.push_back({site + "'s weather", resolve(cfg.sites[s].weather)});
        if (!Trim(cfg.sites[s].agb).empty()) inputs.push_back({site + "'s AGB", resolve(cfg.sites[s].agb)});
        if (!Trim(cfg.sites[s].lai).empty()) inputs.push_back({site + "'s LAI", resolve(cfg.sites[s].lai)});
    }
    return inputs;
}

// Site `s` of the settings file as a data set: its weather and dates on the shared configuration, its
// measurements; kSuccess, or the status the command ends with after the message. `resolve` names a file
// of the settings file.
int ReadCfgSite(const CalibrateSitesOptions& options, const SiteTexts& row, int s,
                const SeasonConfiguration& base,
                const std::function<std::string(const std::string&)>& resolve,
                std::vector<CalibrationDataSet>& dataSets, const Console& console) {
    const std::string site = "Site " + std::to_string(s + 1);
    if (Trim(row.agb).empty() || (options.withLai && Trim(row.lai).empty())) {
        console.print(site + " of " + options.settings + " names no " +
                      (Trim(row.agb).empty() ? "AGB" : "LAI") + " measurements.");
        return kInvalidInputs;
    }
    SiteWeather weatherTable;
    const std::string weather = resolve(row.weather);
    if (!console.printing(
            [&](Messages& messages) { return ImportSiteWeather(weather, messages, weatherTable); })) {
        console.print(site + ": the weather workbook " + weather + " was not read.");
        return kInvalidInputs;
    }
    const Compilation compiled = CompileSite(base, row, weatherTable);
    if (!compiled.inputs) {
        console.print(site + " (weather " + weather + ") cannot be simulated:");
        for (const InputProblem& problem : compiled.problems) console.print(problem);
        return kInvalidInputs;
    }
    CalibrationDataSet data;
    data.name = site;
    data.inputs = compiled.inputs;
    const auto agb = console.printing([&](Messages& messages) {
        return ReadMeasuredTable(
            resolve(row.agb), "a settings file names no sheet: put " + site + "'s AGB table first", messages);
    });
    if (!agb) return kInvalidInputs;
    data.agb = agb->data;
    data.agbSource = agb->source;
    if (options.withLai) {
        const auto lai = console.printing([&](Messages& messages) {
            return ReadMeasuredTable(resolve(row.lai),
                                     "a settings file names no sheet: put " + site + "'s LAI table first",
                                     messages);
        });
        if (!lai) return kInvalidInputs;
        data.lai = lai->data;
        data.laiSource = lai->source;
    }
    dataSets.push_back(std::move(data));
    return kSuccess;
}

} // namespace

int CalibrateSites(const CalibrateSitesOptions& options, std::ostream& out, const Console& console) {
    if (options.sites) return CalibrateSitesTable(options, out, console);
    CfgSettings cfg;
    if (const Outcome read = ReadCfgSettings(options.settings, cfg); !read) {
        console.print(read.message);
        return kInvalidInputs;
    }
    const auto method = ReadSearchOptions(options.search, console);
    if (!method) return kInvalidInputs;
    const auto choices = CfgChoices(cfg, options.settings, console);
    if (!choices) return kInvalidInputs;
    if (const auto leftOut = SiteAfterTheLast(cfg)) {
        console.print(options.settings + ": " + *leftOut);
        return kInvalidInputs;
    }
    const int count = SitesInUse(cfg);
    if (count == 0) {
        console.print(options.settings + " names no site: the weather line of site 1 is empty.");
        return kInvalidInputs;
    }

    // Every file a site names is relative to the settings file, so that a folder of them moves whole.
    const std::filesystem::path folder = std::filesystem::path(options.settings).parent_path();
    const auto resolve = [&](const std::string& name) { return (folder / Trim(name)).string(); };
    if (options.save && !SaveSpares(options.save, CfgInputPaths(options, cfg, count, resolve), console))
        return kInvalidInputs;
    if (!TraceSpares(options.search.trace, CfgInputPaths(options, cfg, count, resolve), options.save,
                     console))
        return kInvalidInputs;

    CalibrationSettings settings;
    settings.objective = method->objective;
    // One objective for every point: the sites' AGB indices, plus their LAI indices with the option.
    settings.withLai = options.withLai;
    settings.agbWeight = 1;
    settings.laiWeight = options.withLai ? 1 : 0;
    // Every site shares the configuration's crop and management; its weather, dates and latitude are its
    // own, as the multi-site window reads them.
    const auto base = ReadCompleteConfiguration(options.config);
    if (!base) {
        console.print(options.config + ": " + base.message());
        return kInvalidInputs;
    }
    std::vector<CalibrationDataSet> dataSets;
    for (int s = 0; s < count; ++s)
        if (const int read = ReadCfgSite(options, cfg.sites[s], s, *base, resolve, dataSets, console);
            read != kSuccess)
            return read;
    for (const std::string& note : MeasurementNotes(settings, dataSets)) console.print(note);
    SeasonConfiguration saved = *base;
    return SearchAndReport(MultiSiteRequest(std::move(settings), std::move(dataSets), *choices, *method,
                                            options.search.seed, options.search.trace),
                           options.search.threads, options.save, saved, options.json, out, console);
}

namespace {

// The window's search around the configuration's sowing, over --param's parameters when given.
ReinitSettings SettingsOf(const ReinitOptions& options, const std::vector<ParamText>& params,
                          const SeasonConfiguration& configuration, const SeasonInputs& compiled) {
    ReinitSettings settings = DefaultReinitSettings(compiled);
    if (!params.empty()) {
        settings.parameters.clear();
        settings.initial.clear();
        for (const ParamText& param : params) {
            settings.parameters.push_back({ParameterIndex(param.info->id), param.min, param.max});
            settings.initial.push_back(param.initial ? *param.initial
                                                     : ConfiguredValue(*param.info, configuration, compiled));
        }
    }
    settings.sowingWindow = options.sowingWindow;
    return settings;
}

void PrintReinitJson(const ReinitResult& result, const std::vector<std::string>& names, std::ostream& out) {
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (std::size_t k = 0; k < names.size(); ++k) values[names[k]] = result.rounded[k];
    // The sowing's range sits beside the parameters' intervals, under its own name.
    const nlohmann::ordered_json report = UncertaintyJson(result.uncertainty, names);
    nlohmann::ordered_json uncertainty = report["uncertainty"];
    uncertainty["sowing"] = {{"low", result.sowingLow}, {"high", result.sowingHigh}};
    nlohmann::ordered_json days = nlohmann::ordered_json::array();
    for (const SowingObjective& day : result.days)
        days.push_back({{"doy", day.day}, {"objective", JsonNumber(day.objective)}});
    out << nlohmann::ordered_json{{"sowing", result.sowing},
                                  {"parameters", values},
                                  {"uncertainty", uncertainty},
                                  {"objective", result.objective},
                                  {"correlation", report["correlation"]},
                                  {"measurements", report["measurements"]},
                                  {"runs", result.runs},
                                  {"stopped", result.stopped},
                                  {"days", days}}
               .dump(2)
        << '\n';
}

void PrintReinit(const ReinitResult& result, const std::vector<std::string>& names, std::ostream& out) {
    out << "Sowing (DOY): " << result.sowing << " (within the 95 % bound: " << result.sowingLow << " to "
        << result.sowingHigh << ")\n";
    for (std::size_t k = 0; k < names.size(); ++k)
        out << names[k] << ": " << CalibratedText(result.rounded[k]) << '\n';
    out << "LAI RRMSE (%): " << Rounded(result.objective) << '\n';
    out << "Model runs: " << result.runs << '\n';
    if (!result.stopped) PrintUncertainty(result.uncertainty, names, out);
}

// The search, shown on `progress`; Ctrl-C stops it with the best point so far.
ReinitResult SearchSowing(const SeasonConfiguration& configuration, const std::vector<LaiPoint>& lai,
                          const ReinitSettings& settings, int threads, ProgressLine& progress) {
    SearchControl control;
    control.threads = threads;
    control.stop = &interrupted;
    if (isatty(fileno(stderr)))
        control.progress = [&](std::int64_t runs, double best) { progress(runs, best); };
    return ReinitializeFromLai(configuration, lai, settings, control);
}

} // namespace

int Reinit(const ReinitOptions& options, std::ostream& out, const Console& console) {
    const auto params = ParseParams(options.params, console);
    if (!params) return kInvalidInputs;
    const std::vector<NamedPath> inputs = {{"the configuration", options.config},
                                           {"the --lai table", options.lai}};
    if (!SaveSpares(options.save, inputs, console)) return kInvalidInputs;
    const auto lai = ReadLaiTable(options.lai, options.sheet, console);
    if (!lai) return kInvalidInputs;
    SeasonConfiguration configuration;
    const auto compiled = CompileConfiguredSeason(options.config, options.season, configuration, console);
    if (!compiled) return kInvalidInputs;

    const ReinitSettings settings = SettingsOf(options, *params, configuration, *compiled);
    interrupted.store(false);
    InterruptStops interrupts;
    ProgressLine progress;
    const ReinitResult result = SearchSowing(configuration, *lai, settings, options.threads, progress);
    if (!result.problems.empty()) {
        for (const InputProblem& problem : result.problems) console.print(problem.text);
        return kInvalidInputs;
    }
    if (!(result.objective < kOutsidePenalty)) {
        console.print(kNothingCalibrated);
        return kFailure;
    }
    if (result.stopped) console.print(kStoppedNote);

    const auto registry = CropParameterRegistry();
    std::vector<std::string> names;
    for (const CalibratedParameter& p : settings.parameters)
        names.push_back(CalibratedName(registry[static_cast<std::size_t>(p.index)]));
    if (options.json)
        PrintReinitJson(result, names, out);
    else
        PrintReinit(result, names, out);
    if (result.stopped) return Stopped(options.save.has_value(), console);
    if (!options.save) return kSuccess;
    out.flush();
    WriteReinitialization(configuration, result, settings.parameters);
    if (const Outcome written = WriteConfigurationFile(configuration, *options.save); !written) {
        console.print(written.message);
        return kFailure;
    }
    return kSuccess;
}

namespace {

// The options of a calibration's search, which calibrate and calibrate-sites share.
void AddSearchOptions(CLI::App* command, SearchOptions& search) {
    command->add_option("--objective", search.objective,
                        "\"RRMSE\" (default) or \"RRMSE + CV on Last Point\"");
    command->add_option("--genetic", search.genetic,
                        "Genetic simplex: N,ITERATIONS,GENERATIONS,REDUCTION,INCREASE,RANDOM");
    AddWholeOption(command, "--seed", search.seed, 0, "Seed of the random numbers (default: the clock)");
    AddThreadsOption(command, search.threads);
    command->add_option("--trace", search.trace,
                        "Write the search's trace here (default: a file of its own in TULO's data folder, "
                        "named in the result)");
}

} // namespace

void RegisterCalibrateCommand(CommandLine& line) {
    auto options = std::make_shared<CalibrateOptions>();
    CLI::App* command = line.app().add_subcommand(
        "calibrate", "Calibrate crop parameters against measured AGB (and LAI), by the simplex");
    AddConfigArgument(command, options->config)->required();
    AddSeasonOptions(command, options->season);
    command->add_option("--agb", options->agb, "Measured AGB (t/ha): row 1 titles, then DOY and value")
        ->required();
    CLI::Option* lai =
        command->add_option("--lai", options->lai, "Measured LAI: the objective then weighs both");
    AddWholeOption(command, "--agb-sheet", options->agbSheet, 1, "Sheet of the AGB workbook (1-based)");
    AddWholeOption(command, "--lai-sheet", options->laiSheet, 1, "Sheet of the LAI workbook (1-based)")
        ->needs(lai);
    command->add_option("--agb-weight", options->agbWeight, "Weight of the AGB index (default 1)")
        ->needs(lai);
    command->add_option("--lai-weight", options->laiWeight, "Weight of the LAI index (default 1)")
        ->needs(lai);
    command
        ->add_option("--param", options->params,
                     "NAME:MIN:MAX[:INITIAL], once per parameter: a crop parameter by id, key or caption, "
                     "the initial value defaulting to the configuration's (e.g. \"RUE:1.5:4:2.3\")")
        ->required()
        ->take_all();
    AddSearchOptions(command, options->search);
    command->add_option("--save", options->save, "Write the configuration with the calibrated values");
    command->add_flag("--json", options->json, "Print the result as one JSON object");
    line.add(command, [options](std::ostream& out, const Console& console) {
        return Calibrate(*options, out, console);
    });
}

void RegisterReinitCommand(CommandLine& line) {
    auto options = std::make_shared<ReinitOptions>();
    CLI::App* command = line.app().add_subcommand(
        "reinit", "Estimate the sowing day and crop parameters from a remotely sensed LAI series");
    AddConfigArgument(command, options->config)->required();
    AddSeasonOptions(command, options->season);
    command
        ->add_option("--lai", options->lai,
                     "The LAI series: DOY in column 1, LAI in column 2, a title row optional")
        ->required();
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet of the LAI table (1-based)");
    command
        ->add_option("--param", options->params,
                     "NAME:MIN:MAX[:INITIAL], once per parameter (default: TSUM1 and RUE, 0.6 to 1.4 times "
                     "the configuration's values)")
        ->take_all();
    AddWholeOption(command, "--sowing-window", options->sowingWindow, 0,
                   "Days searched either side of the configuration's sowing (default 30)");
    AddThreadsOption(command, options->threads);
    command->add_option("--save", options->save,
                        "Write the configuration with the estimated sowing and parameters");
    command->add_flag("--json", options->json, "Print the result as one JSON object");
    line.add(command,
             [options](std::ostream& out, const Console& console) { return Reinit(*options, out, console); });
}

void RegisterCalibrateSitesCommand(CommandLine& line) {
    auto options = std::make_shared<CalibrateSitesOptions>();
    CLI::App* command = line.app().add_subcommand(
        "calibrate-sites",
        "Calibrate crop parameters on up to five sites of a .cfg settings file, or on the rows of a sites "
        "table (--sites)");
    CLI::Option* config =
        command->add_option("config", options->config, "Configuration (.sim) of the crop and management");
    CLI::Option* settings = command->add_option("settings", options->settings,
                                                "Settings file (.cfg): each site's dates, weather, AGB, LAI");
    CLI::Option* table =
        command
            ->add_option("--sites", options->sites,
                         "Sites table (CSV or workbook): one row a site with its own config, "
                         "season, agb, lai and parameter values, in place of CONFIG and SETTINGS")
            ->excludes(config)
            ->excludes(settings);
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet of the sites workbook (1-based)")
        ->needs(table);
    command
        ->add_option("--param", options->params,
                     "With --sites: NAME:MIN:MAX[:INITIAL], one value every row shares, once per parameter")
        ->take_all()
        ->needs(table);
    command
        ->add_option("--per-site", options->perSite,
                     "With --sites: NAME:MIN:MAX[:INITIAL], one value per row, searched with the shared ones")
        ->take_all()
        ->needs(table);
    command
        ->add_option("--save-dir", options->saveDir,
                     "With --sites: write each row's configuration with its calibrated values as NAME.sim")
        ->needs(table);
    CLI::Option* withLai =
        command->add_flag("--with-lai", options->withLai, "Add the sites' LAI indices to the objective");
    command
        ->add_option("--agb-weight", options->agbWeight,
                     "With --sites: weight of the AGB indices (default 1)")
        ->needs(table)
        ->needs(withLai);
    command
        ->add_option("--lai-weight", options->laiWeight,
                     "With --sites: weight of the LAI indices (default 1)")
        ->needs(table)
        ->needs(withLai);
    AddSearchOptions(command, options->search);
    command
        ->add_option("--save", options->save,
                     "Write the first site's configuration with the calibrated values")
        ->excludes(table);
    command->add_flag("--json", options->json, "Print the result as one JSON object");
    const auto check = [=] {
        if (!*table && (!*config || !*settings))
            throw OptionError("calibrate-sites needs CONFIG and SETTINGS (a .cfg), or --sites TABLE.");
    };
    line.add(
        command,
        [options](std::ostream& out, const Console& console) {
            return CalibrateSites(*options, out, console);
        },
        check);
}

} // namespace tulo::cli
