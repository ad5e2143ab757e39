#pragma once
// The commands of tulo-cli: run, table, crop, evaluate, varieties and parameters, each registering its
// options on the command line beside the function that does its work; and what every command shares.

#include "Console.h"
#include "base/Outcome.h"
#include "commands/SeasonOptions.h"
#include "commands/SeasonRun.h"
#include "engine/RunState.h"
#include "engine/SeasonInputs.h"
#include "inputs/OpeningSeason.h"
#include "inputs/SeasonConfiguration.h"
#include "io/TextFiles.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace tulo::cli {

class CommandLine;

// The commands of this file on the command line.
void RegisterRunCommand(CommandLine& line);
void RegisterTableCommand(CommandLine& line);
void RegisterCropCommands(CommandLine& line);
void RegisterEvaluateCommand(CommandLine& line);
void RegisterVarietiesCommand(CommandLine& line);
void RegisterParametersCommand(CommandLine& line);

// Exit statuses, one rule for every command (CommandLine.cpp states it whole).
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;       // the work failed once begun: a write, Ctrl-C, a season, a tool
inline constexpr int kInvalidInputs = 2; // an input refused before any work; nothing was written

struct RunOptions {
    std::string config;
    SeasonOptions season;              // the season changed for this run
    std::optional<std::string> soil;   // workbook replacing the configuration's soil table
    std::optional<int> soilSheet;      // 1-based sheet of the soil workbook
    std::optional<std::string> daily;  // CSV of every daily series
    std::optional<std::string> report; // the report grid, .xlsx or .csv
    int repeat = 0;                    // extra timed runs of the same season
    bool json = false;                 // the season summary as one JSON object
};

int Run(const RunOptions& options, std::ostream& out, const Console& console);

// An index as the commands print it: six significant digits, "n/a" when undefined; and as JSON (null).
std::string Plain(const std::optional<double>& value);
nlohmann::json Json(const std::optional<double>& value);

// The files a command reads for its season, which none of its outputs may replace: the configuration
// and the --weather file.
std::vector<NamedPath> SeasonInputPaths(const std::string& config, const SeasonOptions& season);

// True when --save names none of the inputs; otherwise the refusal is shown. Nothing to check without
// --save.
bool SaveSpares(const std::optional<std::string>& save, std::span<const NamedPath> inputs,
                const Console& console);

// Writes the run's report workbook of the variables `ticks` ticks to `path`; false, with the reason shown,
// when it cannot.
bool WriteReport(const ReportTicks& ticks, const RunState& run, RunResults& results, const std::string& path,
                 const Console& console);

// A configuration read and its season changed by the options.
struct LoadedSeason {
    SeasonConfiguration configuration;
    SeasonChanges changes;
};
// Reads a configuration and changes its season by `season`; nothing, with the messages added to
// `messages`, when the file cannot be read or an option is refused.
std::optional<LoadedSeason> LoadSeasonConfiguration(const std::string& config, const SeasonOptions& season,
                                                    Messages& messages);

// A configuration read, its season changed by the options and compiled.
struct CompiledConfiguration {
    SeasonConfiguration configuration;
    SeasonChanges changes;
    std::shared_ptr<const SeasonInputs> inputs;
};
// LoadSeasonConfiguration, then compiles the season, adding every problem and warning to `messages`, or
// printing them; nothing when the file cannot be read, an option is refused or the inputs fail
// validation, all of which are invalid inputs.
std::optional<CompiledConfiguration>
CompileSeasonConfiguration(const std::string& config, const SeasonOptions& season, Messages& messages);
std::optional<CompiledConfiguration>
CompileSeasonConfiguration(const std::string& config, const SeasonOptions& season, const Console& console);

// Where a season's tables came from when read from workbooks (empty for the configuration's own): the
// engine names the day or layer and the cell of a problem, and the messages put the file in front.
struct TableSources {
    std::string weather, soil;
};

// How a season run ended; see RunConfiguredSeason.
struct SeasonRunEnd {
    Outcome outcome;
    bool reportDue = false;
};
// Runs the configuration's season as the window's run does, asking nothing: its problems (named by
// `sources`), warnings and failure go to `messages`. Nobody is there to answer the report question, so
// `reportDue` is set only under the report option that always saves the report, when `ticks` ticks a
// report variable; with none ticked, the window's message says so.
SeasonRunEnd RunConfiguredSeason(const SeasonConfiguration& season, const ReportTicks& ticks, RunState& run,
                                 RunResults& results, const TableSources& sources, Messages& messages);

// The varieties of the diseases window as CSV: name, susceptibility, class; "other" last, without either.
int Varieties(std::ostream& out);

enum class ParametersFormat { Table, Json, Markdown };

// The crop parameter registry: an aligned table (id, label, unit, default, min, max), a JSON list of
// objects (id, label, unit, default, min, max, reason {min, max}, calibration, factor), or the Markdown
// table of docs/parameters.md (id, label, unit, default, accepted range, reason).
int Parameters(ParametersFormat format, std::ostream& out);

// The configuration's crop parameters as a crop workbook (.xlsx, or .csv).
int CropExport(const std::string& config, const std::string& out, const Console& console);

// A crop workbook's parameters put into the configuration: written to `save` when given, otherwise
// printed (value and key of each row).
int CropImport(const std::string& config, const std::string& in, std::optional<int> sheet,
               const std::optional<std::string>& save, std::ostream& out, const Console& console);

struct EvaluateOptions {
    std::string config;
    SeasonOptions season;
    std::string measured; // workbook of measurements: row 1 titles, then DOY and value
    std::string variable; // one of the six evaluable report headers
    std::optional<int> sheet;
    bool json = false;
};

// Runs the configuration's season and evaluates the variable against the measurements.
int Evaluate(const EvaluateOptions& options, std::ostream& out, const Console& console);

// Converts a table between workbook kinds: any readable workbook in, .xlsx or .csv out.
int Table(const std::string& in, std::optional<int> sheet, const std::string& out, const Console& console);

// The header line of the daily CSV.
std::string DailyCsvHeader();

// Every daily series of the simulated days: the header line, then one line per day.
std::string DailyCsv(const RunState& run);

} // namespace tulo::cli
