// Reinitialising from remotely sensed leaf area: a series the model itself made, from a season sown on
// another day with other development and growth, gives that day back exactly and the parameters closely,
// on any number of threads; the estimate is written as one change.

#include "calibration/Reinit.h"
#include "engine/Parameters.h"
#include "engine/Season.h"

#include "forms/SeasonForm.h"
#include "forms/ToolResults.h"
#include "support/TestForms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace tulo {
namespace {

struct Truth {
    std::int32_t sowing = 0;
    double tsum1 = 0, rue = 0;
};

// The season of `form` moved to the truth, its LAI sampled every 9 days while the crop has leaves, as a
// satellite's overpasses would see it.
std::vector<LaiPoint> SensedLai(FormModel form, const Truth& truth) {
    form.setText(ctl::txtSowingDate, std::to_string(truth.sowing));
    form.setText(ctl::txtTSUM1, ShortestText(truth.tsum1));
    form.setText(ctl::txtRUE, ShortestText(truth.rue));
    const Compilation compiled = CompileInputs(form);
    EXPECT_TRUE(compiled.inputs);
    auto run = std::make_unique<RunState>();
    RunSeason(*compiled.inputs, {}, *run);
    std::vector<LaiPoint> points;
    for (std::int32_t day = truth.sowing + 12; day < compiled.inputs->control.FinalDate; day += 9)
        if (run->out.LAI[static_cast<std::size_t>(day)] > 0)
            points.push_back({day, run->out.LAI[static_cast<std::size_t>(day)]});
    return points;
}

double Configured(const FormModel& form, std::string_view control) {
    return std::stod(std::string(form.text(control)));
}

TEST(Reinit, RecoversTheSowingDayAndParametersOfAModelMadeSeriesOnAnyThreads) {
    const FormModel demo = test::DemoForm();
    const std::int32_t sown = static_cast<std::int32_t>(Configured(demo, ctl::txtSowingDate));
    // Off the coarse scan's days, so that only the day-by-day refinement can find it.
    const Truth truth{sown + 7, Configured(demo, ctl::txtTSUM1) * 1.1, Configured(demo, ctl::txtRUE) * 0.9};
    const std::vector<LaiPoint> lai = SensedLai(demo, truth);
    ASSERT_GE(lai.size(), 6u);

    const Compilation compiled = CompileInputs(demo);
    ASSERT_TRUE(compiled.inputs);
    ReinitSettings settings = DefaultReinitSettings(*compiled.inputs);
    settings.sowingWindow = 10;
    SearchControl one;
    one.threads = 1;
    const ReinitResult result = ReinitializeFromLai(demo, lai, settings, one);
    ASSERT_TRUE(result.problems.empty()) << result.problems[0].text;
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.sowing, truth.sowing);
    EXPECT_LE(result.sowingLow, truth.sowing);
    EXPECT_GE(result.sowingHigh, truth.sowing);
    ASSERT_EQ(result.values.size(), 2u);
    EXPECT_NEAR(result.values[0], truth.tsum1, 0.02 * truth.tsum1);
    EXPECT_NEAR(result.values[1], truth.rue, 0.02 * truth.rue);
    EXPECT_LT(result.objective, 2.0);
    ASSERT_EQ(result.uncertainty.parameters.size(), 2u);
    EXPECT_GT(result.runs, 0);

    SearchControl two;
    two.threads = 2;
    const ReinitResult again = ReinitializeFromLai(demo, lai, settings, two);
    EXPECT_EQ(again.sowing, result.sowing);
    EXPECT_EQ(again.values, result.values);
    EXPECT_EQ(again.objective, result.objective);
    EXPECT_EQ(again.sowingLow, result.sowingLow);
    EXPECT_EQ(again.sowingHigh, result.sowingHigh);

    // Written as one change that one undo takes back whole.
    FormModel form = demo;
    WriteReinitialization(form, result, settings.parameters);
    EXPECT_EQ(form.text(ctl::txtSowingDate), std::to_string(truth.sowing));
    EXPECT_EQ(form.text(ctl::txtRUE), CalibratedText(result.rounded[1]));
}

// The objective of the leaf area alone: no AGB table to pair, and none asked for.
TEST(Reinit, TheLeafAreaAloneIsAnObjectiveWithoutAnAgbTable) {
    const FormModel demo = test::DemoForm();
    const Compilation compiled = CompileInputs(demo);
    ASSERT_TRUE(compiled.inputs);
    CalibrationSettings settings;
    settings.parameters = {{ParameterIndex("RUE"), 1, 4}};
    settings.withLai = true;
    settings.agbWeight = 0;
    settings.laiWeight = 1;
    CalibrationDataSet set;
    set.inputs = compiled.inputs;
    for (const LaiPoint& point :
         SensedLai(demo, {static_cast<std::int32_t>(Configured(demo, ctl::txtSowingDate)),
                          Configured(demo, ctl::txtTSUM1), 2.0}))
        set.lai.rows.push_back(
            {static_cast<int>(set.lai.rows.size()) + 1, static_cast<float>(point.doy), point.lai, 0});
    const CalibrationProblem problem(settings, {set});
    const std::vector<double> at = {2.0};
    const Problems problems = CheckCalibration(problem, at);
    EXPECT_TRUE(problems.empty()) << problems.front().text;
    auto run = std::make_unique<RunState>();
    const TrialResult trial = EvaluateTrial(problem, at, *run);
    EXPECT_TRUE(trial.evaluated);
    EXPECT_LT(trial.objective, 1e-3);
}

TEST(Reinit, RefusesWhatCannotBeSearched) {
    const FormModel demo = test::DemoForm();
    const Compilation compiled = CompileInputs(demo);
    ASSERT_TRUE(compiled.inputs);
    ReinitSettings settings = DefaultReinitSettings(*compiled.inputs);
    // Every point before the season: nothing the crop can change.
    const std::vector<LaiPoint> early = {{compiled.inputs->control.InitialDate, 1.0f}};
    EXPECT_FALSE(ReinitializeFromLai(demo, early, settings).problems.empty());
    // Sown long before the first simulated day, beyond the window's reach.
    FormModel sownEarly = demo;
    sownEarly.setText(ctl::txtSowingDate, std::to_string(compiled.inputs->control.InitialDate - 20));
    settings.sowingWindow = 10;
    const std::vector<LaiPoint> late = {{200, 1.0f}, {220, 3.0f}};
    const ReinitResult outside = ReinitializeFromLai(sownEarly, late, settings);
    ASSERT_EQ(outside.problems.size(), 1u);
    EXPECT_NE(outside.problems[0].text.find("holds no simulated day"), std::string::npos);
    settings.sowingWindow = -1;
    const std::vector<LaiPoint> some = {{200, 1.0f}, {220, 3.0f}};
    EXPECT_FALSE(ReinitializeFromLai(demo, some, settings).problems.empty());
}

} // namespace
} // namespace tulo
