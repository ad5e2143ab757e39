#include "engine/DailyLoop.h"

#include "support/Seasons.h"
#include "weather/Tris.h"

#include <gtest/gtest.h>

#include <memory>

namespace tulo {
namespace {

using test::DayWeather;
using test::FirstDayAtStage;
using test::PreparedRun;
using test::RunnableForm;
using test::SimulatedRun;

// A flooded field held at `level` cm, from DOY `initial` to `final`, sown on the first day.
FormModel FixedLevelForm(int initial, int final, const char* level) {
    FormModel form = RunnableForm(initial, final, initial);
    form.setText(ctl::cmbFlooded, "Flooded");
    form.setOption(ctl::OptionFixWlevel, true);
    form.setText(ctl::txtWaterLevel, level);
    return form;
}

// The run simulated again from a fresh start on the same state.
void Rerun(RunState& run) {
    run.PrepareFreshRun();
    SimulateDays(run);
}

TEST(DailyLoop, WritesTheSimulatedDaysOnly) {
    FormModel form = RunnableForm(100, 250, 100);
    auto run = PreparedRun(form);
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
    const auto run = SimulatedRun(form);
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
    const auto run = SimulatedRun(form);
    for (int d = 100; d < 250; ++d) {
        EXPECT_EQ(run->out.WaterLevel[d], 0.0) << d;
        EXPECT_EQ(run->weather.Tmax[d], run->weather.TmaxAir[d]) << d;
    }
}

TEST(DailyLoop, FixedLevelRisesDuringTheColdSensitivePeriodWhenAsked) {
    FormModel form = FixedLevelForm(100, 300, "5");
    form.setCheck(ctl::optWlevelIncrease, 1);
    form.setText(ctl::txtPreFlowWaterLevel, "20");
    const auto run = SimulatedRun(form);
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
    FormModel form = FixedLevelForm(100, 300, "10");
    test::SetWeather(form, [](int d) {
        return DayWeather{0, 26.0f + static_cast<float>(d % 7), 16.0f + static_cast<float>(d % 5), 22};
    });
    const auto run = SimulatedRun(form);
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
        FloodwaterTemperature tris;
        tris.EstimateDay({.Tmax = w.TmaxAir[d],
                          .TmaxYesterday = w.Tmax[d - 1],
                          .TmaxTomorrow = w.TmaxAir[d + 1],
                          .Tmin = w.TminAir[d],
                          .TminYesterday = w.Tmin[d - 1],
                          .TminTomorrow = w.TminAir[d + 1]},
                         d);
        EXPECT_EQ(w.Tmax[d], tris.GetWaterTmax()) << d;
        EXPECT_EQ(w.Tmin[d], tris.GetWaterTmin()) << d;
    }
    EXPECT_GT(submerged, 30);
    EXPECT_NE(w.Tmax[150], w.TmaxAir[150]);

    // A repeated fresh run starts from the air temperatures again and gives the same season.
    auto again = std::make_unique<RunState>(*run);
    Rerun(*again);
    EXPECT_EQ(test::FirstDifference(*again, *run, 100, 299), "");
    EXPECT_EQ(again->weather.Tmax, run->weather.Tmax);
}

// A fresh run clears only part of a used state; whatever the state ran before (a season left halfway
// by a resumable loop, a season of other days, one with blast), it must come out as on a new state.
TEST(DailyLoop, AFreshRunOnAUsedStateEqualsOneOnANewState) {
    FormModel form = FixedLevelForm(100, 300, "10");
    form.setCheck(ctl::chkDiseases, 1);
    form.setText(ctl::txtBlastClass, "1");
    const auto reference = SimulatedRun(form);
    auto used = SimulatedRun(form);

    {
        DailyLoop halfway(*used);
        halfway.RunThrough(180);
    }
    Rerun(*used);
    EXPECT_EQ(test::FirstDifference(*used, *reference, 0, kLastDay), "") << "after a season left halfway";

    // The same days without blast: the blast series are zero again.
    auto healthy = PreparedRun(form);
    healthy->control.BLASTsimulation = used->control.BLASTsimulation = false;
    Rerun(*healthy);
    Rerun(*used);
    EXPECT_EQ(test::FirstDifference(*used, *healthy, 0, kLastDay), "") << "after a season with blast";

    // Fewer days: outside them everything is zero.
    auto shorter = PreparedRun(form);
    shorter->control.InitialDate = used->control.InitialDate = 150;
    shorter->control.FinalDate = used->control.FinalDate = 250;
    shorter->control.BLASTsimulation = false;
    Rerun(*shorter);
    Rerun(*used);
    EXPECT_EQ(test::FirstDifference(*used, *shorter, 0, kLastDay), "") << "after a longer season";
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
    const auto run = SimulatedRun(form);
    for (int d = 100; d < 200; ++d) EXPECT_EQ(run->out.WaterLevel[d], 7.5) << d;
}

TEST(DailyLoop, AFinishedCropLeavesABareFieldUntilTheEnd) {
    FormModel form = RunnableForm(100, 330, 100);
    const auto run = SimulatedRun(form);
    const DailyOutputs& o = run->out;
    const int end = FirstDayAtStage(o, 2.0f, 100, 330);
    ASSERT_GT(end, 0);
    EXPECT_GT(o.AGB[end - 1], 0);
    EXPECT_GT(o.AGBday[end], 0); // the last day's growth ...
    for (float v : {o.GDDcum[end], o.AGB[end], o.LAI[end], o.Leaves[end], o.Panicles[end], o.Stems[end],
                    o.PanicleHeight[end], o.SterilityCum[end]})
        EXPECT_EQ(v, 0);
    for (int d = end + 1; d < 330; ++d) // ... is not partitioned onto the bare field
        for (float v : {o.DVS[d], o.GDD[d], o.AGB[d], o.Leaves[d], o.Stems[d], o.Panicles[d], o.LAI[d]})
            EXPECT_EQ(v, 0) << d;
}

TEST(DailyLoop, ColdSterilityIsAFractionAndNeverMakesPanicleGrowthNegative) {
    FormModel form = RunnableForm(100, 330, 100);
    form.setCheck(ctl::chkSterilityActive, 1);
    form.setText(ctl::txtStSen, "5");
    // Cold nights all season, warm days.
    test::SetWeather(form, [](int) { return DayWeather{0, 34, 4, 24}; });
    const auto run = SimulatedRun(form);
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

TEST(DailyLoop, LongDaysDelayTheFloweringOfAShortDayRice) {
    FormModel form = RunnableForm(100, 365, 100); // 45° N: days from 12.9 h in April to 15.4 h in June
    const auto temperature = SimulatedRun(form);
    form.setText(ctl::cmbIDSL, std::string(choice::PhotoperiodBased));
    form.setText(ctl::txtDLC, "18");
    form.setText(ctl::txtDLO, "16"); // no day is longer than the optimum: the temperature season
    const auto unaffected = SimulatedRun(form);
    EXPECT_EQ(unaffected->out.GDD, temperature->out.GDD);
    EXPECT_EQ(unaffected->out.DVS, temperature->out.DVS);

    form.setText(ctl::txtDLC, "15");
    form.setText(ctl::txtDLO, "12");
    const auto shortDay = SimulatedRun(form);
    form.setText(ctl::cmbIDSL, std::string(choice::Both));
    const auto both = SimulatedRun(form);
    EXPECT_EQ(FirstDayAtStage(temperature->out, 1.0f, 100, 365), 190);
    EXPECT_EQ(FirstDayAtStage(shortDay->out, 1.0f, 100, 365), 307); // none on the days of more than 15 h
    EXPECT_EQ(both->out.DVS, shortDay->out.DVS);

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
    const auto untreated = SimulatedRun(form); // the product is still "No treatment applied"
    EXPECT_EQ(untreated->out.RiskLevel[101], 2.0);
    EXPECT_EQ(untreated->out.InfectionInProgress[100], 0); // not called on the first day
    EXPECT_EQ(untreated->out.InfectionInProgress[101], 1);

    form.setText(ctl::cmbBlastProduct, "Tricyclazole");
    const auto treated = SimulatedRun(form);
    for (int d = 101; d <= 122; ++d) EXPECT_EQ(treated->out.InfectionInProgress[d], 0) << d;
    EXPECT_EQ(treated->out.InfectionInProgress[123], 1);
}

} // namespace
} // namespace tulo
