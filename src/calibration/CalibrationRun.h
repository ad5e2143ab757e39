#pragma once
// A calibration as the windows, the command line and the Python package run it: the parameters chosen
// from their texts, the measurement tables and the sites' weather read asking nothing, the season of a
// site, the search with its trace file, and how its end is told. Nothing here asks or shows anything.

#include "base/Outcome.h"
#include "base/Problems.h"
#include "calibration/CalibratedConfiguration.h"
#include "calibration/Objective.h"
#include "calibration/SettingsFiles.h"
#include "calibration/Simplex.h"
#include "calibration/Uncertainty.h"
#include "engine/Grid.h"
#include "evaluation/MeasuredEvaluation.h"
#include "inputs/SeasonConfiguration.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// The title of the calibration windows' messages, the end of a search's among them.
inline constexpr std::string_view kCalibrationTitle = "TULO automatic calibration";

// ---------------------------------------------------------------------------------------------------
// Parameters

// The captions of the calibratable parameters, in the order the lists offer them.
std::vector<std::string> CalibrationCaptionList();
// The same, quoted and separated by commas, for messages.
std::string CalibrationCaptions();

// A parameter from its texts, or the failure saying why; `where` starts the messages.
Result<ParameterChoice> MakeParameterChoice(std::string_view caption, std::string_view min,
                                            std::string_view max, std::string_view initial,
                                            const std::string& where);

// Puts the default range of each known caption into its minimum and maximum; other rows stay. With
// `initial`, an initial value that is not a number inside the new range becomes the configuration's value
// of the parameter when that lies inside, otherwise the middle of the range.
void ImportDefaultRanges(std::array<CalibrationParameterTexts, 3>& parameters,
                         std::array<std::string, 3>* initial = nullptr,
                         const SeasonConfiguration* configuration = nullptr);

// ---------------------------------------------------------------------------------------------------
// Measurements and sites

// A measurement table of the calibration's own (row 1 titles, then DOY and value), apart from the
// Evaluation page's.
struct MeasuredTable {
    MeasuredData data;
    std::string source; // how messages name it
    bool loaded = false;
};

// The measurement table of a grid read from `source`; the reading's notes, each naming the source, are
// added to `messages` (refused rows are named by the calibration's checks, which refuse the table).
MeasuredTable MeasuredTableOf(const Grid& grid, std::string source, Messages& messages);
// Reads a measurement workbook, `sheet` (1-based) when given, asking nothing: what it says (rows left
// out are named) is added to `messages`. A workbook of several sheets that neither `sheet` nor `option`
// (the command-line option that picks another sheet) chooses is not read. Nothing when the workbook was
// not read.
std::optional<MeasuredTable> ReadMeasuredTable(const std::filesystem::path& file, std::string_view option,
                                               Messages& messages, std::optional<int> sheet = std::nullopt);

// A site's weather workbook read as a configuration's weather table, asking nothing: a workbook of several
// sheets is not read (Cancelled, with nothing said).
Outcome ImportSiteWeather(const std::filesystem::path& file, Messages& messages, SiteWeather& weather);
// A weather grid's table as a configuration holds it.
SiteWeather SiteWeatherOf(const Grid& weather);

// The season of a site (see SiteConfiguration), compiled.
Compilation CompileSite(const SeasonConfiguration& base, const SiteTexts& row, const SiteWeather& weather);

// ---------------------------------------------------------------------------------------------------
// The search

struct CalibrationRequest {
    CalibrationSettings settings; // the parameters come from the choices
    std::vector<CalibrationDataSet> dataSets;
    std::vector<ParameterChoice> choices;
    std::optional<GeneticSettings> genetic; // the genetic simplex; otherwise the single search
    std::optional<std::int64_t> seed;       // of the genetic simplex; none: the clock's
    bool multiSite = false;                 // the multi-site calibration keeps its "Trip" folder
    // Where the trace goes (replaced); none: a file of the search's own in TULO's data folder.
    std::optional<std::filesystem::path> traceFile{};
};

struct CalibrationResult {
    CalibrationOutcome outcome;
    // How sure the values written back are; set when there are values and the search converged (a search
    // that stopped short is not at a minimum, where the approximation holds).
    std::optional<CalibrationUncertainty> uncertainty;
    // The trace written: the request's, or "hyperspace-N.dat" in TULO's data folder, a name no other
    // search holds; empty when it was not written (traceError says why).
    std::filesystem::path traceFile;
    std::optional<std::string> traceError;
    double seconds = 0;
};

// Runs the search and writes its trace file (unless it was refused), then estimates how sure its result
// is. Searches at once, in one process or several, each write a trace of their own. `observer` sees the trace
// lines as the search hands them over (from any thread, one call at a time).
CalibrationResult RunCalibration(const CalibrationRequest& request, SearchControl control,
                                 const TraceSink& observer = {});

// The line a window adds to its result when some calibrated parameter is not identifiable from the data
// ("Not identifiable from these data: RUE, Tb for growth."), or nothing.
std::optional<std::string> IdentifiabilityLine(const CalibrationResult& result,
                                               std::span<const ParameterChoice> choices);

// The indices of each data set at a point (a point outside the ranges is not evaluated).
std::vector<TrialResult> DataSetIndices(const CalibrationRequest& request, std::span<const double> point);

inline constexpr std::string_view kNothingCalibrated =
    "The calibration evaluated no point inside the ranges: nothing was calibrated.";
inline constexpr std::string_view kStoppedNote = "Stopped: the values are the best point found so far.";

// What the window says at the end of a search.
Message FinalMessage(const CalibrationOutcome& outcome);

// How the search ended: "converged", "budget exhausted" or "stopped".
std::string_view SearchEnd(const CalibrationOutcome& outcome);
inline constexpr std::string_view kNoIntervals =
    "no intervals: the search ran out of its budget before it converged, so the values are not a minimum.";

} // namespace tulo
