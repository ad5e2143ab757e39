// The one file of the package that reads configurations: season options and the compilation.

#include "SeasonSource.h"

#include "base/Numbers.h"
#include "calibration/CalibratedConfiguration.h"
#include "calibration/Phenology.h"
#include "commands/CalibrationCommand.h"
#include "commands/ParameterNames.h"
#include "commands/SensitivityRequest.h"
#include "engine/ParallelSeasons.h"
#include "engine/Parameters.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/OpeningSeason.h"
#include "inputs/SeasonCompile.h"
#include "inputs/SeasonOptions.h"
#include "io/SheetImport.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <mutex>

namespace tulo::python {

void CheckThreads(int threads) {
    if (auto checked = CheckWorkerThreads(threads, "threads"); !checked)
        throw InputRefused({std::move(checked.message)});
}

namespace {

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

// What the command line would print, in order: a message's title, when it has one, in front of its text.
std::vector<std::string> MessageLines(const Messages& messages) {
    std::vector<std::string> lines;
    for (const Message& message : messages)
        lines.push_back(message.title.empty() ? message.text : message.title + ": " + message.text);
    return lines;
}

SeasonOptions OptionsOf(const SeasonRequest& request) {
    SeasonOptions options;
    options.weather = request.weather;
    options.weatherSheet = request.weatherSheet;
    options.weatherColumns = request.weatherColumns;
    options.year = request.year;
    options.latitude = request.latitude;
    options.sowing = request.sowing;
    options.start = request.start;
    options.end = request.end;
    options.transplanting = request.transplanting;
    options.settings = request.settings;
    return options;
}

// Settings not yet written into a configuration: the parameter's registry index and its NAME=VALUE, one
// per parameter. Each sets its parameter's item alone, whatever the configuration holds, so that the last
// setting of a parameter is all the configuration needs of it, in any order.
using PendingSettings = std::vector<std::pair<int, std::string>>;

// The value compiling a configuration changed by `setting` (NAME=VALUE, as --set takes it) reads for its
// parameter, when the configuration would take the setting as `--set` does and read it without a
// problem; the item's text is what --set writes. `transplanted` and `readsDayLengths` say whether the
// season reads the transplanting parameters and the day lengths: when it does not, the compiled value
// stays as it was.
struct CompiledSetting {
    const ParameterInfo* info = nullptr;
    std::optional<double> value; // none: the compiled value stays
};
std::optional<CompiledSetting> CompiledValueOf(std::string_view setting, bool transplanted,
                                               bool readsDayLengths) {
    const auto equals = setting.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const ParameterInfo* info = FindParameterByName(Trim(setting.substr(0, equals)));
    if (!info || info->kind == ParameterKind::Constant || !FindCropParameterItem(info->id))
        return std::nullopt;
    const std::string_view text = Trim(setting.substr(equals + 1));
    if (info->kind == ParameterKind::Code) {
        // The item then holds the choice's own text, whose position is the code the reader gives it.
        for (std::size_t k = 0; k < info->choices.size(); ++k)
            if (EqualIgnoringCase(info->choices[k], text)) return CompiledSetting{info, double(k)};
        const auto code = ParseInt32(text);
        if (code && *code >= 0 && std::size_t(*code) < info->choices.size() &&
            ParseNumber(text) == static_cast<double>(*code))
            return CompiledSetting{info, double(*code)};
        return std::nullopt;
    }
    const auto number = ParseNumber(text);
    if (!number) return std::nullopt;
    if (info->kind == ParameterKind::Switch) {
        if (*number != 0 && *number != 1) return std::nullopt;
        return CompiledSetting{info, *number};
    }
    if (CheckParameterBounds(*info, *number)) return std::nullopt;
    if ((info->transplanting && !transplanted) ||
        ((info->id == "DLC" || info->id == "DLO") && !readsDayLengths))
        return CompiledSetting{info, std::nullopt};
    // The reader converts the item's text to the run's type and checks the converted value again.
    double read = 0;
    if (info->whole) {
        const auto whole = ToInt32(*number);
        if (!whole) return std::nullopt;
        read = *whole;
    } else {
        if (std::fabs(*number) > double(std::numeric_limits<float>::max())) return std::nullopt;
        read = static_cast<float>(*number);
    }
    if (CheckParameterBounds(*info, read)) return std::nullopt;
    return CompiledSetting{info, read};
}

// Writes the settings into `crop` as compiling the changed configuration would read them, and adds them
// to `pending`; false, leaving both in any state, when that is not sure without compiling: a setting
// refused or read with a problem, a development method that starts or stops reading the day lengths
// (which compiling then reads from their items), a rule between parameters broken. Compiling gives those
// their messages.
bool WriteSettings(const std::vector<std::string>& settings, bool transplanted, CropParameters& crop,
                   PendingSettings& pending) {
    const bool readsDayLengths = MethodReadsDayLengths(crop);
    const auto registry = CropParameterRegistry();
    for (const std::string& setting : settings) {
        const auto compiled = CompiledValueOf(setting, transplanted, readsDayLengths);
        if (!compiled) return false;
        if (compiled->value) SetParameter(crop, *compiled->info, *compiled->value);
        const int index = int(compiled->info - registry.data());
        std::erase_if(pending, [&](const auto& entry) { return entry.first == index; });
        pending.emplace_back(index, setting);
    }
    return MethodReadsDayLengths(crop) == readsDayLengths && CheckParameterRelations(crop).empty();
}

// The settings as the season options take them.
SeasonOptions SettingsOptions(const std::vector<std::string>& settings) {
    SeasonOptions options;
    options.settings = settings;
    return options;
}

} // namespace

// The season's configuration: whole, or a whole configuration and crop settings not yet written into it.
// A season changed from Python runs from inputs of its own and needs its configuration only for its text
// or a command that reads it; the settings are written then, once.
class ConfigurationState {
public:
    // The configuration as the window holds it once it opened it, which a season saves and compiles
    // however the configuration was made or changed.
    explicit ConfigurationState(SeasonConfiguration configuration)
        : configuration_(
              std::make_unique<SeasonConfiguration>(OpenedConfiguration(std::move(configuration)))) {}
    ConfigurationState(std::shared_ptr<const ConfigurationState> whole, PendingSettings settings)
        : whole_(std::move(whole)), settings_(std::move(settings)) {}

    // The configuration with its settings written.
    const SeasonConfiguration& configuration() const {
        if (!whole_) return *configuration_;
        std::call_once(written_, [this] {
            SeasonConfiguration configuration = whole_->configuration();
            Messages messages;
            std::vector<std::string> settings;
            for (const auto& [index, setting] : settings_) settings.push_back(setting);
            if (!ApplySeasonOptions(configuration, SettingsOptions(settings), FindParameterByName, messages))
                throw std::logic_error("crop settings accepted once were refused when written");
            configuration_ =
                std::make_unique<SeasonConfiguration>(OpenedConfiguration(std::move(configuration)));
        });
        return *configuration_;
    }
    // The whole configuration the pending settings change (this one when none are pending), and the
    // settings.
    std::shared_ptr<const ConfigurationState>
    whole(const std::shared_ptr<const ConfigurationState>& self) const {
        return whole_ ? whole_ : self;
    }
    const PendingSettings& settings() const { return settings_; }

private:
    std::shared_ptr<const ConfigurationState> whole_;
    PendingSettings settings_;
    mutable std::once_flag written_;
    mutable std::unique_ptr<SeasonConfiguration> configuration_;
};

std::string InPythonWords(std::string_view text) {
    // The command line's option "--weather-sheet" is the keyword argument weather_sheet here.
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool optionStart =
            text.substr(i, 2) == "--" && i + 2 < text.size() && text[i + 2] >= 'a' && text[i + 2] <= 'z' &&
            (i == 0 || !(std::isalnum(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '-' ||
                         text[i - 1] == '/' || text[i - 1] == '.'));
        if (!optionStart) {
            out += text[i];
            continue;
        }
        for (i += 2; i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '-');
             ++i)
            out += text[i] == '-' ? '_' : text[i];
        --i;
    }
    return out;
}

namespace {

std::vector<std::string> AllInPythonWords(std::vector<std::string> texts) {
    for (std::string& text : texts) text = InPythonWords(text);
    return texts;
}

} // namespace

InputRefused::InputRefused(std::vector<std::string> problems)
    : std::runtime_error(JoinLines(AllInPythonWords(problems))),
      problems_(AllInPythonWords(std::move(problems))) {}

Season Season::Compile(std::shared_ptr<const ConfigurationState> configuration,
                       std::vector<std::string> messages, std::optional<int> year,
                       std::string weatherSource) {
    const Compilation compiled = CompileSeason(configuration->configuration());
    for (const InputProblem& problem : compiled.problems)
        messages.push_back(ProblemText(problem, weatherSource));
    if (!compiled.inputs) throw InputRefused(std::move(messages));
    const std::size_t optionMessages = messages.size();
    for (const InputProblem& warning : compiled.warnings) messages.push_back(warning.text);
    for (std::string& message : messages) message = InPythonWords(message);
    Season season;
    season.configuration_ = std::move(configuration);
    season.inputs_ = compiled.inputs;
    season.warnings_ = std::move(messages);
    season.compileWarningsFrom_ = optionMessages;
    // The configuration's own year when the caller knows none (a season rebuilt from its text).
    season.year_ = year                                ? year
                   : compiled.inputs->control.Year > 0 ? std::optional(compiled.inputs->control.Year)
                                                       : std::nullopt;
    season.weatherSource_ = std::move(weatherSource);
    return season;
}

Season Season::FromFile(const std::string& path, const SeasonRequest& request) {
    ConfigurationReading reading = ReadConfigurationFile(path);
    if (!reading.configuration) throw InputRefused({path + ": " + reading.message});
    Messages messages;
    const auto changes =
        ApplySeasonOptions(*reading.configuration, OptionsOf(request), FindParameterByName, messages);
    if (!changes) throw InputRefused(MessageLines(messages));
    return Compile(std::make_shared<ConfigurationState>(*reading.configuration), MessageLines(messages),
                   changes->year, changes->weatherSource);
}

Season Season::New(const SeasonRequest& request) {
    SeasonConfiguration made;
    Messages messages;
    const auto changes =
        MakeNewSeason(made, OptionsOf(request), request.floodedLevelCm, FindParameterByName, messages);
    if (!changes) throw InputRefused(MessageLines(messages));
    return Compile(std::make_shared<ConfigurationState>(made), MessageLines(messages), changes->year,
                   changes->weatherSource);
}

bool Season::settingsPending() const {
    return !configuration_->settings().empty();
}

std::string Season::configText() const {
    return FormatConfiguration(configuration_->configuration());
}

Season Season::FromConfigText(std::string_view text, std::optional<int> year) {
    const ConfigurationReading reading = ReadConfiguration(text);
    if (!reading.configuration) throw InputRefused({reading.message});
    return Compile(std::make_shared<ConfigurationState>(*reading.configuration), {}, year, {});
}

Season Season::recompiledWithSettings(const std::vector<std::string>& settings) const {
    SeasonConfiguration changed = configuration_->configuration();
    Messages messages;
    if (!ApplySeasonOptions(changed, SettingsOptions(settings), FindParameterByName, messages))
        throw InputRefused(MessageLines(messages));
    return Compile(std::make_shared<ConfigurationState>(std::move(changed)), MessageLines(messages), year_,
                   weatherSource_);
}

Season Season::withSettings(const std::vector<std::string>& settings, bool recompile) const {
    if (recompile) return recompiledWithSettings(settings);
    const std::shared_ptr<const ConfigurationState> whole = configuration_->whole(configuration_);
    PendingSettings pending = configuration_->settings();
    auto inputs = std::make_shared<SeasonInputs>(*inputs_);
    if (!WriteSettings(settings, whole->configuration().transplanted, inputs->crop, pending))
        return recompiledWithSettings(settings);
    Season season;
    season.configuration_ = std::make_shared<ConfigurationState>(whole, std::move(pending));
    season.inputs_ = std::move(inputs);
    season.warnings_.assign(warnings_.begin() + std::ptrdiff_t(compileWarningsFrom_), warnings_.end());
    season.year_ = year_;
    season.weatherSource_ = weatherSource_;
    return season;
}

Season Season::withPhenology(const PhenologyFit& fit) const {
    SeasonConfiguration fitted = configuration_->configuration();
    WritePhenologyValues(fitted, fit);
    return Compile(std::make_shared<ConfigurationState>(std::move(fitted)), {}, year_, weatherSource_);
}

sensitivity::AnalysisRequest Season::sensitivityRequest(const sensitivity::AnalysisOptions& options) const {
    sensitivity::AnalysisRequest request;
    const Outcome asked =
        sensitivity::RequestOfOptions(options, configuration_->configuration(), *inputs_, request);
    if (!asked) throw InputRefused({asked.message});
    return request;
}

std::vector<ParameterChoice> Season::calibrationChoices(std::span<const ParamText> params) const {
    std::vector<ParameterChoice> choices;
    if (const Outcome chosen = ChoicesOf(params, configuration_->configuration(), *inputs_, choices); !chosen)
        throw InputRefused({chosen.message});
    return choices;
}

Season Season::withCalibratedValues(std::span<const ParameterChoice> choices,
                                    std::span<const double> rounded) const {
    SeasonConfiguration calibrated = configuration_->configuration();
    WriteCalibratedValues(calibrated, choices, rounded);
    return Compile(std::make_shared<ConfigurationState>(std::move(calibrated)), {}, year_, weatherSource_);
}

int SeasonDayOf(std::string_view option, std::string_view text, std::optional<int> year) {
    const SeasonDay day = ParseSeasonDay(option, text, year);
    if (!day.doy) throw InputRefused({day.refusal});
    return *day.doy;
}

Grid ImportTable(const std::string& path, std::optional<int> sheet, std::string& source,
                 std::vector<std::string>& notes, std::string_view sheetOption) {
    Grid grid;
    Messages messages;
    const bool read = ImportWorkbookSheet(grid, path, {sheet, sheetOption, std::nullopt, true}, messages,
                                          &source) == Outcome::Done;
    if (!read) throw InputRefused(MessageLines(messages));
    notes = MessageLines(messages);
    return grid;
}

Grid GridOfRows(const std::vector<std::vector<std::string>>& rows) {
    Grid table(static_cast<int>(rows.size()), rows.empty() ? 0 : static_cast<int>(rows[0].size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            table.setText(static_cast<int>(r) + 1, static_cast<int>(c) + 1, rows[r][c]);
    return table;
}

int ParameterByName(std::string_view name) {
    const ParameterInfo* info = FindParameterByName(name);
    if (!info)
        throw InputRefused({"\"" + std::string(name) +
                            "\" is not a crop parameter: name parameters by their ids, crop workbook keys or "
                            "captions (tulo.parameters() lists them)."});
    return ParameterIndex(info->id);
}

} // namespace tulo::python
