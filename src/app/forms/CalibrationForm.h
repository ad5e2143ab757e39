#pragma once
// The calibration windows' side of a search (calibration/CalibrationRun.h): the measurement tables and
// site weather read with the user's choices, the multi-site data sets, and the write-back of the result
// into the form. It also holds everything the windows show as texts, the checks of their Start button in
// the order the user meets them, and their settings-file dialogs, so a window only lays out widgets and
// moves texts in and out.

#include "calibration/CalibrationRun.h"
#include "engine/Grid.h"
#include "forms/FormModel.h"
#include "forms/SpreadsheetCommands.h"
#include "forms/UserInterface.h"
#include "inputs/SeasonConfiguration.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

struct DssatImport;

inline constexpr std::string_view kGeneticTitle = "TULO - Automatic calibration";

// ---------------------------------------------------------------------------------------------------
// Parameters

// ImportDefaultRanges with the main window's values.
void ImportDefaultRanges(std::array<CalibrationParameterTexts, 3>& parameters,
                         std::array<std::string, 3>* initial, const FormModel* main);

// ---------------------------------------------------------------------------------------------------
// Measurements and data sets

// ReadMeasuredTable asking the user which sheet unless `sheet` or `option` chooses, and showing what it
// says.
std::optional<MeasuredTable> ReadMeasuredTable(const std::filesystem::path& file, std::string_view option,
                                               UserInterface& ui, std::optional<int> sheet = std::nullopt);
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
// The season of a site on the main window's form, which keeps what the window alone holds (its LAI
// forcing), compiled.
Compilation CompileSite(const FormModel& base, const SiteTexts& row, const Grid& weather);

// ---------------------------------------------------------------------------------------------------
// The search's result

// Writes the rounded values into the crop fields as one change, so that one undo takes them back (see
// the configuration's WriteCalibratedValues).
void WriteCalibratedValues(FormModel& form, std::span<const ParameterChoice> choices,
                           std::span<const double> rounded);

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
    // A season of the row's own (an imported treatment's, with its own management), run in place of the
    // main window's season on the row's weather; none for a row of the main window's season.
    std::shared_ptr<const SeasonInputs> season;
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

// A season of its own for a row of the multi-site window, with the files of its measurements.
struct OwnSeasonRow {
    std::string name; // what the row's weather field shows: its configuration's file
    SeasonConfiguration season;
    std::optional<std::filesystem::path> agb, lai;
};
// The rows of an imported DSSAT experiment written into `folder`: its measured treatments, the first
// five, each with its own configuration.
std::vector<OwnSeasonRow> OwnSeasonRowsOf(const DssatImport& imported, const std::filesystem::path& folder);
// Fills the first rows (at most five) with seasons of their own: the texts show each season's days,
// latitude and files, the tables hold its compiled inputs and its measurements placed in its year. A
// season that does not compile, or a table not read, leaves its row's table empty, saying why in
// `messages`.
void FillOwnSeasonRows(std::span<const OwnSeasonRow> rows, MultiPointTexts& texts, SiteTableSet& tables,
                       Messages& messages);

// Reads the workbooks a .cfg names (relative to its folder) into the rows' tables; a workbook that is
// not read leaves its table empty, with a message.
SiteTableSet LoadSiteTables(const CfgSettings& cfg, const std::filesystem::path& folder,
                            const FormModel& base, UserInterface& ui);

// The toolbar's dialogs for ".acc" and ".cfg" files: the file to write (after the overwrite question)
// or to read; nothing when cancelled or refused.
std::optional<std::filesystem::path> AskSettingsFileToSave(UserInterface& ui, std::string_view extension);
std::optional<std::filesystem::path> AskSettingsFileToOpen(UserInterface& ui, std::string_view extension);

} // namespace tulo
