#pragma once
// What the calibration windows and the command line's calibrate commands share: the parameters chosen
// from their texts, the measurement tables, the multi-site data sets, the search with its trace file,
// and the write-back of the result. For the windows it also holds everything they show as texts, the
// checks of their Start button in the order the user meets them, and their settings-file dialogs, so a
// window only lays out widgets and moves texts in and out.

#include "calibration/CalibratedConfiguration.h"
#include "calibration/Objective.h"
#include "calibration/SettingsFiles.h"
#include "calibration/Simplex.h"
#include "calibration/Uncertainty.h"
#include "engine/Grid.h"
#include "forms/FormModel.h"
#include "forms/SpreadsheetCommands.h"
#include "forms/UserInterface.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

inline constexpr std::string_view kCalibrationTitle = "TULO automatic calibration";
inline constexpr std::string_view kGeneticTitle = "TULO - Automatic calibration";

// ---------------------------------------------------------------------------------------------------
// Parameters

// The captions of the calibratable parameters, in the order the lists offer them.
std::vector<std::string> CalibrationCaptionList();
// The same, quoted and separated by commas, for messages.
std::string CalibrationCaptions();

// A parameter from its texts, or nothing with `error` saying why; `where` starts the messages.
std::optional<ParameterChoice> MakeParameterChoice(std::string_view caption, std::string_view min,
                                                   std::string_view max, std::string_view initial,
                                                   const std::string& where, std::string& error);

// Puts the default range of each known caption into its minimum and maximum; other rows stay. With
// `initial`, an initial value that is not a number inside the new range becomes the configuration's value
// of the parameter when that lies inside, otherwise the middle of the range.
void ImportDefaultRanges(std::array<CalibrationParameterTexts, 3>& parameters,
                         std::array<std::string, 3>* initial = nullptr,
                         const SeasonConfiguration* configuration = nullptr);
// The same with the main window's values.
void ImportDefaultRanges(std::array<CalibrationParameterTexts, 3>& parameters,
                         std::array<std::string, 3>* initial, const FormModel* main);

// ---------------------------------------------------------------------------------------------------
// Measurements and data sets

// A measurement table of the calibration's own (row 1 titles, then DOY and value), apart from the
// Evaluation page's.
struct MeasuredTable {
    MeasuredData data;
    std::string source; // how messages name it
    bool loaded = false;
};

// Reads a measurement workbook, `sheet` (1-based) when given; `option` names the command-line option
// that picks another sheet (empty: the user is asked). Rows left out are named. Nothing when the workbook
// was not read.
std::optional<MeasuredTable> ReadMeasuredTable(const std::filesystem::path& file, std::string_view option,
                                               UserInterface& ui, std::optional<int> sheet = std::nullopt);
// The same asking nothing: what it says is added to `messages`, and a workbook of several sheets that
// neither `sheet` nor `option` chooses is not read.
std::optional<MeasuredTable> ReadMeasuredTable(const std::filesystem::path& file, std::string_view option,
                                               Messages& messages, std::optional<int> sheet = std::nullopt);
// The same after an open dialog of this kind ("Measured Data (AGB)"); `fileName` receives the choice.
// Nothing when cancelled or not read.
std::optional<MeasuredTable> OpenMeasuredTable(UserInterface& ui, std::string_view kind,
                                               std::string& fileName);

// A site's weather workbook read as the main window's weather table would take it (`base`'s table is
// replaced, its layout kept).
Outcome ImportSiteWeather(const FormModel& base, const std::filesystem::path& file, UserInterface& ui,
                          Grid& weather);
// The same asking nothing: a workbook of several sheets is not read (Cancelled, with nothing said).
Outcome ImportSiteWeather(const FormModel& base, const std::filesystem::path& file, Messages& messages,
                          Grid& weather);
// The same after an open dialog ("meteo file (MPAC)").
Outcome OpenSiteWeather(const FormModel& base, UserInterface& ui, Grid& weather, std::string& fileName);
// A site's weather workbook read as a configuration's weather table, asking nothing (see above).
Outcome ImportSiteWeather(const std::filesystem::path& file, Messages& messages, SiteWeather& weather);
// A weather grid's table as a configuration holds it.
SiteWeather SiteWeatherOf(const Grid& weather);

// The season of a site (see SiteConfiguration), compiled.
Compilation CompileSite(const SeasonConfiguration& base, const SiteTexts& row, const SiteWeather& weather);
// The same on the main window's form, which keeps what the window alone holds (its LAI forcing).
Compilation CompileSite(const FormModel& base, const SiteTexts& row, const Grid& weather);

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

// Writes the rounded values into the crop fields as one change, so that one undo takes them back (see
// the configuration's WriteCalibratedValues).
void WriteCalibratedValues(FormModel& form, std::span<const ParameterChoice> choices,
                           std::span<const double> rounded);

inline constexpr std::string_view kNothingCalibrated =
    "The calibration evaluated no point inside the ranges: nothing was calibrated.";
inline constexpr std::string_view kStoppedNote = "Stopped: the values are the best point found so far.";

// What the window says at the end of a search.
Message FinalMessage(const CalibrationOutcome& outcome);

// How the search ended: "converged", "budget exhausted" or "stopped".
std::string_view SearchEnd(const CalibrationOutcome& outcome);
inline constexpr std::string_view kNoIntervals =
    "no intervals: the search ran out of its budget before it converged, so the values are not a minimum.";

// ---------------------------------------------------------------------------------------------------
// The windows' texts and checks

enum class SimplexMethod { None, Standard, Genetic };

inline constexpr std::array<std::string_view, 6> kGeneticLabels = {
    "Initial number of simplexes",    "Number of iterations", "Number of generations", "Reduction factor",
    "% iteration increase each step", "% of random choices"};
std::array<std::string, 6> DefaultGeneticTexts();

// frmAutoCal.
struct AutoCalTexts {
    AccSettings acc;
    SimplexMethod method = SimplexMethod::None;
    std::array<std::string, 6> genetic = DefaultGeneticTexts();
    std::string seed; // empty: the clock's
};
AutoCalTexts NewAutoCalTexts();

// frmMultiPointAutoCal, with the tables its rows hold.
struct MultiPointTexts {
    CfgSettings cfg;
    bool agbAndLai = false; // the objective adds the sites' LAI indices
    std::string objective = "RRMSE";
    SimplexMethod method = SimplexMethod::None;
    std::array<std::string, 6> genetic = DefaultGeneticTexts();
    std::string seed;
};
struct SiteTables {
    std::optional<Grid> weather;
    MeasuredTable agb, lai;
};
using SiteTableSet = std::array<SiteTables, kCalibrationSites>;

struct PreparedCalibration {
    std::optional<Message> refusal; // the first check that failed
    Problems inputProblems;         // the main window's inputs cannot be simulated
    CalibrationRequest request;
    std::vector<std::string> notes; // measurements left out or compared with a bare field, to show first
};

// The checks of the Start button before any measurement is asked for. A flooded field is calibrated as
// any other: every trial runs the season with the configuration's water.
std::optional<Message> CheckAutoCalStart(const AutoCalTexts& texts);
// The rest, once the measurements are read.
PreparedCalibration PrepareAutoCal(const AutoCalTexts& texts, const FormModel& main, const MeasuredTable& agb,
                                   const MeasuredTable& lai);

PreparedCalibration PrepareMultiPoint(const MultiPointTexts& texts, const FormModel& main,
                                      const SiteTableSet& tables);

// Reads the workbooks a .cfg names (relative to its folder) into the rows' tables; a workbook that is
// not read leaves its table empty, with a message.
SiteTableSet LoadSiteTables(const CfgSettings& cfg, const std::filesystem::path& folder,
                            const FormModel& base, UserInterface& ui);

// The toolbar's dialogs for ".acc" and ".cfg" files: the file to write (after the overwrite question)
// or to read; nothing when cancelled or refused.
std::optional<std::filesystem::path> AskSettingsFileToSave(UserInterface& ui, std::string_view extension);
std::optional<std::filesystem::path> AskSettingsFileToOpen(UserInterface& ui, std::string_view extension);

} // namespace tulo
