#include "ForceLai.h"

#include "CommandLine.h"
#include "Commands.h"

#include "base/Numbers.h"
#include "commands/SeasonRun.h"
#include "engine/LaiForcing.h"
#include "engine/Outputs.h"
#include "engine/SeasonInputs.h"
#include "engine/SeasonSummary.h"
#include "evaluation/LaiPerformance.h"
#include "io/SheetImport.h"
#include "io/TextFiles.h"
#include "io/Workbook.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <memory>

namespace tulo::cli {

namespace {

// "DOY:LAI", the day a whole number.
std::optional<LaiPoint> ParsePoint(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const auto day = ParseNumber(std::string_view(text).substr(0, colon));
    const auto lai = ParseNumber(std::string_view(text).substr(colon + 1));
    if (!day || !lai || *day != std::floor(*day) || std::fabs(*day) > 1e6 || std::fabs(*lai) > 3e38)
        return std::nullopt;
    return LaiPoint{static_cast<std::int32_t>(*day), static_cast<float>(*lai)};
}

} // namespace

std::optional<std::vector<LaiPoint>> ReadLaiTable(const std::string& file, std::optional<int> sheet,
                                                  const Console& console) {
    Grid grid;
    std::string source;
    if (!console.printing([&](Messages& messages) {
            return ImportWorkbookSheet(grid, file, {sheet, "--sheet", std::nullopt, true}, messages, &source);
        }))
        return std::nullopt;
    Problems problems;
    std::vector<LaiPoint> points = ReadLaiPoints(grid, problems);
    for (const InputProblem& problem : problems) console.print(source + ": " + problem.text);
    if (!problems.empty()) return std::nullopt;
    if (points.empty()) {
        console.print(source + " holds no row of a day of year and a leaf area index.");
        return std::nullopt;
    }
    return points;
}

namespace {

// A single as JSON shows it: its shortest text, not the 17 digits of the double it widens to.
nlohmann::ordered_json Number(float value) {
    return ParseNumber(ShortestText(value)).value_or(0.0);
}

float TonnesPerHectare(float gramsPerSquareMetre) {
    return static_cast<float>(gramsPerSquareMetre / 100.0); // as the report converts
}

// Refuses, before anything is read, a report of no table kind and outputs that would replace an input.
bool OutputsAllowed(const ForceLaiOptions& options, const Console& console) {
    if (const auto problem = options.report ? TableFileNameProblem(*options.report) : std::nullopt) {
        console.print(*problem);
        return false;
    }
    std::vector<NamedPath> inputs = SeasonInputPaths(options.config, options.season);
    if (options.lai) inputs.push_back({"the --lai table", *options.lai});
    std::vector<NamedPath> outputs;
    if (options.daily && *options.daily != "-") outputs.push_back({"--daily", *options.daily});
    if (options.report) outputs.push_back({"--report", *options.report});
    for (const NamedPath& output : outputs)
        if (const auto refusal = OutputRefusal(output, inputs)) {
            console.print(*refusal);
            return false;
        }
    return true;
}

// The point of --at or the points of the --lai table; nothing, after a message, when they cannot be read.
std::optional<std::vector<LaiPoint>> ForcedPoints(const ForceLaiOptions& options, const Console& console) {
    if (!options.at) {
        if (!options.lai) return std::vector<LaiPoint>{};
        return ReadLaiTable(*options.lai, options.sheet, console);
    }
    const auto point = ParsePoint(*options.at);
    if (!point) {
        console.print("--at must be a day of year and a leaf area index, DOY:LAI (e.g. 200:3.5), not " +
                      QuoteValue(*options.at) + ".");
        return std::nullopt;
    }
    return std::vector<LaiPoint>{*point};
}

void PrintForcedDaysJson(const ForcingOutcome& outcome, std::ostream& out) {
    nlohmann::ordered_json days = nlohmann::ordered_json::array();
    for (const ForcedDay& f : outcome.forced)
        days.push_back({{"doy", f.doy},
                        {"lai", Number(f.lai)},
                        {"AGB_g_m2", Number(f.AGB)},
                        {"leaves_g_m2", Number(f.leaves)},
                        {"stems_g_m2", Number(f.stems)},
                        {"panicles_g_m2", Number(f.panicles)},
                        {"AGB_t_ha", Number(TonnesPerHectare(f.AGB))},
                        {"leaves_t_ha", Number(TonnesPerHectare(f.leaves))},
                        {"stems_t_ha", Number(TonnesPerHectare(f.stems))},
                        {"panicles_t_ha", Number(TonnesPerHectare(f.panicles))}});
    out << nlohmann::ordered_json{{"forced", days}}.dump(2) << '\n';
}

void PrintForcedDays(const std::string& config, const ForcingOutcome& outcome, const RunState& run,
                     std::ostream& out) {
    out << "TULO season of " << config << " forced on " << outcome.forced.size()
        << (outcome.forced.size() == 1 ? " day" : " days") << "\n";
    out << "DOY  LAI (m2/m2)  AGB (g/m2)  leaves (g/m2)  stems (g/m2)  panicles (g/m2)\n";
    for (const ForcedDay& f : outcome.forced) {
        char line[160];
        std::snprintf(line, sizeof line, "%3d  %11.4g  %10.2f  %13.2f  %12.2f  %15.2f\n", f.doy,
                      static_cast<double>(f.lai), static_cast<double>(f.AGB), static_cast<double>(f.leaves),
                      static_cast<double>(f.stems), static_cast<double>(f.panicles));
        out << line;
    }
    out << FormatSummary(Summarize(run));
}

// The --daily file and the --report of the forced season.
int WriteForcedFiles(const ForceLaiOptions& options, const RunState& run, const Console& console) {
    if (options.daily && options.daily != "-")
        if (const Outcome written = WriteFileAtomically(*options.daily, DailyCsv(run)); !written) {
            console.print(written.message);
            return kFailure;
        }
    if (options.report) {
        RunResults results;
        results.crop = FillCropChart(run);
        results.microclimate = FillMicroclimateChart(run);
        // A configuration holds no report variables: the window's opening ticks, as a form opened from it
        // has.
        if (!WriteReport(OpeningReportTicks(), run, results, *options.report, console)) return kFailure;
    }
    return kSuccess;
}

} // namespace

int ForceLaiCommand(const ForceLaiOptions& options, std::ostream& out, const Console& console) {
    if (!OutputsAllowed(options, console)) return kInvalidInputs;
    const auto points = ForcedPoints(options, console);
    if (!points) return kInvalidInputs;

    const auto season = CompileSeasonConfiguration(options.config, options.season, console);
    if (!season) return kInvalidInputs;
    const auto& compiled = season->inputs;
    auto run = std::make_unique<RunState>();
    const ForcingOutcome outcome = ForceLai(*compiled, {}, *points, *run);
    if (outcome.problem) {
        console.print(outcome.problem->text + " Nothing was forced or written.");
        return kInvalidInputs;
    }
    // "--daily -" puts the series on standard output, alone, so that it can be piped as one CSV.
    if (options.daily == "-")
        out << DailyCsv(*run);
    else if (options.json)
        PrintForcedDaysJson(outcome, out);
    else
        PrintForcedDays(options.config, outcome, *run, out);
    return WriteForcedFiles(options, *run, console);
}

int LaiIndexCommand(const LaiIndexOptions& options, std::ostream& out, const Console& console) {
    const auto points = ReadLaiTable(options.table, options.sheet, console);
    if (!points) return kInvalidInputs;
    const auto season = CompileSeasonConfiguration(options.config, options.season, console);
    if (!season) return kInvalidInputs;
    const auto& compiled = season->inputs;
    auto run = std::make_unique<RunState>();
    RunSeason(*compiled, {}, *run);
    const LaiPerformance p = ComputeLaiPerformance(*run, *points);
    if (!p.regression.failure.empty()) console.print(p.regression.failure);
    const AgreementIndices& i = p.indices;
    const Regression& g = p.regression;
    if (options.json) {
        nlohmann::json leftOut = nlohmann::json::array();
        for (const LaiPoint& l : p.leftOut) leftOut.push_back(l.doy);
        const nlohmann::ordered_json result = {{"pairs", i.n},           {"RMSE", Json(i.RMSE)},
                                               {"RRMSE", Json(i.RRMSE)}, {"EF", Json(i.EF)},
                                               {"CRM", Json(i.CRM)},     {"R2", Json(g.R2)},
                                               {"Slope", Json(g.slope)}, {"Intercept", Json(g.intercept)},
                                               {"left_out", leftOut}};
        out << result.dump(2) << '\n';
        return kSuccess;
    }
    out << "LAI simulation performance index of " << options.config << " against " << options.table << "\n";
    out << "Pairs:             " << i.n << "\n";
    out << "RMSE:              " << Plain(i.RMSE) << "\n";
    out << "RRMSE:             " << Plain(i.RRMSE) << "\n";
    out << "EF:                " << Plain(i.EF) << "\n";
    out << "CRM:               " << Plain(i.CRM) << "\n";
    out << "R2:                " << Plain(g.R2) << "\n";
    out << "Slope:             " << Plain(g.slope) << "\n";
    out << "Intercept:         " << Plain(g.intercept) << "\n";
    std::string leftOut;
    for (const LaiPoint& l : p.leftOut)
        leftOut += (leftOut.empty() ? "DOY " : ", DOY ") + std::to_string(l.doy);
    out << "Left out:          " << (leftOut.empty() ? "none" : leftOut + " (not simulated days)") << "\n";
    return kSuccess;
}

void RegisterForceLaiCommand(CommandLine& line) {
    auto options = std::make_shared<ForceLaiOptions>();
    CLI::App* command = line.app().add_subcommand(
        "force-lai", "Run a configuration with its leaf area forced to exogenous values (remote sensing)");
    AddConfigArgument(command, options->config)->required();
    AddSeasonOptions(command, options->season);
    CLI::Option* at =
        command->add_option("--at", options->at, "One point: day of year and LAI (m2/m2), DOY:LAI");
    CLI::Option* lai = command->add_option(
        "--lai", options->lai, "A table of points: DOY in column 1, LAI in column 2, a title row optional");
    at->excludes(lai);
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet of the LAI table (1-based)")->needs(lai);
    AddSeasonOutputOptions(command, options->daily,
                           "Write every daily series of the forced season as CSV (- for standard output)",
                           options->report);
    command->add_flag("--json", options->json, "Print the forced days as one JSON object");
    const auto check = [=] {
        if (!*at && !*lai) throw OptionError("force-lai needs --at DOY:LAI or --lai FILE.");
    };
    line.add(
        command,
        [options](std::ostream& out, const Console& console) {
            return ForceLaiCommand(*options, out, console);
        },
        check);
}

} // namespace tulo::cli
