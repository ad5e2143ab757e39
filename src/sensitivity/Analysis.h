#pragma once
// A sensitivity analysis from the settings to the indices: the configuration, tuloSimLab's sampling, one
// season per sample row on every core, the output and request files, tuloSimLab's indices and the index
// file read back. The window runs these steps; the command line and the Python package run the same
// without the tool and its files (RunAnalysisInProcess). None of them touches a form or the main window's
// run state, the seasons running on compiled inputs with run states of their own.

#include "base/Outcome.h"
#include "engine/SeasonInputs.h"
#include "sensitivity/SimLab.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo::sensitivity {

// The exchange files of one analysis, all in one folder of its own, so that any number of analyses run
// at once: each keeps its files under their usual names in its folder.
struct ExchangeFiles {
    std::filesystem::path folder;
    std::filesystem::path configuration() const { return folder / "SIMLABconfig.txt"; }
    std::filesystem::path sample() const { return folder / "SAsample.txt"; }
    std::filesystem::path output() const { return folder / "tuloSAout.txt"; }
    std::filesystem::path request() const { return folder / "tuloSA_2.txt"; }
    std::filesystem::path index() const { return folder / "tuloSAindex.txt"; }
    // The values the seasons ran, written for the tool when some were truncated to a parameter's range.
    std::filesystem::path runValues() const { return folder / "SAvaluesRun.txt"; }
};
// A new, empty folder for one analysis under `parent` (by default "sensitivity" in TULO's data folder),
// named by the time it was made and six random characters ("20261207-193012-a8Xk2Q"), made atomically so
// that no two analyses share one. Analysis folders left there untouched for kStaleAnalysisDays are
// removed first. Throws std::filesystem::filesystem_error when the folder cannot be made.
inline constexpr int kStaleAnalysisDays = 30;
std::filesystem::path AnalysisFoldersParent();
ExchangeFiles NewExchangeFiles();
ExchangeFiles NewExchangeFiles(const std::filesystem::path& parent);
// Removes an analysis's folder and everything in it; nothing happens to a folder that is not one.
void RemoveExchangeFiles(const ExchangeFiles& files);

// A factor is a crop parameter that a number sets. Rows 0 (par1) to 10 (par11) are the eleven growth
// factors of the window's growth page, as the growth factor table describes them; the rows after them are
// every other such parameter in registry order, named by its id ("TSUM1"). Codes (a list's item) and
// switches are no factors: between two codes there is no method or state to sample.
inline constexpr int kGrowthFactors = 11;
struct ParameterFactor {
    int row = 0;
    std::string name;       // "par1" .. "par11", or the parameter's id
    std::string_view label; // "Radiation use efficiency (g/MJ)"
    // The default texts of a growth row; empty for the others, whose default follows the configuration
    // (see DefaultFactor).
    std::string_view mean;
    std::string_view sd;
    int parameter = 0;       // the registry index of the crop parameter the factor sets
    double min = 0, max = 0; // that parameter's accepted range: sampled values are truncated to it
};
// Rows 0 to 10.
const std::vector<ParameterFactor>& GrowthFactors();
// Every row: the growth factors, then the others.
const std::vector<ParameterFactor>& AllFactors();
// The factor a name stands for, or none and why not (FindFactor, beside the names the program knows a
// parameter by).
struct FoundFactor {
    const ParameterFactor* factor = nullptr;
    Outcome whyNot; // set when there is no factor
};

// Every season of an analysis runs a crop coefficient at full canopy of 1.05, unless it is a factor.
inline constexpr double kSampleKcFullCanopy = 1.05;

// What each season of an analysis gives the indices.
enum class SampleOutput { Agb, Panicles, Flowering, Maturity, LaiMax };
struct OutputChoice {
    SampleOutput output = SampleOutput::Agb;
    std::string_view keyword;  // the command line's "agb"
    std::string_view caption;  // the window's list: "End-of-crop AGB (g/m2)"
    std::string_view text;     // in a sentence: "end-of-crop AGB"
    std::string_view fileName; // the output file's name line: "total AGB"
};
// In the window's list order, end-of-crop AGB (the default) first.
std::span<const OutputChoice> OutputChoices();
const OutputChoice& ChoiceOf(SampleOutput output);
// The output of a keyword or caption, any case; nothing for anything else.
std::optional<SampleOutput> FindOutput(std::string_view keywordOrCaption);

// The text the window shows and the command line accepts for each method, in the window's list order,
// and the keyword of the configuration file.
struct MethodName {
    std::string_view text;    // "Latin hypercube sampling"
    std::string_view keyword; // "lhs"
};
std::span<const MethodName> MethodNames();
// The keyword of a window text or of a keyword itself, any case: a value, nothing for anything else
// (unlike the Outcome results, which say why something cannot be done).
std::optional<std::string> MethodKeyword(std::string_view textOrKeyword);

// The trajectories of a Morris analysis unless the user chooses, in the window and on the command line.
inline constexpr std::string_view kDefaultMorrisTrajectories = "10";

// A method's settings as typed in the window (or given on the command line); only those of the chosen
// method are read.
struct MethodSettings {
    std::string method; // window text or keyword
    std::string seed;   // LHS, random, Morris, FAST
    // The base sample size: the runs of LHS, random, LpTau and FAST, the base sample 2^(5+i) of Sobol'
    std::string executions;
    std::string trajectories; // Morris
    std::string levels;       // Morris
    std::string computation;  // FAST "Classic"/"Extended"; Sobol' "total"/"custom"
    std::string order;        // Sobol' "custom": "first", "second" or "third"
};
// The method keyword and method line for `ticked` factors ("lhs" and "1 100"; Sobol' "1 2" from a base
// sample of 128), or the message saying which setting is wrong and what it may be.
Outcome MethodLine(const MethodSettings& settings, int ticked, std::string& keyword, std::string& line);

// A ticked factor with its distribution and texts as typed.
struct TickedFactor {
    int row = 0; // a row of AllFactors()
    std::string distribution = "normal";
    std::string mean;
    std::string sd;
};
// A factor's default distribution, normal: a growth row's own texts; for another parameter a mean at
// `configured`, its value in the configuration (KcFullCanopy: kSampleKcFullCanopy, as the seasons run
// it), and a standard deviation of 10 % of it, or of the accepted range when the value is 0. Sampling
// truncates it at its 1 % and 99 % quantiles, and the runs to the parameter's accepted range, as every
// factor.
TickedFactor DefaultFactor(const ParameterFactor& factor, double configured);

// What an analysis is asked to do.
struct AnalysisRequest {
    std::vector<TickedFactor> factors; // in row order
    std::string keyword;               // method keyword, see MethodLine
    std::string methodLine;
    SampleOutput output = SampleOutput::Agb;
    // A sample file chosen with Open: sampling is skipped and its columns go to the ticked rows in order.
    std::optional<std::filesystem::path> openedSample;
};

// Why the request cannot be analysed (no factor, a row twice or out of range, a distribution other than
// normal, a mean or deviation not a number, a mean outside the parameter's accepted range or a deviation
// wider than it, a method setting the tool would refuse, a sample too small for the indices or larger
// than the tool draws); Done when it can.
Outcome CheckRequest(const AnalysisRequest& request);
// The number of seasons the request's method runs (not known for an opened sample).
std::optional<long> PlannedRuns(const AnalysisRequest& request);

// "SIMLABconfig.txt": the number of factors, one line per factor ("par1 normal 3 0.5 0.01 0.99"), the
// keyword, the method line and the sample file's path, each line ending CR LF.
std::string ConfigurationText(const AnalysisRequest& request, const std::filesystem::path& samplePath);

// tuloSimLab beside the running program, or $TULO_SIMLAB when set.
std::filesystem::path ToolPath();

inline constexpr std::chrono::milliseconds kToolTimeLimit{std::chrono::minutes(10)};

// Starts the tool with the arguments (mode, file) and no shell between, and waits for its exit: Failed
// with its error output when it fails, is missing or runs out of time; Cancelled when `cancelled` says so
// (the tool is then killed). `cancelled` is polled several times a second.
Outcome RunTool(const std::filesystem::path& tool, int mode, const std::filesystem::path& file,
                std::chrono::milliseconds timeLimit = kToolTimeLimit,
                const std::function<bool()>& cancelled = {});

struct RunOptions {
    int threads = 0; // 0: every core
    std::function<bool()> cancelled;
    // Called after each season with the number done so far and the number of seasons, from any thread.
    std::function<void(std::size_t done, std::size_t total)> progress;
    std::filesystem::path tool; // empty: ToolPath()
    std::chrono::milliseconds toolTimeLimit = kToolTimeLimit;
};

// The seasons of a sample: per row, the output of a season with the compilation's crop, the row's values
// set into the parameters of `rows` (column j sets factor row rows[j]) and a crop coefficient at full
// canopy of kSampleKcFullCanopy. Values outside a parameter's accepted range are truncated to it and
// counted per column. The outputs: the end-of-crop above-ground biomass (g m-2), the panicles at maturity
// (g m-2, as harvested), the day of year of flowering (development stage 1) or of maturity (2), the
// maximum leaf area index. A sample whose crop does not reach the stage its output needs has no output:
// the run fails, naming how many samples and the first, rather than let a made-up value into the indices.
struct SampleRuns {
    Outcome status;
    std::vector<double> outputs;
    std::vector<int> truncated; // per column
};
SampleRuns RunSampleSimulations(const SeasonInputs& inputs, const SampleFile& sample,
                                std::span<const int> rows, const RunOptions& options = {},
                                SampleOutput output = SampleOutput::Agb);

// "Create samples and run the simulations": CheckRequest, then removes the outputs of earlier analyses,
// writes the configuration and has the tool draw the sample (unless one was opened), reads it, runs its
// seasons and writes "tuloSAout.txt" and "tuloSA_2.txt" (naming the sample file run and the request's method
// line; when values were truncated, the file of the values run instead, so that the indices describe them).
// A failed or cancelled step leaves neither file.
struct Simulations {
    Outcome status;
    std::filesystem::path samplePath; // the sample file run
    std::vector<int> rows;            // the factor row of each sample column
    SampleRuns runs;
};
Simulations CreateSamplesAndRun(const SeasonInputs& inputs, const AnalysisRequest& request,
                                const ExchangeFiles& files, const RunOptions& options = {});

// The indices of one factor as the index file gives them, with the number of its sampled values that
// were truncated to the parameter's range (when known).
struct FactorResult {
    int row = 0;
    std::string name;  // "par1"
    std::string label; // the factor's label
    double index1 = 0, index2 = 0;
    std::optional<double> low1, high1, low2, high2; // 95 % intervals, when the file gives them
    int truncated = 0;
    bool varied = true; // false: every value run was the same, and the file gives no index (both 0)
};
// A second- or third-order Sobol' index of the factors it names.
struct InteractionResult {
    std::vector<std::string> names; // "par1", "par3"
    std::string label;              // the factors' labels joined by " \u00d7 "
    std::string indexName;          // "S13"
    double index = 0;
    std::optional<double> low, high;
};
struct IndexResults {
    std::string method;                 // the index file's method line ("sobol 1 7")
    std::string index1Name, index2Name; // "S1" and "ST", "mu*" and "sigma", "SRC" and "PRCC"
    std::vector<FactorResult> factors;
    std::vector<InteractionResult> interactions; // Sobol' "custom" of order 2 or 3 only
};

// Reads an index file's text: after "indexes = yes" one factor line per factor whose third and fifth
// tab-separated fields are its two values (a Sobol' factor may carry two more items before its line),
// then, when a line "interactions = yes" follows, one line per interaction (see FormatIndexFile).
// `rows` labels the factors; `sobol` reads the extra items.
Outcome ParseIndexFile(std::string_view text, std::span<const int> rows, bool sobol, IndexResults& results);
// Reads "tuloSAindex.txt", refusing one older than "tuloSAout.txt" (it describes an earlier analysis).
Outcome ReadIndexResults(const ExchangeFiles& files, std::span<const int> rows, IndexResults& results);

// "Display results": the tool's indices of the last simulations, then ReadIndexResults.
Outcome ComputeIndexResults(const ExchangeFiles& files, std::span<const int> rows, IndexResults& results,
                            const RunOptions& options = {});

// The whole analysis: CheckRequest, CreateSamplesAndRun, ComputeIndexResults, with the
// truncation counts put into the results.
struct Analysis {
    Outcome status;
    Simulations simulations;
    IndexResults results;
};
Analysis RunAnalysis(const SeasonInputs& inputs, const AnalysisRequest& request, const ExchangeFiles& files,
                     const RunOptions& options = {});

// The whole analysis without the tool: the sample drawn, its seasons run and the indices computed by the
// functions tuloSimLab calls, each index kept at the six significant digits its file gives, so that the
// results are RunAnalysis's to the last bit. Nothing is written unless `keep` names a folder, which then
// receives the files RunAnalysis leaves there (a failed or cancelled analysis leaves none); the tool and
// its time limit of `options` are not used. Cancelling stops the seasons at once and the drawing or the
// indices when they end.
Analysis RunAnalysisInProcess(const SeasonInputs& inputs, const AnalysisRequest& request,
                              const RunOptions& options = {}, const ExchangeFiles* keep = nullptr);

} // namespace tulo::sensitivity
