#pragma once
// A season as the Python package holds it: its configuration, kept whole so that a changed copy or a
// copy sent to another process compiles to the same inputs, and its compilation. Reading follows the
// command line's rules and texts; nothing is printed, every message is collected. Crop parameters changed
// from Python are written straight into a copy of the compiled inputs, and into the configuration only
// when it is asked for: recompiling a season costs twenty runs of it.

#include "engine/Grid.h"
#include "engine/SeasonInputs.h"
#include "io/WeatherFiles.h"

#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {
struct PhenologyFit;
struct ParamText;
struct ParameterChoice;
} // namespace tulo
namespace tulo::sensitivity {
struct AnalysisOptions;
struct AnalysisRequest;
} // namespace tulo::sensitivity

namespace tulo::python {

// A message of the command line's in the package's words: an option "--weather-sheet" becomes the keyword
// argument weather_sheet.
std::string InPythonWords(std::string_view text);

// Inputs refused, with every problem in the command line's words (options named as the package's keyword
// arguments); the package raises it as ValueError.
class InputRefused : public std::runtime_error {
public:
    explicit InputRefused(std::vector<std::string> problems);
    const std::vector<std::string>& problems() const { return problems_; }

private:
    std::vector<std::string> problems_;
};

// Refuses, as InputRefused, a count of worker threads the command line's --threads refuses too.
void CheckThreads(int threads);

// What changes a configuration's season, or makes a new one; texts as the command line takes them.
struct SeasonRequest {
    std::optional<std::string> weather; // a weather file of any reader, or a workbook
    std::optional<int> weatherSheet;    // 1-based
    // The weather as a DataFrame's columns; `weather` then names them in messages.
    std::shared_ptr<const std::vector<WeatherColumn>> weatherColumns;
    std::optional<int> year; // the season's year in a weather file of several
    std::optional<std::string> latitude, sowing, start, end, transplanting;
    std::optional<double> floodedLevelCm; // new seasons only: flooded this deep (cm)
    std::vector<std::string> settings;    // NAME=VALUE, a crop parameter by id, key or caption
};

class ConfigurationState; // the configuration, known to SeasonSource.cpp alone

class Season {
public:
    // A configuration file changed by the request; InputRefused when it cannot be read or compiled.
    static Season FromFile(const std::string& path, const SeasonRequest& request);
    // A new season from a weather file, as `tulo-cli new` makes it.
    static Season New(const SeasonRequest& request);
    // The configuration file's text, and back: how a season travels to another process.
    std::string configText() const;
    static Season FromConfigText(std::string_view text, std::optional<int> year);

    // A copy with crop parameters changed (NAME=VALUE each), refused as `--set` refuses them. The
    // compiled inputs are this season's with the values written in, as compiling the changed
    // configuration would read them; a setting that this cannot be sure of without compiling (a refusal,
    // a development method that starts or stops reading the day lengths, a rule between parameters
    // broken) recompiles the season, as `recompile` always does.
    Season withSettings(const std::vector<std::string>& settings, bool recompile = false) const;
    // A copy with fitted thermal times, written as `tulo-cli phenology --save` writes them.
    Season withPhenology(const PhenologyFit& fit) const;
    // The parameters to calibrate, an initial value left out being the configuration's; InputRefused, as
    // `tulo-cli calibrate` refuses it, when that value is outside its range.
    std::vector<ParameterChoice> calibrationChoices(std::span<const ParamText> params) const;
    // A copy with calibrated values, written as `tulo-cli calibrate --save` writes them.
    Season withCalibratedValues(std::span<const ParameterChoice> choices,
                                std::span<const double> rounded) const;

    // The sensitivity analysis the options ask for of this season (a factor's default mean is its value
    // in the configuration); InputRefused with the command line's message.
    sensitivity::AnalysisRequest sensitivityRequest(const sensitivity::AnalysisOptions& options) const;

    // Whether crop settings wait to be written into the configuration, the season having run without it.
    bool settingsPending() const;

    const SeasonInputs& inputs() const { return *inputs_; }
    std::shared_ptr<const SeasonInputs> sharedInputs() const { return inputs_; }
    const std::vector<std::string>& warnings() const { return warnings_; }
    // The season's calendar year, when its weather file or a date told it.
    std::optional<int> year() const { return year_; }

private:
    std::shared_ptr<const ConfigurationState> configuration_;
    std::shared_ptr<const SeasonInputs> inputs_;
    std::vector<std::string> warnings_;
    // Where the compilation's warnings start among warnings_, after what the options said: a copy with
    // other crop parameters keeps the compilation's alone, as recompiling gives them.
    std::size_t compileWarningsFrom_ = 0;
    std::optional<int> year_;
    std::string weatherSource_;

    static Season Compile(std::shared_ptr<const ConfigurationState> configuration,
                          std::vector<std::string> messages, std::optional<int> year,
                          std::string weatherSource);
    Season recompiledWithSettings(const std::vector<std::string>& settings) const;
};

// A day option's text ("200", "2019-07-19") as a day of year, read in the season's year; InputRefused,
// naming `option` as the command line does, when it is no day of a season.
int SeasonDayOf(std::string_view option, std::string_view text, std::optional<int> year);

// A table file of any kind the readers take (sheet 1 when not given), as the command line imports a table
// of measurements; `source` receives how messages name it, `notes` what the import said; `sheetOption`
// names the option of the sheet in messages. InputRefused with the reasons when it cannot be read.
Grid ImportTable(const std::string& path, std::optional<int> sheet, std::string& source,
                 std::vector<std::string>& notes, std::string_view sheetOption = "--sheet");
// Rows of texts, titles first, as a table.
Grid GridOfRows(const std::vector<std::vector<std::string>>& rows);

// The registry index of a crop parameter named by id, crop workbook key or caption; InputRefused, in the
// command line's words, for any other name.
int ParameterByName(std::string_view name);

} // namespace tulo::python
