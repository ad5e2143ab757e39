#include "engine/DailyLoop.h"

#include "engine/Outputs.h"
#include "engine/ReadInputs.h"
#include "support/ScriptedUi.h"
#include "support/TestForms.h"
#include "weather/Tris.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tulo {
namespace {

using test::DayWeather;
using test::RunnableForm;

std::unique_ptr<RunState> Prepare(FormModel& form) {
    auto run = std::make_unique<RunState>();
    test::ScriptedUi ui;
    const Problems problems = ReadAllInputs(form, ui, *run);
    EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : problems.front().text);
    run->PrepareFreshRun();
    return run;
}

std::unique_ptr<RunState> Simulate(FormModel& form) {
    auto run = Prepare(form);
    SimulateDays(*run);
    return run;
}

TEST(DailyLoop, WritesTheSimulatedDaysOnly) {
    FormModel form = RunnableForm(100, 250, 100);
    auto run = Prepare(form);
    run->out.ET1[250] = -7;
    run->out.AGB[250] = -7;
    run->out.ET1[99] = -7;
    SimulateDays(*run);
    EXPECT_EQ(run->out.ET1[250], -7);
    EXPECT_EQ(run->out.AGB[250], -7);
    EXPECT_EQ(run->out.ET1[99], -7);
    EXPECT_GT(run->out.ET1[100], 0);
    EXPECT_GT(run->out.ET1[249], 0);
    EXPECT_EQ(run->loop.DOY, 250);
}

TEST(DailyLoop, NothingGrowsBeforeSowingAndTheCropEmergesAfterIt) {
    FormModel form = RunnableForm(100, 250, 130);
    const auto run = Simulate(form);
    const DailyOutputs& o = run->out;
    for (int d = 100; d < 130; ++d) {
        EXPECT_EQ(o.GDD[d], 0) << d;
        EXPECT_EQ(o.DVS[d], 0) << d;
        EXPECT_EQ(o.LAI[d], 0.02f) << d;
        EXPECT_EQ(o.AGB[d], 0) << d;
        EXPECT_EQ(PhaseName(o.Phase[d]), "bare soil") << d;
    }
    // Tavg 23 with base 12: 11 degree-days a day, emergence once 80 are reached.
    EXPECT_FLOAT_EQ(o.GDD[130], 11.0f);
    EXPECT_EQ(PhaseName(o.Phase[131]), "pre emergence");
    EXPECT_EQ(o.DVS[137], 0);
    EXPECT_GT(o.DVS[138], 0);
    EXPECT_GT(o.AGB[160], 0);
    EXPECT_GT(o.LAI[160], 0.02f);
}

TEST(DailyLoop, UnfloodedFieldsHaveNoWaterAndAirTemperaturesAtTheApex) {
    FormModel form = RunnableForm(100, 250, 100);
    form.setOption(ctl::OptionFixWlevel, true); // ignored when unflooded
    form.setText(ctl::txtWaterLevel, "10");
    const auto run = Simulate(form);
    for (int d = 100; d < 250; ++d) {
        EXPECT_EQ(run->out.WaterLevel[d], 0.0) << d;
        EXPECT_EQ(run->weather.Tmax[d], run->weather.TmaxAir[d]) << d;
    }
}

TEST(DailyLoop, FixedLevelRisesDuringTheColdSensitivePeriodWhenAsked) {
    FormModel form = RunnableForm(100, 300, 100);
    form.setText(ctl::cmbFlooded, "Flooded");
    form.setOption(ctl::OptionFixWlevel, true);
    form.setText(ctl::txtWaterLevel, "5");
    form.setCheck(ctl::optWlevelIncrease, 1);
    form.setText(ctl::txtPreFlowWaterLevel, "20");
    const auto run = Simulate(form);
    const DailyOutputs& o = run->out;
    int raised = 0;
    for (int d = 101; d < 300; ++d) {
        const bool window = o.DVS[d - 1] >= 0.6f && o.DVS[d - 1] <= 0.9f;
        EXPECT_EQ(o.WaterLevel[d], window ? 20.0 : 5.0) << d;
        raised += window ? 1 : 0;
    }
    EXPECT_GT(raised, 5);
}

TEST(DailyLoop, SubmergedApexTakesFloodwaterTemperaturesDayAfterDay) {
    FormModel form = RunnableForm(100, 300, 100);
    test::SetWeather(form, [](int d) {
        return DayWeather{0, 26.0f + static_cast<float>(d % 7), 16.0f + static_cast<float>(d % 5), 22};
    });
    form.setText(ctl::cmbFlooded, "Flooded");
    form.setOption(ctl::OptionFixWlevel, true);
    form.setText(ctl::txtWaterLevel, "10");
    const auto run = Simulate(form);
    const WeatherSeries& w = run->weather;
    int submerged = 0;
    for (int d = 101; d < 300; ++d) {
        const bool applies = run->out.DVS[d - 2] > 0 && run->out.DVS[d - 2] <= 2 &&
                             static_cast<float>(run->out.WaterLevel[d - 1]) >= run->out.PanicleHeight[d - 1];
        if (!applies) {
            EXPECT_EQ(w.Tmax[d], w.TmaxAir[d]) << d;
            continue;
        }
        ++submerged;
        // Yesterday's working values (water temperatures when yesterday was submerged), tomorrow's air.
        clsTRIS tris;
        tris.TRISempiric(w.TmaxAir[d], w.Tmax[d - 1], w.TmaxAir[d + 1], w.TminAir[d], w.Tmin[d - 1],
                         w.TminAir[d + 1], d);
        EXPECT_EQ(w.Tmax[d], tris.GetTmaxWaterE()) << d;
        EXPECT_EQ(w.Tmin[d], tris.GetTminWaterE()) << d;
    }
    EXPECT_GT(submerged, 30);
    EXPECT_NE(w.Tmax[150], w.TmaxAir[150]);

    // A repeated fresh run starts from the air temperatures again and gives the same season.
    auto again = std::make_unique<RunState>(*run);
    again->PrepareFreshRun();
    SimulateDays(*again);
    for (int d = 100; d < 300; ++d) {
        EXPECT_EQ(again->out.AGB[d], run->out.AGB[d]) << d;
        EXPECT_EQ(again->weather.Tmax[d], run->weather.Tmax[d]) << d;
    }
}

// Every daily value of days 0 .. 365, so that two runs can be compared outside their days too.
std::vector<double> EveryDailyValue(const RunState& run) {
    std::vector<double> values;
    for (int d = 0; d <= kLastDay; ++d)
        for (const OutputVariable& v : DailyOutputVariables())
            if (v.value) values.push_back(v.value(run, d));
    return values;
}

// A fresh run clears only part of a used state; whatever the state ran before (a season left halfway
// by a resumable loop, a season of other days, one with blast), it must come out as on a new state.
TEST(DailyLoop, AFreshRunOnAUsedStateEqualsOneOnANewState) {
    FormModel form = RunnableForm(100, 300, 100);
    form.setText(ctl::cmbFlooded, "Flooded");
    form.setOption(ctl::OptionFixWlevel, true);
    form.setText(ctl::txtWaterLevel, "10");
    form.setCheck(ctl::chkDiseases, 1);
    form.setText(ctl::txtBlastClass, "1");
    const auto reference = Simulate(form);
    auto used = Simulate(form);

    {
        DailyLoop halfway(*used);
        halfway.RunThrough(180);
    }
    used->PrepareFreshRun();
    SimulateDays(*used);
    EXPECT_EQ(EveryDailyValue(*used), EveryDailyValue(*reference)) << "after a season left halfway";

    // The same days without blast: the blast series are zero again.
    auto healthy = Prepare(form);
    healthy->control.BLASTsimulation = used->control.BLASTsimulation = false;
    healthy->PrepareFreshRun();
    SimulateDays(*healthy);
    used->PrepareFreshRun();
    SimulateDays(*used);
    EXPECT_EQ(EveryDailyValue(*used), EveryDailyValue(*healthy)) << "after a season with blast";

    // Fewer days: outside them everything is zero.
    auto shorter = Prepare(form);
    shorter->control.InitialDate = used->control.InitialDate = 150;
    shorter->control.FinalDate = used->control.FinalDate = 250;
    shorter->control.BLASTsimulation = false;
    shorter->PrepareFreshRun();
    SimulateDays(*shorter);
    used->PrepareFreshRun();
    SimulateDays(*used);
    EXPECT_EQ(EveryDailyValue(*used), EveryDailyValue(*shorter)) << "after a longer season";
    for (int d = 0; d <= kLastDay; ++d)
        if (d < 150 || d >= 250) {
            EXPECT_EQ(used->out.AGB[d], 0.0f) << d;
        }
}

TEST(DailyLoop, DynamicLevelWithoutSoilKeepsTheInitialDepth) {
    FormModel form = RunnableForm(100, 200, 100);
    form.setText(ctl::cmbFlooded, "Flooded");
    form.setOption(ctl::OptionDynamicWlevel, true);
    form.setText(ctl::txtInitialWaterLevel, "7.5");
    const auto run = Simulate(form);
    for (int d = 100; d < 200; ++d) EXPECT_EQ(run->out.WaterLevel[d], 7.5) << d;
}

TEST(DailyLoop, AFinishedCropLeavesABareFieldUntilTheEnd) {
    FormModel form = RunnableForm(100, 330, 100);
    const auto run = Simulate(form);
    const DailyOutputs& o = run->out;
    int end = 0;
    for (int d = 100; d < 330 && end == 0; ++d)
        if (o.DVS[d] >= 2.0f) end = d;
    ASSERT_GT(end, 0);
    EXPECT_GT(o.AGB[end - 1], 0);
    EXPECT_GT(o.AGBday[end], 0); // the last day's growth ...
    for (float v : {o.GDDcum[end], o.AGB[end], o.LAI[end], o.Leaves[end], o.Panicles[end], o.Stems[end],
                    o.PanicleHeight[end], o.SterilityCum[end]})
        EXPECT_EQ(v, 0);
    for (int d = end + 1; d < 330; ++d) { // ... is not partitioned onto the bare field
        EXPECT_EQ(o.DVS[d], 0) << d;
        EXPECT_EQ(o.GDD[d], 0) << d;
        EXPECT_EQ(o.AGB[d], 0) << d;
        EXPECT_EQ(o.Leaves[d], 0) << d;
        EXPECT_EQ(o.Stems[d], 0) << d;
        EXPECT_EQ(o.Panicles[d], 0) << d;
        EXPECT_EQ(o.LAI[d], 0) << d;
    }
}

TEST(DailyLoop, ColdSterilityIsAFractionAndNeverMakesPanicleGrowthNegative) {
    FormModel form = RunnableForm(100, 330, 100);
    form.setCheck(ctl::chkSterilityActive, 1);
    form.setText(ctl::txtStSen, "5");
    // Cold nights all season, warm days.
    test::SetWeather(form, [](int) { return DayWeather{0, 34, 4, 24}; });
    const auto run = Simulate(form);
    const DailyOutputs& o = run->out;
    float highest = 0;
    for (int d = 100; d < 330; ++d) {
        EXPECT_LE(o.SterilityDay[d], 1.0f) << d;
        EXPECT_LE(o.SterilityCum[d], 1.0f) << d;
        EXPECT_GE(o.PaniclesDay[d], 0.0f) << d;
        EXPECT_GE(o.Panicles[d], 0.0f) << d;
        highest = std::max(highest, o.SterilityCum[d]);
        if (o.DVS[d] < 0.6f || o.DVS[d] > 0.9f) {
            EXPECT_EQ(o.SterilityDay[d], 0) << d;
        }
    }
    EXPECT_EQ(highest, 1.0f);
}

// The first day the stage reaches the threshold, 0 if it never does.
int FirstDayAtStage(const DailyOutputs& o, float dvs, int final) {
    for (int d = 100; d < final; ++d)
        if (o.DVS[d] >= dvs) return d;
    return 0;
}

TEST(DailyLoop, LongDaysDelayTheFloweringOfAShortDayRice) {
    FormModel form = RunnableForm(100, 365, 100); // 45° N: days from 12.9 h in April to 15.4 h in June
    const auto temperature = Simulate(form);
    form.setText(ctl::cmbIDSL, std::string(choice::PhotoperiodBased));
    form.setText(ctl::txtDLC, "18");
    form.setText(ctl::txtDLO, "16"); // no day is longer than the optimum: the temperature season
    const auto unaffected = Simulate(form);
    for (int d = 100; d < 365; ++d) {
        EXPECT_EQ(unaffected->out.GDD[d], temperature->out.GDD[d]) << d;
        EXPECT_EQ(unaffected->out.DVS[d], temperature->out.DVS[d]) << d;
    }

    form.setText(ctl::txtDLC, "15");
    form.setText(ctl::txtDLO, "12");
    const auto shortDay = Simulate(form);
    form.setText(ctl::cmbIDSL, std::string(choice::Both));
    const auto both = Simulate(form);
    const int flowering = FirstDayAtStage(temperature->out, 1.0f, 365);
    const int delayed = FirstDayAtStage(shortDay->out, 1.0f, 365);
    EXPECT_EQ(flowering, 190);
    EXPECT_EQ(delayed, 307); // no development at all on the days of more than 15 h
    for (int d = 100; d < 365; ++d) EXPECT_EQ(both->out.DVS[d], shortDay->out.DVS[d]) << d;

    // The two day lengths must differ, and a photoperiod method needs both.
    form.setText(ctl::txtDLO, "15");
    RunState run;
    test::ScriptedUi ui;
    Problems problems = ReadAllInputs(form, ui, run);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].field, ctl::txtDLO);
    EXPECT_EQ(
        problems[0].text,
        "DLC and DLO must differ (both are 15 h): the response to day length runs from one to the other.");
    form.setText(ctl::txtDLC, "");
    problems = ReadAllInputs(form, ui, run);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].field, ctl::txtDLC);
}

TEST(DailyLoop, ATreatmentProtectsTheCropForTheTwentyTwoDaysFromItsApplication) {
    FormModel form = RunnableForm(100, 200, 100); // every day at risk level 2, above class 1
    form.setCheck(ctl::chkDiseases, 1);
    form.editGrid(ctl::sprBlastTreatment, [](Grid& treatments) {
        treatments.resize(1, 1);
        treatments.setText(1, 1, "101");
    });
    const auto untreated = Simulate(form); // the product is still "No treatment applied"
    EXPECT_EQ(untreated->out.RiskLevel[101], 2.0);
    EXPECT_EQ(untreated->out.InfectionInProgress[100], 0); // not called on the first day
    EXPECT_EQ(untreated->out.InfectionInProgress[101], 1);

    form.setText(ctl::cmbBlastProduct, "Tricyclazole");
    const auto treated = Simulate(form);
    for (int d = 101; d <= 122; ++d) EXPECT_EQ(treated->out.InfectionInProgress[d], 0) << d;
    EXPECT_EQ(treated->out.InfectionInProgress[123], 1);
}

} // namespace
} // namespace tulo
