#include "sensitivity/Analysis.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/Ensemble.h"
#include "engine/Parameters.h"
#include "engine/Season.h"
#include "engine/SeasonSummary.h"
#include "io/DataFolder.h"
#include "io/TextFiles.h"
#include "sensitivity/DesignSize.h"
#include "sensitivity/GrowthFactorTable.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <limits>
#include <tuple>

extern char** environ;

namespace tulo::sensitivity {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxSampleFileBytes = std::uintmax_t{1} << 30;
// Whatever the tool says beyond this is repetition; the message keeps its start.
constexpr std::size_t kMaxToolMessage = 4096;

std::string Lower(std::string_view text) {
    std::string lower(Trim(text));
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return lower;
}

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

// Writes a whole file in one piece (WriteFileAtomically), failing with its message.
Outcome Write(const fs::path& file, std::string_view content) {
    return WriteFileAtomically(file, content);
}

// Removes a file if it is there; a message when it is there and stays.
Outcome RemoveFile(const fs::path& file) {
    std::error_code error;
    fs::remove(file, error);
    if (error)
        return Outcome::Failure("Cannot remove " + Quoted(file) +
                                " of an earlier analysis: " + error.message() + ".");
    return Outcome::Success();
}

Outcome RemoveOutputs(const ExchangeFiles& files) {
    if (auto why = RemoveFile(files.output()); !why) return why;
    if (auto why = RemoveFile(files.runValues()); !why) return why;
    return RemoveFile(files.request());
}

// The sample's values as its seasons ran them, each truncated to its parameter's range.
SampleFile ValuesRun(const SampleFile& sample, std::span<const int> rows) {
    SampleFile run = sample;
    const auto& factors = AllFactors();
    for (std::size_t i = 0; i < run.values.size(); ++i) {
        const ParameterFactor& f = factors[static_cast<std::size_t>(rows[i % rows.size()])];
        run.values[i] = std::clamp(run.values[i], f.min, f.max);
    }
    return run;
}

// A sample file's text; a sample of another tool has no header of ours, which would name a design.
std::string SampleFileText(const SampleFile& sample, std::string_view anotherToolsTitle) {
    Sample written;
    written.method = sample.method.value_or(Method{});
    written.names = sample.names;
    written.design.rows = sample.rows;
    written.design.factors = sample.factors;
    written.values = sample.values;
    const std::string text = FormatSampleFile(written);
    return sample.method ? text : std::string(anotherToolsTitle) + text.substr(text.find('\n'));
}

// The values run under the sample's own header (the tool rebuilds the design from it); a sample of
// another tool stays an unknown design.
std::string RunValuesText(const SampleFile& sample, std::span<const int> rows) {
    return SampleFileText(ValuesRun(sample, rows), "values run");
}

std::string RequestText(const fs::path& samplePath, const std::string& methodLine, std::size_t factors,
                        const ExchangeFiles& files) {
    return samplePath.string() + "\n" + methodLine + "\n" + samplePath.string() + "\n" +
           std::to_string(factors) + " 1\n" + files.output().string() + "\n" + files.index().string() + "\n";
}

// The items of an index file: lines, and within a line the texts between commas.
std::vector<std::string_view> Items(std::string_view text) {
    std::vector<std::string_view> items;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of(",\n", start), text.size());
        std::string_view item = text.substr(start, end - start);
        if (!item.empty() && item.back() == '\r') item.remove_suffix(1);
        items.push_back(item);
        start = end + 1;
    }
    return items;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = std::min(line.find('\t', start), line.size());
        fields.push_back(line.substr(start, tab - start));
        if (tab == line.size()) break;
        start = tab + 1;
    }
    return fields;
}

// "20261207-193012-" and the six letters or digits mkdtemp chose.
bool IsAnalysisFolderName(const std::string& name) {
    if (name.size() != 22 || name[8] != '-' || name[15] != '-') return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (i != 8 && i != 15 && !(i < 15 ? std::isdigit(c) : std::isalnum(c))) return false;
    }
    return true;
}

// An analysis not finished yet holds this file, naming the process that runs it: a folder whose process
// was killed is unfinished for good.
constexpr std::string_view kRunningMark = ".tulo-running";

// The unfinished analysis of a process that has ended, its mark untouched for a minute (a process of
// another machine sharing the folder has just made its own).
bool AbandonedAnalysis(const fs::path& folder) {
    const fs::path mark = folder / kRunningMark;
    const auto text = ReadWholeFile(mark, 64);
    if (!text) return false;
    const long pid = std::strtol(text->c_str(), nullptr, 10);
    std::error_code error;
    const auto limit = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH &&
           fs::last_write_time(mark, error) < limit && !error;
}

// Analyses whose folder and files have not changed for kStaleAnalysisDays: their windows are long closed
// and their command lines long ended. A running analysis writes into its folder within minutes. And the
// unfinished analyses of killed processes.
void RemoveStaleAnalyses(const fs::path& parent) {
    const auto limit = fs::file_time_type::clock::now() - std::chrono::hours(24) * kStaleAnalysisDays;
    std::error_code error;
    for (fs::directory_iterator entry(parent, error), end; !error && entry != end; entry.increment(error)) {
        if (!IsAnalysisFolderName(entry->path().filename().string()) || !entry->is_directory(error)) continue;
        if (AbandonedAnalysis(entry->path())) {
            std::error_code inner;
            fs::remove_all(entry->path(), inner);
            continue;
        }
        bool stale = fs::last_write_time(entry->path(), error) < limit && !error;
        std::error_code inner;
        for (fs::directory_iterator file(entry->path(), inner), last; stale && !inner && file != last;
             file.increment(inner))
            stale = fs::last_write_time(file->path(), inner) < limit && !inner;
        if (stale && !inner) fs::remove_all(entry->path(), inner);
        error.clear();
    }
}

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

// A method setting as the user gives it: a whole number within a range.
Outcome WholeSetting(const std::vector<std::string>& words, std::size_t at, std::string_view what, long least,
                     long most) {
    const auto value = at < words.size() ? ParseNumber(words[at]) : std::nullopt;
    if (value && *value == std::floor(*value) && *value >= static_cast<double>(least) &&
        *value <= static_cast<double>(most))
        return Outcome::Success();
    const std::string range =
        least == 1 && most == std::numeric_limits<int>::max()
            ? "a whole number from 1"
            : "a whole number from " + std::to_string(least) + " to " + std::to_string(most);
    return Outcome::Failure(std::string(what) + " must be " + range + ", not " +
                            (at < words.size() ? QuoteValue(words[at]) : "empty") + ".");
}

// The method line's settings checked one by one and named as the window and the command line name
// them, the sizes against the limits of `factors` factors.
Outcome MethodSettingsProblem(const std::string& keyword, std::string_view line, int factors) {
    constexpr long kMaxSeed = 2147483647;
    constexpr long kAnySize = 2147483647; // the limits for the factors follow
    const std::vector<std::string> t = Words(line);
    std::string name;
    for (const MethodName& m : MethodNames())
        if (m.keyword == keyword) name = std::string(m.text) + ": ";
    const auto whole = [&](std::size_t at, std::string_view what, long least, long most) {
        const auto outcome = WholeSetting(t, at, what, least, most);
        return outcome ? outcome : Outcome::Failure(name + outcome.message);
    };
    Method sized;
    const auto size = [&](MethodKind kind, std::size_t at) {
        sized.kind = kind;
        const int value = static_cast<int>(*ParseNumber(t[at]));
        (kind == MethodKind::Morris ? sized.trajectories : sized.executions) = value;
        return CheckDesignSize(sized, factors);
    };
    Outcome outcome;
    if (keyword == "lhs" || keyword == "random") {
        (outcome = whole(0, "the seed", 0, kMaxSeed)) &&
            (outcome = whole(1, "the executions", 1, kAnySize)) &&
            (outcome = size(keyword == "lhs" ? MethodKind::Lhs : MethodKind::Random, 1));
    } else if (keyword == "lptau") {
        (outcome = whole(0, "the executions", 1, kAnySize)) && (outcome = size(MethodKind::LpTau, 0));
    } else if (keyword == "morris") {
        (outcome = whole(0, "the seed", 0, kMaxSeed)) &&
            (outcome = whole(1, "the trajectories", 1, kAnySize)) &&
            (outcome = whole(2, "the levels", 2, 1000));
        if (outcome && std::lround(*ParseNumber(t[2])) % 2 != 0)
            outcome =
                Outcome::Failure(name + "the levels must be an even number, not " + QuoteValue(t[2]) + ".");
        if (outcome) {
            sized.levels = static_cast<int>(*ParseNumber(t[2]));
            outcome = size(MethodKind::Morris, 1);
        }
    } else if (keyword == "fast") {
        const bool classic = !t.empty() && t[0] == "1";
        (outcome = whole(1, "the seed", 0, kMaxSeed)) &&
            (outcome = whole(2, "the executions", 1, kAnySize)) &&
            (outcome = size(classic ? MethodKind::Fast : MethodKind::ExtendedFast, 2));
    } else if (keyword == "sobol") {
        const auto exponent = t.size() > 1 ? ParseNumber(t[1]) : std::nullopt;
        if (!exponent || *exponent != std::floor(*exponent) || *exponent < 0 || *exponent > 15)
            outcome = Outcome::Failure(
                name + "the executions must make a base sample that is a power of two from 32 to "
                       "1048576 (pick a value of the list).");
    }
    return outcome;
}

// The value of a single's shortest text, which the samples' outputs always were: the text read back as
// a double, not the single widened.
std::optional<double> AsWritten(float value) {
    char text[kNumberTextChars];
    return ParseNumber(std::string_view(text, WriteShortestText(text, value)));
}

// A season's output as the output file gives it, or nothing when the crop did not reach the stage it
// needs. The end-of-crop biomass keeps the value of a single, as it always had.
std::optional<double> SeasonOutput(const RunState& run, SampleOutput output) {
    if (output == SampleOutput::Agb) return AsWritten(EndOfCropValues(run).AGB);
    const SeasonSummary summary = Summarize(run);
    switch (output) {
    case SampleOutput::Panicles:
        // The summary's t/ha back to the g m-2 of the end-of-crop biomass, as a single again.
        if (!summary.paniclesMaturity) return std::nullopt;
        return AsWritten(static_cast<float>(*summary.paniclesMaturity * 100.0));
    case SampleOutput::Flowering:
        if (!summary.flowering) return std::nullopt;
        return *summary.flowering;
    case SampleOutput::Maturity:
        if (!summary.maturity) return std::nullopt;
        return *summary.maturity;
    case SampleOutput::LaiMax:
        return AsWritten(static_cast<float>(summary.laiMax));
    case SampleOutput::Agb:
        break;
    }
    return std::nullopt;
}

} // namespace

fs::path AnalysisFoldersParent() {
    return DataFolder() / "sensitivity";
}

ExchangeFiles NewExchangeFiles() {
    return NewExchangeFiles(AnalysisFoldersParent());
}

ExchangeFiles NewExchangeFiles(const fs::path& parent) {
    fs::create_directories(parent);
    RemoveStaleAnalyses(parent);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char name[32];
    std::strftime(name, sizeof name, "%Y%m%d-%H%M%S-XXXXXX", &local);
    std::string folder = (parent / name).string();
    if (!::mkdtemp(folder.data()))
        throw fs::filesystem_error("cannot make a folder for the analysis", parent,
                                   std::error_code(errno, std::generic_category()));
    std::ofstream(fs::path(folder) / kRunningMark) << ::getpid() << '\n';
    return {fs::path(folder)};
}

void RemoveExchangeFiles(const ExchangeFiles& files) {
    if (!IsAnalysisFolderName(files.folder.filename().string())) return;
    std::error_code error;
    fs::remove_all(files.folder, error);
}

const std::vector<ParameterFactor>& AllFactors() {
    static const std::vector<ParameterFactor> factors = [] {
        std::vector<ParameterFactor> list(kGrowthFactors);
        const auto registry = CropParameterRegistry();
        for (const GrowthFactorEntry& f : GrowthFactorTable()) {
            const int index = ParameterIndex(f.id);
            const ParameterInfo& p = registry[static_cast<std::size_t>(index)];
            list[static_cast<std::size_t>(f.number - 1)] = {
                f.number - 1, "par" + std::to_string(f.number), f.label, f.mean, f.sd, index, p.min, p.max};
        }
        for (std::size_t i = 0; i < registry.size(); ++i) {
            const ParameterInfo& p = registry[i];
            if (FindGrowthFactorEntry(p)) continue;
            if (p.whole || p.kind == ParameterKind::Code || p.kind == ParameterKind::Switch) continue;
            list.push_back({static_cast<int>(list.size()),
                            std::string(p.id),
                            p.label,
                            {},
                            {},
                            static_cast<int>(i),
                            p.min,
                            p.max});
        }
        return list;
    }();
    return factors;
}

const std::vector<ParameterFactor>& GrowthFactors() {
    static const std::vector<ParameterFactor> factors(AllFactors().begin(),
                                                      AllFactors().begin() + kGrowthFactors);
    return factors;
}

TickedFactor DefaultFactor(const ParameterFactor& factor, double configured) {
    if (!factor.mean.empty()) return {factor.row, "normal", std::string(factor.mean), std::string(factor.sd)};
    static const int kc = ParameterIndex("KcFullCanopy");
    const double mean = factor.parameter == kc ? kSampleKcFullCanopy : configured;
    const double sd = 0.1 * (mean != 0 ? std::fabs(mean) : factor.max - factor.min);
    return {factor.row, "normal", ShortestText(mean), FormatSignificant(sd, 6)};
}

std::span<const OutputChoice> OutputChoices() {
    static constexpr OutputChoice choices[] = {
        {SampleOutput::Agb, "agb", "End-of-crop AGB (g/m2)", "end-of-crop AGB", "total AGB"},
        {SampleOutput::Panicles, "panicles", "Panicles at maturity (g/m2)", "panicles at maturity",
         "panicles at maturity"},
        {SampleOutput::Flowering, "flowering", "Flowering day (DOY)", "flowering day", "flowering day"},
        {SampleOutput::Maturity, "maturity", "Maturity day (DOY)", "maturity day", "maturity day"},
        {SampleOutput::LaiMax, "lai-max", "Maximum LAI (m2/m2)", "maximum LAI", "maximum LAI"}};
    return choices;
}

const OutputChoice& ChoiceOf(SampleOutput output) {
    for (const OutputChoice& choice : OutputChoices())
        if (choice.output == output) return choice;
    return OutputChoices().front();
}

std::optional<SampleOutput> FindOutput(std::string_view keywordOrCaption) {
    const std::string wanted = Lower(keywordOrCaption);
    for (const OutputChoice& choice : OutputChoices())
        if (wanted == choice.keyword || wanted == Lower(choice.caption)) return choice.output;
    return std::nullopt;
}

std::span<const MethodName> MethodNames() {
    static constexpr MethodName names[] = {{"FAST", "fast"},
                                           {"Latin hypercube sampling", "lhs"},
                                           {"Morris method", "morris"},
                                           {"Quasi-Random LpTau", "lptau"},
                                           {"Random", "random"},
                                           {"Sobol method", "sobol"}};
    return names;
}

std::optional<std::string> MethodKeyword(std::string_view textOrKeyword) {
    const std::string wanted = Lower(textOrKeyword);
    for (const MethodName& name : MethodNames())
        if (wanted == Lower(name.text) || wanted == name.keyword) return std::string(name.keyword);
    return std::nullopt;
}

Outcome MethodLine(const MethodSettings& settings, int ticked, std::string& keyword, std::string& line) {
    const auto key = MethodKeyword(settings.method);
    if (!key)
        return Outcome::Failure(
            std::string("Only Morris, Sobol, FAST, Latin hypercube, Quasi-Random LpTau, and Random methods "
                        "are allowed in this version of TULO"));
    keyword = *key;
    const auto text = [](const std::string& s) { return std::string(Trim(s)); };
    if (keyword == "fast") {
        const std::string computation = Lower(settings.computation);
        if (computation != "classic" && computation != "extended")
            return Outcome::Failure(
                "You have specified an invalid string in the <Method computation> combo box");
        line =
            (computation == "classic" ? "1 " : "2 ") + text(settings.seed) + " " + text(settings.executions);
    } else if (keyword == "lhs" || keyword == "random") {
        line = text(settings.seed) + " " + text(settings.executions);
    } else if (keyword == "morris") {
        line = text(settings.seed) + " " + text(settings.trajectories) + " " + text(settings.levels);
    } else if (keyword == "lptau") {
        line = text(settings.executions);
    } else {
        const std::string computation = Lower(settings.computation);
        if (computation != "total" && computation != "custom")
            return Outcome::Failure(
                "You have specified an invalid string in the <Method computation> combo box");
        const bool custom = computation == "custom";
        // The executions are the base sample, 2^(5 + exponent) rows.
        const auto base = ParseNumber(settings.executions);
        const double exponent = base && *base > 0 ? std::log2(*base) - 5 : -1;
        if (exponent < 0 || exponent > 15 || exponent != std::floor(exponent))
            return Outcome::Failure(
                "Sobol method: the executions are the base sample size, a power of two from 32 to "
                "1048576 (32, 64, 128, ...), not " +
                QuoteValue(text(settings.executions)) + ".");
        line = (custom ? "3 " : "1 ") + std::to_string(static_cast<int>(exponent));
        if (custom) {
            const std::string order = Lower(settings.order);
            const char* digit = order == "first"    ? "1"
                                : order == "second" ? "2"
                                : order == "third"  ? "3"
                                                    : nullptr;
            if (!digit)
                return Outcome::Failure(
                    "You have specified an invalid stringa in the <Order of infices calc.> combo box");
            line += std::string(" ") + digit;
        }
    }
    if (const auto why = MethodSettingsProblem(keyword, line, ticked); !why) return why;
    Method method;
    if (const auto why = ParseMethod(keyword, line, method); !why) return why;
    return CheckDesignSize(method, ticked);
}

Outcome CheckRequest(const AnalysisRequest& request) {
    if (request.factors.empty()) return Outcome::Failure("Tick at least one growth parameter.");
    int previous = -1;
    for (const TickedFactor& f : request.factors) {
        const int rows = static_cast<int>(AllFactors().size());
        if (f.row <= previous || f.row >= rows)
            return Outcome::Failure("The factor rows must be distinct, in order and from 0 to " +
                                    std::to_string(rows - 1) + ".");
        previous = f.row;
        const ParameterFactor& growth = AllFactors()[static_cast<std::size_t>(f.row)];
        if (Trim(f.distribution) != "normal")
            return Outcome::Failure("Only normal distributions are allowed in this version of TULO");
        Factor factor{growth.name};
        const auto mean = ParseNumber(f.mean);
        const auto sd = ParseNumber(f.sd);
        if (!mean || !sd)
            return Outcome::Failure(growth.name + " (" + std::string(growth.label) +
                                    "): the mean and the standard deviation must "
                                    "be numbers.");
        factor.a = *mean;
        factor.b = *sd;
        if (const auto why = CheckFactor(factor); !why) return why;
        // A mean outside the range, or a spread wider than it, would have most of the sample truncated
        // to the range's ends and the factor's indices describe the truncation.
        const std::string named = growth.name + " (" + std::string(growth.label) + "): the ";
        const std::string range = ShortestText(growth.min) + " to " + ShortestText(growth.max);
        if (*mean < growth.min || *mean > growth.max)
            return Outcome::Failure(named + "mean " + std::string(Trim(f.mean)) +
                                    " is outside the parameter's accepted range, " + range + ".");
        if (*sd > growth.max - growth.min)
            return Outcome::Failure(named + "standard deviation " + std::string(Trim(f.sd)) +
                                    " is wider than the parameter's accepted range, " + range + ".");
    }
    if (request.openedSample) return Outcome::Success();
    if (const auto why = MethodSettingsProblem(request.keyword, request.methodLine,
                                               static_cast<int>(request.factors.size()));
        !why)
        return why;
    Method method;
    if (const auto why = ParseMethod(request.keyword, request.methodLine, method); !why) return why;
    return CheckDesignSize(method, static_cast<int>(request.factors.size()));
}

std::optional<long> PlannedRuns(const AnalysisRequest& request) {
    Method method;
    if (request.openedSample || !ParseMethod(request.keyword, request.methodLine, method))
        return std::nullopt;
    return DesignRows(method, static_cast<int>(request.factors.size()));
}

std::string ConfigurationText(const AnalysisRequest& request, const fs::path& samplePath) {
    std::string text = std::to_string(request.factors.size()) + "\r\n";
    for (const TickedFactor& f : request.factors)
        text += AllFactors()[static_cast<std::size_t>(f.row)].name + " " + std::string(Trim(f.distribution)) +
                " " + std::string(Trim(f.mean)) + " " + std::string(Trim(f.sd)) + " 0.01 0.99\r\n";
    text += request.keyword + "\r\n" + request.methodLine + "\r\n" + samplePath.string() + "\r\n";
    return text;
}

fs::path ToolPath() {
    if (const char* named = std::getenv("TULO_SIMLAB"); named && *named) return fs::path(named);
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (error ? fs::path() : self.parent_path()) / "tuloSimLab";
}

namespace {

// A started tool: its process and the reading end of the pipe its standard output and error go into.
struct SpawnedTool {
    pid_t pid = 0;
    int readEnd = -1;
};

// Starts the tool with its standard output and error into a pipe, or says why it cannot be started.
Result<SpawnedTool> SpawnTool(const std::string& program, const std::string& modeText, const fs::path& file) {
    pid_t pid = 0;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return Outcome::Failure("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    std::string programText = program, mode = modeText, path = file.string();
    char* argv[] = {programText.data(), mode.data(), path.data(), nullptr};
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return Outcome::Failure(std::string(std::strerror(spawned)));
    }
    return SpawnedTool{pid, pipeEnds[0]};
}

// How the tool ended: its wait status and the start of what it said.
struct ToolExit {
    int status = 0;
    std::string said;
};

// Waits for the tool's exit, keeping the start of what it says: Cancelled or Failed (named `name`) when
// it is killed for `cancelled` or for running beyond the time limit. Closes the tool's pipe.
Result<ToolExit> WaitForTool(const SpawnedTool& tool, const std::string& name,
                             std::chrono::milliseconds timeLimit, const std::function<bool()>& cancelled) {
    const pid_t pid = tool.pid;
    const int readEnd = tool.readEnd;
    int status = 0;
    std::string said;
    const auto drain = [&] {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(readEnd, buffer, sizeof buffer)) > 0)
            if (said.size() < kMaxToolMessage) said.append(buffer, static_cast<std::size_t>(got));
    };
    ::fcntl(readEnd, F_SETFL, O_NONBLOCK);
    const auto start = std::chrono::steady_clock::now();
    Outcome result;
    while (true) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        drain();
        if (ended == pid || (ended < 0 && errno != EINTR)) break;
        const bool stop = cancelled && cancelled();
        const bool late = std::chrono::steady_clock::now() - start > timeLimit;
        if (stop || late) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            result = stop ? Outcome::Cancellation("The sensitivity analysis was cancelled.")
                          : Outcome::Failure(
                                name + " did not finish within " +
                                std::to_string(
                                    std::chrono::duration_cast<std::chrono::seconds>(timeLimit).count()) +
                                " s and was stopped.");
            break;
        }
        pollfd wait{readEnd, POLLIN, 0};
        ::poll(&wait, 1, 50);
    }
    drain();
    ::close(readEnd);
    if (!result) return result;
    return ToolExit{status, std::move(said)};
}

} // namespace

Outcome RunTool(const fs::path& tool, int mode, const fs::path& file, std::chrono::milliseconds timeLimit,
                const std::function<bool()>& cancelled) {
    const std::string name = "The sensitivity tool " + Quoted(tool);
    if (::access(tool.c_str(), X_OK) != 0)
        return Outcome::Failure(name + " cannot be started: " + std::strerror(errno) +
                                ". It is installed beside tulo; $TULO_SIMLAB may name another.");
    const std::string modeText = std::to_string(mode);
    const auto spawned = SpawnTool(tool.string(), modeText, file);
    if (!spawned) return Outcome::Failure(name + " cannot be started: " + spawned.message() + ".");
    const auto exit = WaitForTool(*spawned, name, timeLimit, cancelled);
    if (!exit) return exit.outcome();
    const int status = exit->status;
    const std::string& said = exit->said;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
    std::string message = name + " (mode " + modeText + ") failed";
    message += WIFSIGNALED(status) ? " with signal " + std::to_string(WTERMSIG(status))
                                   : " with exit status " + std::to_string(WEXITSTATUS(status));
    const std::string_view text = Trim(said);
    return Outcome::Failure(message + (text.empty() ? "." : ": " + std::string(text)));
}

namespace {

// Per sample row, the parameters its season runs: the crop coefficient at full canopy, then the row's
// values set into the parameters of `rows`, truncated to each one's accepted range and counted per column
// in `truncated`.
std::vector<ParameterSet> SampleParameterSets(const SampleFile& sample, std::span<const int> rows,
                                              std::vector<int>& truncated) {
    static const int kc = ParameterIndex("KcFullCanopy");
    const auto& factors = AllFactors();
    const std::size_t total = static_cast<std::size_t>(sample.rows);
    std::vector<ParameterSet> sets(total);
    for (std::size_t s = 0; s < total; ++s) {
        ParameterSet& set = sets[s];
        set.reserve(rows.size() + 1);
        set.push_back({kc, kSampleKcFullCanopy});
        for (std::size_t j = 0; j < rows.size(); ++j) {
            const ParameterFactor& f = factors[static_cast<std::size_t>(rows[j])];
            const double value = sample.values[s * rows.size() + j];
            const double kept = std::clamp(value, f.min, f.max);
            truncated[j] += kept != value;
            set.push_back({f.parameter, kept});
        }
    }
    return sets;
}

// The failure of samples whose crop does not reach the stage their output needs.
Outcome UndefinedOutputs(SampleOutput output, std::size_t undefined, std::size_t total,
                         std::size_t firstUndefined) {
    const OutputChoice& choice = ChoiceOf(output);
    const char* stage = output == SampleOutput::Flowering ? "flowering" : "maturity";
    return Outcome::Failure(std::to_string(undefined) + " of " + std::to_string(total) +
                            " samples (the first: sample " + std::to_string(firstUndefined + 1) +
                            ") have no " + std::string(choice.text) + ": their crop does not reach " + stage +
                            " by the final day. The indices would describe only the samples that reach it; "
                            "lengthen the season or narrow the factors' distributions.");
}

Outcome ReadSample(const fs::path& path, SampleFile& sample) {
    const auto text = ReadWholeFile(path, kMaxSampleFileBytes);
    if (!text)
        return Outcome::Failure("Cannot read the sample file " + Quoted(path) + ": " + text.message() + ".");
    if (const auto why = ParseSampleFile(*text, sample); !why)
        return Outcome::Failure("In the sample file " + Quoted(path) + ": " + why.message);
    return {};
}

} // namespace

SampleRuns RunSampleSimulations(const SeasonInputs& inputs, const SampleFile& sample,
                                std::span<const int> rows, const RunOptions& options, SampleOutput output) {
    SampleRuns runs;
    if (static_cast<std::size_t>(sample.factors) != rows.size()) {
        runs.status =
            Outcome::Failure("The sample file holds " + std::to_string(sample.factors) + " factors but " +
                             std::to_string(rows.size()) + " factors are ticked.");
        return runs;
    }
    runs.truncated.assign(rows.size(), 0);
    const std::size_t total = static_cast<std::size_t>(sample.rows);
    const std::vector<ParameterSet> sets = SampleParameterSets(sample, rows, runs.truncated);
    // Each worker writes its samples' values in place: no text is made and read back.
    std::vector<double> values(total, 0.0);
    std::vector<char> defined(total, 0);
    const SeasonSink sink = [&](std::size_t s, const RunState& run) {
        const auto value = SeasonOutput(run, output);
        values[s] = value.value_or(0.0);
        defined[s] = value.has_value();
    };
    EnsembleOptions ensemble;
    ensemble.threads = options.threads;
    ensemble.cancelled = options.cancelled;
    if (options.progress) ensemble.done = [&](std::size_t done) { options.progress(done, total); };
    const auto problems = RunEnsembleInto(inputs, sets, sink, ensemble);

    if (options.cancelled && options.cancelled()) {
        runs.status = Outcome::Cancellation("The sensitivity analysis was cancelled during the simulations.");
        return runs;
    }
    std::size_t undefined = 0, firstUndefined = 0;
    for (std::size_t s = 0; s < total; ++s) {
        if (!problems[s].empty()) {
            runs.status = Outcome::Failure("Sample " + std::to_string(s + 1) +
                                           " cannot be simulated: " + problems[s] + ".");
            return runs;
        }
        if (!defined[s] && undefined++ == 0) firstUndefined = s;
    }
    runs.outputs = std::move(values);
    if (undefined > 0) {
        runs.status = UndefinedOutputs(output, undefined, total, firstUndefined);
        runs.outputs.clear();
    }
    return runs;
}

Simulations CreateSamplesAndRun(const SeasonInputs& inputs, const AnalysisRequest& request,
                                const ExchangeFiles& files, const RunOptions& options) {
    Simulations sims;
    if (sims.status = RemoveOutputs(files); !sims.status) return sims;
    if (sims.status = CheckRequest(request); !sims.status) return sims;
    for (const TickedFactor& f : request.factors) sims.rows.push_back(f.row);
    const fs::path tool = options.tool.empty() ? ToolPath() : options.tool;

    if (request.openedSample) {
        sims.samplePath = fs::absolute(*request.openedSample);
    } else {
        sims.samplePath = files.sample();
        // A tool that ends without writing must not leave an earlier sample to be run.
        sims.status = RemoveFile(sims.samplePath);
        if (sims.status)
            sims.status = Write(files.configuration(), ConfigurationText(request, sims.samplePath));
        if (!sims.status) return sims;
        sims.status = RunTool(tool, 1, files.configuration(), options.toolTimeLimit, options.cancelled);
        if (!sims.status) return sims;
    }

    SampleFile sample;
    if (sims.status = ReadSample(sims.samplePath, sample); !sims.status) return sims;
    sims.runs = RunSampleSimulations(inputs, sample, sims.rows, options, request.output);
    sims.status = sims.runs.status;
    if (!sims.status) return sims;

    const bool truncated = std::any_of(sims.runs.truncated.begin(), sims.runs.truncated.end(),
                                       [](int count) { return count > 0; });
    const fs::path analysed = truncated ? files.runValues() : sims.samplePath;
    Outcome written;
    if (truncated) written = Write(analysed, RunValuesText(sample, sims.rows));
    if (written)
        written =
            Write(files.output(), FormatOutputFile(ChoiceOf(request.output).fileName, sims.runs.outputs));
    if (written)
        written = Write(files.request(), RequestText(analysed, request.methodLine, sims.rows.size(), files));
    if (!written) {
        RemoveOutputs(files);
        sims.status = written;
    }
    return sims;
}

namespace {

// The items of an index file read one after another; nothing past the last.
class ItemReader {
public:
    explicit ItemReader(std::string_view text) : items_(Items(text)) {}
    std::optional<std::string_view> Next() {
        if (at_ >= items_.size()) return std::nullopt;
        return items_[at_++];
    }

private:
    std::vector<std::string_view> items_;
    std::size_t at_ = 0;
};

std::optional<int> WholeItem(std::optional<std::string_view> item) {
    const auto value = item ? ParseNumber(*item) : std::nullopt;
    if (!value || *value != std::floor(*value) || *value < 0 || *value > 1e6) return std::nullopt;
    return static_cast<int>(*value);
}

// The header up to "indexes = yes": the title, the method line, the number of outputs and of factors.
Outcome ReadIndexHeader(ItemReader& items, std::size_t factors, IndexResults& results) {
    items.Next();
    if (const auto method = items.Next(); method && method->starts_with("method = "))
        results.method = std::string(Trim(method->substr(9)));
    const auto outputs = WholeItem(items.Next());
    const auto count = WholeItem(items.Next());
    if (!outputs || !count)
        return Outcome::Failure(
            std::string("The index file must start with two header lines, the number of outputs and the "
                        "number of factors."));
    if (static_cast<std::size_t>(*count) != factors)
        return Outcome::Failure("The index file gives " + std::to_string(*count) +
                                " factors but the analysis has " + std::to_string(factors) + ".");
    while (true) {
        const auto item = items.Next();
        if (!item)
            return Outcome::Failure(
                "The index file has no line \"indexes = yes\": the tool computed no indices.");
        if (*item == "indexes = yes") return Outcome::Success();
    }
}

// Factor j's line of values, "name, index 1 name, index 1, index 2 name, index 2[, the intervals]", into
// `f`, labelled as factor row `row`.
Outcome ReadFactorLine(std::size_t j, std::optional<std::string_view> line, int row, FactorResult& f,
                       std::vector<std::string_view>& fields) {
    const std::string where = "Factor " + std::to_string(j + 1) + " of the index file";
    if (!line) return Outcome::Failure(where + " is missing: the file ends early.");
    fields = Fields(*line);
    const bool varied = fields.size() <= 4 || fields[2] != kNotVaried || fields[4] != kNotVaried;
    const auto value1 = fields.size() > 4 ? (varied ? ParseNumber(fields[2]) : 0.0) : std::nullopt;
    const auto value2 = fields.size() > 4 ? (varied ? ParseNumber(fields[4]) : 0.0) : std::nullopt;
    if (!value1 || !value2)
        return Outcome::Failure(where + ", " + QuoteValue(*line) +
                                ", must hold its two values in its third and fifth tab-separated fields.");
    const ParameterFactor& factor = AllFactors()[static_cast<std::size_t>(row)];
    f.row = factor.row;
    f.name = factor.name;
    f.label = std::string(factor.label);
    f.index1 = *value1;
    f.index2 = *value2;
    f.varied = varied;
    if (varied && fields.size() > 8) {
        f.low1 = ParseNumber(fields[5]);
        f.high1 = ParseNumber(fields[6]);
        f.low2 = ParseNumber(fields[7]);
        f.high2 = ParseNumber(fields[8]);
    }
    return Outcome::Success();
}

// One factor per analysed row: its name item, then its line of values (a Sobol' factor may carry two more
// items, "1" and a name, before it). `fileNames` receives the factors' names as the file gives them.
Outcome ReadFactors(ItemReader& items, std::span<const int> rows, bool sobol, IndexResults& results,
                    std::vector<std::string_view>& fileNames) {
    for (std::size_t j = 0; j < rows.size(); ++j) {
        items.Next();
        auto line = items.Next();
        if (sobol && line && Trim(*line) == "1") {
            items.Next();
            line = items.Next();
        }
        FactorResult f;
        std::vector<std::string_view> fields;
        if (auto why = ReadFactorLine(j, line, rows[j], f, fields); !why) return why;
        if (j == 0) {
            results.index1Name = std::string(Trim(fields[1]));
            results.index2Name = std::string(Trim(fields[3]));
        }
        results.factors.push_back(std::move(f));
        fileNames.push_back(Trim(fields[0]));
    }
    return Outcome::Success();
}

// An interaction line, "p1*p3, index name, index[, low, high]", naming two or three distinct factors of
// the file.
Outcome ReadInteractionLine(std::string_view line, const IndexResults& results,
                            std::span<const std::string_view> fileNames, InteractionResult& interaction) {
    const std::vector<std::string_view> fields = Fields(line);
    const auto value = fields.size() > 2 ? ParseNumber(fields[2]) : std::nullopt;
    for (std::string_view names = fields[0]; value;) {
        const std::size_t star = std::min(names.find('*'), names.size());
        const auto found = std::find(fileNames.begin(), fileNames.end(), Trim(names.substr(0, star)));
        if (found == fileNames.end()) break;
        const FactorResult& factor = results.factors[static_cast<std::size_t>(found - fileNames.begin())];
        interaction.names.push_back(factor.name);
        interaction.label += (interaction.label.empty() ? "" : " \u00d7 ") + factor.label;
        if (star == names.size()) break;
        names.remove_prefix(star + 1);
    }
    std::vector<std::string> distinct = interaction.names;
    std::sort(distinct.begin(), distinct.end());
    const bool repeated = std::adjacent_find(distinct.begin(), distinct.end()) != distinct.end();
    if (!value || interaction.names.size() < 2 || interaction.names.size() > 3 || repeated ||
        interaction.names.size() !=
            static_cast<std::size_t>(std::count(fields[0].begin(), fields[0].end(), '*') + 1))
        return Outcome::Failure(
            "The interaction line " + QuoteValue(line) +
            " of the index file must name two or three of its factors joined by \"*\", then the "
            "index's name and its value, tab-separated.");
    interaction.indexName = std::string(Trim(fields[1]));
    interaction.index = *value;
    if (fields.size() > 4) {
        interaction.low = ParseNumber(fields[3]);
        interaction.high = ParseNumber(fields[4]);
    }
    return Outcome::Success();
}

} // namespace

Outcome ParseIndexFile(std::string_view text, std::span<const int> rows, bool sobol, IndexResults& results) {
    results = IndexResults{};
    ItemReader items(text);
    if (auto why = ReadIndexHeader(items, rows.size(), results); !why) return why;
    std::vector<std::string_view> fileNames;
    if (auto why = ReadFactors(items, rows, sobol, results, fileNames); !why) return why;
    // An index file of an older tool, or of another method, ends here.
    while (const auto item = items.Next())
        if (*item == "interactions = yes") break;
    while (const auto line = items.Next()) {
        if (Trim(*line).empty()) continue;
        InteractionResult interaction;
        if (auto why = ReadInteractionLine(*line, results, fileNames, interaction); !why) return why;
        results.interactions.push_back(std::move(interaction));
    }
    return Outcome::Success();
}

Outcome ReadIndexResults(const ExchangeFiles& files, std::span<const int> rows, IndexResults& results) {
    results = IndexResults{};
    std::error_code error;
    const auto outputTime = fs::last_write_time(files.output(), error);
    if (error)
        return Outcome::Failure("There are no simulation outputs (" + Quoted(files.output()) +
                                "): create the samples and run the simulations first.");
    const auto indexTime = fs::last_write_time(files.index(), error);
    if (error) return Outcome::Failure("There is no index file " + Quoted(files.index()) + ".");
    if (indexTime < outputTime)
        return Outcome::Failure(
            "The index file " + Quoted(files.index()) +
            " is older than the outputs of the last simulations: it describes an earlier analysis.");
    const auto read = ReadWholeFile(files.index(), kMaxTextFileBytes);
    if (!read)
        return Outcome::Failure("Cannot read the index file " + Quoted(files.index()) + ": " +
                                read.message() + ".");
    const std::string& text = *read;
    // Only our tool's index file names its method; Sobol' is the one method whose factors may carry
    // two more items.
    const std::vector<std::string_view> items = Items(text);
    const bool sobol = items.size() > 1 && items[1].starts_with("method = sobol");
    if (const auto why = ParseIndexFile(text, rows, sobol, results); !why)
        return Outcome::Failure("In the index file " + Quoted(files.index()) + ": " + why.message);
    return {};
}

Outcome ComputeIndexResults(const ExchangeFiles& files, std::span<const int> rows, IndexResults& results,
                            const RunOptions& options) {
    results = IndexResults{};
    if (!fs::exists(files.output()) || !fs::exists(files.request()))
        return Outcome::Failure("There are no simulation outputs in " + Quoted(files.folder) +
                                ": create the samples and run the simulations first.");
    const fs::path tool = options.tool.empty() ? ToolPath() : options.tool;
    if (auto status = RunTool(tool, 2, files.request(), options.toolTimeLimit, options.cancelled); !status)
        return status;
    return ReadIndexResults(files, rows, results);
}

Analysis RunAnalysis(const SeasonInputs& inputs, const AnalysisRequest& request, const ExchangeFiles& files,
                     const RunOptions& options) {
    Analysis analysis;
    analysis.simulations = CreateSamplesAndRun(inputs, request, files, options);
    analysis.status = analysis.simulations.status;
    if (!analysis.status) return analysis;
    analysis.status = ComputeIndexResults(files, analysis.simulations.rows, analysis.results, options);
    if (!analysis.status) {
        RemoveOutputs(files);
        return analysis;
    }
    for (std::size_t j = 0; j < analysis.results.factors.size(); ++j)
        analysis.results.factors[j].truncated = analysis.simulations.runs.truncated[j];
    std::error_code finished; // kept for the user from now on
    fs::remove(files.folder / kRunningMark, finished);
    return analysis;
}

namespace {

// The configuration ConfigurationText gives the tool, as its first mode reads it.
Configuration ConfigurationOf(const AnalysisRequest& request) {
    Configuration config;
    for (const TickedFactor& f : request.factors)
        config.factors.push_back({AllFactors()[static_cast<std::size_t>(f.row)].name, Distribution::Normal,
                                  ParseNumber(f.mean).value_or(0.0), ParseNumber(f.sd).value_or(0.0)});
    return config;
}

// The sample as the sample file gives it to the seasons: the file is the drawing written out exactly.
SampleFile DrawnSample(Sample&& drawn) {
    SampleFile sample;
    sample.method = drawn.method;
    sample.names = std::move(drawn.names);
    sample.rows = drawn.design.rows;
    sample.factors = drawn.design.factors;
    sample.values = std::move(drawn.values);
    return sample;
}

// The indices as ReadIndexResults reads them from the index file the tool writes of `result`.
IndexResults ResultsAsWritten(const IndexResult& result, std::span<const int> rows) {
    IndexResults results;
    results.method = result.knownDesign ? std::string(Trim(MethodText(result.method)))
                                        : std::string("unknown design: regression");
    std::tie(results.index1Name, results.index2Name) = IndexNames(result.method.kind);
    for (std::size_t j = 0; j < result.indices.size(); ++j) {
        const FactorIndices& indices = result.indices[j];
        const ParameterFactor& factor = AllFactors()[static_cast<std::size_t>(rows[j])];
        FactorResult& f = results.factors.emplace_back();
        f.row = factor.row;
        f.name = factor.name;
        f.label = std::string(factor.label);
        f.varied = indices.varied;
        if (!f.varied) continue;
        f.index1 = IndexAsWritten(indices.first.value);
        f.index2 = IndexAsWritten(indices.second.value);
        if (indices.first.hasInterval) {
            f.low1 = IndexAsWritten(indices.first.low);
            f.high1 = IndexAsWritten(indices.first.high);
        }
        if (indices.second.hasInterval) {
            f.low2 = IndexAsWritten(indices.second.low);
            f.high2 = IndexAsWritten(indices.second.high);
        }
    }
    for (const Interaction& i : result.interactions) {
        InteractionResult& interaction = results.interactions.emplace_back();
        const bool dotted = std::any_of(i.factors.begin(), i.factors.end(), [](int j) { return j >= 9; });
        interaction.indexName = "S";
        for (const int j : i.factors) {
            const FactorResult& factor = results.factors[static_cast<std::size_t>(j)];
            interaction.names.push_back(factor.name);
            interaction.label += (interaction.label.empty() ? "" : " \u00d7 ") + factor.label;
            interaction.indexName +=
                (dotted && interaction.indexName.size() > 1 ? "." : "") + std::to_string(j + 1);
        }
        interaction.index = IndexAsWritten(i.index.value);
        if (i.index.hasInterval) {
            interaction.low = IndexAsWritten(i.index.low);
            interaction.high = IndexAsWritten(i.index.high);
        }
    }
    return results;
}

// The files the exchange leaves of a finished analysis, in the order it writes them, so that the index
// file is the newest as ReadIndexResults requires.
Outcome WriteKeptFiles(const AnalysisRequest& request, const Simulations& sims, const SampleFile& sample,
                       const IndexResult& result, const ExchangeFiles& files) {
    const bool truncated = std::any_of(sims.runs.truncated.begin(), sims.runs.truncated.end(),
                                       [](int count) { return count > 0; });
    const fs::path analysed = truncated ? files.runValues() : sims.samplePath;
    const std::string_view outputName = ChoiceOf(request.output).fileName;
    Outcome written;
    if (!request.openedSample) {
        written = Write(files.configuration(), ConfigurationText(request, sims.samplePath));
        if (written) written = Write(sims.samplePath, SampleFileText(sample, ""));
    }
    if (written && truncated) written = Write(analysed, RunValuesText(sample, sims.rows));
    if (written) written = Write(files.output(), FormatOutputFile(outputName, sims.runs.outputs));
    if (written)
        written = Write(files.request(), RequestText(analysed, request.methodLine, sims.rows.size(), files));
    if (written) written = Write(files.index(), FormatIndexFile(result, outputName));
    if (!written) return written;
    std::error_code finished; // kept for the user from now on
    fs::remove(files.folder / kRunningMark, finished);
    return Outcome::Success();
}

} // namespace

Analysis RunAnalysisInProcess(const SeasonInputs& inputs, const AnalysisRequest& request,
                              const RunOptions& options, const ExchangeFiles* keep) {
    Analysis analysis;
    Simulations& sims = analysis.simulations;
    const auto cancelled = [&] {
        if (options.cancelled && options.cancelled())
            analysis.status = Outcome::Cancellation("The sensitivity analysis was cancelled.");
        return !analysis.status;
    };
    if (analysis.status = sims.status = CheckRequest(request); !analysis.status) return analysis;
    for (const TickedFactor& f : request.factors) sims.rows.push_back(f.row);

    SampleFile sample;
    if (request.openedSample) {
        sims.samplePath = fs::absolute(*request.openedSample);
        if (analysis.status = sims.status = ReadSample(sims.samplePath, sample); !analysis.status)
            return analysis;
    } else {
        if (keep) sims.samplePath = keep->sample();
        Configuration config = ConfigurationOf(request);
        Sample drawn;
        Outcome drawing = ParseMethod(request.keyword, request.methodLine, config.method);
        if (drawing) drawing = DrawSample(config, drawn);
        if (!drawing) {
            analysis.status = sims.status = drawing;
            return analysis;
        }
        sample = DrawnSample(std::move(drawn));
        if (cancelled()) return analysis;
    }

    sims.runs = RunSampleSimulations(inputs, sample, sims.rows, options, request.output);
    analysis.status = sims.status = sims.runs.status;
    if (!analysis.status) return analysis;

    // The indices describe the values run: those truncated to a parameter's range, not those drawn.
    const bool truncated = std::any_of(sims.runs.truncated.begin(), sims.runs.truncated.end(),
                                       [](int count) { return count > 0; });
    IndexResult indices;
    if (Outcome computed = ComputeSampleIndices(truncated ? ValuesRun(sample, sims.rows) : sample,
                                                sims.runs.outputs, indices);
        !computed) {
        analysis.status = std::move(computed);
        return analysis;
    }
    if (cancelled()) return analysis;
    analysis.results = ResultsAsWritten(indices, sims.rows);
    for (std::size_t j = 0; j < analysis.results.factors.size(); ++j)
        analysis.results.factors[j].truncated = sims.runs.truncated[j];
    if (keep)
        if (Outcome written = WriteKeptFiles(request, sims, sample, indices, *keep); !written)
            analysis.status = std::move(written);
    return analysis;
}

} // namespace tulo::sensitivity
