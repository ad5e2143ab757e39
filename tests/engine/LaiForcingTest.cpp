// Forcing a season's leaf area with exogenous values: what changes, what stays, in which order points
// apply, and that the season goes on from the end of the forcing day as the uninterrupted one would.

#include "engine/LaiForcing.h"

#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <memory>

namespace tulo {
namespace {

using test::CompiledExample;
using test::FirstDifference;

std::unique_ptr<RunState> Season(const SeasonInputs& inputs) {
    auto run = std::make_unique<RunState>();
    RunSeason(inputs, {}, *run);
    return run;
}

std::unique_ptr<RunState> Forced(const SeasonInputs& inputs, const std::vector<LaiPoint>& points,
                                 ForcingOutcome* outcome = nullptr) {
    auto run = std::make_unique<RunState>();
    const ForcingOutcome result = ForceLai(inputs, {}, points, *run);
    EXPECT_FALSE(result.problem) << result.problem.value_or(InputProblem{}).text;
    if (outcome) *outcome = result;
    return run;
}

void ExpectSlot(const RunState& run, const ForcedDay& f) {
    const DailyOutputs& o = run.out;
    EXPECT_EQ(o.LAI[f.doy], f.lai);
    EXPECT_EQ(o.AGB[f.doy], f.AGB);
    EXPECT_EQ(o.Leaves[f.doy], f.leaves);
    EXPECT_EQ(o.Stems[f.doy], f.stems);
    EXPECT_EQ(o.Panicles[f.doy], f.panicles);
}

// The demo simulates DOY 100 .. 299; sown on 120, its crop ends on 277.
TEST(LaiForcing, TheForcingDayGetsTheForcedStateAndOnlyTheDaysAfterItAreRecomputed) {
    const auto inputs = CompiledExample("demo.sim");
    const auto base = Season(*inputs);
    const LaiPoint point{200, 3.5f};
    const auto preview = PreviewForcing(*base, point);
    ASSERT_TRUE(preview);
    ForcingOutcome outcome;
    const auto forced = Forced(*inputs, {point}, &outcome);

    EXPECT_EQ(FirstDifference(*base, *forced, 100, 199), "");
    ASSERT_EQ(outcome.forced.size(), 1u);
    EXPECT_EQ(outcome.forced[0].AGB, preview->AGB);
    ExpectSlot(*forced, *preview);
    // The day's simulated shares stay; the leaves carry the observed area.
    const DailyOutputs& b = base->out;
    EXPECT_FLOAT_EQ(preview->leaves / preview->AGB, b.Leaves[200] / b.AGB[200]);
    EXPECT_FLOAT_EQ(preview->panicles / preview->AGB, b.Panicles[200] / b.AGB[200]);
    EXPECT_NE(preview->AGB, b.AGB[200]);
    // The next days grow from the forced state; the stage does not depend on biomass.
    const DailyOutputs& f = forced->out;
    EXPECT_EQ(f.AGB[201], f.AGB[200] + f.AGBday[201]);
    for (int d = 201; d < 277; ++d) {
        EXPECT_NE(f.AGB[d], b.AGB[d]) << d;
        EXPECT_EQ(f.DVS[d], b.DVS[d]) << d;
    }
}

TEST(LaiForcing, EachPointBuildsOnTheEarlierOnesWhateverTheOrderOfTheTable) {
    const auto inputs = CompiledExample("demo.sim");
    const LaiPoint first{150, 0.2f}, second{200, 3.5f};
    const auto onlyFirst = Forced(*inputs, {first});
    ForcingOutcome outcome;
    const auto both = Forced(*inputs, {first, second}, &outcome);

    EXPECT_EQ(FirstDifference(*onlyFirst, *both, 100, 199), "");
    const auto fromFirst = PreviewForcing(*onlyFirst, second);
    ASSERT_TRUE(fromFirst);
    ExpectSlot(*both, *fromFirst);
    EXPECT_NE(PreviewForcing(*Season(*inputs), second)->AGB, fromFirst->AGB);

    // A later row of an earlier day neither erases the later forcing nor is lost; of two rows of one day
    // the later counts.
    ForcingOutcome reversedOutcome;
    const auto reversed = Forced(*inputs, {{200, 9.0f}, second, first}, &reversedOutcome);
    EXPECT_EQ(FirstDifference(*both, *reversed, 1, 365), "");
    ASSERT_EQ(reversedOutcome.forced.size(), 2u);
    EXPECT_EQ(reversedOutcome.forced[0].doy, 150);
    EXPECT_EQ(reversedOutcome.forced[1].lai, 3.5f);
}

TEST(LaiForcing, APointThatCannotBeForcedIsNamedAndNothingChanges) {
    const auto inputs = CompiledExample("demo.sim");
    const struct {
        LaiPoint point;
        const char* why;
    } refused[] = {
        {{110, 1.0f}, "DOY 110 cannot be forced: its simulated above-ground biomass is 0"},
        {{300, 1.0f}, "DOY 300 cannot be forced: the season simulates DOY 100 to DOY 299 only."},
        {{280, 1.0f}, "DOY 280 cannot be forced: the crop ended on DOY 277."},
        {{200, -1.0f}, "DOY 200 cannot be forced: the leaf area index -1"},
        {{200, 1000.0f},
         "DOY 200 cannot be forced: the leaf area index 1000 is outside the accepted range 0 to 15 "
         "m2/m2 (the densest rice canopies"}};
    for (const auto& r : refused) {
        const auto run = Season(*inputs);
        const RunState before = *run;
        InputProblem shown;
        EXPECT_FALSE(PreviewForcing(*run, r.point, &shown));
        EXPECT_TRUE(shown.text.starts_with(r.why)) << shown.text;
        // The valid first point is not left behind either.
        const ForcingOutcome outcome =
            ForceLai(*inputs, {}, std::vector<LaiPoint>{{150, 0.2f}, r.point}, *run);
        ASSERT_TRUE(outcome.problem);
        EXPECT_EQ(outcome.problem->text, shown.text);
        EXPECT_TRUE(outcome.forced.empty());
        EXPECT_EQ(FirstDifference(before, *run, 1, 365), "") << r.why;
    }
}

// Flooded, dynamic level over three soil layers, blast: on DOY 170 the apex is under water and a blast
// cycle runs. The day after a forcing reads the soil water, the water level, the blast state and
// CropActive of the end of the forcing day, so what does not depend on biomass stays as it was.
TEST(LaiForcing, TheDayAfterAForcingGoesOnFromTheEndOfTheForcingDay) {
    const auto inputs = CompiledExample("flooded.sim");
    const auto base = Season(*inputs);
    ASSERT_NE(base->weather.Tmax[171], base->weather.TmaxAir[171]); // floodwater temperature
    const auto forced = Forced(*inputs, {{170, 1.2f * base->out.LAI[170]}});
    const DailyOutputs &b = base->out, &f = forced->out;
    EXPECT_NE(f.AGB[171], b.AGB[171]);
    EXPECT_EQ(f.WaterLevel[171], b.WaterLevel[171]);
    EXPECT_EQ(forced->weather.Tmax[171], base->weather.Tmax[171]);
    EXPECT_EQ(f.GDD[171], b.GDD[171]);
    EXPECT_EQ(f.RiskLevel[171], b.RiskLevel[171]);
    EXPECT_EQ(f.BlastDVStoday[171], b.BlastDVStoday[171]);
}

// The strong form: a season stopped after a day and overwritten with that day's own state continues
// exactly as the uninterrupted one.
TEST(LaiForcing, ASeasonRunInPiecesWithItsOwnStateWrittenBackIsTheSeasonRunAtOnce) {
    const auto inputs = CompiledExample("flooded.sim");
    const auto base = Season(*inputs);
    for (const int stop : {100, 170, 230}) {
        auto run = std::make_unique<RunState>(*base);
        run->PrepareFreshRun();
        DailyLoop loop(*run);
        ASSERT_TRUE(loop.RunThrough(stop));
        const DailyOutputs& o = run->out;
        loop.OverwriteDay({stop, o.LAI[stop], o.AGB[stop], o.Leaves[stop], o.Stems[stop], o.Panicles[stop]});
        ASSERT_TRUE(loop.RunThrough(kLastDay));
        EXPECT_EQ(FirstDifference(*base, *run, 1, kLastDay), "") << stop;
        EXPECT_EQ(run->loop.DOY, base->loop.DOY);
        EXPECT_EQ(run->loop.Latency, base->loop.Latency);
        EXPECT_EQ(run->loop.BlastLeafRespiration, base->loop.BlastLeafRespiration);
    }
}

// The observed area is green leaf, as the simulated LAI is, while the leaf biomass keeps the dead leaves:
// a season forced on any day with its own LAI is the season itself, and a greater or smaller LAI makes a
// greater or smaller crop from that day to its end. The transplanted paddy's field is one too.
TEST(LaiForcing, ASeasonForcedWithItsOwnLaiIsItselfAndMoreLaiMakesMoreCrop) {
    for (const char* example : {"demo.sim", "flooded.sim", "field/paddy.sim"}) {
        const auto inputs = CompiledExample(example);
        ASSERT_NE(inputs, nullptr) << example;
        const auto base = Season(*inputs);
        const DailyOutputs& b = base->out;
        const int first = base->control.InitialDate, last = base->control.FinalDate - 1;
        int forcedDays = 0, end = 0;
        for (int d = first; d <= last; ++d) {
            if (end == 0 && b.DVS[d] >= base->crop.DVSEND) end = d;
            const LaiPoint own{d, b.LAI[d]};
            if (!PreviewForcing(*base, own)) continue;
            ++forcedDays;
            const auto forced = Forced(*inputs, {own});
            EXPECT_EQ(FirstDifference(*base, *forced, 1, kLastDay), "") << example << " forced on DOY " << d;
        }
        EXPECT_GT(forcedDays, 100) << example;
        ASSERT_GT(end, first) << example;
        for (const int d : {end - 100, end - 50, end - 7}) {
            const auto more = Forced(*inputs, {{d, 1.2f * b.LAI[d]}});
            const auto less = Forced(*inputs, {{d, 0.8f * b.LAI[d]}});
            const DailyOutputs &m = more->out, &l = less->out;
            for (const int day : {d, end - 1}) {
                EXPECT_GT(m.AGB[day], b.AGB[day]) << example << " forced on DOY " << d << ", DOY " << day;
                EXPECT_LT(l.AGB[day], b.AGB[day]) << example << " forced on DOY " << d << ", DOY " << day;
                EXPECT_GT(m.Leaves[day], b.Leaves[day]) << example << " forced on DOY " << d;
                EXPECT_LT(l.Leaves[day], b.Leaves[day]) << example << " forced on DOY " << d;
            }
            EXPECT_GT(m.Panicles[end - 1], b.Panicles[end - 1]) << example << " forced on DOY " << d;
            EXPECT_LT(l.Panicles[end - 1], b.Panicles[end - 1]) << example << " forced on DOY " << d;
        }
    }
}

// A table of two columns holding these rows.
Grid Table(const std::vector<std::pair<const char*, const char*>>& rows) {
    Grid grid(static_cast<int>(rows.size()), 2);
    for (int r = 1; r <= grid.rows(); ++r) {
        grid.setText(r, 1, rows[static_cast<std::size_t>(r - 1)].first);
        grid.setText(r, 2, rows[static_cast<std::size_t>(r - 1)].second);
    }
    return grid;
}

TEST(LaiForcing, ATableIsReadFromItsFirstRowUnlessThatHoldsTitles) {
    Grid grid = Table(
        {{"150", "1.2"}, {"", ""}, {"200", "3"}, {"DOY", "4"}, {"400", "1"}, {"210.5", "1"}, {"220", "-1"}});
    Problems problems;
    const auto points = ReadLaiPoints(grid, problems);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].doy, 150);
    EXPECT_EQ(points[0].lai, 1.2f);
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].row, 4);
    EXPECT_EQ(problems[0].text, "LAI table, row 4, DOY: \"DOY\" is not a number.");
    EXPECT_EQ(problems[1].row, 5);
    EXPECT_EQ(problems[2].row, 6);
    EXPECT_EQ(problems[3].column, 2);

    grid.setText(1, 1, "DOY");
    grid.setText(1, 2, "LAI");
    problems.clear();
    EXPECT_EQ(ReadLaiPoints(grid, problems).size(), 1u);

    // The registry's bound for a leaf area index holds in a table too.
    grid.setText(3, 2, "15.5");
    problems.clear();
    EXPECT_TRUE(ReadLaiPoints(grid, problems).empty());
    ASSERT_FALSE(problems.empty());
    EXPECT_TRUE(problems[0].text.starts_with(
        "LAI table, row 3: the leaf area index 15.5 is outside the accepted range 0 to 15 m2/m2"))
        << problems[0].text;
}

// Dates in an LAI table are days of their own year, as in measured tables.
TEST(LaiForcing, TableDatesAreDaysOfTheirYear) {
    const Grid grid = Table({{"Date", "LAI"},
                             {"2024-03-01", "1"},
                             {"30/05/2026", "2"},
                             {"29/02/2026", "3"},
                             {"2024-12-31", "4"}});
    Problems problems;
    const auto points = ReadLaiPoints(grid, problems);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].doy, 61);
    EXPECT_EQ(points[1].doy, 150);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].text, "LAI table, row 4: \"29/02/2026\" is not a day of its year.");
    EXPECT_EQ(
        problems[1].text,
        "LAI table, row 5: \"2024-12-31\" is DOY 366, a day the LAI forcing does not take (DOY 1..365).");
}

} // namespace
} // namespace tulo
