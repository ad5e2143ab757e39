// Phenology from observed dates: the fitted thermal times bring the season to every observed stage on its
// day, in unflooded and flooded seasons, at other latitudes and sowings and under the photoperiod
// method; what cannot be hit is said, and days that cannot be fitted are refused.

#include "calibration/Phenology.h"
#include "engine/Parameters.h"
#include "engine/SeasonSummary.h"

#include "forms/SeasonForm.h"
#include "forms/ToolResults.h"
#include "support/TestForms.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>

namespace tulo {
namespace {

std::shared_ptr<const SeasonInputs> Compile(const FormModel& form) {
    const Compilation compiled = CompileInputs(form);
    EXPECT_TRUE(compiled.inputs) << (compiled.problems.empty() ? "" : compiled.problems[0].text);
    return compiled.inputs;
}

SeasonSummary SummaryOf(const FormModel& form) {
    auto run = std::make_unique<RunState>();
    RunSeason(*Compile(form), {}, *run);
    return Summarize(*run);
}

// A season's own stages moved by the given days, so that every target lies where degree-days accrue.
ObservedStages Shifted(const SeasonSummary& summary, int emergence, int flowering, int maturity) {
    return {*summary.emergence + emergence, *summary.flowering + flowering, *summary.maturity + maturity};
}

// Fits, then checks the stages of a season compiled afresh from the form with the values written into
// it, as a saved configuration holds them.
void ExpectHits(FormModel form, const ObservedStages& observed, const std::string& season) {
    SCOPED_TRACE(season);
    auto run = std::make_unique<RunState>();
    const auto inputs = Compile(form);
    ASSERT_TRUE(CheckObservedStages(*inputs, observed).empty());
    const PhenologyFit fit = FitPhenology(*inputs, observed, *run);
    ASSERT_EQ(fit.stages.size(), observed.emergence ? 3u : 2u);
    for (const StageResult& stage : fit.stages) {
        EXPECT_EQ(stage.error(), 0) << StageName(stage.stage) << ": " << stage.note;
        EXPECT_TRUE(stage.note.empty());
    }
    WritePhenologyValues(form, fit);
    const SeasonSummary refitted = SummaryOf(form);
    if (observed.emergence) {
        EXPECT_EQ(refitted.emergence, observed.emergence);
    }
    EXPECT_EQ(refitted.flowering, observed.flowering);
    EXPECT_EQ(refitted.maturity, observed.maturity);
}

TEST(Phenology, HitsObservedDaysInSeasonsOfOtherLatitudesSowingsAndWater) {
    FormModel demo = test::DemoForm();
    ExpectHits(demo, Shifted(SummaryOf(demo), 3, -9, -4), "demo");
    ExpectHits(demo, Shifted(SummaryOf(demo), -2, 6, 11), "demo, later stages");

    FormModel tropics = test::DemoForm();
    tropics.setText(ctl::txtLatitude, "10");
    tropics.setText(ctl::txtSowingDate, "150");
    ExpectHits(tropics, {159, 222, 275}, "latitude 10, sown on DOY 150");

    // Short-day rice slowed by the long days of a northern summer: the degree-days are the reduced ones.
    FormModel photoperiod = test::DemoForm();
    photoperiod.setText(ctl::txtLatitude, "52");
    photoperiod.setText(ctl::txtSowingDate, "110");
    photoperiod.setText(ctl::cmbIDSL, std::string(choice::PhotoperiodBased));
    photoperiod.setText(ctl::txtDLO, "14");
    photoperiod.setText(ctl::txtDLC, "17.5");
    ASSERT_NE(SummaryOf(photoperiod).flowering, SummaryOf(demo).flowering);
    ExpectHits(photoperiod, {128, 231, 283}, "photoperiod method at 52° N");

    // Under water the apex lives at floodwater temperature until the panicle rises above it.
    FormModel flooded = test::ExampleForm("flooded.sim");
    ExpectHits(flooded, Shifted(SummaryOf(flooded), -3, 5, 12), "flooded");
    ObservedStages withoutEmergence = Shifted(SummaryOf(flooded), 0, -7, -2);
    withoutEmergence.emergence.reset();
    ExpectHits(flooded, withoutEmergence, "flooded, emergence not observed");
}

TEST(Phenology, KeepsValuesFarFromTheEdgesOfTheirRangesAndRaisesTheStageAtHarvest) {
    FormModel form = test::DemoForm();
    form.setText(ctl::txtDVSEND, "1.5"); // harvested before maturity: the crop never matures
    const SeasonSummary before = SummaryOf(form);
    ASSERT_FALSE(before.maturity);
    const ObservedStages observed{std::nullopt, *before.flowering + 4, *before.flowering + 50};
    auto run = std::make_unique<RunState>();
    const auto inputs = Compile(form);
    const PhenologyFit fit = FitPhenology(*inputs, observed, *run);
    ASSERT_EQ(fit.parameters.size(), 3u); // TSUM1, TSUM2, DVSEND; TSUMEM stays
    EXPECT_EQ(fit.parameters[0].index, ParameterIndex("TSUM1"));
    EXPECT_EQ(fit.parameters[2].index, ParameterIndex("DVSEND"));
    EXPECT_EQ(fit.parameters[2].value, 2.0);
    for (const StageResult& stage : fit.stages) EXPECT_EQ(stage.error(), 0) << stage.note;

    // Within a degree-day of the values either way, every stage stays on its day: none sits at the edge
    // of the range that gives its day.
    for (const std::size_t k : {0u, 1u})
        for (const double nudge : {-1.0, 1.0}) {
            std::vector<ParameterValue> nudged = fit.parameters;
            nudged[k].value += nudge;
            RunSeason(*inputs, nudged, *run);
            const SeasonSummary summary = Summarize(*run);
            EXPECT_EQ(summary.flowering, observed.flowering) << k << nudge;
            EXPECT_EQ(summary.maturity, observed.maturity) << k << nudge;
        }
    // A stage at harvest of 2 or more stays.
    form.setText(ctl::txtDVSEND, "2.2");
    EXPECT_EQ(FitPhenology(*Compile(form), observed, *run).parameters.size(), 2u);
}

TEST(Phenology, SaysWhyAStageMissesItsDay) {
    FormModel form = test::DemoForm();
    const SeasonSummary summary = SummaryOf(form);
    auto run = std::make_unique<RunState>();
    // Four days from emergence to flowering: even the least TSUM1 accepted takes longer.
    const ObservedStages early{*summary.emergence, *summary.emergence + 4, *summary.maturity};
    const PhenologyFit fit = FitPhenology(*Compile(form), early, *run);
    ASSERT_EQ(fit.stages.size(), 3u);
    EXPECT_EQ(fit.stages[0].error(), 0);
    ASSERT_TRUE(fit.stages[1].error());
    EXPECT_GT(*fit.stages[1].error(), 0);
    EXPECT_TRUE(
        fit.stages[1].note.starts_with("even the least TSUM1 accepted, 100 °C d, brings flowering on DOY " +
                                       std::to_string(*fit.stages[1].simulated)))
        << fit.stages[1].note;
    EXPECT_NEAR(fit.parameters[1].value, 100, 5);
    // Maturity is still fitted on the flowering the season reached.
    EXPECT_EQ(fit.stages[2].error(), 0) << fit.stages[2].note;

    // No degree-days on cold days: the stage cannot fall on the day after them.
    test::SetWeather(form, [](int d) {
        return d >= 200 && d < 205 ? test::DayWeather{0, 10, 4, 20} : test::DayWeather{};
    });
    const ObservedStages afterCold{std::nullopt, 203, 260};
    const PhenologyFit cold = FitPhenology(*Compile(form), afterCold, *run);
    EXPECT_NE(cold.stages[0].error(), 0);
    EXPECT_TRUE(cold.stages[0].note.starts_with("no value of TSUM1 puts flowering on DOY 203, only on DOY "))
        << cold.stages[0].note;
    EXPECT_EQ(cold.stages[1].error(), 0);
}

// Days a season gives with known thermal times, as a field would have them observed.
ObservedStages MadeBy(const FormModel& form, double tsumem, double tsum1, double tsum2) {
    auto run = std::make_unique<RunState>();
    const ParameterValue made[] = {{ParameterIndex("TSUMEM"), tsumem},
                                   {ParameterIndex("TSUM1"), tsum1},
                                   {ParameterIndex("TSUM2"), tsum2}};
    RunSeason(*Compile(form), made, *run);
    const SeasonSummary summary = Summarize(*run);
    EXPECT_TRUE(summary.flowering && summary.maturity);
    return {summary.emergence, summary.flowering.value_or(0), summary.maturity.value_or(0)};
}

TEST(Phenology, SeveralSeasonsShareTheValuesWithTheLeastSummedSquaredError) {
    FormModel demo = test::DemoForm();
    FormModel later = test::DemoForm();
    later.setText(ctl::txtLatitude, "10");
    later.setText(ctl::txtSowingDate, "130");
    const FormModel flooded = test::ExampleForm("flooded.sim");
    std::vector<ObservedSeason> seasons = {{Compile(demo), MadeBy(demo, 70, 800, 480)},
                                           {Compile(later), MadeBy(later, 70, 800, 480)},
                                           {Compile(flooded), MadeBy(flooded, 70, 800, 480)}};
    // Seasons made by one set of values are all hit by the values fitted on them together.
    SeasonsFit fit = FitPhenologyAcross(seasons);
    ASSERT_EQ(fit.parameters.size(), 3u);
    ASSERT_EQ(fit.seasons.size(), 3u);
    for (const auto& stages : fit.seasons) {
        ASSERT_EQ(stages.size(), 3u);
        for (const StageResult& stage : stages) EXPECT_EQ(stage.error(), 0) << StageName(stage.stage);
    }

    // One season observed four days late at flowering: the squared errors share the four days, one day
    // each to the twice observed season and three to the late one (2 x 1 + 9 = 11, below 16 for 0, 0, 4
    // and 12 for 2, 2, 2).
    seasons[2] = seasons[1];
    seasons[1] = seasons[0];
    seasons[2].observed.flowering += 4;
    seasons[2].observed.maturity += 4;
    fit = FitPhenologyAcross(seasons);
    EXPECT_EQ(fit.seasons[0][1].error(), 1);
    EXPECT_EQ(fit.seasons[1][1].error(), 1);
    EXPECT_EQ(fit.seasons[2][1].error(), -3);

    // Alone, a season is fitted as by itself; a season that did not see emergence leaves TSUMEM alone.
    const ObservedStages observed = Shifted(SummaryOf(demo), 2, -6, 5);
    auto run = std::make_unique<RunState>();
    const PhenologyFit single = FitPhenology(*Compile(demo), observed, *run);
    const ObservedSeason alone[] = {{Compile(demo), observed}};
    const SeasonsFit joint = FitPhenologyAcross(alone);
    ASSERT_EQ(joint.parameters.size(), single.parameters.size());
    for (std::size_t k = 0; k < joint.parameters.size(); ++k) {
        EXPECT_EQ(joint.parameters[k].index, single.parameters[k].index);
        EXPECT_EQ(joint.parameters[k].value, single.parameters[k].value);
    }
    ObservedSeason unseen{Compile(demo), observed};
    unseen.observed.emergence.reset();
    EXPECT_EQ(FitPhenologyAcross(std::span(&unseen, 1)).parameters.front().index, ParameterIndex("TSUM1"));
}

TEST(Phenology, RefusesDaysOutOfOrderBeforeSowingOrBeyondTheSeason) {
    const FormModel form = test::DemoForm(); // sown on DOY 120, simulated from DOY 100 to DOY 299
    const auto inputs = Compile(form);
    const auto reasons = [&](const ObservedStages& observed) {
        std::string text;
        for (const StageRefusal& refusal : CheckObservedStages(*inputs, observed))
            text += std::string(StageName(refusal.stage)) + ": " + refusal.reason + "\n";
        return text;
    };
    EXPECT_EQ(reasons({135, 210, 270}), "");
    EXPECT_EQ(reasons({120, 121, 300}), "emergence: DOY 120 is not after the sowing (DOY 120)\n"
                                        "maturity: DOY 300 is after the last simulated day (DOY 299)\n");
    EXPECT_EQ(reasons({210, 135, 135}), "flowering: DOY 135 is not after the observed emergence (DOY 210)\n"
                                        "maturity: DOY 135 is not after the observed flowering (DOY 135)\n");
    EXPECT_EQ(reasons({std::nullopt, 119, 299}), "flowering: DOY 119 is not after the sowing (DOY 120)\n");
}

} // namespace
} // namespace tulo
