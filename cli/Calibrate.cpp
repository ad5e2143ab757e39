#include "Calibrate.h"

#include "CommandLine.h"
#include "Commands.h"
#include "ForceLai.h"

#include "base/Numbers.h"
#include "calibration/Reinit.h"
#include "engine/SeasonInputs.h"
#include "evaluation/MeasuredEvaluation.h"
#include "forms/CalibrationForm.h"
#include "forms/SimConfig.h"
#include "forms/SitesTable.h"
#include "forms/ToolResults.h"
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
                                          const std::string& where, UserInterface& ui) {
    std::string error;
    auto choice = MakeParameterChoice(caption, min, max, initial, where, error);
    if (!choice) ui.message(error);
    return choice;
}

// "NAME:MIN:MAX[:INITIAL]": any crop parameter by id, workbook key or caption (no name holds a colon;
// captions may hold spaces), the initial value defaulting to the configuration's.
struct ParamText {
    std::string where; // "--param \"RUE:a:4\""
    const ParameterInfo* info = nullptr;
    double min = 0, max = 0;
    std::optional<double> initial;
};

std::optional<ParamText> ParseParam(const std::string& text, UserInterface& ui,
                                    std::string_view option = "--param") {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(std::string_view(text).substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    ParamText param;
    param.where = std::string(option) + " " + QuoteValue(text);
    if (parts.size() != 3 && parts.size() != 4) {
        ui.message(param.where + " is not NAME:MIN:MAX or NAME:MIN:MAX:INITIAL (e.g. \"RUE:1.5:4:2.3\").");
        return std::nullopt;
    }
    param.info = FindParameterByName(parts[0]);
    if (!param.info) {
        ui.message(param.where + ": " + QuoteValue(Trim(parts[0])) +
                   " is not a crop parameter; name one by its id, crop workbook key or caption (see "
                   "tulo-cli parameters).");
        return std::nullopt;
    }
    const auto low = ParseNumber(parts[1]), high = ParseNumber(parts[2]);
    const auto start = parts.size() == 4 ? ParseNumber(parts[3]) : std::optional<double>(0);
    if (!low || !high || !start) {
        ui.message(param.where + ": the minimum, maximum and initial value must be numbers.");
        return std::nullopt;
    }
    param.min = *low;
    param.max = *high;
    if (parts.size() == 4) param.initial = *start;
    return param;
}

// The parameter's value in the configuration, as its field reads (a single-precision value would print
// with spurious digits).
double ConfiguredValue(const ParameterInfo& info, const FormModel& form, const SeasonInputs& inputs) {
    if (!info.control.empty())
        if (const auto typed = ParseNumber(form.text(info.control))) return *typed;
    return GetParameter(inputs.crop, info);
}

std::optional<GeneticSettings> ParseGenetic(const std::string& text, UserInterface& ui) {
    std::vector<double> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const auto value = ParseNumber(std::string_view(text).substr(start, end - start));
        if (!value) break;
        numbers.push_back(*value);
        start = end + 1;
    }
    const auto whole = [](double v) { return v == std::floor(v) && std::fabs(v) < 2e9; };
    if (numbers.size() != 6 || !whole(numbers[0]) || !whole(numbers[1]) || !whole(numbers[2])) {
        ui.message("--genetic " + QuoteValue(text) +
                   " is not N,ITERATIONS,GENERATIONS,REDUCTION,INCREASE,RANDOM (e.g. 20,100,3,0.5,1.5,0.1): "
                   "three whole numbers, then the share of rows kept, the factor on the iterations and the "
                   "share of random starting vertices.");
        return std::nullopt;
    }
    return GeneticSettings{static_cast<int>(numbers[0]),
                           static_cast<int>(numbers[1]),
                           static_cast<int>(numbers[2]),
                           numbers[3],
                           numbers[4],
                           numbers[5]};
}

// The objective and, for the genetic simplex, its settings that a calibration's options name; false, with
// the message shown, when either is refused.
// Every NAME:MIN:MAX[:INITIAL] of an option; nothing, after a message, when one cannot be read.
std::optional<std::vector<ParamText>> ParseParams(const std::vector<std::string>& texts, UserInterface& ui,
                                                  std::string_view option = "--param") {
    std::vector<ParamText> params;
    for (const std::string& text : texts) {
        auto param = ParseParam(text, ui, option);
        if (!param) return std::nullopt;
        params.push_back(std::move(*param));
    }
    return params;
}

bool ReadSearchOptions(const std::string& objectiveName, const std::optional<std::string>& geneticText,
                       std::optional<ObjectiveKind>& objective, std::optional<GeneticSettings>& genetic,
                       UserInterface& ui) {
    objective = ObjectiveKindNamed(objectiveName);
    if (!objective) {
        ui.message("--objective " + QuoteValue(objectiveName) +
                   " is not one of \"RRMSE\" and \"RRMSE + CV on Last Point\".");
        return false;
    }
    return !geneticText || (genetic = ParseGenetic(*geneticText, ui));
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

nlohmann::ordered_json JsonNumber(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json UncertaintyJson(const CalibrationUncertainty& u,
                                       const std::vector<std::string>& names) {
    nlohmann::ordered_json each = nlohmann::ordered_json::object(),
                           correlation = nlohmann::ordered_json::object();
    for (std::size_t k = 0; k < names.size(); ++k) {
        const ParameterUncertainty& p = u.parameters[k];
        each[names[k]] = {{"se", JsonNumber(p.se)},
                          {"low", JsonNumber(p.low)},
                          {"high", JsonNumber(p.high)},
                          {"identifiable", p.identifiable}};
        nlohmann::ordered_json row = nlohmann::ordered_json::object();
        for (std::size_t j = 0; j < names.size(); ++j) row[names[j]] = JsonNumber(u.correlation[k][j]);
        correlation[names[k]] = std::move(row);
    }
    return {{"uncertainty", each}, {"correlation", correlation}, {"measurements", u.measurements}};
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
        if (!p.identifiable) out << " - not identifiable from these data";
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

void PrintCalibrationJson(const CalibrationResult& calibration, const std::vector<ParameterChoice>& choices,
                          const std::vector<std::string>& names, const SiteValues* siteValues,
                          std::ostream& out) {
    const CalibrationOutcome& outcome = calibration.outcome;
    nlohmann::ordered_json params = nlohmann::ordered_json::object();
    nlohmann::ordered_json sites = nlohmann::ordered_json::object();
    if (siteValues)
        for (const std::string& site : siteValues->names) sites[site] = nlohmann::ordered_json::object();
    for (std::size_t k = 0; k < choices.size(); ++k) {
        const int dataSet = choices[k].range.dataSet;
        if (dataSet < 0)
            params[names[k]] = outcome.rounded[k];
        else
            sites[siteValues->names[static_cast<std::size_t>(dataSet)]][CalibratedName(*choices[k].info)] =
                outcome.rounded[k];
    }
    nlohmann::ordered_json result = {{"params", params},           {"objective", outcome.objective},
                                     {"runs", outcome.runs},       {"seed", nullptr},
                                     {"stopped", outcome.stopped}, {"trace", calibration.traceFile.string()}};
    if (siteValues) result["sites"] = std::move(sites);
    if (outcome.seed >= 0) result["seed"] = outcome.seed;
    if (calibration.uncertainty) result.update(UncertaintyJson(*calibration.uncertainty, names));
    out << result.dump(2) << '\n';
}

void PrintCalibration(const CalibrationResult& calibration, ObjectiveKind objective,
                      const std::vector<std::string>& names, std::ostream& out) {
    const CalibrationOutcome& outcome = calibration.outcome;
    const double seconds = calibration.seconds;
    for (std::size_t k = 0; k < names.size(); ++k)
        out << names[k] << ": " << CalibratedText(outcome.rounded[k]) << '\n';
    out << "Objective (" << ObjectiveKindName(objective) << "): " << ShortestText(outcome.objective) << '\n';
    out << "Model runs: " << outcome.runs << " in " << ShortestText(std::round(seconds * 1000) / 1000)
        << " s (" << static_cast<long long>(seconds > 0 ? static_cast<double>(outcome.runs) / seconds : 0)
        << " per second)\n";
    out << "Seed: "
        << (outcome.seed >= 0 ? std::to_string(outcome.seed)
                              : "none (the standard simplex draws no random numbers)")
        << '\n';
    out << "Trace: " << calibration.traceFile.string() << '\n';
    if (calibration.uncertainty) PrintUncertainty(*calibration.uncertainty, names, out);
}

// The search on the data sets, its trace file, the configuration saved with the calibrated values and
// the report: what the single-site and the multi-site commands share.
int SearchAndReport(CalibrationSettings settings, std::vector<CalibrationDataSet> dataSets,
                    const std::vector<ParameterChoice>& choices,
                    const std::optional<GeneticSettings>& genetic, std::optional<int> seed, int threads,
                    const std::optional<std::string>& save, bool multiSite, FormModel& form, bool json,
                    std::ostream& out, UserInterface& ui, const SiteValues* siteValues = nullptr) {
    const ObjectiveKind objective = settings.objective;
    interrupted.store(false);
    InterruptStops interrupts;
    ProgressLine progress;
    SearchControl control;
    control.threads = threads;
    control.stop = &interrupted;
    if (isatty(fileno(stderr)))
        control.progress = [&](std::int64_t runs, double best) { progress(runs, best); };
    CalibrationRequest request{
        std::move(settings), std::move(dataSets), choices, genetic, std::nullopt, multiSite};
    if (seed) request.seed = *seed;
    const CalibrationResult calibration = RunCalibration(request, std::move(control));
    const CalibrationOutcome& outcome = calibration.outcome;
    if (!outcome.problems.empty()) {
        for (const InputProblem& problem : outcome.problems) ui.message(problem.text);
        return kInvalidInputs;
    }
    if (calibration.traceError) ui.message(*calibration.traceError);
    if (outcome.failed) {
        ui.message(kNothingCalibrated);
        return kFailure;
    }
    if (outcome.stopped) ui.message(kStoppedNote);

    // The result is printed before the configuration is saved: a failed save must not lose the search.
    const auto saveResult = [&] {
        if (siteValues && siteValues->save) return siteValues->save(outcome.rounded);
        if (!save) return kSuccess;
        out.flush();
        WriteCalibratedValues(form, choices, outcome.rounded);
        if (const auto error = WriteSimConfig(form, *save)) {
            ui.message(*error);
            return kFailure;
        }
        return kSuccess;
    };
    std::vector<std::string> names;
    for (const ParameterChoice& choice : choices) {
        names.push_back(CalibratedName(*choice.info));
        // A row's own value is told apart from the other rows' by the row's name.
        if (siteValues && choice.range.dataSet >= 0)
            names.back() += " (" + siteValues->names[static_cast<std::size_t>(choice.range.dataSet)] + ")";
    }
    if (json)
        PrintCalibrationJson(calibration, choices, names, siteValues, out);
    else
        PrintCalibration(calibration, objective, names, out);
    return saveResult();
}

} // namespace

namespace {

// The parameters to calibrate, an initial value left out being the configuration's; nothing, after a
// message, when that value is outside the range.
std::optional<std::vector<ParameterChoice>> ChoicesOf(const std::vector<ParamText>& params,
                                                      const FormModel& form, const SeasonInputs& compiled,
                                                      UserInterface& ui) {
    std::vector<ParameterChoice> choices;
    for (const ParamText& param : params) {
        ParameterChoice choice{param.info, {ParameterIndex(param.info->id), param.min, param.max}, 0};
        choice.initial = param.initial ? *param.initial : ConfiguredValue(*param.info, form, compiled);
        if (!param.initial && !(choice.initial > param.min && choice.initial <= param.max)) {
            ui.message(param.where + ": the configuration's value " + ShortestText(choice.initial) +
                       " is outside the range (above " + ShortestText(param.min) + ", at most " +
                       ShortestText(param.max) +
                       "): widen it, or give an initial value "
                       "(NAME:MIN:MAX:INITIAL).");
            return std::nullopt;
        }
        choices.push_back(choice);
    }
    return choices;
}

// The season's measured AGB, and LAI with --lai, which then sets the objective's weights in `settings`;
// kSuccess, or the status the command ends with after the message.
int ReadMeasurements(const CalibrateOptions& options, std::optional<int> year, CalibrationDataSet& data,
                     CalibrationSettings& settings, UserInterface& ui) {
    // Dates of another year than the weather file's would pair with another season's days.
    const auto outsideSeasonYear = [&](const MeasuredTable& table) {
        if (!year) return false;
        const auto refusals = MeasuredRefusals(table.data, year);
        for (const std::string& refusal : refusals) ui.message(table.source + ": " + refusal);
        return !refusals.empty();
    };
    const auto agb = ReadMeasuredTable(options.agb, "--agb-sheet", ui, options.agbSheet);
    if (!agb) return kFailure;
    if (outsideSeasonYear(*agb)) return kInvalidInputs;
    data.agb = agb->data;
    data.agbSource = agb->source;
    if (!options.lai) return kSuccess;
    const auto lai = ReadMeasuredTable(*options.lai, "--lai-sheet", ui, options.laiSheet);
    if (!lai) return kFailure;
    if (outsideSeasonYear(*lai)) return kInvalidInputs;
    data.lai = lai->data;
    data.laiSource = lai->source;
    settings.withLai = true;
    settings.agbWeight = options.agbWeight;
    settings.laiWeight = options.laiWeight;
    return kSuccess;
}

} // namespace

int Calibrate(const CalibrateOptions& options, std::ostream& out, UserInterface& ui) {
    const auto params = ParseParams(options.params, ui);
    if (!params) return kInvalidInputs;
    std::optional<ObjectiveKind> objective;
    std::optional<GeneticSettings> genetic;
    if (!ReadSearchOptions(options.search.objective, options.search.genetic, objective, genetic, ui))
        return kInvalidInputs;
    std::vector<NamedPath> inputs = SeasonInputPaths(options.config, options.season);
    inputs.push_back({"--agb", options.agb});
    if (options.lai) inputs.push_back({"--lai", *options.lai});
    if (!SaveSpares(options.save, inputs, ui)) return kFailure;

    FormModel form;
    int status = kSuccess;
    SeasonChanges changes;
    const auto compiled = CompileConfig(options.config, options.season, form, ui, status, &changes);
    if (!compiled) return status;
    const auto choices = ChoicesOf(*params, form, *compiled, ui);
    if (!choices) return kInvalidInputs;
    CalibrationDataSet data;
    data.inputs = compiled;
    CalibrationSettings settings;
    settings.objective = *objective;
    if (const int read = ReadMeasurements(options, changes.year, data, settings, ui); read != kSuccess)
        return read;
    std::vector<CalibrationDataSet> dataSets = {std::move(data)};
    for (const std::string& note : MeasurementNotes(settings, dataSets)) ui.message(note);
    return SearchAndReport(std::move(settings), std::move(dataSets), *choices, genetic, options.search.seed,
                           options.search.threads, options.save, false, form, options.json, out, ui);
}

namespace {

// A row's name as a file name: the rows' names are their own, but a name may not be a path.
bool UsableFileName(const std::string& name) {
    return name != "." && name != ".." && name.find_first_of("/\\:*?\"<>|") == std::string::npos;
}

// Every output is checked before the search, which may run for hours: --save-dir a folder, each row's
// name a file name, and no file written over an input.
int CheckSaveDir(const CalibrateSitesOptions& options, const SitesTable& table, UserInterface& ui) {
    const std::filesystem::path saveDir = *options.saveDir;
    std::error_code error;
    if (!std::filesystem::is_directory(saveDir, error)) {
        ui.message("--save-dir " + QuoteValue(*options.saveDir) + " is not a folder.");
        return kFailure;
    }
    for (const SiteRow& row : table.rows) {
        if (!UsableFileName(row.name)) {
            ui.message(row.prefix + "the name " + QuoteValue(row.name) +
                       " cannot name the file --save-dir writes (NAME.sim): it holds a character a "
                       "file name may not.");
            return kInvalidInputs;
        }
        std::vector<NamedPath> inputs = {{"the sites table", *options.sites}, {"its config", row.config}};
        if (row.agb) inputs.push_back({"its agb", *row.agb});
        if (row.lai) inputs.push_back({"its lai", *row.lai});
        if (row.season.weather) inputs.push_back({"its weather", *row.season.weather});
        if (const auto refusal = OutputRefusal({"--save-dir", saveDir / (row.name + ".sim")}, inputs)) {
            ui.message(row.prefix + *refusal);
            return kFailure;
        }
    }
    return kSuccess;
}

// What the rows of a sites table give the search: each row's configuration and data set, and the values
// searched, the shared ones first, then each row's own: the order the point of the search holds them in.
struct SitesSearch {
    std::vector<FormModel> forms;
    std::vector<CalibrationDataSet> dataSets;
    std::vector<ParameterChoice> choices;
    std::vector<ParameterChoice> ownChoices;
};

// A row's measurements, refused when their dates fall in another year than the season's: they would pair
// with another season's days.
std::optional<MeasuredTable> ReadRowMeasured(const std::filesystem::path& file, std::optional<int> year,
                                             UserInterface& rowUi) {
    auto read = ReadMeasuredTable(file, "a sites table names no sheet: put the measurements first", rowUi);
    if (!read) return std::nullopt;
    const auto refusals = MeasuredRefusals(read->data, year);
    for (const std::string& refusal : refusals) rowUi.message(read->source + ": " + refusal);
    if (!refusals.empty()) return std::nullopt;
    return read;
}

// Row `r` of the table into the search; kSuccess, or the status the command ends with after the message.
int AddSiteRow(const CalibrateSitesOptions& options, const SiteRow& row, std::size_t r,
               const std::vector<ParamText>& shared, const std::vector<ParamText>& perSite,
               SitesSearch& search, UserInterface& ui) {
    RowUi prefixed(row.prefix, ui);
    UserInterface& rowUi = prefixed;
    if (!row.agb || (options.withLai && !row.lai)) {
        ui.message(row.prefix + "the " + (row.agb ? "lai" : "agb") +
                   " cell is empty; every row needs the measurements the objective weighs.");
        return kInvalidInputs;
    }
    int status = kSuccess;
    SeasonChanges changes;
    FormModel& form = search.forms[r];
    const auto compiled = CompileConfig(row.config.string(), row.season, form, rowUi, status, &changes);
    if (!compiled) return status;
    // An initial value left out is the first row's for a shared parameter, the row's own (its
    // configuration with the row's overrides) for its own.
    const auto initial = [&](const ParamText& param, ParameterChoice& choice) {
        choice.initial = param.initial ? *param.initial : ConfiguredValue(*param.info, form, *compiled);
        if (param.initial || (choice.initial > param.min && choice.initial <= param.max)) return true;
        ui.message(row.prefix + param.where + ": the row's value " + ShortestText(choice.initial) +
                   " is outside the range (above " + ShortestText(param.min) + ", at most " +
                   ShortestText(param.max) + "): widen it, or give an initial value (NAME:MIN:MAX:INITIAL).");
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
    const auto agb = ReadRowMeasured(*row.agb, changes.year, rowUi);
    if (!agb) return kInvalidInputs;
    data.agb = agb->data;
    data.agbSource = agb->source;
    if (options.withLai) {
        const auto lai = ReadRowMeasured(*row.lai, changes.year, rowUi);
        if (!lai) return kInvalidInputs;
        data.lai = lai->data;
        data.laiSource = lai->source;
    }
    search.dataSets.push_back(std::move(data));
    return kSuccess;
}

// Each row's configuration as the row ran it (its season and overrides) with the shared values and its
// own, as NAME.sim in the folder.
int SaveRows(const SitesTable& table, const std::filesystem::path& saveDir,
             const std::vector<ParameterChoice>& choices, const std::vector<double>& rounded,
             std::vector<FormModel>& forms, UserInterface& ui) {
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        std::vector<ParameterChoice> rowChoices;
        std::vector<double> rowValues;
        for (std::size_t k = 0; k < choices.size(); ++k)
            if (choices[k].range.dataSet < 0 || choices[k].range.dataSet == static_cast<int>(r)) {
                rowChoices.push_back(choices[k]);
                rowValues.push_back(rounded[k]);
            }
        WriteCalibratedValues(forms[r], rowChoices, rowValues);
        if (const auto error = WriteSimConfig(forms[r], saveDir / (table.rows[r].name + ".sim"))) {
            ui.message(*error);
            return kFailure;
        }
    }
    return kSuccess;
}

int CalibrateSitesTable(const CalibrateSitesOptions& options, std::ostream& out, UserInterface& ui) {
    const auto shared = ParseParams(options.params, ui);
    if (!shared) return kInvalidInputs;
    const auto perSite = ParseParams(options.perSite, ui, "--per-site");
    if (!perSite) return kInvalidInputs;
    if (shared->empty() && perSite->empty()) {
        ui.message("calibrate-sites --sites needs a parameter to calibrate: --param NAME:MIN:MAX for one "
                   "value shared by every row, --per-site NAME:MIN:MAX for one value per row.");
        return kInvalidInputs;
    }
    std::optional<ObjectiveKind> objective;
    std::optional<GeneticSettings> genetic;
    if (!ReadSearchOptions(options.search.objective, options.search.genetic, objective, genetic, ui))
        return kInvalidInputs;
    const auto table = ReadSitesTable(*options.sites, options.sheet, "--sheet", ui);
    if (!table) return kFailure;
    if (options.saveDir)
        if (const int checked = CheckSaveDir(options, *table, ui); checked != kSuccess) return checked;

    CalibrationSettings settings;
    settings.objective = *objective;
    settings.withLai = options.withLai;
    settings.agbWeight = 1;
    settings.laiWeight = options.withLai ? 1 : 0;
    SitesSearch search;
    search.forms.resize(table->rows.size());
    for (const ParamText& param : *shared)
        search.choices.push_back({param.info, {ParameterIndex(param.info->id), param.min, param.max}, 0});
    for (std::size_t r = 0; r < table->rows.size(); ++r)
        if (const int added = AddSiteRow(options, table->rows[r], r, *shared, *perSite, search, ui);
            added != kSuccess)
            return added;
    std::vector<ParameterChoice>& choices = search.choices;
    choices.insert(choices.end(), search.ownChoices.begin(), search.ownChoices.end());
    for (const std::string& note : MeasurementNotes(settings, search.dataSets)) ui.message(note);

    SiteValues siteValues;
    for (const SiteRow& row : table->rows) siteValues.names.push_back(row.name);
    const std::filesystem::path saveDir = options.saveDir.value_or("");
    if (options.saveDir)
        siteValues.save = [&](const std::vector<double>& rounded) {
            return SaveRows(*table, saveDir, choices, rounded, search.forms, ui);
        };
    return SearchAndReport(std::move(settings), std::move(search.dataSets), choices, genetic,
                           options.search.seed, options.search.threads, std::nullopt, true,
                           search.forms.front(), options.json, out, ui, &siteValues);
}

} // namespace

namespace {

// The up to three parameters of the settings file; nothing, after a message, when one is refused.
std::optional<std::vector<ParameterChoice>> CfgChoices(const CfgSettings& cfg, const std::string& settings,
                                                       UserInterface& ui) {
    std::vector<ParameterChoice> choices;
    for (int k = 0; k < 3; ++k) {
        const CalibrationParameterTexts& texts = cfg.parameters[k];
        if (Trim(texts.caption).empty()) continue; // the check below counts what is left
        const auto choice = MakeChoice(texts.caption, texts.min, texts.max, cfg.initial[k],
                                       settings + ", parameter " + std::to_string(k + 1), ui);
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
int ReadCfgSite(const CalibrateSitesOptions& options, const SiteTexts& row, int s, const FormModel& base,
                const std::function<std::string(const std::string&)>& resolve,
                std::vector<CalibrationDataSet>& dataSets, UserInterface& ui) {
    const std::string site = "Site " + std::to_string(s + 1);
    if (Trim(row.agb).empty() || (options.withLai && Trim(row.lai).empty())) {
        ui.message(site + " of " + options.settings + " names no " + (Trim(row.agb).empty() ? "AGB" : "LAI") +
                   " measurements.");
        return kInvalidInputs;
    }
    Grid weatherTable;
    const std::string weather = resolve(row.weather);
    if (!ImportSiteWeather(base, weather, ui, weatherTable)) {
        ui.message(site + ": the weather workbook " + weather + " was not read.");
        return kFailure;
    }
    const Compilation compiled = CompileSite(base, row, weatherTable);
    if (!compiled.inputs) {
        ui.message(site + " (weather " + weather + ") cannot be simulated:");
        for (const InputProblem& problem : compiled.problems) ui.problem(problem);
        return kInvalidInputs;
    }
    CalibrationDataSet data;
    data.name = site;
    data.inputs = compiled.inputs;
    const auto agb = ReadMeasuredTable(
        resolve(row.agb), "a settings file names no sheet: put " + site + "'s AGB table first", ui);
    if (!agb) return kFailure;
    data.agb = agb->data;
    data.agbSource = agb->source;
    if (options.withLai) {
        const auto lai = ReadMeasuredTable(
            resolve(row.lai), "a settings file names no sheet: put " + site + "'s LAI table first", ui);
        if (!lai) return kFailure;
        data.lai = lai->data;
        data.laiSource = lai->source;
    }
    dataSets.push_back(std::move(data));
    return kSuccess;
}

} // namespace

int CalibrateSites(const CalibrateSitesOptions& options, std::ostream& out, UserInterface& ui) {
    if (options.sites) return CalibrateSitesTable(options, out, ui);
    CfgSettings cfg;
    if (const auto error = ReadCfgSettings(options.settings, cfg)) {
        ui.message(*error);
        return kFailure;
    }
    std::optional<ObjectiveKind> objective;
    std::optional<GeneticSettings> genetic;
    if (!ReadSearchOptions(options.search.objective, options.search.genetic, objective, genetic, ui))
        return kInvalidInputs;
    const auto choices = CfgChoices(cfg, options.settings, ui);
    if (!choices) return kInvalidInputs;
    if (const auto leftOut = SiteAfterTheLast(cfg)) {
        ui.message(options.settings + ": " + *leftOut);
        return kInvalidInputs;
    }
    const int count = SitesInUse(cfg);
    if (count == 0) {
        ui.message(options.settings + " names no site: the weather line of site 1 is empty.");
        return kInvalidInputs;
    }

    // Every file a site names is relative to the settings file, so that a folder of them moves whole.
    const std::filesystem::path folder = std::filesystem::path(options.settings).parent_path();
    const auto resolve = [&](const std::string& name) { return (folder / Trim(name)).string(); };
    if (options.save && !SaveSpares(options.save, CfgInputPaths(options, cfg, count, resolve), ui))
        return kFailure;

    CalibrationSettings settings;
    settings.objective = *objective;
    // One objective for every point: the sites' AGB indices, plus their LAI indices with the option.
    settings.withLai = options.withLai;
    settings.agbWeight = 1;
    settings.laiWeight = options.withLai ? 1 : 0;
    // Every site shares the configuration's crop and management; its weather, dates and latitude are its
    // own, as the multi-site window reads them.
    FormModel base;
    if (const auto error = ReadSimConfig(options.config, base)) {
        ui.message(options.config + ": " + *error);
        return kFailure;
    }
    std::vector<CalibrationDataSet> dataSets;
    for (int s = 0; s < count; ++s)
        if (const int read = ReadCfgSite(options, cfg.sites[s], s, base, resolve, dataSets, ui);
            read != kSuccess)
            return read;
    for (const std::string& note : MeasurementNotes(settings, dataSets)) ui.message(note);
    return SearchAndReport(std::move(settings), std::move(dataSets), *choices, genetic, options.search.seed,
                           options.search.threads, options.save, true, base, options.json, out, ui);
}

namespace {

// The window's search around the configuration's sowing, over --param's parameters when given.
ReinitSettings SettingsOf(const ReinitOptions& options, const std::vector<ParamText>& params,
                          const FormModel& form, const SeasonInputs& compiled) {
    ReinitSettings settings = DefaultReinitSettings(compiled);
    if (!params.empty()) {
        settings.parameters.clear();
        settings.initial.clear();
        for (const ParamText& param : params) {
            settings.parameters.push_back({ParameterIndex(param.info->id), param.min, param.max});
            settings.initial.push_back(param.initial ? *param.initial
                                                     : ConfiguredValue(*param.info, form, compiled));
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
ReinitResult SearchSowing(FormModel& form, const std::vector<LaiPoint>& lai, const ReinitSettings& settings,
                          int threads, ProgressLine& progress) {
    SearchControl control;
    control.threads = threads;
    control.stop = &interrupted;
    if (isatty(fileno(stderr)))
        control.progress = [&](std::int64_t runs, double best) { progress(runs, best); };
    return ReinitializeFromLai(form, lai, settings, control);
}

} // namespace

int Reinit(const ReinitOptions& options, std::ostream& out, UserInterface& ui) {
    const auto params = ParseParams(options.params, ui);
    if (!params) return kInvalidInputs;
    const std::vector<NamedPath> inputs = {{"the configuration", options.config},
                                           {"the --lai table", options.lai}};
    if (!SaveSpares(options.save, inputs, ui)) return kFailure;
    int status = kFailure;
    const auto lai = ReadLaiTable(options.lai, options.sheet, ui, status);
    if (!lai) return status;
    FormModel form;
    const auto compiled = CompileConfig(options.config, options.season, form, ui, status);
    if (!compiled) return status;

    const ReinitSettings settings = SettingsOf(options, *params, form, *compiled);
    interrupted.store(false);
    InterruptStops interrupts;
    ProgressLine progress;
    const ReinitResult result = SearchSowing(form, *lai, settings, options.threads, progress);
    if (!result.problems.empty()) {
        for (const InputProblem& problem : result.problems) ui.message(problem.text);
        return kInvalidInputs;
    }
    if (!(result.objective < kOutsidePenalty)) {
        ui.message(kNothingCalibrated);
        return kFailure;
    }
    if (result.stopped) ui.message(kStoppedNote);

    const auto registry = CropParameterRegistry();
    std::vector<std::string> names;
    for (const CalibratedParameter& p : settings.parameters)
        names.push_back(CalibratedName(registry[static_cast<std::size_t>(p.index)]));
    if (options.json)
        PrintReinitJson(result, names, out);
    else
        PrintReinit(result, names, out);
    if (!options.save) return kSuccess;
    out.flush();
    WriteReinitialization(form, result, settings.parameters);
    if (const auto error = WriteSimConfig(form, *options.save)) {
        ui.message(*error);
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
    line.add(command,
             [options](std::ostream& out, UserInterface& ui) { return Calibrate(*options, out, ui); });
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
    line.add(command, [options](std::ostream& out, UserInterface& ui) { return Reinit(*options, out, ui); });
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
    command->add_flag("--with-lai", options->withLai, "Add the sites' LAI indices to the objective");
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
        [options](std::ostream& out, UserInterface& ui) { return CalibrateSites(*options, out, ui); }, check);
}

} // namespace tulo::cli
