// The one file of the package that reads forms: configurations, season options and the compilation.

#include "SeasonSource.h"

#include "calibration/Phenology.h"
#include "engine/ParallelSeasons.h"
#include "engine/Parameters.h"
#include "forms/CalibrationCommand.h"
#include "forms/CommandTexts.h"
#include "forms/FormModel.h"
#include "forms/SeasonForm.h"
#include "forms/SeasonOptions.h"
#include "forms/SensitivityRequest.h"
#include "forms/SimConfig.h"
#include "forms/SpreadsheetCommands.h"
#include "forms/ToolResults.h"

#include <cctype>

namespace tulo::python {

void CheckThreads(int threads) {
    if (auto problem = WorkerThreadsProblem(threads, "threads")) throw InputRefused({std::move(*problem)});
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
    options.year = request.year;
    options.latitude = request.latitude;
    options.sowing = request.sowing;
    options.start = request.start;
    options.end = request.end;
    options.transplanting = request.transplanting;
    options.settings = request.settings;
    return options;
}

} // namespace

struct FormState {
    FormModel form;
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

Season Season::Compile(std::shared_ptr<const FormState> form, std::vector<std::string> messages,
                       std::optional<int> year, std::string weatherSource) {
    const Compilation compiled = CompileInputs(form->form);
    for (const InputProblem& problem : compiled.problems)
        messages.push_back(ProblemText(problem, weatherSource));
    if (!compiled.inputs) throw InputRefused(std::move(messages));
    for (const InputProblem& warning : compiled.warnings) messages.push_back(warning.text);
    for (std::string& message : messages) message = InPythonWords(message);
    Season season;
    season.form_ = std::move(form);
    season.inputs_ = compiled.inputs;
    season.warnings_ = std::move(messages);
    // The configuration's own year when the caller knows none (a season rebuilt from its text).
    season.year_ = year                                ? year
                   : compiled.inputs->control.Year > 0 ? std::optional(compiled.inputs->control.Year)
                                                       : std::nullopt;
    season.weatherSource_ = std::move(weatherSource);
    return season;
}

Season Season::FromFile(const std::string& path, const SeasonRequest& request) {
    auto state = std::make_shared<FormState>();
    if (const auto error = ReadSimConfig(path, state->form)) throw InputRefused({path + ": " + *error});
    Messages messages;
    const auto changes = ApplySeasonOptions(state->form, OptionsOf(request), messages);
    if (!changes) throw InputRefused(MessageLines(messages));
    return Compile(std::move(state), MessageLines(messages), changes->year, changes->weatherSource);
}

Season Season::New(const SeasonRequest& request) {
    auto state = std::make_shared<FormState>();
    Messages messages;
    const auto changes = MakeNewSeason(state->form, OptionsOf(request), request.floodedLevelCm, messages);
    if (!changes) throw InputRefused(MessageLines(messages));
    return Compile(std::move(state), MessageLines(messages), changes->year, changes->weatherSource);
}

std::string Season::configText() const {
    return FormatSimConfig(form_->form);
}

Season Season::FromConfigText(std::string_view text, std::optional<int> year) {
    auto state = std::make_shared<FormState>();
    if (const auto error = ParseSimConfig(text, state->form)) throw InputRefused({*error});
    return Compile(std::move(state), {}, year, {});
}

Season Season::withSettings(const std::vector<std::string>& settings) const {
    auto state = std::make_shared<FormState>(*form_);
    Messages messages;
    SeasonOptions options;
    options.settings = settings;
    if (!ApplySeasonOptions(state->form, options, messages)) throw InputRefused(MessageLines(messages));
    return Compile(std::move(state), MessageLines(messages), year_, weatherSource_);
}

Season Season::withPhenology(const PhenologyFit& fit) const {
    auto state = std::make_shared<FormState>(*form_);
    WritePhenologyValues(state->form, fit);
    return Compile(std::move(state), {}, year_, weatherSource_);
}

sensitivity::AnalysisRequest Season::sensitivityRequest(const sensitivity::AnalysisOptions& options) const {
    sensitivity::AnalysisRequest request;
    const Outcome asked = sensitivity::RequestOfOptions(options, form_->form, *inputs_, request);
    if (!asked) throw InputRefused({asked.message});
    return request;
}

std::vector<ParameterChoice> Season::calibrationChoices(std::span<const ParamText> params) const {
    std::vector<ParameterChoice> choices;
    if (const Outcome chosen = ChoicesOf(params, form_->form, *inputs_, choices); !chosen)
        throw InputRefused({chosen.message});
    return choices;
}

Season Season::withCalibratedValues(std::span<const ParameterChoice> choices,
                                    std::span<const double> rounded) const {
    auto state = std::make_shared<FormState>(*form_);
    WriteCalibratedValues(state->form, choices, rounded);
    return Compile(std::move(state), {}, year_, weatherSource_);
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
