#include "commands/CalibrationCommand.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "commands/ParameterNames.h"
#include "evaluation/MeasuredEvaluation.h"

#include <algorithm>
#include <cmath>

namespace tulo {

namespace {

std::vector<std::string_view> SplitAtColons(const std::string& text) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(std::string_view(text).substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return parts;
}

Outcome ParseGenetic(const std::string& text, std::optional<GeneticSettings>& settings) {
    std::vector<double> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const auto value = ParseNumber(std::string_view(text).substr(start, end - start));
        if (!value) break;
        numbers.push_back(*value);
        start = end + 1;
    }
    const auto whole = [](double v) { return v == std::floor(v) && std::fabs(v) < 2e9; };
    if (numbers.size() != 6 || !whole(numbers[0]) || !whole(numbers[1]) || !whole(numbers[2])) {
        return Outcome::Failure("--genetic " + QuoteValue(text) +
                                " is not N,ITERATIONS,GENERATIONS,REDUCTION,INCREASE,RANDOM (e.g. "
                                "20,100,3,0.5,1.5,0.1): three whole "
                                "numbers, then the share of rows kept, the factor on the iterations and the "
                                "share of random starting "
                                "vertices.");
    }
    settings = GeneticSettings{static_cast<int>(numbers[0]),
                               static_cast<int>(numbers[1]),
                               static_cast<int>(numbers[2]),
                               numbers[3],
                               numbers[4],
                               numbers[5]};
    return Outcome::Success();
}

} // namespace

Outcome ParseParamText(const std::string& text, std::string_view option, ParamText& param) {
    const std::vector<std::string_view> parts = SplitAtColons(text);
    param = ParamText{};
    param.where = std::string(option) + " " + QuoteValue(text);
    if (parts.size() != 3 && parts.size() != 4) {
        return Outcome::Failure(param.where +
                                " is not NAME:MIN:MAX or NAME:MIN:MAX:INITIAL (e.g. \"RUE:1.5:4:2.3\").");
    }
    param.info = FindParameterByName(parts[0]);
    if (!param.info) {
        return Outcome::Failure(param.where + ": " + QuoteValue(Trim(parts[0])) +
                                " is not a crop parameter; name one by its id, crop workbook key or caption "
                                "(see tulo-cli parameters).");
    }
    // What the simplex cannot move is refused before its numbers are looked at.
    if (const auto why = UncalibratableReason(*param.info))
        return Outcome::Failure(param.where + ": " + *why);
    const auto low = ParseNumber(parts[1]), high = ParseNumber(parts[2]);
    const auto start = parts.size() == 4 ? ParseNumber(parts[3]) : std::optional<double>(0);
    if (!low || !high || !start) {
        return Outcome::Failure(param.where + ": the minimum, maximum and initial value must be numbers.");
    }
    if (!(*low < *high))
        return Outcome::Failure(param.where + ": the minimum " + ShortestText(*low) +
                                " is not below the maximum " + ShortestText(*high) + ".");
    param.min = *low;
    param.max = *high;
    if (parts.size() == 4) param.initial = *start;
    return Outcome::Success();
}

Outcome ParseParamTexts(std::span<const std::string> texts, std::string_view option,
                        std::vector<ParamText>& params) {
    params.clear();
    for (const std::string& text : texts) {
        ParamText param;
        if (Outcome read = ParseParamText(text, option, param); !read) return read;
        params.push_back(std::move(param));
    }
    return Outcome::Success();
}

Outcome ChoicesOf(std::span<const ParamText> params, const SeasonConfiguration& configuration,
                  const SeasonInputs& compiled, std::vector<ParameterChoice>& choices) {
    choices.clear();
    for (const ParamText& param : params) {
        if (const auto why = UnreadReason(*param.info, compiled))
            return Outcome::Failure(param.where + ": " + *why);
        ParameterChoice choice{param.info, {ParameterIndex(param.info->id), param.min, param.max}, 0};
        choice.initial =
            param.initial ? *param.initial : ConfiguredValue(*param.info, configuration, compiled);
        if (!param.initial && !(choice.initial > param.min && choice.initial <= param.max)) {
            return Outcome::Failure(param.where + ": the configuration's value " +
                                    ShortestText(choice.initial) + " is outside the range (above " +
                                    ShortestText(param.min) + ", at most " + ShortestText(param.max) +
                                    "): widen it, or give an initial value (NAME:MIN:MAX:INITIAL).");
        }
        choices.push_back(choice);
    }
    return Outcome::Success();
}

Outcome ReadSearchMethod(const std::string& objective, const std::optional<std::string>& genetic,
                         SearchMethod& method) {
    method = SearchMethod{};
    const auto kind = ObjectiveKindNamed(objective);
    if (!kind)
        return Outcome::Failure("--objective " + QuoteValue(objective) +
                                " is not one of \"RRMSE\" and \"RRMSE + CV on Last Point\".");
    method.objective = *kind;
    return genetic ? ParseGenetic(*genetic, method.genetic) : Outcome::Success();
}

std::vector<std::string> SeasonYearRefusals(MeasuredTable& table, std::optional<int> year, int laterYears) {
    if (!year) return {};
    PlaceInSeason(table.data, *year, laterYears);
    std::vector<std::string> refusals = MeasuredRefusals(table.data, year);
    for (std::string& refusal : refusals) refusal = table.source + ": " + refusal;
    return refusals;
}

CalibrationRequest SeasonCalibration(std::shared_ptr<const SeasonInputs> inputs,
                                     const SeasonMeasurements& measured, std::vector<ParameterChoice> choices,
                                     const SearchMethod& method, std::optional<int> seed) {
    CalibrationDataSet data;
    data.inputs = std::move(inputs);
    data.agb = measured.agb.data;
    data.agbSource = measured.agb.source;
    CalibrationSettings settings;
    settings.objective = method.objective;
    if (measured.lai) {
        data.lai = measured.lai->data;
        data.laiSource = measured.lai->source;
        settings.withLai = true;
        settings.agbWeight = measured.agbWeight;
        settings.laiWeight = measured.laiWeight;
    }
    CalibrationRequest request{std::move(settings), {},    std::move(choices), method.genetic,
                               std::nullopt,        false, std::nullopt};
    request.dataSets.push_back(std::move(data));
    if (seed) request.seed = *seed;
    return request;
}

std::vector<std::string> CalibratedNames(std::span<const ParameterChoice> choices,
                                         const std::vector<std::string>* siteNames) {
    std::vector<std::string> names;
    for (const ParameterChoice& choice : choices) {
        names.push_back(CalibratedName(*choice.info));
        // A row's own value is told apart from the other rows' by the row's name.
        if (siteNames && choice.range.dataSet >= 0)
            names.back() += " (" + (*siteNames)[static_cast<std::size_t>(choice.range.dataSet)] + ")";
    }
    return names;
}

nlohmann::ordered_json JsonNumber(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json UncertaintyJson(const CalibrationUncertainty& u,
                                       const std::vector<std::string>& names) {
    nlohmann::ordered_json each = nlohmann::ordered_json::object(),
                           correlation = nlohmann::ordered_json::object();
    for (std::size_t k = 0; k < names.size(); ++k) {
        const ParameterUncertainty& p = u.parameters[k];
        each[names[k]] = {{"se", JsonNumber(p.se)},
                          {"low", JsonNumber(p.low)},
                          {"high", JsonNumber(p.high)},
                          {"identifiable", p.identifiable},
                          {"at_bound", p.atBound}};
        nlohmann::ordered_json row = nlohmann::ordered_json::object();
        for (std::size_t j = 0; j < names.size(); ++j) row[names[j]] = JsonNumber(u.correlation[k][j]);
        correlation[names[k]] = std::move(row);
    }
    return {{"uncertainty", each}, {"correlation", correlation}, {"measurements", u.measurements}};
}

nlohmann::ordered_json CalibrationJson(const CalibrationResult& calibration,
                                       std::span<const ParameterChoice> choices,
                                       const std::vector<std::string>& names,
                                       const std::vector<std::string>* siteNames) {
    const CalibrationOutcome& outcome = calibration.outcome;
    nlohmann::ordered_json params = nlohmann::ordered_json::object();
    nlohmann::ordered_json sites = nlohmann::ordered_json::object();
    if (siteNames)
        for (const std::string& site : *siteNames) sites[site] = nlohmann::ordered_json::object();
    for (std::size_t k = 0; k < choices.size(); ++k) {
        const int dataSet = choices[k].range.dataSet;
        if (dataSet < 0)
            params[names[k]] = outcome.rounded[k];
        else
            sites[(*siteNames)[static_cast<std::size_t>(dataSet)]][CalibratedName(*choices[k].info)] =
                outcome.rounded[k];
    }
    // A trace that was not written is null: the file there, if any, is another search's.
    const nlohmann::ordered_json trace = calibration.traceFile.empty()
                                             ? nlohmann::ordered_json(nullptr)
                                             : nlohmann::ordered_json(calibration.traceFile.string());
    nlohmann::ordered_json result = {{"params", params},
                                     {"objective", outcome.objective},
                                     {"search", std::string(SearchEnd(outcome))},
                                     {"runs", outcome.runs},
                                     {"seed", nullptr},
                                     {"stopped", outcome.stopped},
                                     {"trace", trace}};
    if (siteNames) result["sites"] = std::move(sites);
    if (outcome.seed >= 0) result["seed"] = outcome.seed;
    if (calibration.uncertainty) result.update(UncertaintyJson(*calibration.uncertainty, names));
    return result;
}

} // namespace tulo
