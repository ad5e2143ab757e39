// The season summary read in a few passes over the days gives what reading it day by day gave, on real
// seasons and on series no season writes (stages going back, NaN, -0, a crop ending on its first day),
// and its row of text holds the texts of its cells.

#include "engine/SeasonSummary.h"

#include "base/Calendar.h"
#include "engine/Parameters.h"
#include "engine/Season.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace tulo {
namespace {

float SummedOn(const DailySeries& cumulated, const DailySeries& daily, std::int32_t d) {
    return static_cast<float>(static_cast<double>(cumulated[d - 1]) + daily[d]);
}

std::string Days(const SeasonSummary& s) {
    return " " + std::to_string(s.firstDay) + " " + std::to_string(s.lastDay) + " " +
           std::to_string(s.endOfCropDay);
}

// The summary read day by day, as it was first written.
SeasonSummary DayByDay(const RunState& run) {
    SeasonSummary s;
    const DailyOutputs& o = run.out;
    s.firstDay = run.control.InitialDate;
    s.lastDay = run.control.FinalDate - 1;
    s.sowing = std::max(run.manag.SowingDate, s.firstDay);
    for (int d = s.firstDay; d <= s.lastDay; ++d) {
        if (s.cropEnd) break;
        if (!s.emergence && o.DVS[d] > 0) s.emergence = d;
        if (!s.flowering && o.DVS[d] >= 1) s.flowering = d;
        if (!s.maturity && o.DVS[d] >= 2) s.maturity = d;
        if (o.DVS[d] >= run.crop.DVSEND) s.cropEnd = d;
    }
    for (int d = s.firstDay; d <= s.lastDay; ++d) {
        const bool harvested = s.cropEnd && d == *s.cropEnd && d > s.firstDay;
        const float agb = harvested ? SummedOn(o.AGB, o.AGBday, d) : o.AGB[d];
        s.agbMax = std::max(s.agbMax, agb / 100.0);
        s.laiMax = std::max(s.laiMax, static_cast<double>(o.LAI[d]));
        s.sterilityPercent = std::max(s.sterilityPercent, 100.0 * o.SterilityCum[d]);
        if (d >= s.sowing && (!s.cropEnd || d <= *s.cropEnd))
            s.blastInfectionDays += o.InfectionInProgress[d];
    }
    if (s.maturity) {
        const std::int32_t m = *s.maturity;
        const bool harvested = s.cropEnd && m == *s.cropEnd && m > s.firstDay;
        const float agb = harvested ? SummedOn(o.AGB, o.AGBday, m) : o.AGB[m];
        const float panicles = harvested ? SummedOn(o.Panicles, o.PaniclesDay, m) : o.Panicles[m];
        s.agbMaturity = agb / 100.0;
        s.paniclesMaturity = panicles / 100.0;
        if (agb > 0) s.harvestIndex = static_cast<double>(panicles) / agb;
    }
    if (s.lastDay >= s.firstDay) s.finalWaterLevel = o.WaterLevel[s.lastDay];
    const EndOfCrop end = EndOfCropValues(run);
    s.endOfCropDay = end.day;
    s.endOfCropAGB = end.AGB / 100.0;
    return s;
}

// The row as the cells were first written, std::to_string and the shortest text of a double (which tells
// every value apart, -0 and NaN included), then the days the row leaves out.
std::string AsFirstWritten(const SeasonSummary& s) {
    std::string row;
    const auto number = [&](double v) {
        char text[64];
        row += "," + std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
    };
    // Days by their own day of year: a season's day 377 after a common year is 12 January.
    const auto day = [&](const std::optional<std::int32_t>& d) {
        row += "," + (d ? std::to_string(DayOfYearOfSeasonDay(*d, s.year)) : "");
    };
    const auto maybe = [&](const std::optional<double>& v) { v ? number(*v) : void(row += ","); };
    day(s.sowing), day(s.emergence), day(s.flowering), day(s.maturity), day(s.cropEnd);
    maybe(s.agbMaturity), maybe(s.paniclesMaturity), maybe(s.harvestIndex);
    number(s.agbMax), number(s.laiMax), number(s.sterilityPercent);
    row += "," + std::to_string(s.blastInfectionDays);
    number(s.finalWaterLevel), number(s.endOfCropAGB);
    return row + Days(s);
}

void ExpectSameSummary(const RunState& run, const std::string& what) {
    const SeasonSummary summary = Summarize(run);
    char row[kSummaryRowChars];
    EXPECT_EQ(std::string(row, WriteSummaryRow(summary, row)) + Days(summary), AsFirstWritten(DayByDay(run)))
        << what;
}

TEST(SeasonSummary, ReadsRealSeasonsAsDayByDay) {
    for (const char* example : {"demo.sim", "flooded.sim"}) {
        const auto inputs = test::CompiledExample(example);
        ASSERT_NE(inputs, nullptr);
        auto run = std::make_unique<RunState>();
        // As configured, harvested at flowering, and not finished by the final day.
        for (const auto& set : std::vector<std::vector<ParameterValue>>{
                 {}, {{ParameterIndex("DVSEND"), 1}}, {{ParameterIndex("TSUM2"), 2000}}}) {
            RunSeason(*inputs, set, *run);
            ExpectSameSummary(*run, example);
        }
    }
}

std::vector<std::string> WarningKinds(const SeasonSummary& summary) {
    std::vector<std::string> kinds;
    for (const SummaryWarning& w : SummaryWarnings(summary)) kinds.emplace_back(w.kind);
    return kinds;
}

// The demo sows on DOY 120 and its crop ends on 277, frost-free. A frost counts from the sowing day to the
// end of the crop, in the air (the floodwater's minimum is warmer); a crop still short of maturity on the
// last day is named, one harvested by its stage at harvest is not.
TEST(SeasonSummary, WarnsOfFrostWhileTheCropStandsAndOfACropThatDoesNotMature) {
    const auto inputs = test::CompiledExample("demo.sim");
    auto run = std::make_unique<RunState>();
    RunSeason(*inputs, {}, *run);
    SeasonSummary summary = Summarize(*run);
    EXPECT_TRUE(SummaryWarnings(summary).empty());
    EXPECT_EQ(FormatSummary(summary).find("Warning"), std::string::npos);

    for (const int d : {119, 150, 160, 277, 278}) run->weather.TminAir[d] = -1.5f;
    run->weather.Tmin[170] = -3; // a working value only
    summary = Summarize(*run);
    EXPECT_EQ(summary.frostDays, 3);
    EXPECT_EQ(summary.firstFrost, 150);
    EXPECT_EQ(WarningKinds(summary), std::vector<std::string>{"frost"});
    EXPECT_NE(FormatSummary(summary).find("\nWarning: the air Tmin fell below 0 °C on 3 days while the crop "
                                          "stood, first on DOY 150 (30 May)"),
              std::string::npos)
        << FormatSummary(summary);

    run = std::make_unique<RunState>(); // with the demo's own weather
    RunSeason(*inputs, std::vector<ParameterValue>{{ParameterIndex("TSUM2"), 2000}}, *run);
    summary = Summarize(*run);
    EXPECT_FALSE(summary.maturity);
    EXPECT_EQ(WarningKinds(summary), std::vector<std::string>{"no_maturity"});
    EXPECT_NE(FormatSummary(summary).find(
                  "\nWarning: the crop did not reach maturity by the last simulated day, DOY 299 (26 Oct)"),
              std::string::npos)
        << FormatSummary(summary);
    RunSeason(*inputs, std::vector<ParameterValue>{{ParameterIndex("DVSEND"), 1}}, *run);
    EXPECT_TRUE(SummaryWarnings(Summarize(*run)).empty());
}

TEST(SeasonSummary, ReadsAwkwardSeriesAsDayByDay) {
    std::mt19937 random(11);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<>(low, high)(random);
    };
    const auto chance = [&](double p) { return uniform(0, 1) < p; };
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    const auto awkward = [&](double high) -> float {
        if (chance(0.03)) return kNaN;
        if (chance(0.05)) return -0.0f;
        if (chance(0.05)) return static_cast<float>(-uniform(0, high));
        return static_cast<float>(uniform(0, high));
    };
    auto run = std::make_unique<RunState>();
    for (int trial = 0; trial < 2000; ++trial) {
        RunState& r = *run;
        r.control.InitialDate = static_cast<std::int32_t>(uniform(1, 300));
        r.control.FinalDate = static_cast<std::int32_t>(uniform(r.control.InitialDate - 2, kLastDay + 2));
        r.manag.SowingDate = static_cast<std::int32_t>(uniform(-20, 380));
        const float ends[] = {-1, 0, 0.5f, 1, 1.5f, 2, 2.5f, kNaN};
        r.crop.DVSEND = ends[trial % 8];
        float stage = static_cast<float>(uniform(-0.5, trial % 13 == 0 ? 3 : 0.5));
        for (int d = 0; d < kDaySlots; ++d) {
            stage += static_cast<float>(uniform(0, 0.08));
            if (chance(0.02)) stage = 0; // a stage going back
            r.out.DVS[d] = chance(0.02) ? kNaN : stage;
            r.out.AGB[d] = awkward(2000);
            r.out.AGBday[d] = awkward(30);
            r.out.Panicles[d] = awkward(800);
            r.out.PaniclesDay[d] = awkward(20);
            r.out.LAI[d] = awkward(8);
            r.out.SterilityCum[d] = awkward(1);
            r.out.InfectionInProgress[d] = chance(0.3) ? 1 : 0;
            r.out.WaterLevel[d] = awkward(10);
        }
        ExpectSameSummary(r, "trial " + std::to_string(trial));
        if (HasFailure()) break;
    }
}

} // namespace
} // namespace tulo
