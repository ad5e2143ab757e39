#include "engine/DailyLoop.h"

#include "forms/InputFields.h"
#include "support/TypedSeasons.h"
#include "weather/Tris.h"

#include <gtest/gtest.h>

#include <memory>

namespace tulo {
namespace {

using test::DayWeather;
using test::FirstDayAtStage;
using test::PreparedSeason;
using test::SimulatedSeason;
using test::TypedSeason;

// A flooded field held at `level` cm, from DOY `initial` to `final`, sown on the first day.
SeasonInputs FixedLevelSeason(int initial, int final, float level) {
    SeasonInputs inputs = TypedSeason(initial, final, initial);
    inputs.manag.Flooded = 1;
    inputs.manag.WaterLevel = level;
    return inputs;
}

// The run simulated again from a fresh start on the same state.
void Rerun(RunState& run) {
    run.PrepareFreshRun();
    SimulateDays(run);
}

TEST(DailyLoop, WritesTheSimulatedDaysOnly) {
    auto run = PreparedSeason(TypedSeason(100, 250, 100));
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
    const auto run = SimulatedSeason(TypedSeason(100, 250, 130));
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
    SeasonInputs inputs = TypedSeason(100, 250, 100);
    inputs.manag.WaterLevel = 10; // ignored when unflooded
    const auto run = SimulatedSeason(inputs);
    for (int d = 100; d < 250; ++d) {
        EXPECT_EQ(run->out.WaterLevel[d], 0.0) << d;
        EXPECT_EQ(run->weather.Tmax[d], run->weather.TmaxAir[d]) << d;
    }
}

TEST(DailyLoop, FixedLevelRisesDuringTheColdSensitivePeriodWhenAsked) {
    SeasonInputs inputs = FixedLevelSeason(100, 300, 5);
    inputs.manag.AvoidSterility = 1;
    inputs.manag.PreFlowWaterLevel = 20;
    const auto run = SimulatedSeason(inputs);
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
    SeasonInputs inputs = FixedLevelSeason(100, 300, 10);
    test::SetWeather(inputs, [](int d) {
        return DayWeather{0, 26.0f + static_cast<float>(d % 7), 16.0f + static_cast<float>(d % 5), 22};
    });
    const auto run = SimulatedSeason(inputs);
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
    SeasonInputs inputs = FixedLevelSeason(100, 300, 10);
    inputs.control.BLASTsimulation = true;
    inputs.manag.BlastClass = 1;
    const auto reference = SimulatedSeason(inputs);
    auto used = SimulatedSeason(inputs);

    {
        DailyLoop halfway(*used);
        halfway.RunThrough(180);
    }
    Rerun(*used);
    EXPECT_EQ(test::FirstDifference(*used, *reference, 0, kLastDay), "") << "after a season left halfway";

    // The same days without blast: the blast series are zero again.
    auto healthy = PreparedSeason(inputs);
    healthy->control.BLASTsimulation = used->control.BLASTsimulation = false;
    Rerun(*healthy);
    Rerun(*used);
    EXPECT_EQ(test::FirstDifference(*used, *healthy, 0, kLastDay), "") << "after a season with blast";

    // Fewer days: outside them everything is zero.
    auto shorter = PreparedSeason(inputs);
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
    SeasonInputs inputs = TypedSeason(100, 200, 100);
    inputs.manag.Flooded = 1;
    inputs.manag.DynamicLevel = true;
    inputs.manag.IniWaterLevel = 7.5;
    const auto run = SimulatedSeason(inputs);
    for (int d = 100; d < 200; ++d) EXPECT_EQ(run->out.WaterLevel[d], 7.5) << d;
}

TEST(DailyLoop, AFinishedCropLeavesABareFieldUntilTheEnd) {
    const auto run = SimulatedSeason(TypedSeason(100, 330, 100));
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
    SeasonInputs inputs = TypedSeason(100, 330, 100);
    inputs.crop.SterilityActive = 1;
    inputs.crop.StSen = 5;
    // Cold nights all season, warm days.
    test::SetWeather(inputs, [](int) { return DayWeather{0, 34, 4, 24}; });
    const auto run = SimulatedSeason(inputs);
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
    SeasonInputs inputs = TypedSeason(100, 365, 100); // 45° N: days from 12.9 h in April to 15.4 h in June
    const auto temperature = SimulatedSeason(inputs);
    test::SetCropChoice(inputs, "IDSL", choice::PhotoperiodBased);
    inputs.crop.DLC = 18;
    inputs.crop.DLO = 16; // no day is longer than the optimum: the temperature season
    const auto unaffected = SimulatedSeason(inputs);
    EXPECT_EQ(unaffected->out.GDD, temperature->out.GDD);
    EXPECT_EQ(unaffected->out.DVS, temperature->out.DVS);

    inputs.crop.DLC = 15;
    inputs.crop.DLO = 12;
    const auto shortDay = SimulatedSeason(inputs);
    test::SetCropChoice(inputs, "IDSL", choice::Both);
    const auto both = SimulatedSeason(inputs);
    EXPECT_EQ(FirstDayAtStage(temperature->out, 1.0f, 100, 365), 190);
    EXPECT_EQ(FirstDayAtStage(shortDay->out, 1.0f, 100, 365), 307); // none on the days of more than 15 h
    EXPECT_EQ(both->out.DVS, shortDay->out.DVS);
}

TEST(DailyLoop, ATreatmentProtectsTheCropForTheTwentyTwoDaysFromItsApplication) {
    SeasonInputs inputs = TypedSeason(100, 200, 100); // every day at risk level 2, above class 1
    inputs.control.BLASTsimulation = true;
    inputs.manag.NumTreatments = 1;
    inputs.manag.TreatmentDOY[1] = inputs.manag.WindowStart[1] = 101;
    inputs.manag.WindowEnd[1] = 101 + 21;
    const auto untreated = SimulatedSeason(inputs); // no product applied
    EXPECT_EQ(untreated->out.RiskLevel[101], 2.0);
    EXPECT_EQ(untreated->out.InfectionInProgress[100], 0); // not called on the first day
    EXPECT_EQ(untreated->out.InfectionInProgress[101], 1);

    inputs.manag.ProductApplied = true;
    const auto treated = SimulatedSeason(inputs);
    for (int d = 101; d <= 122; ++d) EXPECT_EQ(treated->out.InfectionInProgress[d], 0) << d;
    EXPECT_EQ(treated->out.InfectionInProgress[123], 1);
}

} // namespace
} // namespace tulo
