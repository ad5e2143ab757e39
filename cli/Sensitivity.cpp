#include "Sensitivity.h"

#include "CommandLine.h"
#include "Commands.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/Parameters.h"
#include "sensitivity/Analysis.h"
#include "sensitivity/DesignSize.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace tulo::cli {

namespace {

namespace sa = tulo::sensitivity;

std::atomic<bool> interrupted{false};

extern "C" void OnSensitivityInterrupt(int) {
    interrupted.store(true);
}

// Ctrl-C cancels the analysis: the seasons stop and the tool is killed, and no outputs are left.
class InterruptCancels {
public:
    InterruptCancels() {
        interrupted.store(false);
        previous_ = std::signal(SIGINT, OnSensitivityInterrupt);
    }
    ~InterruptCancels() { std::signal(SIGINT, previous_); }
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    void (*previous_)(int) = SIG_DFL;
};

// "simulation k of N" on a terminal, at most five times a second, from whichever worker finished.
class ProgressLine {
public:
    void operator()(std::size_t done, std::size_t total) {
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(200) && done != total) return;
        last_ = now;
        std::fprintf(stderr, "\rsimulation %zu of %zu   ", done, total);
        std::fflush(stderr);
        shown_ = true;
    }
    ~ProgressLine() {
        if (shown_) std::fprintf(stderr, "\n");
    }

private:
    std::mutex mutex_;
    std::chrono::steady_clock::time_point last_{};
    bool shown_ = false;
};

// The factor's value in the configuration, as its field reads (a single-precision value would print with
// spurious digits); a constant of the model, which no field holds, as the compilation holds it.
double ConfiguredValue(const sa::ParameterFactor& factor, const FormModel& form, const SeasonInputs& inputs) {
    const ParameterInfo& info = CropParameterRegistry()[static_cast<std::size_t>(factor.parameter)];
    if (!info.control.empty())
        if (const auto typed = ParseNumber(form.text(info.control))) return *typed;
    return ParseNumber(ShortestText(static_cast<float>(GetParameter(inputs.crop, info)))).value_or(0.0);
}

// The ticked factors with their texts: --factors (the eleven growth factors by default), then --mean and
// --sd, each naming a factor as --factors may.
std::optional<std::vector<sa::TickedFactor>> TickedFactors(const SensitivityOptions& options,
                                                           const FormModel& form, const SeasonInputs& inputs,
                                                           UserInterface& ui) {
    const auto& all = sa::AllFactors();
    std::vector<bool> ticked(all.size(), false);
    for (int row = 0; row < sa::kGrowthFactors; ++row)
        ticked[static_cast<std::size_t>(row)] = !options.factors;
    if (options.factors) {
        const std::string& text = *options.factors;
        std::size_t start = 0;
        while (start <= text.size()) {
            const std::size_t end = std::min(text.find(',', start), text.size());
            const sa::FoundFactor found = sa::FindFactor(std::string_view(text).substr(start, end - start));
            if (!found.factor) {
                ui.message("--factors: " + *found.whyNot);
                return std::nullopt;
            }
            ticked[static_cast<std::size_t>(found.factor->row)] = true;
            start = end + 1;
        }
    }
    std::vector<sa::TickedFactor> factors;
    for (const sa::ParameterFactor& f : all)
        if (ticked[static_cast<std::size_t>(f.row)])
            factors.push_back(sa::DefaultFactor(f, ConfiguredValue(f, form, inputs)));
    const auto apply = [&](const std::vector<std::string>& items, const char* option, bool mean) {
        for (const std::string& item : items) {
            // A caption may hold no "=", a value never does: the last one splits.
            const std::size_t equals = item.rfind('=');
            const sa::FoundFactor named =
                equals == std::string::npos ? sa::FoundFactor{} : sa::FindFactor(item.substr(0, equals));
            const auto found = std::find_if(factors.begin(), factors.end(), [&](const sa::TickedFactor& f) {
                return named.factor && f.row == named.factor->row;
            });
            if (found == factors.end()) {
                ui.message(std::string(option) + " " + QuoteValue(item) +
                           " is not NAME=VALUE with NAME one of the analysed factors (parK, or the "
                           "parameter's id, crop workbook key or caption)" +
                           (named.whyNot ? ": " + *named.whyNot : "."));
                return false;
            }
            (mean ? found->mean : found->sd) = item.substr(equals + 1);
        }
        return true;
    };
    if (!apply(options.means, "--mean", true) || !apply(options.sds, "--sd", false)) return std::nullopt;
    return factors;
}

// The options that do not fit the method, said before anything runs: the base sample size missing, or
// given to Morris, which --trajectories sizes; an order without Sobol's custom computation.
std::optional<std::string> OptionProblem(const SensitivityOptions& options,
                                         const std::optional<std::string>& keyword,
                                         const sa::MethodSettings& settings, int factors) {
    if (!keyword) return std::nullopt; // the method's own message follows
    const bool custom = *keyword == "sobol" && Trim(settings.computation) == "custom";
    if (options.order && !custom)
        return std::string("--order applies to the Sobol method's custom computation only (--method sobol "
                           "--computation custom).");
    if (*keyword == "morris") {
        if (options.executions)
            return std::string(
                       "--executions does not size the Morris method: --trajectories does (default ") +
                   std::string(sa::kDefaultMorrisTrajectories) + ").";
        return std::nullopt;
    }
    if (options.executions && !Trim(*options.executions).empty()) return std::nullopt;
    // The limits of the method as it would run, its size left to be chosen.
    sa::MethodSettings sized = settings;
    sized.executions = *keyword == "sobol" ? "32" : "2";
    std::string key, line, limits;
    sa::MethodLine(sized, factors, key, line); // for the method's line only: its size is still to choose
    sa::Method method;
    if (!sa::ParseMethod(key, line, method))
        if (const auto range = sa::MethodSizeLimits(method, factors))
            limits = *keyword == "sobol"
                         ? ": a power of two from 32 to " + std::to_string(range->most) + " for " +
                               std::to_string(factors) + " factors, run " +
                               std::to_string(sa::DesignRows(method, factors) / 32) + " times"
                         : ": " + std::to_string(range->least) + " to " + std::to_string(range->most) +
                               " runs for " + std::to_string(factors) + " factors";
    return "--executions is required: the base sample size" + limits + ".";
}

nlohmann::json Interval(const std::optional<double>& low, const std::optional<double>& high) {
    if (!low || !high) return nullptr;
    return nlohmann::json::array({*low, *high});
}

std::string PlainInterval(const std::optional<double>& low, const std::optional<double>& high) {
    if (!low || !high) return "";
    return " [" + Plain(*low) + ", " + Plain(*high) + "]";
}

// The analysis the options ask for; nothing, after a message, when they are refused.
std::optional<sa::AnalysisRequest> AnalysisOfOptions(const SensitivityOptions& options, const FormModel& form,
                                                     const SeasonInputs& compiled, UserInterface& ui) {
    const auto factors = TickedFactors(options, form, compiled, ui);
    if (!factors) return std::nullopt;
    const auto output = sa::FindOutput(options.output);
    if (!output) {
        std::string keywords;
        for (const sa::OutputChoice& choice : sa::OutputChoices())
            keywords += (keywords.empty() ? "" : ", ") + std::string(choice.keyword);
        ui.message("--output " + QuoteValue(options.output) + " is not one of " + keywords + ".");
        return std::nullopt;
    }
    sa::MethodSettings settings;
    settings.method = options.method;
    settings.seed = options.seed;
    settings.executions = options.executions.value_or("");
    settings.trajectories = options.trajectories;
    settings.levels = options.levels;
    const auto keyword = sa::MethodKeyword(options.method);
    settings.computation = options.computation ? *options.computation
                           : keyword == "fast" ? "extended"
                                               : "total";
    settings.order = options.order.value_or("first");
    if (const auto why = OptionProblem(options, keyword, settings, static_cast<int>(factors->size()))) {
        ui.message(*why);
        return std::nullopt;
    }
    sa::AnalysisRequest request;
    request.factors = *factors;
    request.output = *output;
    auto why =
        sa::MethodLine(settings, static_cast<int>(factors->size()), request.keyword, request.methodLine);
    if (!why) why = sa::CheckRequest(request);
    if (why) {
        ui.message(*why);
        return std::nullopt;
    }
    return request;
}

void PrintResultsJson(const sa::IndexResults& results, std::ostream& out) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const sa::FactorResult& f : results.factors)
        list.push_back({{"factor", f.name},
                        {"label", f.label},
                        {"index1", f.varied ? nlohmann::json(f.index1) : nullptr},
                        {"index2", f.varied ? nlohmann::json(f.index2) : nullptr},
                        {"ci1", Interval(f.low1, f.high1)},
                        {"ci2", Interval(f.low2, f.high2)},
                        {"truncated", f.truncated},
                        {"varied", f.varied}});
    if (results.interactions.empty()) {
        out << list.dump(2) << '\n';
        return;
    }
    // Interactions do not fit a list of factors: the list moves into an object beside them.
    nlohmann::ordered_json interactions = nlohmann::ordered_json::array();
    for (const sa::InteractionResult& i : results.interactions)
        interactions.push_back(
            {{"factors", i.names}, {"label", i.label}, {"index", i.index}, {"ci", Interval(i.low, i.high)}});
    nlohmann::ordered_json both = {{"factors", std::move(list)}, {"interactions", std::move(interactions)}};
    out << both.dump(2) << '\n';
}

void PrintResults(const sa::Analysis& analysis, const sa::AnalysisRequest& request, std::ostream& out) {
    const sa::IndexResults& results = analysis.results;
    out << "Method: " << results.method << " (" << analysis.simulations.runs.outputs.size()
        << " runs; output: " << sa::ChoiceOf(request.output).text << ")\n";
    out << "Indices: " << results.index1Name << " and " << results.index2Name
        << (std::any_of(results.factors.begin(), results.factors.end(),
                        [](const sa::FactorResult& f) { return f.low1.has_value(); })
                ? " with their 95 % bootstrap intervals\n"
                : (results.method.starts_with("fast 1") ? " (classic FAST gives no interval)\n" : "\n"));
    for (const sa::FactorResult& f : results.factors) {
        out << f.name << "  " << f.label << "\n    ";
        if (f.varied)
            out << results.index1Name << " " << Plain(f.index1) << PlainInterval(f.low1, f.high1) << "   "
                << results.index2Name << " " << Plain(f.index2) << PlainInterval(f.low2, f.high2);
        else
            out << "did not vary: no index";
        if (f.truncated > 0)
            out << "   (" << f.truncated << (f.truncated == 1 ? " value" : " values")
                << " truncated to the parameter's range)";
        out << '\n';
    }
    if (!results.interactions.empty())
        out << "Interactions: second- and third-order Sobol' indices with their 95 % bootstrap intervals\n";
    for (const sa::InteractionResult& i : results.interactions) {
        std::string names;
        for (const std::string& name : i.names) names += (names.empty() ? "" : "*") + name;
        out << i.indexName << "  " << names << "  " << i.label << "\n    " << Plain(i.index)
            << PlainInterval(i.low, i.high) << '\n';
    }
}

} // namespace

int Sensitivity(const SensitivityOptions& options, std::ostream& out, UserInterface& ui) {
    FormModel form;
    int status = kSuccess;
    const auto compiled = CompileConfig(options.config, options.season, form, ui, status);
    if (!compiled) return status;
    const auto request = AnalysisOfOptions(options, form, *compiled, ui);
    if (!request) return kInvalidInputs;

    // Every analysis has a folder of its own: any number run at once. A failed or cancelled one leaves
    // nothing behind; a finished one keeps its files for the user.
    sa::ExchangeFiles files;
    try {
        files = sa::NewExchangeFiles();
    } catch (const std::filesystem::filesystem_error& e) {
        ui.message(std::string("No folder for the analysis's exchange files can be made: ") + e.what());
        return kFailure;
    }
    ui.message("Exchange files: " + files.folder.string());
    if (const auto runs = sa::PlannedRuns(*request))
        ui.message("Runs: " + std::to_string(*runs) + " seasons (" + request->keyword + " " +
                   request->methodLine + ", " + std::to_string(request->factors.size()) + " factors)");

    InterruptCancels interrupts;
    ProgressLine progress;
    sa::RunOptions run;
    run.threads = options.threads;
    run.cancelled = [] { return interrupted.load(); };
    if (isatty(fileno(stderr)))
        run.progress = [&](std::size_t done, std::size_t total) { progress(done, total); };
    const sa::Analysis analysis = sa::RunAnalysis(*compiled, *request, files, run);
    if (!analysis.status) {
        sa::RemoveExchangeFiles(files);
        ui.message(analysis.status.message);
        return kFailure;
    }
    if (options.json)
        PrintResultsJson(analysis.results, out);
    else
        PrintResults(analysis, *request, out);
    return kSuccess;
}

void RegisterSensitivityCommand(CommandLine& line) {
    auto options = std::make_shared<SensitivityOptions>();
    CLI::App* command = line.app().add_subcommand(
        "sensitivity", "Sensitivity analysis of crop parameters: sample, run every sample, compute indices");
    AddConfigArgument(command, options->config)->required();
    AddSeasonOptions(command, options->season);
    command
        ->add_option("--method", options->method,
                     "FAST, \"Latin hypercube sampling\", \"Morris method\", \"Quasi-Random LpTau\", Random, "
                     "\"Sobol method\", or the keywords fast, lhs, morris, lptau, random, sobol")
        ->required();
    command
        ->add_option("--executions", options->executions,
                     "Base sample size, required but for Morris (--trajectories): the runs of lhs, random, "
                     "lptau and fast (extended FAST rounds down to a multiple of the factors); for sobol a "
                     "power of two from 32, run (factors + 2) times for total, more for custom. The run "
                     "count is printed before the runs")
        ->expected(0, 1);
    command->add_option("--seed", options->seed, "Seed of the random numbers (default 1)");
    command->add_option("--factors", options->factors,
                        "Factors to vary: par1 to par11 or crop parameters' ids, workbook keys or "
                        "captions, comma-separated (default: par1 to par11); codes and switches "
                        "cannot be factors");
    command->add_option("--mean", options->means,
                        "A factor's mean: NAME=VALUE, NAME as in --factors (repeatable; default: "
                        "parK's own, or the configuration's value)");
    command->add_option("--sd", options->sds,
                        "A factor's standard deviation: NAME=VALUE (default: parK's own, or 10 % of "
                        "the mean)");
    command->add_option("--output", options->output,
                        "What each season gives the indices: agb (end-of-crop AGB, default), "
                        "panicles (at maturity), flowering or maturity (day of year), lai-max");
    command->add_option("--levels", options->levels, "Morris: number of levels (default 4)");
    command->add_option("--trajectories", options->trajectories,
                        "Morris: number of trajectories (default 10, as in the window)");
    command->add_option("--computation", options->computation,
                        "Sobol': total (default) or custom; FAST: classic or extended (default)");
    command->add_option("--order", options->order,
                        "Sobol' with --computation custom only: first (default), second or third");
    AddThreadsOption(command, options->threads);
    command->add_flag("--json", options->json,
                      "Print a JSON list of {factor, label, index1, index2, ci1, ci2, truncated, varied}");
    line.add(command,
             [options](std::ostream& out, UserInterface& ui) { return Sensitivity(*options, out, ui); });
}

} // namespace tulo::cli
