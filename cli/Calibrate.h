#pragma once
// tulo-cli calibrate: the automatic calibration of any number of crop parameters against measured
// above-ground biomass (and leaf area index) of one season, with how sure each value is.

#include "Console.h"
#include "commands/SeasonOptions.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tulo::cli {

class CommandLine;

void RegisterCalibrateCommand(CommandLine& line);
void RegisterReinitCommand(CommandLine& line);
void RegisterCalibrateSitesCommand(CommandLine& line);

// How a calibration searches, as calibrate and calibrate-sites take it.
struct SearchOptions {
    std::string objective = "RRMSE";
    std::optional<std::string> genetic; // "N,ITERATIONS,GENERATIONS,REDUCTION,INCREASE,RANDOM"
    std::optional<int> seed;
    int threads = 0;
    std::optional<std::string> trace; // the trace file; none: one of the search's own in the data folder
};

struct CalibrateOptions {
    std::string config;
    SeasonOptions season;           // the season changed for this command
    std::string agb;                // measured AGB (t/ha): row 1 titles, then DOY and value
    std::optional<std::string> lai; // measured LAI: the objective then weighs both
    std::optional<int> agbSheet;    // 1-based sheets of the two workbooks
    std::optional<int> laiSheet;
    double agbWeight = 1;
    double laiWeight = 1;
    std::vector<std::string> params; // "NAME:MIN:MAX[:INITIAL]", at least one
    SearchOptions search;
    std::optional<std::string> save; // the configuration with the calibrated values
    bool json = false;
};

int Calibrate(const CalibrateOptions& options, std::ostream& out, const Console& console);

// tulo-cli calibrate-sites: one parameter vector for up to five sites or seasons of a ".cfg" settings
// file. Each site's weather line names a weather workbook (relative to the settings file, as its AGB and
// LAI workbooks are); its dates and latitude replace the configuration's when they are filled in.
//
// With a sites table instead (--sites), any number of rows, each its own configuration, season,
// measurements and parameter values (see io/SitesTable.h); the shared parameters are --param's, and
// --per-site names those each row takes a value of its own for, searched together with the shared ones.
struct CalibrateSitesOptions {
    std::string config;   // the crop and management every site shares, as the main window holds them
    std::string settings; // the .cfg: per site its dates, latitude and weather, AGB and LAI workbooks
    std::optional<std::string> sites;   // a sites table, in place of the configuration and the .cfg
    std::optional<int> sheet;           // 1-based sheet of the sites workbook
    std::vector<std::string> params;    // shared by every row: "NAME:MIN:MAX[:INITIAL]"
    std::vector<std::string> perSite;   // a value for each row, the initial one the row's own by default
    std::optional<std::string> saveDir; // each row's configuration with its values, as NAME.sim
    bool withLai = false;               // the objective adds the sites' LAI indices
    double agbWeight = 1;               // with --sites and --with-lai: the weights of the two indices
    double laiWeight = 1;
    SearchOptions search;
    std::optional<std::string> save; // the configuration with the calibrated values
    bool json = false;
};

int CalibrateSites(const CalibrateSitesOptions& options, std::ostream& out, const Console& console);

// tulo-cli reinit: the sowing day and crop parameters whose simulated leaf area agrees best with a
// remotely sensed LAI series (the window's "Recalibrate and Reinitialize TULO using remotely sensed LAI
// data").
struct ReinitOptions {
    std::string config;
    SeasonOptions season;            // the season changed for this command
    std::string lai;                 // the (DOY, LAI) table
    std::optional<int> sheet;        // 1-based sheet of the table
    std::vector<std::string> params; // "NAME:MIN:MAX[:INITIAL]"; none: TSUM1 and RUE around their values
    int sowingWindow = 30;           // days either side of the configuration's sowing
    int threads = 0;
    std::optional<std::string> save; // the configuration with the estimated sowing and values
    bool json = false;
};

int Reinit(const ReinitOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
