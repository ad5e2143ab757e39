#include "commands/SensitivityRequest.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "commands/ParameterNames.h"
#include "engine/Parameters.h"
#include "sensitivity/DesignSize.h"

#include <algorithm>
#include <string_view>

namespace tulo::sensitivity {

namespace {

Outcome Refusal(std::string message) {
    return Outcome::Failure(std::move(message), Outcome::Reason::InvalidInputs);
}

// The factor's value in the configuration, as its item's text reads (a single-precision value would print
// with spurious digits); a constant of the model, which no item holds, as the compilation holds it.
double ConfiguredValue(const ParameterFactor& factor, const SeasonConfiguration& configuration,
                       const SeasonInputs& inputs) {
    const auto index = static_cast<std::size_t>(factor.parameter);
    const ParameterInfo& info = CropParameterRegistry()[index];
    if (const auto typed = ParseNumber(CropItemText(info, configuration.crop.at(index)))) return *typed;
    return ParseNumber(ShortestText(static_cast<float>(GetParameter(inputs.crop, info)))).value_or(0.0);
}

// The rows --factors ticks: the eleven growth factors when it is not given.
Outcome TickedRows(const std::optional<std::string>& names, std::vector<bool>& ticked) {
    ticked.assign(AllFactors().size(), false);
    if (!names) {
        std::fill_n(ticked.begin(), kGrowthFactors, true);
        return Outcome::Success();
    }
    const std::string& text = *names;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const FoundFactor found = FindFactor(std::string_view(text).substr(start, end - start));
        if (!found.factor) return Refusal("--factors: " + found.whyNot.message);
        ticked[static_cast<std::size_t>(found.factor->row)] = true;
        start = end + 1;
    }
    return Outcome::Success();
}

// --mean or --sd items, each NAME=VALUE with NAME naming one of `factors` as --factors may.
Outcome ApplyTexts(const std::vector<std::string>& items, const char* option, bool mean,
                   std::vector<TickedFactor>& factors) {
    for (const std::string& item : items) {
        // A caption may hold no "=", a value never does: the last one splits.
        const std::size_t equals = item.rfind('=');
        const FoundFactor named =
            equals == std::string::npos ? FoundFactor{} : FindFactor(item.substr(0, equals));
        const auto found = std::find_if(factors.begin(), factors.end(), [&](const TickedFactor& f) {
            return named.factor && f.row == named.factor->row;
        });
        if (found == factors.end())
            return Refusal(std::string(option) + " " + QuoteValue(item) +
                           " is not NAME=VALUE with NAME one of the analysed factors (parK, or the "
                           "parameter's id, crop workbook key or caption)" +
                           (!named.whyNot ? ": " + named.whyNot.message : "."));
        (mean ? found->mean : found->sd) = item.substr(equals + 1);
    }
    return Outcome::Success();
}

// The ticked factors with their texts: --factors, then --mean and --sd.
Outcome TickedFactors(const AnalysisOptions& options, const SeasonConfiguration& configuration,
                      const SeasonInputs& inputs, std::vector<TickedFactor>& factors) {
    std::vector<bool> ticked;
    if (Outcome done = TickedRows(options.factors, ticked); !done) return done;
    factors.clear();
    for (const ParameterFactor& f : AllFactors())
        if (ticked[static_cast<std::size_t>(f.row)])
            factors.push_back(DefaultFactor(f, ConfiguredValue(f, configuration, inputs)));
    if (Outcome done = ApplyTexts(options.means, "--mean", true, factors); !done) return done;
    return ApplyTexts(options.sds, "--sd", false, factors);
}

// "--executions is required", with the limits of the method as it would run, its size left to be chosen.
std::string ExecutionsMissing(const std::string& keyword, const MethodSettings& settings, int factors) {
    MethodSettings sized = settings;
    sized.executions = keyword == "sobol" ? "32" : "2";
    std::string key, line, limits;
    MethodLine(sized, factors, key, line); // for the method's line only: its size is still to choose
    Method method;
    if (ParseMethod(key, line, method))
        if (const auto range = MethodSizeLimits(method, factors))
            limits = keyword == "sobol"
                         ? ": a power of two from 32 to " + std::to_string(range->most) + " for " +
                               std::to_string(factors) + " factors, run " +
                               std::to_string(DesignRows(method, factors) / 32) + " times"
                         : ": " + std::to_string(range->least) + " to " + std::to_string(range->most) +
                               " runs for " + std::to_string(factors) + " factors";
    return "--executions is required: the base sample size" + limits + ".";
}

// The options that do not fit the method, said before anything runs: the base sample size missing, or
// given to Morris, which --trajectories sizes; an order without Sobol's custom computation.
Outcome OptionProblem(const AnalysisOptions& options, const std::optional<std::string>& keyword,
                      const MethodSettings& settings, int factors) {
    if (!keyword) return Outcome::Success(); // the method's own message follows
    const bool custom = *keyword == "sobol" && Trim(settings.computation) == "custom";
    if (options.order && !custom)
        return Outcome::Failure(
            std::string("--order applies to the Sobol method's custom computation only (--method sobol "
                        "--computation custom)."));
    if (*keyword == "morris") {
        if (options.executions)
            return Outcome::Failure(
                std::string("--executions does not size the Morris method: --trajectories does (default ") +
                std::string(kDefaultMorrisTrajectories) + ").");
        return Outcome::Success();
    }
    if (options.executions && !Trim(*options.executions).empty()) return Outcome::Success();
    return Outcome::Failure(ExecutionsMissing(*keyword, settings, factors));
}

MethodSettings SettingsOf(const AnalysisOptions& options, const std::optional<std::string>& keyword) {
    MethodSettings settings;
    settings.method = options.method;
    settings.seed = options.seed;
    settings.executions = options.executions.value_or("");
    settings.trajectories = options.trajectories;
    settings.levels = options.levels;
    settings.computation = options.computation ? *options.computation
                           : keyword == "fast" ? "extended"
                                               : "total";
    settings.order = options.order.value_or("first");
    return settings;
}

nlohmann::json Interval(const std::optional<double>& low, const std::optional<double>& high) {
    if (!low || !high) return nullptr;
    return nlohmann::json::array({*low, *high});
}

} // namespace

Outcome RequestOfOptions(const AnalysisOptions& options, const SeasonConfiguration& configuration,
                         const SeasonInputs& compiled, AnalysisRequest& request) {
    std::vector<TickedFactor> factors;
    if (Outcome done = TickedFactors(options, configuration, compiled, factors); !done) return done;
    const auto output = FindOutput(options.output);
    if (!output) {
        std::string keywords;
        for (const OutputChoice& choice : OutputChoices())
            keywords += (keywords.empty() ? "" : ", ") + std::string(choice.keyword);
        return Refusal("--output " + QuoteValue(options.output) + " is not one of " + keywords + ".");
    }
    const auto keyword = MethodKeyword(options.method);
    const MethodSettings settings = SettingsOf(options, keyword);
    const int ticked = static_cast<int>(factors.size());
    if (const auto why = OptionProblem(options, keyword, settings, ticked); !why) return Refusal(why.message);
    request = AnalysisRequest{};
    request.factors = std::move(factors);
    request.output = *output;
    auto why = MethodLine(settings, ticked, request.keyword, request.methodLine);
    if (why) why = CheckRequest(request);
    if (!why) return Refusal(why.message);
    return Outcome::Success();
}

nlohmann::ordered_json ResultsJson(const IndexResults& results) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const FactorResult& f : results.factors)
        list.push_back({{"factor", f.name},
                        {"label", f.label},
                        {"index1", f.varied ? nlohmann::json(f.index1) : nullptr},
                        {"index2", f.varied ? nlohmann::json(f.index2) : nullptr},
                        {"ci1", Interval(f.low1, f.high1)},
                        {"ci2", Interval(f.low2, f.high2)},
                        {"truncated", f.truncated},
                        {"varied", f.varied}});
    if (results.interactions.empty()) return list;
    // Interactions do not fit a list of factors: the list moves into an object beside them.
    nlohmann::ordered_json interactions = nlohmann::ordered_json::array();
    for (const InteractionResult& i : results.interactions)
        interactions.push_back(
            {{"factors", i.names}, {"label", i.label}, {"index", i.index}, {"ci", Interval(i.low, i.high)}});
    return {{"factors", std::move(list)}, {"interactions", std::move(interactions)}};
}

} // namespace tulo::sensitivity
