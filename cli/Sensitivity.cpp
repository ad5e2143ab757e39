#include "Sensitivity.h"

#include "CommandLine.h"
#include "Commands.h"

#include "base/Numbers.h"
#include "sensitivity/Analysis.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace tulo::cli {

namespace {

namespace sa = tulo::sensitivity;

std::atomic<bool> interrupted{false};

extern "C" void OnSensitivityInterrupt(int) {
    interrupted.store(true);
}

// Ctrl-C cancels the analysis: the seasons stop at once, the drawing or the indices when they end, and
// no outputs are left.
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

std::string PlainInterval(const std::optional<double>& low, const std::optional<double>& high) {
    if (!low || !high) return "";
    return " [" + Plain(*low) + ", " + Plain(*high) + "]";
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

int Sensitivity(const SensitivityOptions& options, std::ostream& out, const Console& console) {
    const auto season = CompileSeasonConfiguration(options.config, options.season, console);
    if (!season) return kInvalidInputs;
    const auto& compiled = season->inputs;
    sa::AnalysisRequest request;
    if (const Outcome asked =
            sa::RequestOfOptions(options.analysis, season->configuration, *compiled, request);
        !asked) {
        console.print(asked.message);
        return kInvalidInputs;
    }

    // Kept files go to a folder of their own, as the window's exchange does: any number of analyses run
    // at once. A failed or cancelled one leaves nothing behind.
    std::optional<sa::ExchangeFiles> kept;
    if (options.keepFiles) {
        try {
            kept = sa::NewExchangeFiles();
        } catch (const std::filesystem::filesystem_error& e) {
            console.print(std::string("No folder for the analysis's exchange files can be made: ") +
                          e.what());
            return kFailure;
        }
        console.print("Exchange files: " + kept->folder.string());
    }
    if (const auto runs = sa::PlannedRuns(request))
        console.print("Runs: " + std::to_string(*runs) + " seasons (" + request.keyword + " " +
                      request.methodLine + ", " + std::to_string(request.factors.size()) + " factors)");

    InterruptCancels interrupts;
    ProgressLine progress;
    sa::RunOptions run;
    run.threads = options.threads;
    run.cancelled = [] { return interrupted.load(); };
    if (isatty(fileno(stderr)))
        run.progress = [&](std::size_t done, std::size_t total) { progress(done, total); };
    const sa::Analysis analysis = sa::RunAnalysisInProcess(*compiled, request, run, kept ? &*kept : nullptr);
    if (!analysis.status) {
        if (kept) sa::RemoveExchangeFiles(*kept);
        console.print(analysis.status.message);
        return kFailure;
    }
    if (options.json)
        out << sa::ResultsJson(analysis.results).dump(2) << '\n';
    else
        PrintResults(analysis, request, out);
    return kSuccess;
}

void RegisterSensitivityCommand(CommandLine& line) {
    auto options = std::make_shared<SensitivityOptions>();
    CLI::App* command = line.app().add_subcommand(
        "sensitivity", "Sensitivity analysis of crop parameters: sample, run every sample, compute indices");
    AddConfigArgument(command, options->config)->required();
    AddSeasonOptions(command, options->season);
    command
        ->add_option("--method", options->analysis.method,
                     "FAST, \"Latin hypercube sampling\", \"Morris method\", \"Quasi-Random LpTau\", Random, "
                     "\"Sobol method\", or the keywords fast, lhs, morris, lptau, random, sobol")
        ->required();
    command
        ->add_option("--executions", options->analysis.executions,
                     "Base sample size, required but for Morris (--trajectories): the runs of lhs, random, "
                     "lptau and fast (extended FAST rounds down to a multiple of the factors); for sobol a "
                     "power of two from 32, run (factors + 2) times for total, more for custom. The run "
                     "count is printed before the runs")
        ->expected(0, 1);
    command->add_option("--seed", options->analysis.seed, "Seed of the random numbers (default 1)");
    command->add_option("--factors", options->analysis.factors,
                        "Factors to vary: par1 to par11 or crop parameters' ids, workbook keys or "
                        "captions, comma-separated (default: par1 to par11); codes and switches "
                        "cannot be factors");
    command->add_option("--mean", options->analysis.means,
                        "A factor's mean: NAME=VALUE, NAME as in --factors (repeatable; default: "
                        "parK's own, or the configuration's value)");
    command->add_option("--sd", options->analysis.sds,
                        "A factor's standard deviation: NAME=VALUE (default: parK's own, or 10 % of "
                        "the mean)");
    command->add_option("--output", options->analysis.output,
                        "What each season gives the indices: agb (end-of-crop AGB, default), "
                        "panicles (at maturity), flowering or maturity (day of year), lai-max");
    command->add_option("--levels", options->analysis.levels, "Morris: number of levels (default 4)");
    command->add_option("--trajectories", options->analysis.trajectories,
                        "Morris: number of trajectories (default 10, as in the window)");
    command->add_option("--computation", options->analysis.computation,
                        "Sobol': total (default) or custom; FAST: classic or extended (default)");
    command->add_option("--order", options->analysis.order,
                        "Sobol' with --computation custom only: first (default), second or third");
    AddThreadsOption(command, options->threads);
    command->add_flag("--json", options->json,
                      "Print a JSON list of {factor, label, index1, index2, ci1, ci2, truncated, varied}");
    command->add_flag("--keep-files", options->keepFiles,
                      "Keep the analysis's files as the window's exchange names them (SIMLABconfig.txt, "
                      "SAsample.txt, tuloSAout.txt, tuloSA_2.txt, tuloSAindex.txt) in a new folder under "
                      "sensitivity/ in TULO's data folder, printed before the runs");
    line.add(command, [options](std::ostream& out, const Console& console) {
        return Sensitivity(*options, out, console);
    });
}

} // namespace tulo::cli
