// The analysis pipeline around the tool: the exchange files, the sample seasons and what a failed,
// cancelled or stale analysis leaves behind.

#include "sensitivity/Analysis.h"

#include "base/Numbers.h"
#include "commands/ParameterNames.h"
#include "engine/Ensemble.h"
#include "engine/Parameters.h"
#include "forms/SeasonForm.h"
#include "io/TextFiles.h"
#include "sensitivity/DesignSize.h"
#include "support/PrintOutcome.h"
#include "support/ReadText.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tulo::sensitivity {
namespace {

namespace fs = std::filesystem;

using test::CompiledExample;

void Write(const fs::path& file, std::string_view text) {
    ASSERT_TRUE(WriteFileAtomically(file, text));
}

// A sample of the given rows in the sample-file layout another tool writes (no header of ours).
std::string SampleText(const std::vector<std::vector<double>>& rows) {
    std::string text =
        "sample\n" + std::to_string(rows.size()) + "\n" + std::to_string(rows[0].size()) + "\n0\n";
    for (const auto& row : rows) {
        for (std::size_t j = 0; j < row.size(); ++j)
            text += ShortestText(row[j]) + (j + 1 < row.size() ? "\t" : "\n");
    }
    return text;
}

SampleFile SampleOf(const std::vector<std::vector<double>>& rows) {
    SampleFile sample;
    EXPECT_EQ(ParseSampleFile(SampleText(rows), sample), Outcome::Done);
    return sample;
}

class SensitivityAnalysis : public ::testing::Test {
protected:
    void SetUp() override {
        files_.folder =
            fs::temp_directory_path() / ("tulo sa $test-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(files_.folder);
        fs::create_directories(files_.folder);
        options_.tool = TULO_SIMLAB_PATH;
    }
    void TearDown() override { fs::remove_all(files_.folder); }

    ExchangeFiles files_;
    RunOptions options_;
};

// A random analysis of par1 and par4 over the sample opened from `opened`.
AnalysisRequest OpenedPar1AndPar4(const fs::path& opened, const char* methodLine) {
    AnalysisRequest request;
    request.factors = {{0, "normal", "3", "0.5"}, {3, "normal", "28", "2"}};
    request.keyword = "random";
    request.methodLine = methodLine;
    request.openedSample = opened;
    return request;
}

AnalysisRequest LhsOfRow0() {
    AnalysisRequest request;
    request.factors = {{0, "normal", "3", "0.5"}};
    request.keyword = "lhs";
    request.methodLine = "1 100";
    return request;
}

// The configuration text itself is checked from the window's form (SetupFormTest).
TEST_F(SensitivityAnalysis, MethodLinesAreTheWindowsOwn) {
    std::string keyword, line;
    // Sobol's executions are the base sample.
    EXPECT_EQ(MethodLine({"Sobol method", "", "32", "", "", "total", ""}, 11, keyword, line), Outcome::Done);
    EXPECT_EQ(keyword + " " + line, "sobol 1 0");
    EXPECT_EQ(MethodLine({"sobol", "", "1024", "", "", "custom", "second"}, 2, keyword, line), Outcome::Done);
    EXPECT_EQ(line, "3 5 2");
    EXPECT_EQ(MethodLine({"FAST", "7", "650", "", "", "Extended", ""}, 2, keyword, line), Outcome::Done);
    EXPECT_EQ(keyword + " " + line, "fast 2 7 650");
    EXPECT_FALSE(MethodLine({"sobol", "", "100", "", "", "total", ""}, 11, keyword, line));
    EXPECT_FALSE(MethodLine({"Morris method", "1", "", "4", "5", "", ""}, 3, keyword, line)); // odd levels
    EXPECT_FALSE(MethodLine({"Bootstrap", "1", "10", "", "", "", ""}, 3, keyword, line));
}

// A sample of a flooded field runs the season under its own water, as a run of the configuration does:
// the row holding the configuration's own RUE gives the run's biomass, which the same field unflooded
// does not.
TEST_F(SensitivityAnalysis, AFloodedFieldIsAnalysedUnderItsWater) {
    FormModel form = test::ExampleForm("flooded.sim");
    const auto flooded = CompileInputs(form).inputs;
    form.setText(ctl::cmbFlooded, std::string(choice::Unflooded));
    const auto unflooded = CompileInputs(form).inputs;
    ASSERT_TRUE(flooded && unflooded);
    const int columns[] = {0};
    const SampleFile own = SampleOf({{flooded->crop.RUE}});
    const SampleRuns runs = RunSampleSimulations(*flooded, own, columns);
    ASSERT_TRUE(runs.status) << runs.status.message;
    auto run = std::make_unique<RunState>();
    const ParameterValue windowsCrop[] = {{ParameterIndex("KcFullCanopy"), 1.05}}; // as every sample runs
    RunSeason(*flooded, windowsCrop, *run);
    // The outputs pass through the ensemble's text cells.
    EXPECT_EQ(runs.outputs, (std::vector<double>{*ParseNumber(ShortestText(EndOfCropValues(*run).AGB))}));
    const SampleRuns dry = RunSampleSimulations(*unflooded, own, columns);
    ASSERT_TRUE(dry.status) << dry.status.message;
    EXPECT_NE(dry.outputs, runs.outputs);
}

// Each season starts from a cleared run state, so its output depends on its own row only: not on the
// rows run before it on the same worker, nor on the number of workers.
TEST_F(SensitivityAnalysis, SampleOutputsAreTheSameInAnyOrderAndOnAnyNumberOfThreads) {
    std::vector<std::vector<double>> rows;
    for (int i = 0; i < 24; ++i) rows.push_back({2 + 0.1 * i, 0.01 + 0.002 * (i % 7), 600 + 10.0 * (i % 5)});
    std::vector<std::vector<double>> reversed(rows.rbegin(), rows.rend());
    const int columns[] = {0, 5, 9};
    RunOptions one, two;
    one.threads = 1;
    two.threads = 2;
    // The flooded example has blast on, whose infection state a season would otherwise pass to the next.
    for (const char* example : {"demo.sim", "flooded.sim"}) {
        const auto inputs = CompiledExample(example);
        const SampleRuns forward = RunSampleSimulations(*inputs, SampleOf(rows), columns, one);
        const SampleRuns backward = RunSampleSimulations(*inputs, SampleOf(reversed), columns, two);
        ASSERT_TRUE(forward.status) << forward.status.message;
        ASSERT_TRUE(backward.status) << backward.status.message;
        ASSERT_EQ(forward.outputs.size(), rows.size());
        for (std::size_t s = 0; s < rows.size(); ++s) {
            EXPECT_EQ(forward.outputs[s], backward.outputs[rows.size() - 1 - s]) << example << s;
            EXPECT_GT(forward.outputs[s], 0) << example << s;
        }
    }
}

// The output is the biomass at the end of the crop, also when the crop ends before the last simulated
// day (whose cumulated biomass is then 0), with the crop coefficient at full canopy 1.05.
TEST_F(SensitivityAnalysis, TheOutputIsTheEndOfCropBiomassAndValuesAreTruncatedToTheirRange) {
    const auto inputs = CompiledExample("demo.sim");
    const ParameterFactor& lai = GrowthFactors()[5];
    const ParameterFactor& rue = GrowthFactors()[0];
    const int columns[] = {0, 5};
    const SampleRuns runs =
        RunSampleSimulations(*inputs, SampleOf({{3, 0.01}, {rue.max + 1, lai.min - 0.005}}), columns);
    ASSERT_TRUE(runs.status) << runs.status.message;
    EXPECT_EQ(runs.truncated, (std::vector<int>{1, 1}));

    const ParameterSet clamped = {
        {ParameterIndex("KcFullCanopy"), 1.05}, {rue.parameter, rue.max}, {lai.parameter, lai.min}};
    const ParameterSet first = {
        {ParameterIndex("KcFullCanopy"), 1.05}, {rue.parameter, 3}, {lai.parameter, 0.01}};
    const std::vector<ParameterSet> sets = {first, clamped};
    std::vector<float> lastDay;
    const auto results =
        RunEnsemble(*inputs, sets,
                    [&](const RunState& run) {
                        const EndOfCrop end = EndOfCropValues(run);
                        EXPECT_TRUE(end.finished);
                        EXPECT_EQ(run.out.AGB[static_cast<std::size_t>(run.control.FinalDate - 1)], 0.0f);
                        return std::vector<std::string>{ShortestText(end.AGB)};
                    },
                    {1, {}, {}});
    for (std::size_t s = 0; s < 2; ++s) {
        EXPECT_GT(runs.outputs[s], 0);
        EXPECT_EQ(ShortestText(static_cast<float>(runs.outputs[s])), results[s].cells.at(0)) << s;
    }
}

// A sample chosen with Open is run as it is, and the files for the indices name it with the current
// method line; its columns set the ticked rows, which also label the results.
TEST_F(SensitivityAnalysis, AnOpenedSampleIsRunNamedAndLabelledByTheTickedRows) {
    const fs::path opened = files_.folder / "my sample.sam";
    Write(opened, SampleText({{3, 28}, {2.5, 30}, {3.5, 26}, {2.8, 27}, {3.1, 29}, {3.3, 31}}));
    const auto analysis =
        RunAnalysis(*CompiledExample("demo.sim"), OpenedPar1AndPar4(opened, "5 6"), files_, options_);
    ASSERT_TRUE(analysis.status) << analysis.status.message;
    EXPECT_FALSE(fs::exists(files_.sample()));
    EXPECT_EQ(test::ReadExpectedFile(files_.request()), opened.string() + "\n5 6\n" + opened.string() +
                                                            "\n2 1\n" + files_.output().string() + "\n" +
                                                            files_.index().string() + "\n");
    const std::string out = test::ReadExpectedFile(files_.output());
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 10);
    EXPECT_TRUE(out.starts_with("1\ntotal AGB\nTime = 0\n6\n"));
    ASSERT_EQ(analysis.results.factors.size(), 2u);
    EXPECT_EQ(analysis.results.factors[1].label, "Opt T for biomass accumulation (°C)");
    EXPECT_EQ(analysis.results.index1Name, "SRC");
    EXPECT_GT(analysis.results.factors[0].index1, 0.3); // more radiation use efficiency, more biomass
}

// Radiation use efficiency sampled all above its range ran at its bound in every season: it did not vary
// and has no index (no "SRC -1"), in the index file and in the results; the index file describes the
// values run, which the request names.
TEST_F(SensitivityAnalysis, AFactorTruncatedInEveryRowDidNotVary) {
    const ParameterFactor& rue = GrowthFactors()[0];
    const fs::path opened = files_.folder / "above.sam";
    std::vector<std::vector<double>> rows;
    for (int r = 0; r < 8; ++r) rows.push_back({rue.max + 1 + r, 24.0 + r});
    Write(opened, SampleText(rows));
    const auto analysis =
        RunAnalysis(*CompiledExample("demo.sim"), OpenedPar1AndPar4(opened, "5 8"), files_, options_);
    ASSERT_TRUE(analysis.status) << analysis.status.message;
    ASSERT_EQ(analysis.results.factors.size(), 2u);
    EXPECT_FALSE(analysis.results.factors[0].varied);
    EXPECT_EQ(analysis.results.factors[0].truncated, 8);
    EXPECT_FALSE(analysis.results.factors[0].low1);
    EXPECT_TRUE(analysis.results.factors[1].varied);
    EXPECT_NE(test::ReadExpectedFile(files_.index()).find("par1\tSRC\tdid not vary\tPRCC\tdid not vary"),
              std::string::npos);
    EXPECT_TRUE(test::ReadExpectedFile(files_.request()).starts_with(files_.runValues().string() + "\n"));
    SampleFile run;
    ASSERT_EQ(ParseSampleFile(test::ReadExpectedFile(files_.runValues()), run), Outcome::Done);
    EXPECT_EQ(run.values[0], rue.max);
    EXPECT_EQ(run.values[1], 24.0);
}

TEST_F(SensitivityAnalysis, AFactorLinesThirdAndFifthFieldsAreItsValues) {
    IndexResults results;
    const int rows[] = {2};
    EXPECT_EQ(ParseIndexFile("t\nm\n1\n1\nnote, more\nindexes = yes\npar3\na\tb\t0.25\tc\t0.5\n", rows, false,
                             results),
              Outcome::Done);
    ASSERT_EQ(results.factors.size(), 1u);
    EXPECT_EQ(results.factors[0].index1, 0.25);
    EXPECT_EQ(results.factors[0].index2, 0.5);
    EXPECT_FALSE(results.factors[0].low1);
    EXPECT_FALSE(ParseIndexFile("t\nm\n1\n1\nindexes = yes\npar3\n", rows, false, results));
    EXPECT_FALSE(ParseIndexFile("t\nm\n1\n1\nindexes = yes\npar3\na\tb\tx\tc\t0.5\n", rows, false, results));
    // An interaction joins distinct factors, and a bad line is quoted by its start only.
    const std::string pair = "t\nm\n1\n1\nindexes = yes\npar3\np\tS1\t0.2\tST\t0.3\ninteractions = yes\n";
    EXPECT_FALSE(ParseIndexFile(pair + "p*p\tS11\t0.1\n", rows, false, results));
    const auto why =
        ParseIndexFile(pair + "p*q\tS12\t0." + std::string(100000, '1') + "\n", rows, false, results);
    ASSERT_FALSE(why);
    EXPECT_LT(why.message.size(), 300u);
}

// Each analysis works in a folder of its own: two at once, with other seeds, give what each gives alone,
// and folders untouched for a month go when a new one is made, other folders never.
TEST_F(SensitivityAnalysis, AnalysesRunAtOnceEachInAFolderOfItsOwn) {
    const auto inputs = CompiledExample("demo.sim");
    AnalysisRequest first;
    first.factors = {{0, "normal", "2.3", "0.3"}, {3, "normal", "28", "2"}};
    first.keyword = "lhs";
    first.methodLine = "1 300";
    AnalysisRequest second = first;
    second.methodLine = "2 300";
    const fs::path parent = files_.folder / "analyses";
    const Analysis alone = RunAnalysis(*inputs, first, NewExchangeFiles(parent), options_);
    ASSERT_TRUE(alone.status) << alone.status.message;

    const ExchangeFiles a = NewExchangeFiles(parent), b = NewExchangeFiles(parent);
    EXPECT_NE(a.folder, b.folder);
    EXPECT_EQ(a.folder.parent_path(), parent);
    Analysis together, other;
    std::thread beside([&] { other = RunAnalysis(*inputs, second, b, options_); });
    together = RunAnalysis(*inputs, first, a, options_);
    beside.join();
    ASSERT_TRUE(together.status && other.status) << together.status.message << other.status.message;
    EXPECT_EQ(together.results.method, "lhs 1 300");
    EXPECT_EQ(other.results.method, "lhs 2 300");
    for (std::size_t j = 0; j < 2; ++j)
        EXPECT_EQ(together.results.factors[j].index1, alone.results.factors[j].index1);
    EXPECT_NE(together.results.factors[0].index1, other.results.factors[0].index1);
    EXPECT_NE(test::ReadExpectedFile(a.configuration()).find("\r\n" + a.sample().string() + "\r\n"),
              std::string::npos);

    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * (kStaleAnalysisDays + 1));
    for (const fs::path& file : {a.configuration(), a.sample(), a.output(), a.request(), a.index()})
        fs::last_write_time(file, old);
    fs::last_write_time(a.folder, old);
    const fs::path mine = parent / "notes";
    fs::create_directories(mine);
    fs::last_write_time(mine, old);
    const ExchangeFiles c = NewExchangeFiles(parent);
    EXPECT_FALSE(fs::exists(a.folder));
    EXPECT_TRUE(fs::exists(b.index()));
    EXPECT_TRUE(fs::exists(mine));
    RemoveExchangeFiles(c);
    RemoveExchangeFiles({mine});
    EXPECT_FALSE(fs::exists(c.folder));
    EXPECT_TRUE(fs::exists(mine));

    // The unfinished analysis of a killed process goes the next time, however recent; a finished one
    // and a running one stay.
    const ExchangeFiles killed = NewExchangeFiles(parent), running = NewExchangeFiles(parent);
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    std::ofstream(killed.folder / ".tulo-running") << child << '\n';
    fs::last_write_time(killed.folder / ".tulo-running",
                        fs::file_time_type::clock::now() - std::chrono::minutes(5));
    const ExchangeFiles next = NewExchangeFiles(parent);
    EXPECT_FALSE(fs::exists(killed.folder));
    EXPECT_TRUE(fs::exists(running.folder));
    EXPECT_TRUE(fs::exists(b.index()));
    EXPECT_FALSE(fs::exists(b.folder / ".tulo-running")) << "a finished analysis is no running one";
    for (const ExchangeFiles& files : {running, next}) RemoveExchangeFiles(files);
}

// Means, deviations and sizes are refused before any sampling, in the terms of the window and the
// command line, with the limits that hold for the factors ticked.
TEST_F(SensitivityAnalysis, RequestsTheToolOrTheIndicesWouldRefuseAreRefusedFirst) {
    AnalysisRequest request;
    for (const ParameterFactor& f : GrowthFactors())
        request.factors.push_back({f.row, "normal", std::string(f.mean), std::string(f.sd)});
    request.keyword = "lhs";
    request.methodLine = "1 100";
    EXPECT_EQ(CheckRequest(request), Outcome::Done); // the defaults of every row
    EXPECT_EQ(PlannedRuns(request), 100);

    request.factors = {{0, "normal", "9", "0.5"}, {3, "normal", "28", "2"}};
    EXPECT_EQ(CheckRequest(request).message,
              "par1 (Radiation use efficiency (g/MJ)): the mean 9 is outside the parameter's accepted range, "
              "0.1 to 6.");
    request.factors[0] = {0, "normal", "3", "6"};
    EXPECT_EQ(CheckRequest(request).message,
              "par1 (Radiation use efficiency (g/MJ)): the standard deviation 6 is wider "
              "than the parameter's accepted range, 0.1 to 6.");
    request.factors[0] = {0, "normal", "3", "0.5"};
    const auto refusal = [&](const char* keyword, const char* line) {
        request.keyword = keyword;
        request.methodLine = line;
        return CheckRequest(request).message;
    };
    EXPECT_EQ(refusal("lhs", "1 4"),
              "Latin hypercube sampling of 2 factors takes 5 to 2097152 executions, not 4.");
    EXPECT_EQ(refusal("lhs", "1 5"), "");
    EXPECT_EQ(refusal("lhs", "1"), "Latin hypercube sampling: the executions must be a whole number from 1, "
                                   "not empty.");
    EXPECT_EQ(refusal("lhs", "1 3000000"),
              "Latin hypercube sampling of 2 factors takes 5 to 2097152 executions, not 3000000.");
    EXPECT_EQ(refusal("fast", "1 1 40"),
              "FAST (classic) of 2 factors takes 41 to 2097152 executions, not 40.");
    EXPECT_EQ(refusal("morris", "1 1 4"),
              "Morris method of 2 factors takes 2 to 100000 trajectories, not 1.");
    EXPECT_EQ(refusal("sobol", "1 15"),
              "Sobol method (total) of 2 factors takes a base sample of 32, 64, ... up "
              "to 524288 (a power of two; the runs are the base times 4), not 1048576.");
    EXPECT_NE(refusal("lhs", "x 10").find("the seed must be a whole number"), std::string::npos);
    request.methodLine = "1 3";
    request.keyword = "sobol";
    EXPECT_EQ(PlannedRuns(request), 256 * 4);
}

// The sizes and limits worked out without drawing agree with the designs drawn; every method's text
// reads back as the method.
TEST_F(SensitivityAnalysis, SizesWorkedOutAheadAreThoseOfTheDesigns) {
    std::vector<Method> methods;
    for (const char* text : {"lhs 1 40", "random 3 40", "lptau 64", "morris 1 5 4", "sobol 1 0",
                             "sobol 3 0 1", "sobol 3 0 2", "sobol 3 0 3", "fast 2 1 1000"}) {
        const std::string_view line(text);
        Method method;
        ASSERT_EQ(ParseMethod(line.substr(0, line.find(' ')), line.substr(line.find(' ') + 1), method),
                  Outcome::Done);
        EXPECT_EQ(MethodText(method), text);
        methods.push_back(method);
    }
    for (const Method& method : methods)
        for (int k = 1; k <= 11; ++k) {
            Design design;
            ASSERT_EQ(MakeDesign(method, k, design), Outcome::Done) << MethodText(method) << " " << k;
            EXPECT_EQ(DesignRows(method, k), design.rows) << MethodText(method) << " " << k;
        }
    for (int k = 1; k <= 11; ++k) {
        Method fast;
        ASSERT_EQ(ParseMethod("fast", "1 1 10", fast), Outcome::Done);
        fast.executions = static_cast<int>(MethodSizeLimits(fast, k)->least);
        EXPECT_EQ(MethodText(fast), "fast 1 1 " + std::to_string(fast.executions));
        Design design;
        EXPECT_EQ(MakeDesign(fast, k, design), Outcome::Done);
        --fast.executions;
        EXPECT_FALSE(MakeDesign(fast, k, design));
        fast.kind = MethodKind::ExtendedFast;
        fast.executions = static_cast<int>(MethodSizeLimits(fast, k)->least);
        EXPECT_EQ(MakeDesign(fast, k, design), Outcome::Done);
        --fast.executions;
        EXPECT_FALSE(MakeDesign(fast, k, design));
    }
    // Where no size fits, the refusal says why rather than naming a range.
    Method method;
    ASSERT_EQ(ParseMethod("fast", "1 1 100000", method), Outcome::Done);
    EXPECT_EQ(CheckDesignSize(method, kMaxFastFactors + 1).message,
              "FAST (classic) of 31 factors is refused: classic FAST takes at most 30 factors; extended FAST "
              "takes more.");
    ASSERT_EQ(ParseMethod("sobol", "3 0 3", method), Outcome::Done);
    EXPECT_EQ(CheckDesignSize(method, 500).message,
              "Sobol method (custom) of 500 factors would need more runs than the 46137 the tool draws.");
}

// A failed or cancelled analysis leaves no outputs of an earlier one to be taken for its own, and an
// index file older than the outputs is refused.
TEST_F(SensitivityAnalysis, FailedCancelledAndStaleAnalysesLeaveNothingToShow) {
    const auto inputs = CompiledExample("demo.sim");
    AnalysisRequest request = LhsOfRow0();
    const auto first = RunAnalysis(*inputs, request, files_, options_);
    ASSERT_TRUE(first.status) << first.status.message;
    const auto stale = fs::last_write_time(files_.output()) - std::chrono::seconds(5);

    RunOptions cancel = options_;
    cancel.cancelled = [] { return true; };
    const auto cancelled = CreateSamplesAndRun(*inputs, request, files_, cancel);
    EXPECT_EQ(cancelled.status.status, Outcome::Cancelled);
    EXPECT_FALSE(fs::exists(files_.output()));
    EXPECT_FALSE(fs::exists(files_.request()));

    ASSERT_TRUE(CreateSamplesAndRun(*inputs, request, files_, options_).status);
    fs::last_write_time(files_.index(), stale);
    IndexResults results;
    const int rows[] = {0};
    EXPECT_NE(ReadIndexResults(files_, rows, results).message.find("older"), std::string::npos);

    request.methodLine = "1 1"; // too few executions for the tool
    EXPECT_EQ(CreateSamplesAndRun(*inputs, request, files_, options_).status.status, Outcome::Failed);
    EXPECT_FALSE(fs::exists(files_.output()));
}

// The tool is started without a shell: a folder with blanks and shell characters works, and a failing,
// missing, slow or cancelled tool ends with a message.
TEST_F(SensitivityAnalysis, TheToolRunsFromAnyFolderAndEveryWayItFailsIsSaid) {
    const fs::path tool = files_.folder / "my tool";
    fs::copy_file(TULO_SIMLAB_PATH, tool);
    Write(files_.configuration(), ConfigurationText(LhsOfRow0(), files_.sample()));
    ASSERT_TRUE(RunTool(tool, 1, files_.configuration()));
    EXPECT_TRUE(fs::exists(files_.sample()));

    const Outcome failed = RunTool(tool, 2, files_.folder / "none.txt");
    EXPECT_EQ(failed.status, Outcome::Failed);
    EXPECT_NE(failed.message.find("Cannot read the index request"), std::string::npos) << failed.message;
    EXPECT_NE(RunTool(files_.folder / "missing", 1, files_.configuration()).message.find("cannot be started"),
              std::string::npos);

    const fs::path slow = files_.folder / "slow";
    Write(slow, "#!/bin/sh\nsleep 30\n");
    fs::permissions(slow, fs::perms::owner_all);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(RunTool(slow, 1, slow, std::chrono::milliseconds(200)).message.find("did not finish"),
              std::string::npos);
    EXPECT_EQ(RunTool(slow, 1, slow, kToolTimeLimit, [] { return true; }).status, Outcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Any crop parameter a number sets is a factor, named as the command line's --set names it; growth
// parameters stay parK whatever they are called, and codes and switches are refused by name.
TEST_F(SensitivityAnalysis, FactorsAreFoundByAnyNameAndCodesOrSwitchesAreRefused) {
    for (const char* name : {"par1", "RUE", "myRUE", " Radiation use efficiency (g/MJ) "}) {
        const FoundFactor found = FindFactor(name);
        EXPECT_EQ(found.factor, &AllFactors()[0]) << name;
        EXPECT_EQ(found.whyNot, Outcome::Done) << name;
    }
    const ParameterFactor* tsum1 = FindFactor("TSUM1").factor;
    ASSERT_NE(tsum1, nullptr);
    EXPECT_EQ(FindFactor("GDDs emergence - flowering (°C-days)").factor, tsum1);
    EXPECT_GE(tsum1->row, kGrowthFactors);
    for (const auto& [name, refusal] : std::vector<std::pair<const char*, const char*>>{
             {"IDSL", "IDSL (Development method) is a code, an item of a list, not a number: it cannot be "
                      "a factor."},
             {"Duration of the critical period", "SenDuration (Duration of the critical period) is a code"},
             {"SterilityActive", "SterilityActive (Activate spikelet sterility simulation) is a switch"},
             {"par12", "\"par12\" is neither one of par1 to par11 nor a crop parameter"}}) {
        const FoundFactor found = FindFactor(name);
        EXPECT_EQ(found.factor, nullptr) << name;
        ASSERT_FALSE(found.whyNot) << name;
        EXPECT_TRUE(found.whyNot.message.starts_with(refusal)) << found.whyNot.message;
    }
    for (std::size_t r = 0; r < AllFactors().size(); ++r) {
        const ParameterInfo& info =
            CropParameterRegistry()[static_cast<std::size_t>(AllFactors()[r].parameter)];
        EXPECT_EQ(AllFactors()[r].row, static_cast<int>(r));
        EXPECT_TRUE(info.kind == ParameterKind::Number || info.kind == ParameterKind::Constant) << info.id;
    }

    // Defaults: a growth row's own; otherwise around the configuration's value, 10 % of it (of the range
    // at 0), and the crop coefficient every sample runs.
    const auto texts = [](const TickedFactor& f) { return f.mean + " " + f.sd; };
    EXPECT_EQ(texts(DefaultFactor(GrowthFactors()[0], 2.3)), "3 0.5");
    EXPECT_EQ(texts(DefaultFactor(*tsum1, 900)), "900 90");
    EXPECT_EQ(texts(DefaultFactor(*FindFactor("Tbase").factor, 0)), "0 2.5");
    EXPECT_EQ(texts(DefaultFactor(*FindFactor("KcFullCanopy").factor, 1.2)), "1.05 0.105");

    AnalysisRequest request = LhsOfRow0();
    request.factors.push_back({tsum1->row, "normal", "5000", "90"});
    EXPECT_EQ(CheckRequest(request).message,
              "TSUM1 (GDDs emergence - flowering (°C-days)): the mean 5000 is outside "
              "the parameter's accepted range, 100 to 3000.");
    EXPECT_EQ(ConfigurationText(LhsOfRow0(), "s").find("TSUM1"), std::string::npos);
    request.factors.back().mean = "900";
    EXPECT_NE(ConfigurationText(request, "s").find("\r\nTSUM1 normal 900 90 0.01 0.99\r\n"),
              std::string::npos);
}

// TSUM1, drawn around a low mean so that some values fall below its range, is run within its range and
// drives the flowering day alone: RUE, which moves no development stage, gets no index.
TEST_F(SensitivityAnalysis, ANonGrowthFactorIsRunWithinItsRangeAndDrivesTheFloweringDay) {
    const ParameterFactor& tsum1 = *FindFactor("GDDs emergence - flowering (°C-days)").factor;
    AnalysisRequest request = LhsOfRow0();
    request.factors.push_back({tsum1.row, "normal", "300", "100"});
    request.methodLine = "1 60";
    request.output = SampleOutput::Flowering;
    const Analysis analysis = RunAnalysis(*CompiledExample("demo.sim"), request, files_, options_);
    ASSERT_TRUE(analysis.status) << analysis.status.message;
    EXPECT_GT(analysis.simulations.runs.truncated[1], 0);
    std::string values = test::ReadExpectedFile(files_.runValues());
    SampleFile run;
    ASSERT_EQ(ParseSampleFile(values, run), Outcome::Done);
    for (int s = 0; s < run.rows; ++s) {
        EXPECT_GE(run.values[static_cast<std::size_t>(2 * s + 1)], tsum1.min);
        EXPECT_LE(run.values[static_cast<std::size_t>(2 * s + 1)], tsum1.max);
    }
    EXPECT_TRUE(test::ReadExpectedFile(files_.output()).starts_with("1\nflowering day\n"));
    for (const double day : analysis.simulations.runs.outputs) EXPECT_EQ(day, std::floor(day));

    const auto& factors = analysis.results.factors;
    ASSERT_EQ(factors.size(), 2u);
    EXPECT_EQ(factors[1].name, "TSUM1");
    EXPECT_EQ(factors[1].label, "GDDs emergence - flowering (°C-days)");
    EXPECT_GT(factors[1].index1, 0.95);
    EXPECT_LT(std::fabs(factors[0].index1), 0.05);
}

// The output chosen is what each season gives: RUE moves the biomass and the leaf area but no stage; a
// crop that misses maturity has no maturity day, and the run says so rather than analyse the others.
TEST_F(SensitivityAnalysis, TheOutputChosenIsWhatTheSeasonsGive) {
    const auto inputs = CompiledExample("demo.sim");
    const int rue[] = {0};
    const SampleFile sample = SampleOf({{2}, {3}, {4}});
    std::map<SampleOutput, std::vector<double>> outputs;
    for (const OutputChoice& choice : OutputChoices()) {
        const SampleRuns runs = RunSampleSimulations(*inputs, sample, rue, {}, choice.output);
        ASSERT_TRUE(runs.status) << choice.keyword << ": " << runs.status.message;
        outputs[choice.output] = runs.outputs;
    }
    EXPECT_EQ(outputs[SampleOutput::Agb], RunSampleSimulations(*inputs, sample, rue).outputs);
    for (const SampleOutput changed : {SampleOutput::Agb, SampleOutput::Panicles, SampleOutput::LaiMax})
        EXPECT_LT(outputs[changed][0], outputs[changed][2]) << ChoiceOf(changed).keyword;
    EXPECT_EQ(outputs[SampleOutput::Flowering], (std::vector<double>{217, 217, 217}));
    EXPECT_EQ(outputs[SampleOutput::Maturity], (std::vector<double>{277, 277, 277}));
    EXPECT_NE(outputs[SampleOutput::Panicles], outputs[SampleOutput::Agb]);

    const int tsum1[] = {FindFactor("TSUM1").factor->row};
    const SampleRuns late =
        RunSampleSimulations(*inputs, SampleOf({{900}, {3000}, {2900}}), tsum1, {}, SampleOutput::Maturity);
    EXPECT_FALSE(late.status);
    EXPECT_TRUE(late.outputs.empty());
    EXPECT_TRUE(
        late.status.message.starts_with("2 of 3 samples (the first: sample 2) have no maturity day: their "
                                        "crop does not reach maturity by the final day."))
        << late.status.message;
    EXPECT_TRUE(
        RunSampleSimulations(*inputs, SampleOf({{900}, {1200}}), tsum1, {}, SampleOutput::Flowering).status);
    EXPECT_EQ(FindOutput("LAI-max"), SampleOutput::LaiMax);
    EXPECT_EQ(FindOutput("flowering day (doy)"), SampleOutput::Flowering);
    EXPECT_EQ(FindOutput("yield"), std::nullopt);
}

// The end-of-crop biomass is still the default output, season for season as before outputs were a
// choice: the outputs of a fixed LHS sample of par1 and par4 as that version wrote them.
TEST_F(SensitivityAnalysis, TheDefaultOutputIsTheEndOfCropBiomassAsBefore) {
    const int rows[] = {0, 3};
    const SampleRuns runs = RunSampleSimulations(*CompiledExample("demo.sim"),
                                                 SampleOf({{2.7692061120174536, 24.850745038157466},
                                                           {3.0969712086196126, 26.977160586336527},
                                                           {1.9944371430603287, 29.29193823179528},
                                                           {3.3473979126895848, 28.221486970051135},
                                                           {3.739467286566512, 27.40680458074199},
                                                           {2.8090629214766563, 31.270502918110495}}),
                                                 rows);
    ASSERT_TRUE(runs.status) << runs.status.message;
    EXPECT_EQ(runs.outputs,
              (std::vector<double>{3107.3728, 3056.8184, 1193.1919, 2975.109, 3676.8171, 1475.0574}));
    EXPECT_EQ(AnalysisRequest{}.output, SampleOutput::Agb);
}

// The factors' rows with the growth rows' own distributions, a standard deviation replaced where given.
AnalysisRequest Request(const char* keyword, const char* line, std::vector<int> rows,
                        const std::map<int, std::string>& sds = {}) {
    AnalysisRequest request;
    for (const int row : rows) {
        const ParameterFactor& f = GrowthFactors()[static_cast<std::size_t>(row)];
        request.factors.push_back(
            {row, "normal", std::string(f.mean), sds.contains(row) ? sds.at(row) : std::string(f.sd)});
    }
    request.keyword = keyword;
    request.methodLine = line;
    return request;
}

void ExpectSameIndices(const Analysis& expected, const Analysis& actual, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(expected.status) << expected.status.message;
    ASSERT_TRUE(actual.status) << actual.status.message;
    EXPECT_EQ(actual.simulations.runs.outputs, expected.simulations.runs.outputs);
    const IndexResults &a = actual.results, &e = expected.results;
    EXPECT_EQ(a.method, e.method);
    EXPECT_EQ(a.index1Name + " " + a.index2Name, e.index1Name + " " + e.index2Name);
    ASSERT_EQ(a.factors.size(), e.factors.size());
    for (std::size_t j = 0; j < e.factors.size(); ++j) {
        const FactorResult &f = a.factors[j], &g = e.factors[j];
        EXPECT_EQ(f.row, g.row);
        EXPECT_EQ(f.name, g.name);
        EXPECT_EQ(f.label, g.label);
        EXPECT_EQ(f.varied, g.varied);
        EXPECT_EQ(f.truncated, g.truncated);
        // Bit for bit: a sign of zero would show in the JSON.
        EXPECT_EQ(std::bit_cast<std::uint64_t>(f.index1), std::bit_cast<std::uint64_t>(g.index1)) << j;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(f.index2), std::bit_cast<std::uint64_t>(g.index2)) << j;
        EXPECT_EQ(f.low1, g.low1) << j;
        EXPECT_EQ(f.high1, g.high1) << j;
        EXPECT_EQ(f.low2, g.low2) << j;
        EXPECT_EQ(f.high2, g.high2) << j;
    }
    ASSERT_EQ(a.interactions.size(), e.interactions.size());
    for (std::size_t i = 0; i < e.interactions.size(); ++i) {
        EXPECT_EQ(a.interactions[i].names, e.interactions[i].names);
        EXPECT_EQ(a.interactions[i].label, e.interactions[i].label);
        EXPECT_EQ(a.interactions[i].indexName, e.interactions[i].indexName);
        EXPECT_EQ(a.interactions[i].index, e.interactions[i].index);
        EXPECT_EQ(a.interactions[i].low, e.interactions[i].low);
        EXPECT_EQ(a.interactions[i].high, e.interactions[i].high);
    }
}

// The analysis without the tool gives the tool's figures to the last bit, for every method and design:
// values truncated to their range, a factor that did not vary, a sample of another tool, and on any
// number of threads.
TEST_F(SensitivityAnalysis, TheAnalysisInProcessGivesTheToolsIndices) {
    const auto inputs = CompiledExample("demo.sim");
    const fs::path other = files_.folder / "other.sam";
    Write(other, SampleText({{3, 28}, {2.5, 30}, {3.5, 26}, {2.8, 27}, {3.1, 29}, {3.3, 31}}));
    const fs::path above = files_.folder / "above.sam";
    std::vector<std::vector<double>> aboveRows;
    for (int r = 0; r < 8; ++r) aboveRows.push_back({GrowthFactors()[0].max + 1 + r, 24.0 + r});
    Write(above, SampleText(aboveRows));
    AnalysisRequest flowering = Request("morris", "3 6 4", {0, 3, 8});
    flowering.output = SampleOutput::Flowering;
    AnalysisRequest panicles = Request("fast", "2 5 130", {0, 3});
    panicles.output = SampleOutput::Panicles;
    const std::vector<std::pair<std::string, AnalysisRequest>> requests = {
        {"lhs, truncated", Request("lhs", "1 60", {0, 5}, {{5, "0.01"}})},
        {"random", Request("random", "7 40", {0, 1, 9})},
        {"lptau", Request("lptau", "64", {0, 2, 4, 6})},
        {"morris", flowering},
        {"sobol total", Request("sobol", "1 0", {0, 3})},
        {"sobol second", Request("sobol", "3 0 2", {0, 3, 5})},
        {"sobol third", Request("sobol", "3 0 3", {0, 1, 3, 5})},
        {"extended fast", panicles},
        {"classic fast", Request("fast", "1 2 41", {0, 3})},
        {"another tool's sample", OpenedPar1AndPar4(other, "5 6")},
        {"did not vary", OpenedPar1AndPar4(above, "5 8")}};
    for (const auto& [what, request] : requests) {
        RunOptions oneThread = options_;
        oneThread.threads = 1;
        ExpectSameIndices(RunAnalysis(*inputs, request, files_, options_),
                          RunAnalysisInProcess(*inputs, request, oneThread), what);
    }
    // The figures checked are of every kind: intervals, interactions, a factor without indices.
    const Analysis third = RunAnalysisInProcess(*inputs, requests[6].second);
    EXPECT_EQ(third.results.interactions.size(), 6u + 4u);
    EXPECT_TRUE(third.results.interactions.back().low);
    EXPECT_FALSE(RunAnalysisInProcess(*inputs, requests.back().second).results.factors[0].varied);
    EXPECT_GT(RunAnalysisInProcess(*inputs, requests[0].second).results.factors[1].truncated, 0);
}

// Kept files are the exchange's own, byte for byte but for the folder they name, and read back as the
// window reads them; a failed or cancelled analysis keeps none.
TEST_F(SensitivityAnalysis, KeptFilesAreTheExchangesAndOnlyAFinishedAnalysisKeepsThem) {
    const auto inputs = CompiledExample("demo.sim");
    const AnalysisRequest request = Request("lhs", "1 60", {0, 5}, {{5, "0.01"}});
    ASSERT_TRUE(RunAnalysis(*inputs, request, files_, options_).status);
    const ExchangeFiles kept = NewExchangeFiles(files_.folder / "kept");
    const Analysis analysis = RunAnalysisInProcess(*inputs, request, options_, &kept);
    ASSERT_TRUE(analysis.status) << analysis.status.message;
    const auto inKept = [&](std::string text) {
        const std::string exchange = files_.folder.string() + "/";
        for (std::size_t at = 0; (at = text.find(exchange, at)) != std::string::npos;) {
            text.replace(at, exchange.size(), kept.folder.string() + "/");
            at += kept.folder.string().size() + 1;
        }
        return text;
    };
    for (const fs::path& file : {files_.configuration(), files_.sample(), files_.runValues(), files_.output(),
                                 files_.request(), files_.index()})
        EXPECT_EQ(test::ReadExpectedFile(kept.folder / file.filename()), inKept(test::ReadExpectedFile(file)))
            << file.filename();
    IndexResults read;
    ASSERT_TRUE(ReadIndexResults(kept, analysis.simulations.rows, read));
    EXPECT_EQ(read.factors[0].index1, analysis.results.factors[0].index1);
    EXPECT_EQ(read.factors[1].high2, analysis.results.factors[1].high2);
    EXPECT_FALSE(fs::exists(kept.folder / ".tulo-running"));

    const ExchangeFiles unfinished = NewExchangeFiles(files_.folder / "kept");
    RunOptions cancel = options_;
    cancel.cancelled = [] { return true; };
    EXPECT_EQ(RunAnalysisInProcess(*inputs, request, cancel, &unfinished).status.status, Outcome::Cancelled);
    AnalysisRequest late = Request("lhs", "1 20", {0});
    late.factors.push_back({FindFactor("TSUM1").factor->row, "normal", "2900", "50"});
    late.output = SampleOutput::Maturity;
    const Analysis failed = RunAnalysisInProcess(*inputs, late, options_, &unfinished);
    EXPECT_EQ(failed.status.status, Outcome::Failed);
    EXPECT_NE(failed.status.message.find("have no maturity day"), std::string::npos) << failed.status.message;
    for (const fs::directory_entry& file : fs::directory_iterator(unfinished.folder))
        EXPECT_EQ(file.path().filename(), ".tulo-running");
}

} // namespace
} // namespace tulo::sensitivity
