#include "calibration/CalibrationRun.h"

#include "base/Numbers.h"
#include "calibration/CalibrationParameters.h"
#include "inputs/SeasonCompile.h"
#include "io/DataFolder.h"
#include "io/SheetImport.h"
#include "io/TextFiles.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <system_error>

namespace tulo {

namespace fs = std::filesystem;

namespace {

Message Ending(std::string text, Icon icon) {
    return {std::move(text), std::string(kCalibrationTitle), icon};
}

// A trace name no other search holds: "hyperspace-N.dat" with the first N whose file does not exist,
// created empty at once (exclusively, so that searches in other processes skip it too).
std::optional<fs::path> ClaimTraceName(const fs::path& folder) {
    static std::atomic<unsigned> next{1};
    for (int attempt = 0; attempt < 100000; ++attempt) {
        const fs::path name = folder / ("hyperspace-" + std::to_string(next.fetch_add(1)) + ".dat");
        if (std::FILE* file = std::fopen(name.string().c_str(), "wx")) {
            std::fclose(file);
            return name;
        }
        std::error_code error;
        if (!fs::exists(name, error)) return std::nullopt; // the folder refuses new files
    }
    return std::nullopt;
}

} // namespace

MeasuredTable MeasuredTableOf(const Grid& grid, std::string source, Messages& messages) {
    MeasuredTable table{ReadMeasured(grid), std::move(source), true};
    // Refused rows are named by the calibration's checks, which refuse the table.
    for (const std::string& note : ReadingNotes(table.data)) messages.push_back({table.source + ": " + note});
    return table;
}

std::vector<std::string> CalibrationCaptionList() {
    std::vector<std::string> captions;
    for (const CalibrationParameter& p : CalibrationParameters()) captions.emplace_back(p.caption);
    return captions;
}

std::string CalibrationCaptions() {
    std::string list;
    for (const std::string& caption : CalibrationCaptionList())
        list += (list.empty() ? "\"" : ", \"") + caption + "\"";
    return list;
}

Result<ParameterChoice> MakeParameterChoice(std::string_view caption, std::string_view min,
                                            std::string_view max, std::string_view initial,
                                            const std::string& where) {
    ParameterChoice choice;
    choice.info = FindCalibrationParameter(Trim(caption));
    if (!choice.info)
        return Outcome::Failure(where + ": " + QuoteValue(Trim(caption)) +
                                " is not a calibratable parameter; choose one of " + CalibrationCaptions() +
                                ".");
    const auto low = ParseNumber(min), high = ParseNumber(max), start = ParseNumber(initial);
    if (!low || !high || !start)
        return Outcome::Failure(where + ": the minimum, maximum and initial value must be numbers.");
    choice.range = {ParameterIndex(choice.info->id), *low, *high};
    choice.initial = *start;
    return choice;
}

void ImportDefaultRanges(std::array<CalibrationParameterTexts, 3>& parameters,
                         std::array<std::string, 3>* initial, const SeasonConfiguration* configuration) {
    for (std::size_t k = 0; k < parameters.size(); ++k) {
        CalibrationParameterTexts& p = parameters[k];
        const ParameterInfo* info = FindCalibrationParameter(Trim(p.caption));
        if (!info || Trim(p.caption).empty()) continue;
        const CalibrationParameter& entry = *CalibrationEntryOf(*info);
        p.min = entry.defaultMin;
        p.max = entry.defaultMax;
        if (!initial) continue;
        const auto low = ParseNumber(p.min), high = ParseNumber(p.max);
        if (!low || !high) continue;
        const auto inside = [&](std::optional<double> v) { return v && *v > *low && *v <= *high; };
        std::string& start = (*initial)[k];
        if (inside(ParseNumber(start))) continue;
        const std::string configured = configuration ? CropValueText(*info, *configuration) : std::string();
        if (inside(ParseNumber(configured)))
            start = std::string(Trim(configured));
        else
            start = ShortestText(RoundCalibrated((*low + *high) / 2));
    }
}

std::optional<MeasuredTable> ReadMeasuredTable(const fs::path& file, std::string_view option,
                                               Messages& messages, std::optional<int> sheet) {
    Grid grid;
    std::string source;
    if (!ImportWorkbookSheet(grid, file, {sheet, option, std::nullopt, true}, messages, &source))
        return std::nullopt;
    return MeasuredTableOf(grid, std::move(source), messages);
}

Outcome ImportSiteWeather(const fs::path& file, Messages& messages, SiteWeather& weather) {
    Grid grid(kWeatherRows, kWeatherCols);
    const auto limit = WeatherRowLimit();
    const Outcome outcome = ImportWorkbookSheet(grid, file, {std::nullopt, {}, limit, true}, messages);
    if (outcome) weather = SiteWeatherOf(grid);
    return outcome;
}

SiteWeather SiteWeatherOf(const Grid& grid) {
    SiteWeather weather;
    for (int col = 1; col <= kWeatherCols; ++col)
        weather.titles[static_cast<std::size_t>(col - 1)] = grid.text(1, col);
    for (int r = 2; r <= kWeatherRows; ++r)
        for (int col = 1; col <= kWeatherCols; ++col) weather.days.setText(r - 2, col - 1, grid.text(r, col));
    return weather;
}

Compilation CompileSite(const SeasonConfiguration& base, const SiteTexts& row, const SiteWeather& weather) {
    return CompileSeason(SiteConfiguration(base, row, weather));
}

CalibrationResult RunCalibration(const CalibrationRequest& request, SearchControl control,
                                 const TraceSink& observer) {
    CalibrationSettings settings = request.settings;
    std::vector<double> initial;
    for (const ParameterChoice& choice : request.choices) {
        settings.parameters.push_back(choice.range);
        initial.push_back(choice.initial);
    }
    const CalibrationProblem problem(std::move(settings), request.dataSets, std::move(control));
    CalibrationResult result;
    std::optional<fs::path>
        claimed; // the empty file that holds a fresh trace name until the trace replaces it
    try {
        // The multi-site search has always kept this folder beside its trace.
        if (request.multiSite) fs::create_directories(DataFolder() / "Trip");
        if (request.traceFile) {
            result.traceFile = *request.traceFile;
        } else if ((claimed = ClaimTraceName(DataFolder()))) {
            result.traceFile = *claimed;
        } else {
            result.traceError = "No trace file could be created in " + DataFolder().string() + ".";
        }
    } catch (const fs::filesystem_error& error) {
        result.traceError = error.what();
    }
    // The trace goes to its file as the search hands it over: a long search writes millions of lines.
    AtomicFile traceOut;
    if (!result.traceError)
        if (const Outcome opened = traceOut.open(result.traceFile); !opened)
            result.traceError = opened.message;
    const TraceSink trace = [&](std::string_view line) {
        if (!result.traceError) {
            traceOut.write(line);
            traceOut.write("\n");
        }
        if (observer) observer(line);
    };
    const auto started = std::chrono::steady_clock::now();
    result.outcome = request.genetic ? GeneticSearch(problem, initial, *request.genetic,
                                                     request.seed ? *request.seed : ClockSeed(), trace)
                                     : SearchFromInitialValues(problem, initial, trace);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (result.outcome.problems.empty() && !result.traceError)
        if (const Outcome committed = traceOut.commit(); !committed) result.traceError = committed.message;
    // A refused search or a failed write names no trace: the file is not this search's.
    if (!result.outcome.problems.empty() || result.traceError) {
        std::error_code ignored;
        if (claimed) fs::remove(*claimed, ignored);
        result.traceFile.clear();
    }
    if (result.outcome.problems.empty() && !result.outcome.failed && result.outcome.converged)
        result.uncertainty = EstimateUncertainty(problem, result.outcome.rounded);
    return result;
}

std::optional<std::string> IdentifiabilityLine(const CalibrationResult& result,
                                               std::span<const ParameterChoice> choices) {
    if (!result.uncertainty) return std::nullopt;
    std::vector<std::string> names;
    for (const ParameterChoice& choice : choices) names.push_back(CalibratedName(*choice.info));
    return IdentifiabilityWarning(*result.uncertainty, names);
}

std::vector<TrialResult> DataSetIndices(const CalibrationRequest& request, std::span<const double> point) {
    CalibrationSettings settings = request.settings;
    for (const ParameterChoice& choice : request.choices) settings.parameters.push_back(choice.range);
    auto run = std::make_unique<RunState>();
    std::vector<TrialResult> indices;
    for (std::size_t d = 0; d < request.dataSets.size(); ++d) {
        // Alone in its problem the data set is the first: its own values become shared ones, the other
        // data sets' are marked as a second's, which this problem does not run.
        CalibrationSettings alone = settings;
        for (CalibratedParameter& p : alone.parameters)
            if (p.dataSet >= 0) p.dataSet = p.dataSet == static_cast<int>(d) ? -1 : 1;
        indices.push_back(EvaluateTrial(CalibrationProblem(alone, {request.dataSets[d]}), point, *run));
    }
    return indices;
}

Message FinalMessage(const CalibrationOutcome& outcome) {
    if (outcome.failed) return Ending(std::string(kNothingCalibrated), Icon::Exclamation);
    const std::string replaced = "Final results have been used to replace original values";
    if (outcome.stopped) return Ending(std::string(kStoppedNote) + "\n" + replaced, Icon::Information);
    return Ending("Automatic calibration has been regularly carried out using the sinplex method.\n" +
                      replaced,
                  Icon::None);
}

std::string_view SearchEnd(const CalibrationOutcome& outcome) {
    if (outcome.stopped) return "stopped";
    return outcome.converged ? "converged" : "budget exhausted";
}

} // namespace tulo
