// The automatic calibration: its arithmetic, its refusals, and that it finds the parameters that made the
// measurements, by the single simplex and by the genetic one, identically on any number of threads.

#include "calibration/Simplex.h"
#include "calibration/Uncertainty.h"
#include "engine/Season.h"
#include "forms/CalibrationForm.h"
#include "forms/SeasonForm.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace tulo {
namespace {

std::shared_ptr<const SeasonInputs> Demo() {
    static const auto inputs = test::CompiledExample("demo.sim");
    return inputs;
}

// The paddy: its water level simulated in the soil, blast and a fungicide treatment.
std::shared_ptr<const SeasonInputs> Flooded() {
    static const auto inputs = test::CompiledExample("flooded.sim");
    return inputs;
}

// A season's AGB (t/ha) and LAI on the given days, as measurement tables would hold them.
struct EngineMade {
    MeasuredData agb, lai;
};
EngineMade Measure(const SeasonInputs& inputs, std::span<const ParameterValue> made,
                   std::initializer_list<int> days = {150, 165, 180, 195, 210, 225, 245, 265}) {
    auto run = std::make_unique<RunState>();
    RunSeason(inputs, made, *run);
    EngineMade data;
    for (const int d : days) {
        data.agb.rows.push_back({d, static_cast<float>(d), static_cast<float>(run->out.AGB[d] / 100.0)});
        data.lai.rows.push_back({d, static_cast<float>(d), run->out.LAI[d]});
    }
    return data;
}

// AGB (t/ha) of the demo season with RUE 2.8 and Tb 11, on eight days, as a measurement table would hold
// it: the latest day first, so that "the last point" must be found by day.
MeasuredData EngineMadeAgb(std::initializer_list<int> days = {265, 150, 165, 180, 195, 210, 225, 245}) {
    auto run = std::make_unique<RunState>();
    const ParameterValue made[] = {{ParameterIndex("RUE"), 2.8}, {ParameterIndex("Tb"), 11}};
    RunSeason(*Demo(), made, *run);
    MeasuredData data;
    int row = 2;
    for (const int d : days)
        data.rows.push_back({row++, static_cast<float>(d), static_cast<float>(run->out.AGB[d] / 100.0)});
    return data;
}

// RUE from `rueMin` to 4 and Tb from 7 to 15, the pair most cases search.
CalibrationSettings RueAndTbSettings(double rueMin = 1.5) {
    CalibrationSettings settings;
    settings.parameters = {{ParameterIndex("RUE"), rueMin, 4}, {ParameterIndex("Tb"), 7, 15}};
    return settings;
}

CalibrationProblem RueAndTb(MeasuredData agb, double rueMin = 1.5, int threads = 0) {
    CalibrationSettings settings = RueAndTbSettings(rueMin);
    settings.objective = ObjectiveKind::RRMSEcvLastPoint;
    CalibrationDataSet set{"", Demo(), std::move(agb), "agb.xlsx", {}, ""};
    SearchControl control;
    control.threads = threads;
    return CalibrationProblem(settings, {std::move(set)}, control);
}

TEST(CalibrationArithmetic, StartingSimplexRoundingTraceAndRandomNumbers) {
    const double x[] = {2.5, 10};
    const auto simplex = StartingSimplex(x);
    const double expected[3][2] = {{2.5, 10}, {2.5, 7.83494}, {3.04127, 12.16506}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_NEAR(simplex[i][j], expected[i][j], 5e-6);

    EXPECT_EQ(RoundCalibrated(2.34567), 2.346);
    EXPECT_EQ(CalibratedText(0.0016), "0.0016"); // three decimals alone would leave 0.002
    EXPECT_EQ(CalibratedText(0.00144444), "0.001444");

    EXPECT_EQ(TraceLine(std::vector<double>{2.7, 9.1}, 12.5), "2.7,9.1,12.5");
    EXPECT_EQ(TraceLine(std::vector<double>{2.7, 9.1, 30}, 12.5), "2.7,9.1,30,12.5");

    // A seed beyond the first increment used to turn every number negative.
    ShuffledCongruentialRandom large(99999), same(99999 % 54773), small(5), again(5);
    for (int i = 0; i < 1000; ++i) {
        const double r = large();
        ASSERT_TRUE(r >= 0 && r < 1);
        ASSERT_EQ(r, same());
        ASSERT_EQ(small(), again());
    }
}

TEST(CalibrationArithmetic, GenerationSizesNeverFallToNoSimplex) {
    const GenerationSize three = NextGenerationSize(3, 10, 100, 0.5, 1.5);
    EXPECT_EQ(three.rows, 20);
    EXPECT_EQ(three.simplexes, 5);
    EXPECT_EQ(three.iterations, 150);
    const GenerationSize two = NextGenerationSize(2, 10, 100, 0.35, 1);
    EXPECT_EQ(two.rows, 12); // 10.5 rounds to 10, raised to a multiple of 3
    EXPECT_EQ(two.simplexes, 3);
    // 10, 3, 1, and then still 1 simplex; the budget stays within 1 .. 1,000,000.
    GenerationSize g{0, 10, 900'000};
    for (const int expected : {3, 1, 1}) {
        g = NextGenerationSize(2, g.simplexes, g.iterations, 0.3, 3);
        EXPECT_EQ(g.simplexes, expected);
        EXPECT_GE(g.rows, 3 * g.simplexes);
        EXPECT_EQ(g.rows % 3, 0);
    }
    EXPECT_EQ(g.iterations, 1'000'000);
    EXPECT_EQ(NextGenerationSize(2, 1, 1, 0.3, 0.1).iterations, 1);

    Population rows = {{1, 0, 0, 5}, {2, 0, 0, 1}, {3, 0, 0, 3}, {4, 0, 0, 2}, {5, 0, 0, 4}};
    ShellSortRows(rows, 0, 4, 3, true);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)][3], i + 1);
    ShellSortRows(rows, 0, 4, 3, false);
    EXPECT_EQ(rows[0][0], 1);
}

TEST(CalibrationSimplex, StopsNearZeroAndAfterItsPasses) {
    int calls = 0;
    const TrialFunction bowl = [&](std::span<const double> x) {
        ++calls;
        const double v = (x[0] - 1) * (x[0] - 1) + 3 * (x[1] - 2) * (x[1] - 2);
        return TrialResult{v, 0, v, true};
    };
    // Values near 0 that differ by less than the tolerance times 1: no pass at all.
    Simplex tiny{{{0, 0}, {1, 0}, {0, 1}}, {1e-6, 2e-6, 3e-5}};
    EXPECT_EQ(DownhillSimplex(tiny, bowl, {}), 0);
    EXPECT_EQ(calls, 0);
    Simplex limited{{{0, 0}, {1, 0}, {0, 1}}, {13, 12, 4}};
    EXPECT_EQ(DownhillSimplex(limited, bowl, {0.0001, 3}), 3);
    // Two passes leave the values apart: the budget, not the tolerance, ended the search.
    bool converged = true;
    Simplex short2{{{0, 0}, {1, 0}, {0, 1}}, {13, 12, 4}};
    DownhillSimplex(short2, bowl, {0.0001, 2, false, nullptr, nullptr, nullptr, nullptr, &converged});
    EXPECT_FALSE(converged);
    Simplex free{{{0.1, 0.3}, {1.3, 0.2}, {0.4, 1.7}}, {}};
    for (const Point& vertex : free.p) free.y.push_back(bowl(vertex).objective);
    DownhillSimplex(free, bowl, {0.0001, 0, false, nullptr, nullptr, nullptr, nullptr, &converged});
    EXPECT_TRUE(converged);
    EXPECT_NEAR(free.p[0][0], 1, 0.02);
    EXPECT_NEAR(free.p[0][1], 2, 0.02);
}

TEST(CalibrationChecks, RefusedBeforeAnySearchAndPenaltyAtTheEdges) {
    const double initial[] = {2.3, 12};
    {
        CalibrationSettings reversed = RueAndTbSettings(4);
        reversed.parameters[0].max = 1.5;
        const CalibrationProblem problem(reversed, {{"", Demo(), EngineMadeAgb(), "agb.xlsx", {}, ""}});
        const CalibrationOutcome refused = SearchFromInitialValues(problem, initial);
        ASSERT_EQ(refused.problems.size(), 1u);
        EXPECT_EQ(refused.problems[0].text, "RUE: the minimum 4 is not below the maximum 1.5.");
        EXPECT_EQ(problem.runs(), 0);
    }
    const double outside[] = {2.3, 16};
    EXPECT_EQ(CheckCalibration(RueAndTb(EngineMadeAgb()), outside).at(0).text,
              "Tb for growth: the initial value 16 is outside its range (above 7, at most 15).");
    const auto noPairs = CheckCalibration(RueAndTb(EngineMadeAgb({20, 360})), initial);
    ASSERT_EQ(noPairs.size(), 1u);
    EXPECT_EQ(noPairs[0].text,
              "agb.xlsx: the AGB measurements hold no measurement on a simulated day (DOY 100 to 299).");
    Population table;
    ShuffledCongruentialRandom random(1);
    EXPECT_EQ(MultipleStart(RueAndTb(EngineMadeAgb()), 1001, table, false, random, 0).problems.at(0).text,
              "too many simplex, 1000 is the maximum");

    // The minimum is outside, the maximum inside; the penalty holds whatever the weights.
    CalibrationSettings weightless = RueAndTbSettings();
    weightless.agbWeight = 0;
    const CalibrationProblem problem(weightless, {{"", Demo(), EngineMadeAgb(), "agb.xlsx", {}, ""}});
    auto run = std::make_unique<RunState>();
    EXPECT_EQ(EvaluateTrial(problem, std::vector<double>{1.5, 11}, *run).objective, kOutsidePenalty);
    const TrialResult atMax = EvaluateTrial(problem, std::vector<double>{4, 15}, *run);
    EXPECT_TRUE(atMax.evaluated);
    EXPECT_EQ(atMax.objective, 0);
}

MeasuredData Table(const std::vector<std::pair<std::string, std::string>>& rows) {
    Grid grid(static_cast<int>(rows.size()) + 1, 2);
    grid.setText(1, 1, "DOY");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        grid.setText(static_cast<int>(i) + 2, 1, rows[i].first);
        grid.setText(static_cast<int>(i) + 2, 2, rows[i].second);
    }
    return ReadMeasured(grid);
}

// The demo simulates DOY 100 .. 299, is sown on DOY 120 and its crop ends on DOY 277: a table the
// objective cannot use is refused by name before the search, and what it leaves out is named.
TEST(CalibrationChecks, MeasurementsTheObjectiveCannotUseAreRefusedByName) {
    const double initial[] = {2.3, 12};
    const auto refusal = [&](MeasuredData agb) {
        const Problems problems = CheckCalibration(RueAndTb(std::move(agb)), initial);
        return problems.empty() ? std::string("accepted") : problems.front().text;
    };
    EXPECT_EQ(refusal(Table({{"150", "1"}, {"160", "-1"}})),
              "agb.xlsx: a measured value cannot be negative: row 3 (-1).");
    EXPECT_EQ(
        refusal(Table({{"150", "1"}, {"160", "2"}, {"150", "3"}})),
        "agb.xlsx: one day cannot have two different measured values: rows 2 and 4 (DOY 150: 1 and 3).");
    EXPECT_EQ(refusal(Table({{"150", "1"}, {"160", "2"}, {"150", "1"}})), "accepted");
    EXPECT_EQ(
        refusal(Table({{"105", "0.2"}, {"110", "0.4"}, {"290", "9"}})),
        "agb.xlsx: every AGB measurement of a simulated day was taken before sowing on DOY 120 or after "
        "the crop ended on DOY 277, where the simulated AGB is 0 whatever the parameters: there is no "
        "pair to calibrate on.");
    EXPECT_EQ(refusal(Table({{"150", "0"}, {"200", "0"}})),
              "agb.xlsx: every measured AGB is 0, so the objective's index (relative to their mean) has no "
              "value.");

    CalibrationSettings weightless = RueAndTbSettings();
    weightless.withLai = true;
    weightless.agbWeight = 0;
    weightless.laiWeight = 0;
    const MeasuredData lai = Table({{"150", "1"}, {"200", "4"}});
    const CalibrationProblem problem(weightless,
                                     {{"", Demo(), EngineMadeAgb(), "agb.xlsx", lai, "lai.xlsx"}});
    const Problems problems = CheckCalibration(problem, initial);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].text,
              "The objective has no weight: with the AGB and LAI weights both 0 every point "
              "scores 0. Give one of them a value above 0.");

    CalibrationSettings settings = weightless;
    settings.agbWeight = 1;
    const std::vector<CalibrationDataSet> sets = {
        {"Site 2", Demo(), Table({{"110", "0"}, {"180", "6"}, {"280", "9"}, {"330", "9"}}), "agb.xlsx", lai,
         "lai.xlsx"}};
    EXPECT_EQ(
        MeasurementNotes(settings, sets),
        (std::vector<std::string>{
            "Site 2: agb.xlsx: rows not paired, the run did not simulate their day: row 5 (DOY 330).",
            "Site 2: agb.xlsx: 1 measurement before sowing on DOY 120 is compared with a bare field (DOY "
            "110).",
            "Site 2: agb.xlsx: 1 measurement after the crop ended on DOY 277 is compared with a bare field "
            "(DOY 280)."}));
}

// The window names what the command line names, before its search starts.
TEST(CalibrationChecks, TheWindowNamesTheMeasurementsLeftOut) {
    AutoCalTexts texts = NewAutoCalTexts();
    texts.method = SimplexMethod::Standard;
    texts.acc.parameters = {{{"RUE", "1.5", "4"}, {"Tb for growth", "7", "15"}, {"", "", ""}}};
    texts.acc.initial = {"2.3", "12", ""};
    const FormModel main = test::DemoForm();
    const MeasuredTable agb{Table({{"150", "1"}, {"200", "5"}, {"330", "9"}}), "agb.xlsx", true};
    const PreparedCalibration prepared = PrepareAutoCal(texts, main, agb, {});
    ASSERT_FALSE(prepared.refusal) << prepared.refusal->text;
    EXPECT_EQ(prepared.notes, std::vector<std::string>{"agb.xlsx: rows not paired, the run did not simulate "
                                                       "their day: row 4 (DOY 330)."});
    MultiPointTexts sites;
    sites.method = SimplexMethod::Standard;
    sites.cfg.parameters = texts.acc.parameters;
    sites.cfg.initial = texts.acc.initial;
    sites.cfg.sites[0].weather = sites.cfg.sites[2].weather = "weather.csv";
    const PreparedCalibration gap = PrepareMultiPoint(sites, main, {});
    ASSERT_TRUE(gap.refusal);
    EXPECT_EQ(gap.refusal->text.rfind("Site 3 names its files, but site 2 has no weather workbook", 0), 0u);
    // Every site in use needs its tables read, the refusal naming the file that was not.
    sites.cfg.sites[2].weather.clear();
    sites.cfg.sites[0].agb = "agb.xlsx";
    SiteTableSet tables;
    const auto refusal = [&] {
        return PrepareMultiPoint(sites, main, tables).refusal.value_or(Message{}).text;
    };
    EXPECT_EQ(refusal(), "Data set 1 has no weather table: choose its weather workbook (weather.csv was not "
                         "read) with its Select button.");
    tables[0].weather = main.grid(ctl::sprWeather);
    EXPECT_EQ(refusal(), "Data set 1 has no AGB table: choose its AGB workbook (agb.xlsx was not read) with "
                         "its Select button.");
    tables[0].agb = agb;
    sites.agbAndLai = true;
    EXPECT_EQ(refusal(), "Data set 1 has no LAI table: choose its LAI workbook with its Select button.");
    sites.agbAndLai = false;
    const PreparedCalibration ready = PrepareMultiPoint(sites, main, tables);
    ASSERT_FALSE(ready.refusal) << ready.refusal->text;
    ASSERT_EQ(ready.request.dataSets.size(), 1u);
    EXPECT_EQ(ready.request.dataSets[0].name, "Data set 1");

    const MeasuredTable negative{Table({{"150", "1"}, {"200", "-5"}}), "agb.xlsx", true};
    const PreparedCalibration refused = PrepareAutoCal(texts, main, negative, {});
    ASSERT_TRUE(refused.refusal);
    EXPECT_EQ(refused.refusal->text, "agb.xlsx: a measured value cannot be negative: row 3 (-5).");
}

TEST(CalibrationRecovery, FindsTheParametersThatMadeTheMeasurements) {
    const double initial[] = {2.3, 12};
    std::string singleTraces[2];
    CalibrationOutcome singles[2];
    for (const int threads : {1, 2}) {
        const CalibrationProblem problem = RueAndTb(EngineMadeAgb(), 1.5, threads);
        singles[threads - 1] = SearchFromInitialValues(
            problem, initial, [&](std::string_view line) { singleTraces[threads - 1] += line; });
    }
    const CalibrationOutcome& single = singles[0];
    ASSERT_TRUE(single.problems.empty());
    ASSERT_FALSE(single.failed);
    EXPECT_NEAR(single.rounded[0], 2.8, 0.028);
    EXPECT_NEAR(single.rounded[1], 11, 0.11);
    EXPECT_FALSE(singleTraces[0].empty());
    EXPECT_EQ(single.values, singles[1].values);
    EXPECT_EQ(single.runs, singles[1].runs);
    EXPECT_EQ(singleTraces[0], singleTraces[1]);

    const GeneticSettings genetic{12, 60, 2, 0.5, 1.5, 0.2};
    std::string traces[2];
    CalibrationOutcome outcomes[2];
    for (const int threads : {1, 2}) {
        const CalibrationProblem parallel = RueAndTb(EngineMadeAgb(), 1.5, threads);
        outcomes[threads - 1] = GeneticSearch(parallel, initial, genetic, 424242, [&](std::string_view line) {
            traces[threads - 1] += std::string(line) + "\n";
        });
    }
    const CalibrationOutcome& one = outcomes[0];
    ASSERT_FALSE(one.failed);
    EXPECT_NEAR(one.rounded[0], 2.8, 0.028);
    EXPECT_NEAR(one.rounded[1], 11, 0.11);
    EXPECT_EQ(one.seed, 424242 % 54773);
    EXPECT_EQ(one.values, outcomes[1].values);
    EXPECT_EQ(one.objective, outcomes[1].objective);
    EXPECT_EQ(one.runs, outcomes[1].runs);
    EXPECT_EQ(traces[0], traces[1]);
}

TEST(CalibrationRecovery, FailsWhenNoPointWasInside) {
    // A range that holds only the initial value's neighbourhood is fine; one whose every random vertex
    // breaks the order of the temperatures is not a calibration.
    CalibrationSettings settings;
    settings.parameters = {{ParameterIndex("Tb"), 24, 25}, {ParameterIndex("Topt"), 15, 16}};
    const CalibrationProblem problem(settings, {{"", Demo(), EngineMadeAgb(), "agb.xlsx", {}, ""}});
    const double initial[] = {24.5, 15.5};
    const CalibrationOutcome outcome = GeneticSearch(problem, initial, {3, 5, 1, 0.5, 1, 0}, 3);
    EXPECT_TRUE(outcome.problems.empty());
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(outcome.rounded.empty());
}

TEST(CalibrationGenetic, FillingReachesTheLastRejectedRowAndTheBestSurvivesItsGeneration) {
    // Row M is always rejected, and the last of the rejected rows: it must still be copied at times.
    const CalibrationProblem problem = RueAndTb(EngineMadeAgb());
    bool lastCopied = false;
    for (int seed = 1; seed <= 40 && !lastCopied; ++seed) {
        Population previous;
        for (int i = 1; i <= 9; ++i) previous.push_back({double(i), 2, 10, double(i), 1});
        ShuffledCongruentialRandom random(seed);
        for (const auto& row : GenerationStep(problem, previous, 9, {6, 2, 10}, 0, random))
            lastCopied = lastCopied || row[0] == 9;
    }
    EXPECT_TRUE(lastCopied);

    // Later generations that barely search (a budget cut to one pass, every start random) find worse
    // points than the first: the reported best is still the first generation's.
    MeasuredData noisy = EngineMadeAgb();
    for (std::size_t i = 0; i < noisy.rows.size(); ++i) noisy.rows[i].value *= i % 2 ? 1.08f : 0.93f;
    const CalibrationProblem scattered = RueAndTb(noisy);
    const double initial[] = {2.3, 12};
    const CalibrationOutcome first = GeneticSearch(scattered, initial, {6, 40, 0, 0.5, 1, 0}, 11);
    const CalibrationOutcome later = GeneticSearch(scattered, initial, {6, 40, 3, 0.5, 0.01, 1}, 11);
    ASSERT_FALSE(first.failed);
    EXPECT_LE(later.objective, first.objective);
}

TEST(CalibrationSites, ASiteKeepsItsDatesAndLatitudeAsTyped) {
    const FormModel demo = test::DemoForm();
    const SiteTexts row{"110", "290", "125", " 45.7", "", "weather.csv", "agb.xlsx", ""};
    const Compilation site = CompileSite(demo, row, demo.grid(ctl::sprWeather));
    ASSERT_TRUE(site.inputs);
    EXPECT_EQ(site.inputs->control.InitialDate, 110);
    EXPECT_EQ(site.inputs->control.FinalDate, 290);
    EXPECT_EQ(site.inputs->manag.Lat, 45.7f); // not rounded to 46, which moves the site
}

// A long generation must not hold its whole trace: each search's lines leave as soon as the searches
// before it are done, in their order, while the later searches still run.
TEST(GeneticCalibration, TraceLinesLeaveWithTheirSearchNotAfterTheGeneration) {
    const CalibrationProblem problem = RueAndTb(EngineMadeAgb(), 1.5, 1);
    Population table;
    ShuffledCongruentialRandom random(3);
    std::vector<std::int64_t> runsAtLine;
    const TraceSink sink = [&](std::string_view) { runsAtLine.push_back(problem.runs()); };
    MultipleStart(problem, 4, table, false, random, 60, sink);
    ASSERT_FALSE(runsAtLine.empty());
    EXPECT_LT(runsAtLine.front(), problem.runs());
    EXPECT_TRUE(std::is_sorted(runsAtLine.begin(), runsAtLine.end()));
}

// The calibration's trials run the season the run command runs, water and all: at the configuration's own
// values the flooded field's own biomass scores 0, on a run state that ran other seasons before, and the
// same field unflooded does not.
TEST(CalibrationFlooded, TrialsRunTheSeasonUnderItsOwnWater) {
    const EngineMade own = Measure(*Flooded(), {});
    auto reference = std::make_unique<RunState>();
    RunSeason(*Flooded(), {}, *reference);
    double deepest = 0;
    for (int d = 150; d < 265; ++d) deepest = std::max(deepest, reference->out.WaterLevel[d]);
    ASSERT_GT(deepest, 0);

    CalibrationSettings settings = RueAndTbSettings();
    const double configured[] = {Flooded()->crop.RUE, Flooded()->crop.Tb};
    const CalibrationProblem flooded(settings, {{"", Flooded(), own.agb, "agb.xlsx", {}, ""}});
    FormModel unflooded = test::ExampleForm("flooded.sim");
    unflooded.setText(ctl::cmbFlooded, std::string(choice::Unflooded));
    const CalibrationProblem dried(settings, {{"", test::Compiled(unflooded), own.agb, "agb.xlsx", {}, ""}});
    auto run = std::make_unique<RunState>();
    RunSeason(*Demo(), {}, *run);
    EXPECT_GT(EvaluateTrial(dried, configured, *run).objective, 1);
    const TrialResult trial = EvaluateTrial(flooded, configured, *run);
    ASSERT_TRUE(trial.evaluated);
    EXPECT_EQ(trial.objective, 0);
    const auto residuals = WeightedResiduals(flooded, configured, *run);
    ASSERT_TRUE(residuals);
    EXPECT_EQ(*residuals, std::vector<double>(8, 0.0));
    for (int d = 100; d < 300; ++d) {
        ASSERT_EQ(run->out.AGB[d], reference->out.AGB[d]) << d;
        ASSERT_EQ(run->out.WaterLevel[d], reference->out.WaterLevel[d]) << d;
        ASSERT_EQ(run->weather.Tmax[d], reference->weather.Tmax[d]) << d; // the floodwater's, when submerged
    }
    EXPECT_TRUE(CheckCalibration(flooded, configured).empty());
}

// Any number of parameters: one moves along a line, five find the season that made the AGB and LAI.
TEST(CalibrationDimensions, OneAndFiveParametersAreRecovered) {
    const double one[] = {2.3};
    const auto line = StartingSimplex(one);
    ASSERT_EQ(line.size(), 2u);
    EXPECT_NE(line[0], line[1]);
    const double zero[] = {0, 1, 2, 3};
    const CalibratedParameter ranges[] = {{0, -1, 1}, {0, 0, 2}, {0, 0, 4}, {0, 0, 6}};
    const auto four = StartingSimplex(zero, ranges);
    ASSERT_EQ(four.size(), 5u);
    EXPECT_NE(four[1][0], 0); // not flat along a parameter whose initial value is 0

    const ParameterValue made[] = {{ParameterIndex("RUE"), 2.8},
                                   {ParameterIndex("Tb"), 11},
                                   {ParameterIndex("SLA0"), 30},
                                   {ParameterIndex("GDDLeafLife"), 800},
                                   {ParameterIndex("RipL0"), 0.7}};
    const EngineMade data = Measure(*Demo(), made);
    CalibrationSettings settings;
    settings.parameters = {{ParameterIndex("RUE"), 1.5, 4},
                           {ParameterIndex("Tb"), 7, 15},
                           {ParameterIndex("SLA0"), 15, 45},
                           {ParameterIndex("GDDLeafLife"), 500, 1200},
                           {ParameterIndex("RipL0"), 0.5, 0.95}};
    settings.withLai = true;
    settings.laiWeight = 1;
    const CalibrationProblem problem(settings, {{"", Demo(), data.agb, "agb.xlsx", data.lai, "lai.xlsx"}});
    const double initial[] = {2.3, 12, 25, 950, 0.8};
    const CalibrationOutcome outcome = GeneticSearch(problem, initial, {10, 300, 2, 0.5, 1.5, 0}, 11);
    ASSERT_FALSE(outcome.failed);
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_NEAR(outcome.rounded[k], made[k].value, 0.01 * made[k].value) << k;

    const double single[] = {2.3};
    CalibrationSettings rueOnly;
    rueOnly.parameters = {{ParameterIndex("RUE"), 1.5, 4}};
    const CalibrationProblem oneParameter(rueOnly, {{"", Demo(), EngineMadeAgb(), "agb.xlsx", {}, ""}});
    EXPECT_TRUE(SearchFromInitialValues(oneParameter, single).problems.empty());
}

TEST(CalibrationChecks, CodesSwitchesAndConstantsAreNotCalibrated) {
    CalibrationSettings settings;
    settings.parameters = {{ParameterIndex("RUE"), 1.5, 4},
                           {ParameterIndex("SenDuration"), 0, 1},
                           {ParameterIndex("C"), 0.1, 1}};
    const CalibrationProblem problem(settings, {{"", Demo(), EngineMadeAgb(), "agb.xlsx", {}, ""}});
    const double initial[] = {2.3, 0.5, 0.5};
    const Problems problems = CheckCalibration(problem, initial);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].text.find("SenDuration is a code or a switch"), std::string::npos)
        << problems[0].text;
    EXPECT_NE(problems[1].text.find("C is a constant of the model"), std::string::npos) << problems[1].text;
    // The demo's crop is sown in the field and develops by temperature alone: it never reads the
    // transplanting nor the day lengths, whose values a search would leave wherever it wandered.
    CalibrationSettings unread;
    unread.parameters = {{ParameterIndex("NH"), 1, 5}, {ParameterIndex("DLC"), 8, 12}};
    const double unreadInitial[] = {2, 10};
    const Problems neverRead = CheckCalibration(
        CalibrationProblem(unread, {{"", Demo(), EngineMadeAgb(), "a.csv", {}, ""}}), unreadInitial);
    ASSERT_EQ(neverRead.size(), 2u);
    EXPECT_NE(neverRead[0].text.find("never read by this season: the crop is sown in the field"),
              std::string::npos)
        << neverRead[0].text;
    EXPECT_NE(neverRead[1].text.find("DLC is never read by this season"), std::string::npos)
        << neverRead[1].text;
    CalibrationSettings none;
    EXPECT_EQ(CheckCalibration(CalibrationProblem(none, {}), {}).at(0).text,
              "There are problems with the number of parameters to calibrate: choose at least one.");
}

// Two sites, each its own RUE: a site's value reaches its own season only, in the search, in the
// per-site indices and in the slopes of the uncertainty.
TEST(CalibrationPerSite, EachSitesOwnValueRunsOnlyItsSeason) {
    const int rue = ParameterIndex("RUE");
    const ParameterValue low[] = {{rue, 2.4}}, high[] = {{rue, 3.0}};
    CalibrationSettings settings;
    settings.parameters = {{rue, 1.5, 4, 0}, {rue, 1.5, 4, 1}};
    const std::vector<CalibrationDataSet> sets = {{"a", Demo(), Measure(*Demo(), low).agb, "a.csv", {}, ""},
                                                  {"b", Demo(), Measure(*Demo(), high).agb, "b.csv", {}, ""}};
    const CalibrationProblem problem(settings, sets);
    EXPECT_TRUE(CheckCalibration(problem, std::vector<double>{2.3, 2.3}).empty());
    auto run = std::make_unique<RunState>();
    const double truth[] = {2.4, 3.0}, swapped[] = {3.0, 2.4};
    EXPECT_LT(EvaluateTrial(problem, truth, *run).objective, 0.01);
    EXPECT_GT(EvaluateTrial(problem, swapped, *run).objective, 5);

    CalibrationRequest request{settings, sets, {}, std::nullopt, std::nullopt, true, std::nullopt};
    request.settings.parameters.clear();
    for (const CalibratedParameter& p : settings.parameters) request.choices.push_back({nullptr, p, 2.3});
    const auto indices = DataSetIndices(request, truth);
    ASSERT_EQ(indices.size(), 2u);
    EXPECT_LT(indices[0].agbIndex, 0.01);
    EXPECT_LT(indices[1].agbIndex, 0.01) << "site b ran with site a's value";

    // One site's value does not move the other's season: the two are uncorrelated.
    const CalibrationUncertainty u = EstimateUncertainty(problem, std::vector<double>{2.45, 2.95});
    ASSERT_EQ(u.correlation.size(), 2u);
    EXPECT_NEAR(u.correlation[0][1], 0, 1e-9);

    // A shared value and a site's own of one parameter would give that site two values.
    CalibrationSettings both = settings;
    both.parameters = {{rue, 1.5, 4}, {rue, 1.5, 4, 1}};
    EXPECT_FALSE(CheckCalibration(CalibrationProblem(both, sets), std::vector<double>{2.3, 2.3}).empty());
}

// Each row's own value is searched for that row alone given the shared ones, so repeating the rows
// changes neither the shared value found nor a row's own, and the search converges however many rows
// there are.
TEST(CalibrationPerSite, TheSharedValueDoesNotDependOnHowManyRowsRepeatTheData) {
    const int rue = ParameterIndex("RUE"), lai0 = ParameterIndex("LAIemerg");
    const ParameterValue a[] = {{rue, 2.6}, {lai0, 0.02}}, b[] = {{rue, 2.6}, {lai0, 0.06}};
    const EngineMade madeA = Measure(*Demo(), a), madeB = Measure(*Demo(), b);
    std::vector<CalibrationOutcome> outcomes;
    for (const int copies : {1, 4}) {
        CalibrationSettings settings;
        settings.withLai = true;
        settings.laiWeight = 1;
        settings.parameters = {{rue, 1.5, 4}};
        std::vector<CalibrationDataSet> sets;
        std::vector<double> initial = {2.3};
        for (int c = 0; c < copies; ++c)
            for (const EngineMade* made : {&madeA, &madeB}) {
                const int d = static_cast<int>(sets.size());
                sets.push_back(
                    {"row " + std::to_string(d + 1), Demo(), made->agb, "agb.csv", made->lai, "lai.csv"});
                settings.parameters.push_back({lai0, 0.001, 0.2, d});
                initial.push_back(0.03);
            }
        outcomes.push_back(SearchFromInitialValues(CalibrationProblem(settings, sets), initial));
    }
    for (const CalibrationOutcome& o : outcomes) {
        ASSERT_TRUE(o.problems.empty()) << o.problems.front().text;
        ASSERT_FALSE(o.failed);
        EXPECT_TRUE(o.converged);
        EXPECT_NEAR(o.values[0], 2.6, 0.026);
        for (std::size_t k = 1; k < o.values.size(); ++k)
            EXPECT_NEAR(o.values[k], k % 2 == 1 ? 0.02 : 0.06, 0.003) << k;
    }
    EXPECT_NEAR(outcomes[1].values[0], outcomes[0].values[0], 0.002);
    EXPECT_EQ(outcomes[1].values.size(), 9u);
}

} // namespace
} // namespace tulo
