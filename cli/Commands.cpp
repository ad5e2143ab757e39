#include "Commands.h"

#include "CommandLine.h"
#include "EvaluationJson.h"
#include "ForceLai.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "calibration/CalibrationParameters.h"
#include "commands/CommandTexts.h"
#include "commands/CropWorkbook.h"
#include "commands/SeasonRun.h"
#include "disease/Varieties.h"
#include "engine/DailyLoop.h"
#include "engine/InputLimits.h"
#include "engine/Outputs.h"
#include "engine/Parameters.h"
#include "engine/SeasonSummary.h"
#include "evaluation/MeasuredEvaluation.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/SeasonCompile.h"
#include "io/SheetImport.h"
#include "io/TextFiles.h"
#include "io/Workbook.h"
#include "sensitivity/GrowthFactorTable.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>

namespace tulo::cli {

std::string DailyCsvHeader() {
    std::string header = "DOY";
    for (const OutputVariable& v : DailyOutputVariables()) {
        header += ',';
        header += v.name;
    }
    return header;
}

std::string DailyCsv(const RunState& run) {
    std::string csv = DailyCsvHeader() + "\n";
    for (int d = run.control.InitialDate; d < run.control.FinalDate; ++d) {
        csv += std::to_string(DayOfYearOfSeasonDay(d, run.control.Year));
        for (const OutputVariable& v : DailyOutputVariables()) {
            csv += ',';
            csv += CsvField(FormatOutput(v, run, d));
        }
        csv += '\n';
    }
    return csv;
}

namespace {

// Replaces one of the form's tables with a workbook's sheet, as the window's open command does; the
// grid's captions stay. Nobody is there to answer the sheet question: sheet 1 of several is read and
// `sheetOption` named. `source` receives how messages name the sheet (see ImportWorkbookSheet).
bool ImportTable(Grid& grid, const std::string& file, std::optional<int> sheet, const Console& console,
                 std::string_view sheetOption = "--sheet", std::optional<RowLimit> limit = std::nullopt,
                 bool refuseIndexColumn = false, std::string* source = nullptr) {
    Messages messages;
    const Outcome outcome =
        ImportWorkbookSheet(grid, file, {sheet, sheetOption, limit, refuseIndexColumn}, messages, source);
    console.print(messages);
    return outcome == Outcome::Done;
}

// Refuses, before anything is read or written, an output that would replace one of the inputs or that
// cannot be written.
bool OutputsSpareInputs(const std::vector<NamedPath>& outputs, const std::vector<NamedPath>& inputs,
                        const Console& console) {
    for (const NamedPath& output : outputs)
        if (const auto refusal = OutputRefusal(output, inputs)) {
            console.print(*refusal);
            return false;
        }
    return true;
}

} // namespace

nlohmann::ordered_json SummaryJson(const SeasonSummary& summary) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    const auto cells = SummaryCells(summary);
    const auto& keys = SummaryColumns();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const SummaryNumber number = SummaryCellNumber(cells[i]);
        if (!number.value)
            object[std::string(keys[i])] = nullptr;
        else if (number.whole)
            object[std::string(keys[i])] = static_cast<long long>(*number.value);
        else
            object[std::string(keys[i])] = *number.value;
    }
    object["frost_days"] = summary.frostDays;
    object["first_frost"] = summary.firstFrost ? nlohmann::ordered_json(*summary.firstFrost) : nullptr;
    object["warnings"] = nlohmann::ordered_json::array();
    for (const SummaryWarning& warning : SummaryWarnings(summary))
        object["warnings"].push_back({{"kind", warning.kind}, {"text", warning.text}});
    return object;
}

namespace {

// Refuses, before anything is read, a report of no table kind and outputs that would replace an input.
bool RunOutputsAllowed(const RunOptions& options, const Console& console) {
    if (const auto problem = options.report ? TableFileNameProblem(*options.report) : std::nullopt) {
        console.print(*problem);
        return false;
    }
    std::vector<NamedPath> inputs = SeasonInputPaths(options.config, options.season);
    if (options.soil) inputs.push_back({"the --soil workbook", *options.soil});
    std::vector<NamedPath> outputs;
    if (options.daily && *options.daily != "-") outputs.push_back({"--daily", *options.daily});
    if (options.report) outputs.push_back({"--report", *options.report});
    return OutputsSpareInputs(outputs, inputs, console);
}

// The configuration with the run's season and soil; `sources` learns where the weather and soil came from.
std::optional<SeasonConfiguration> LoadRunSeason(const RunOptions& options, TableSources& sources,
                                                 const Console& console) {
    Messages messages;
    auto loaded = LoadSeasonConfiguration(options.config, options.season, messages);
    console.print(messages);
    if (!loaded) return std::nullopt;
    sources.weather = loaded->changes.weatherSource;
    if (!options.soil) return std::move(loaded->configuration);
    // The sheet takes the place of the configuration's layers, as the window's import replaces them.
    Grid soil(kSoilRows, kSoilCols);
    if (!ImportTable(soil, *options.soil, options.soilSheet, console, "--soil-sheet", SoilRowLimit(), true,
                     &sources.soil))
        return std::nullopt;
    loaded->configuration.soil = TableFromGrid(soil, kSoilRows, kSoilCols);
    return std::move(loaded->configuration);
}

// The season summary, or with "--daily -" the series alone on standard output, so that it can be piped
// as one CSV; then the daily file and the report, unless the run saved it already.
int WriteRunOutputs(const RunOptions& options, const ReportTicks& ticks, const RunState& run,
                    RunResults& results, bool reportWritten, std::ostream& out, const Console& console) {
    if (options.daily == "-")
        out << DailyCsv(run);
    else if (options.json)
        out << SummaryJson(Summarize(run)).dump(2) << '\n';
    else
        out << "TULO season summary for " << options.config << "\n" << FormatSummary(Summarize(run));

    if (options.daily && options.daily != "-")
        if (const Outcome written = WriteFileAtomically(*options.daily, DailyCsv(run)); !written) {
            console.print(written.message);
            return kFailure;
        }
    if (options.report && !reportWritten && !WriteReport(ticks, run, results, *options.report, console))
        return kFailure;
    return kSuccess;
}

// Runs the season `repeat` more times, each from a fresh run state as every calibration evaluation
// starts, and prints how many seasons a second that makes.
void TimeRepeatedRuns(const RunState& run, int repeat, bool print, std::ostream& out) {
    auto timed = std::make_unique<RunState>(run);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeat; ++i) {
        timed->PrepareFreshRun();
        SimulateDays(*timed);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double perSecond = elapsed.count() > 0 ? repeat / elapsed.count() : 0.0;
    if (print)
        out << "Repeated runs:        " << repeat << " seasons in " << elapsed.count() << " s ("
            << static_cast<long long>(perSecond) << " seasons per second)\n";
}

} // namespace

bool SaveSpares(const std::optional<std::string>& save, std::span<const NamedPath> inputs,
                const Console& console) {
    if (!save) return true;
    if (const auto refusal = OutputRefusal({"--save", *save}, inputs)) {
        console.print(*refusal);
        return false;
    }
    return true;
}

bool WriteReport(const ReportTicks& ticks, const RunState& run, RunResults& results, const std::string& path,
                 const Console& console) {
    BuildReportGrid(ticks, run, results);
    try {
        WriteGridFile(results.report, path);
    } catch (const WorkbookError& e) {
        console.print(e.what());
        return false;
    }
    return true;
}

namespace {

// How a season run ended, told in `messages` as the command line tells it (see RunConfiguredSeason).
SeasonRunEnd ConcludeSeasonRun(const SeasonRunOutcome& season, const ReportTicks& ticks,
                               const TableSources& sources, Messages& messages) {
    for (const InputProblem& problem : season.problems)
        messages.push_back({ProblemText(problem, sources.weather, sources.soil)});
    if (season.outcome.reason == Outcome::Reason::InvalidInputs) return {season.outcome};
    for (const InputProblem& warning : season.warnings)
        messages.push_back({warning.text, {}, Icon::Information});
    if (!season.outcome) {
        messages.push_back({season.outcome.message, {}, Icon::Critical});
        return {Outcome::Failure(season.outcome.reason)};
    }
    // Nobody is there to answer the report's question: only the option that always saves it does.
    if (season.report != ReportOption::Always) return {Outcome::Success()};
    if (const auto missing = ReportVariablesMissing(ticks)) {
        messages.push_back(*missing);
        return {Outcome::Success()};
    }
    return {Outcome::Success(), true};
}

} // namespace

SeasonRunEnd RunConfiguredSeason(const SeasonConfiguration& season, const ReportTicks& ticks, RunState& run,
                                 RunResults& results, const TableSources& sources, Messages& messages) {
    return ConcludeSeasonRun(RunCompiledSeason(CompileSeason(season), run, results), ticks, sources,
                             messages);
}

int Run(const RunOptions& options, std::ostream& out, const Console& console) {
    if (!RunOutputsAllowed(options, console)) return kInvalidInputs;
    TableSources sources;
    const auto season = LoadRunSeason(options, sources, console);
    if (!season) return kInvalidInputs;

    // The run state is large; keep it off the stack.
    auto run = std::make_unique<RunState>();
    RunResults results;
    Messages messages;
    // A configuration holds no report variables: the window's opening ticks, as a form opened from it has.
    const ReportTicks ticks = OpeningReportTicks();
    const SeasonRunEnd end = RunConfiguredSeason(*season, ticks, *run, results, sources, messages);
    console.print(messages);
    if (!end.outcome) return end.outcome.reason == Outcome::Reason::InvalidInputs ? kInvalidInputs : kFailure;
    bool reportWritten = false;
    if (end.reportDue) {
        BuildReportGrid(ticks, *run, results);
        if (!options.report) {
            console.print("The report was not saved: give --report FILE to save it.");
        } else {
            try {
                WriteGridFile(results.report, *options.report);
                reportWritten = true;
            } catch (const WorkbookError& e) {
                console.print(e.what());
                return kFailure;
            }
        }
    }
    if (const int status = WriteRunOutputs(options, ticks, *run, results, reportWritten, out, console);
        status != kSuccess)
        return status;
    if (options.repeat > 0) TimeRepeatedRuns(*run, options.repeat, options.daily != "-", out);
    return kSuccess;
}

std::vector<NamedPath> SeasonInputPaths(const std::string& config, const SeasonOptions& season) {
    std::vector<NamedPath> inputs = {{"the configuration", config}};
    if (season.weather) inputs.push_back({"the --weather file", *season.weather});
    return inputs;
}

std::optional<LoadedSeason> LoadSeasonConfiguration(const std::string& config, const SeasonOptions& season,
                                                    Messages& messages) {
    ConfigurationReading reading = ReadConfigurationFile(config);
    if (!reading.configuration) {
        messages.push_back({config + ": " + reading.message});
        return std::nullopt;
    }
    auto changes = ApplySeasonOptions(*reading.configuration, season, messages);
    if (!changes) return std::nullopt;
    return LoadedSeason{std::move(*reading.configuration), std::move(*changes)};
}

std::optional<CompiledConfiguration>
CompileSeasonConfiguration(const std::string& config, const SeasonOptions& season, Messages& messages) {
    auto loaded = LoadSeasonConfiguration(config, season, messages);
    if (!loaded) return std::nullopt;
    const Compilation compiled = CompileSeason(loaded->configuration);
    for (const InputProblem& problem : compiled.problems)
        messages.push_back({ProblemText(problem, loaded->changes.weatherSource)});
    if (!compiled.inputs) return std::nullopt;
    for (const InputProblem& warning : compiled.warnings)
        messages.push_back({warning.text, {}, Icon::Information});
    return CompiledConfiguration{std::move(loaded->configuration), std::move(loaded->changes),
                                 compiled.inputs};
}

std::optional<CompiledConfiguration>
CompileSeasonConfiguration(const std::string& config, const SeasonOptions& season, const Console& console) {
    Messages messages;
    auto compiled = CompileSeasonConfiguration(config, season, messages);
    console.print(messages);
    return compiled;
}

namespace {

// The configuration as the window would hold it, so that --save writes what the window would save.
std::optional<SeasonConfiguration> LoadConfig(const std::string& config, const Console& console) {
    ConfigurationReading reading = ReadConfigurationFile(config);
    if (!reading.configuration) {
        console.print(config + ": " + reading.message);
        return std::nullopt;
    }
    *reading.configuration = OpenedConfiguration(std::move(*reading.configuration));
    return std::move(reading.configuration);
}

} // namespace

int CropExport(const std::string& config, const std::string& out, const Console& console) {
    if (!OutputsSpareInputs({{"The output", out}}, {{"the configuration", config}}, console))
        return kInvalidInputs;
    const auto configuration = LoadConfig(config, console);
    if (!configuration) return kInvalidInputs;
    Problems problems;
    const auto grid = BuildCropWorkbookGrid(*configuration, problems);
    if (!grid) {
        for (const InputProblem& problem : problems) console.print(problem);
        return kInvalidInputs;
    }
    try {
        WriteGridFile(*grid, out);
    } catch (const WorkbookError& e) {
        console.print(e.what());
        return kFailure;
    }
    return kSuccess;
}

int CropImport(const std::string& config, const std::string& in, std::optional<int> sheet,
               const std::optional<std::string>& save, std::ostream& out, const Console& console) {
    // Saving over the configuration read would be safe, as it is read whole first; but the command
    // keeps the rule of every command, so that a slip of the pen never costs the original.
    if (save && !OutputsSpareInputs({{"--save", *save}},
                                    {{"the configuration", config}, {"the crop workbook", in}}, console))
        return kInvalidInputs;
    auto configuration = LoadConfig(config, console);
    if (!configuration) return kInvalidInputs;
    Grid grid;
    // Named rather than a temporary: GCC 12 at -O3 takes the temporary's message for uninitialized.
    Messages messages;
    const Outcome read = ReadCropWorkbookFile(grid, in, messages, sheet, "--sheet");
    console.print(messages);
    if (!read) return kInvalidInputs;
    // Unlike the window, which applies the values it can, the command applies all or none: a saved
    // configuration holding half a cultivar would pass for a whole one.
    if (const Problems problems = CheckCropWorkbookValues(grid); !problems.empty()) {
        for (const InputProblem& problem : problems) console.print(in + ": " + problem.text);
        console.print(in + " was not imported: nothing was changed or saved.");
        return kInvalidInputs;
    }
    ApplyCropWorkbookGrid(grid, *configuration);
    if (save) {
        if (const Outcome written = WriteConfigurationFile(*configuration, *save); !written) {
            console.print(written.message);
            return kFailure;
        }
        return kSuccess;
    }
    Problems problems;
    const auto built = BuildCropWorkbookGrid(*configuration, problems);
    for (const InputProblem& problem : problems) console.print(problem.text);
    if (!built) return kInvalidInputs;
    for (int r = 1; r <= built->rows(); ++r)
        if (!built->text(r, 3).empty()) out << built->text(r, 3) << " = " << built->text(r, 1) << '\n';
    return kSuccess;
}

std::string Plain(const std::optional<double>& value) {
    if (!value) return "n/a";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6g", *value);
    return buffer;
}

nlohmann::json Json(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json();
}

namespace {

// The measurements of `file` for a season of `year`; nothing, with the reasons shown, when the table
// cannot be read or is refused. `source` receives how messages name its sheet.
std::optional<MeasuredData> ReadMeasuredTable(const std::string& file, std::optional<int> sheet,
                                              std::optional<int> year, int laterYears, std::string& source,
                                              const Console& console) {
    Grid grid;
    if (!ImportTable(grid, file, sheet, console, "--sheet", std::nullopt, true, &source)) return std::nullopt;
    TitledMeasurements table = ReadTitledMeasurements(grid, source, year, laterYears);
    for (const std::string& message : table.messages) console.print(message);
    return std::move(table.data);
}

void PrintEvaluationJson(const Evaluation& e, std::ostream& out) {
    const AgreementIndices& i = e.indices;
    const Regression& g = e.regression;
    nlohmann::json leftOut = nlohmann::json::array();
    for (const LeftOut& l : e.matrix.leftOut) leftOut.push_back({{"row", l.row}, {"doy", l.doy}});
    const nlohmann::json afterCropEnd = e.afterCropEnd;
    const nlohmann::json result = {{"n", i.n},
                                   {"RMSE", Json(i.RMSE)},
                                   {"RRMSE", Json(i.RRMSE)},
                                   {"EF", Json(i.EF)},
                                   {"CRM", Json(i.CRM)},
                                   {"RRMSEcvLastPoint", Json(i.RRMSEcvLastPoint)},
                                   {"Slope", Json(g.slope)},
                                   {"Intercept", Json(g.intercept)},
                                   {"R2", Json(g.R2)},
                                   {"F", Json(g.F)},
                                   {"pF", Json(g.pF)},
                                   {"mark", g.pF ? nlohmann::json(g.mark) : nlohmann::json()},
                                   {"left_out", leftOut},
                                   {"after_crop_end", afterCropEnd},
                                   {"before_sowing", e.beforeSowing},
                                   {"pairs", PairsJson(e.matrix)}};
    out << result.dump(2) << '\n';
}

void PrintEvaluation(const EvaluateOptions& options, const Evaluation& e, std::ostream& out) {
    const AgreementIndices& i = e.indices;
    const Regression& g = e.regression;
    out << "Evaluation of " << options.variable << " against " << options.measured << "\n";
    out << "n:                 " << i.n << "\n";
    out << "RMSE:              " << Plain(i.RMSE) << "\n";
    out << "RRMSE:             " << Plain(i.RRMSE) << "\n";
    out << "EF:                " << Plain(i.EF) << "\n";
    out << "CRM:               " << Plain(i.CRM) << "\n";
    out << "RRMSEcvLastPoint:  " << Plain(i.RRMSEcvLastPoint) << "\n";
    out << "Slope:             " << Plain(g.slope) << "\n";
    out << "Intercept:         " << Plain(g.intercept) << "\n";
    out << "R2:                " << Plain(g.R2) << "\n";
    out << "F:                 " << Plain(g.F) << "\n";
    out << "p(F):              " << Plain(g.pF) << "\n";
    out << "Significance:      " << g.mark << "\n";
    std::vector<std::string> leftOut;
    for (const LeftOut& l : e.matrix.leftOut)
        leftOut.push_back("row " + std::to_string(l.row) + " (DOY " + ShortestText(l.doy) +
                          ", not a simulated day)");
    out << "Left out:          " << (leftOut.empty() ? "none" : CappedList(leftOut, "; ")) << "\n";
}

} // namespace

int Evaluate(const EvaluateOptions& options, std::ostream& out, const Console& console) {
    const auto variable = EvaluableVariableIndex(options.variable);
    if (!variable) {
        console.print("\"" + options.variable +
                      "\" cannot be evaluated; choose one of the report headers DVS (-), "
                      "AGB tot (tAGB/ha), AGB panicles (tAGB/ha), AGB leaves (tAGB/ha), AGB stems (tAGB/ha), "
                      "GAI (m2/m2).");
        return kInvalidInputs;
    }
    Messages messages;
    const auto season = LoadSeasonConfiguration(options.config, options.season, messages);
    console.print(messages);
    if (!season) return kInvalidInputs;
    const auto& changes = season->changes;
    auto run = std::make_unique<RunState>();
    RunResults results;
    messages.clear();
    const Outcome outcome = RunConfiguredSeason(season->configuration, OpeningReportTicks(), *run, results,
                                                {changes.weatherSource, {}}, messages)
                                .outcome;
    console.print(messages);
    if (!outcome) return outcome.reason == Outcome::Reason::InvalidInputs ? kInvalidInputs : kFailure;

    std::string source;
    const auto data = ReadMeasuredTable(options.measured, options.sheet, changes.year,
                                        LaterYearsOf(run->control), source, console);
    if (!data) return kInvalidInputs;
    const Evaluation e = EvaluateAgainstMeasured(*run, *variable, *data);
    if (!e.regression.failure.empty()) console.print(e.regression.failure);
    for (const std::string& note : PairingNotes(e)) console.print(source + ": " + note);
    if (options.json)
        PrintEvaluationJson(e, out);
    else
        PrintEvaluation(options, e, out);
    return kSuccess;
}

int Table(const std::string& in, std::optional<int> sheet, const std::string& out, const Console& console) {
    if (!OutputsSpareInputs({{"The output", out}}, {{"the input", in}}, console)) return kInvalidInputs;
    // A name of no kind of table is refused as any other output that cannot be written, before the read.
    if (const auto problem = TableFileNameProblem(out)) {
        console.print(*problem);
        return kInvalidInputs;
    }
    Grid grid;
    if (!ImportTable(grid, in, sheet, console)) return kInvalidInputs;
    try {
        WriteGridFile(grid, out);
    } catch (const WorkbookError& e) {
        console.print(e.what());
        return kFailure;
    }
    return kSuccess;
}

int Varieties(std::ostream& out) {
    out << "Variety,Susceptibility,Class\n";
    for (const std::string_view name : BlastVarietyDisplayList()) {
        out << CsvField(name) << ',';
        if (const auto choice = BlastChoiceOfVariety(name))
            out << BlastChoiceCaption(*choice) << ',' << BlastChoiceClass(*choice);
        else
            out << ',';
        out << '\n';
    }
    return kSuccess;
}

namespace {

// Width of a text as a terminal shows it: one column per character (°, ² and ⁻ are one each).
std::size_t Columns(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string ShownDefault(const ParameterInfo& p) {
    return p.defaultText.empty() ? std::string("(empty)") : std::string(p.defaultText);
}

void PrintTable(std::ostream& out) {
    const std::vector<std::string> headers = {"id", "label", "unit", "default", "min", "max"};
    std::vector<std::vector<std::string>> rows;
    for (const ParameterInfo& p : CropParameterRegistry())
        rows.push_back({std::string(p.id), std::string(p.label), std::string(p.unit), ShownDefault(p),
                        ShortestText(p.min), ShortestText(p.max)});
    std::vector<std::size_t> widths(headers.size());
    for (std::size_t c = 0; c < headers.size(); ++c) {
        widths[c] = Columns(headers[c]);
        for (const auto& row : rows) widths[c] = std::max(widths[c], Columns(row[c]));
    }
    const auto print = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            line += cells[c];
            if (c + 1 < cells.size()) line += std::string(widths[c] - Columns(cells[c]) + 2, ' ');
        }
        out << line << '\n';
    };
    print(headers);
    for (const auto& row : rows) print(row);
}

void PrintJson(std::ostream& out) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    const auto textOrNull = [](std::string_view text) {
        return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(std::string(text));
    };
    for (const ParameterInfo& p : CropParameterRegistry())
        list.push_back(
            {{"id", p.id},
             {"label", p.label},
             {"unit", p.unit},
             {"default", p.defaultText},
             {"min", p.min},
             {"max", p.max},
             {"reason", {{"min", p.minReason}, {"max", p.maxReason}}},
             {"calibration", textOrNull(CalibrationCaption(p))},
             {"factor", !sensitivity::FindGrowthFactorEntry(p)
                            ? nlohmann::ordered_json()
                            : nlohmann::ordered_json(
                                  "par" + std::to_string(sensitivity::FindGrowthFactorEntry(p)->number))}});
    out << list.dump(2) << '\n';
}

void PrintMarkdown(std::ostream& out) {
    out << "| Id | Label | Unit | Default | Accepted range | Reason |\n";
    out << "|---|---|---|---|---|---|\n";
    for (const ParameterInfo& p : CropParameterRegistry())
        out << "| " << p.id << " | " << p.label << " | " << p.unit << " | " << ShownDefault(p) << " | "
            << ShortestText(p.min) << " to " << ShortestText(p.max) << " | Min: " << p.minReason
            << ". Max: " << p.maxReason << ". |\n";
    out << "\nBetween parameters, each must be below the next:\n\n";
    for (const ParameterOrder& order : ParameterOrders())
        out << "- " << order.lower << " < " << order.upper << ": " << order.why << ".\n";
    const std::pair<const char*, std::span<const InputLimit>> groups[] = {
        {"Weather (every day of the table)", WeatherLimits()},
        {"Soil (every layer; the optional columns when given)", SoilLimits()},
        {"Management", ManagementLimits()}};
    for (const auto& [title, limits] : groups) {
        out << "\n" << title << ":\n\n";
        out << "| Input | Unit | Accepted range | Reason |\n";
        out << "|---|---|---|---|\n";
        for (const InputLimit& limit : limits)
            out << "| " << limit.label << " | " << limit.unit << " | " << (limit.minExclusive ? "above " : "")
                << ShortestText(limit.min) << " to " << ShortestText(limit.max)
                << " | Min: " << limit.minReason << ". Max: " << limit.maxReason << ". |\n";
    }
}

} // namespace

int Parameters(ParametersFormat format, std::ostream& out) {
    switch (format) {
    case ParametersFormat::Table:
        PrintTable(out);
        break;
    case ParametersFormat::Json:
        PrintJson(out);
        break;
    case ParametersFormat::Markdown:
        PrintMarkdown(out);
        break;
    }
    return kSuccess;
}

void RegisterRunCommand(CommandLine& line) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* command =
        line.app().add_subcommand("run", "Simulate the season of a configuration file (.sim)");
    AddConfigArgument(command, options->config)->required();
    AddSeasonOptions(command, options->season);
    CLI::Option* soil =
        command->add_option("--soil", options->soil, "Replace the soil table with a workbook's sheet");
    AddWholeOption(command, "--soil-sheet", options->soilSheet, 1, "Sheet of the soil workbook (1-based)")
        ->needs(soil);
    AddSeasonOutputOptions(command, options->daily, "Write every daily series of the simulated days as CSV",
                           options->report);
    command->add_flag("--json", options->json, "Print the season summary as one JSON object");
    AddWholeOption(command, "--repeat", options->repeat, 0,
                   "Run the same season N more times and print seasons per second");
    line.add(command,
             [options](std::ostream& out, const Console& console) { return Run(*options, out, console); });
}

void RegisterTableCommand(CommandLine& line) {
    struct TableOptions {
        std::string in, out;
        std::optional<int> sheet;
    };
    auto options = std::make_shared<TableOptions>();
    CLI::App* command =
        line.app().add_subcommand("table", "Convert a table: any readable workbook to .xlsx or .csv");
    command->add_option("in", options->in, "Workbook to read (.xlsx, .xls, .ods, .csv)")->required();
    command->add_option("out", options->out, "File to write (.xlsx, or .csv)")->required();
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet to read (1-based)");
    line.add(command, [options](std::ostream&, const Console& console) {
        return Table(options->in, options->sheet, options->out, console);
    });
}

void RegisterCropCommands(CommandLine& line) {
    struct CropOptions {
        std::string config, file;
        std::optional<std::string> save;
        std::optional<int> sheet;
    };
    auto options = std::make_shared<CropOptions>();
    CLI::App* crop = line.app().add_subcommand("crop", "Crop parameter workbooks");
    crop->require_subcommand(1);
    CLI::App* exportCommand =
        crop->add_subcommand("export", "Save a configuration's crop parameters as a workbook");
    AddConfigArgument(exportCommand, options->config)->required();
    exportCommand->add_option("out", options->file, "Workbook to write (.xlsx, or .csv)")->required();
    line.add(exportCommand, [options](std::ostream&, const Console& console) {
        return CropExport(options->config, options->file, console);
    });
    CLI::App* importCommand =
        crop->add_subcommand("import", "Put a crop workbook's parameters into a configuration");
    AddConfigArgument(importCommand, options->config)->required();
    importCommand->add_option("in", options->file, "Crop workbook (.xlsx, .xls, .ods, .csv)")->required();
    AddWholeOption(importCommand, "--sheet", options->sheet, 1, "Sheet to read (1-based)");
    importCommand->add_option("--save", options->save,
                              "Write the updated configuration here (otherwise print the values)");
    line.add(importCommand, [options](std::ostream& out, const Console& console) {
        return CropImport(options->config, options->file, options->sheet, options->save, out, console);
    });
}

void RegisterEvaluateCommand(CommandLine& line) {
    auto options = std::make_shared<EvaluateOptions>();
    auto laiIndexTable = std::make_shared<std::string>();
    CLI::App* command = line.app().add_subcommand(
        "evaluate", "Run a configuration and evaluate a variable against measurements");
    AddConfigArgument(command, options->config)->required();
    AddSeasonOptions(command, options->season);
    CLI::Option* measured = command->add_option("--measured", options->measured,
                                                "Workbook of measurements (row 1 titles; DOY, value)");
    CLI::Option* variable = command->add_option("--variable", options->variable,
                                                "Report header to evaluate, e.g. \"AGB tot (tAGB/ha)\"");
    CLI::Option* laiIndex =
        command->add_option("--lai-index", *laiIndexTable,
                            "Instead: the LAI simulation performance index against a (DOY, LAI) table");
    laiIndex->excludes(measured)->excludes(variable);
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet of the measurements or LAI table (1-based)");
    command->add_flag("--json", options->json, "Print the results as one JSON object");
    const auto check = [=] {
        if (!*laiIndex && (!*measured || !*variable))
            throw OptionError("evaluate needs --measured and --variable, or --lai-index.");
    };
    line.add(
        command,
        [=](std::ostream& out, const Console& console) {
            if (*laiIndex)
                return LaiIndexCommand(
                    {options->config, options->season, *laiIndexTable, options->sheet, options->json}, out,
                    console);
            return Evaluate(*options, out, console);
        },
        check);
}

void RegisterVarietiesCommand(CommandLine& line) {
    CLI::App* command = line.app().add_subcommand(
        "varieties", "List the rice varieties with their blast susceptibility and class");
    line.add(command, [](std::ostream& out, const Console&) { return Varieties(out); });
}

void RegisterParametersCommand(CommandLine& line) {
    struct Formats {
        bool json = false, markdown = false;
    };
    auto formats = std::make_shared<Formats>();
    CLI::App* command = line.app().add_subcommand(
        "parameters", "List the crop parameters with their units, defaults and accepted ranges");
    command->add_flag("--json", formats->json, "Print them as JSON");
    // The table of docs/parameters.md, printed so that a test can keep that page in step with the program.
    command->add_flag("--markdown", formats->markdown)->group("");
    line.add(command, [formats](std::ostream& out, const Console&) {
        return Parameters(formats->json       ? ParametersFormat::Json
                          : formats->markdown ? ParametersFormat::Markdown
                                              : ParametersFormat::Table,
                          out);
    });
}

} // namespace tulo::cli
