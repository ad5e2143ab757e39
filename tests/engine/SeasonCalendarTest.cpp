// Seasons across 31 December: each day is read on its own date (day length, extraterrestrial radiation,
// the floodwater's seasons), whichever year the season started in, and the run state carries everything
// a season needs from one year into the next.

#include "base/Calendar.h"
#include "support/TypedSeasons.h"
#include "weather/Tris.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tulo {
namespace {

// Weather by date: the same date has the same weather in every season that holds it. A dry-season
// tropical site: warm, with a cooler, clearer midwinter and a cold spell in late December.
test::DayWeather WeatherOn(const CivilDate& date) {
    const int doy = *DayOfYear(date);
    const double season = std::cos(2 * M_PI * (doy - 15) / 365.0); // 1 in mid-January
    const bool coldSpell = date.month == 12 && date.day >= 20 && date.day <= 26;
    return {static_cast<float>(date.day % 9 == 0 ? 12.0 : 0.0), static_cast<float>(31 - 4 * season),
            static_cast<float>((coldSpell ? 11 : 21) - 6 * season), static_cast<float>(19 + 2 * season)};
}

// A season of `year` from `initial` to the day before `final` (days counted from 1 January of `year`),
// sown on `sowing`, at `latitude`, with weather by date in every slot.
SeasonInputs SeasonOf(int year, int initial, int final, int sowing, float latitude, bool flooded) {
    SeasonInputs inputs = test::TypedSeason(initial, final, sowing);
    inputs.control.Year = year;
    inputs.manag.Lat = latitude;
    if (flooded) {
        inputs.manag.Flooded = 1;
        inputs.manag.WaterLevel = 8;
    }
    test::SetCrop(inputs, "SterilityActive", 1);
    WeatherSeries& w = inputs.weather;
    for (int d = 1; d < kDaySlots; ++d) {
        // The slot after the longest season's last day is read as that day's next; it repeats it.
        const test::DayWeather day = WeatherOn(*DateOfSeasonDay(std::min(d, kLastSeasonDay), year));
        w.Rain[d] = day.rain;
        w.Tmax[d] = w.TmaxAir[d] = day.tmax;
        w.Tmin[d] = w.TminAir[d] = day.tmin;
        w.Rad[d] = day.rad;
    }
    EstimateHumidities(w, kDaySlots - 1);
    return inputs;
}

// The crop sown on 10 January 2020 grows the same from a season started on 1 December 2019 as from one
// started on 1 January 2020: a day read as its slot rather than its date would change its day length,
// its radiation geometry or its floodwater regression.
TEST(SeasonCalendar, ACropAfterNewYearGrowsAsInASeasonOfThatYear) {
    for (const bool flooded : {false, true})
        for (const float latitude : {23.8f, -29.7f}) {
            const int offset = DaysInYear(2019);
            const auto across =
                test::SimulatedSeason(SeasonOf(2019, 335, offset + 182, offset + 10, latitude, flooded));
            const auto inYear = test::SimulatedSeason(SeasonOf(2020, 1, 182, 10, latitude, flooded));
            const DailyOutputs &a = across->out, &b = inYear->out;
            ASSERT_GT(b.AGB[100], 100.0f) << "the crop grows";
            ASSERT_EQ(b.AGB[170], 0.0f) << "and is harvested within the season";
            for (int d = 10; d < 182; ++d) {
                const auto k = static_cast<std::size_t>(d);
                const auto j = k + static_cast<std::size_t>(offset);
                ASSERT_EQ(a.DVS[j], b.DVS[k]) << d << " " << latitude << " " << flooded;
                ASSERT_EQ(a.AGB[j], b.AGB[k]) << d;
                ASSERT_EQ(a.LAI[j], b.LAI[k]) << d;
                ASSERT_EQ(a.ET2[j], b.ET2[k]) << d;
                ASSERT_EQ(a.SterilityCum[j], b.SterilityCum[k]) << d;
                ASSERT_EQ(across->weather.Tmax[j], inYear->weather.Tmax[k])
                    << d << ": the apex's temperature";
            }
        }
}

// The same days run as two pieces, the second restarted on a copy of the run state left at the end of
// 31 December with fresh process objects, agree day by day with one run through New Year.
TEST(SeasonCalendar, ASeasonAcrossNewYearEqualsTwoPiecesRestartedFromTheDayEndState) {
    for (const bool flooded : {false, true}) {
        SeasonInputs inputs = SeasonOf(2020, 300, 366 + 120, 305, 23.8f, flooded);
        inputs.control.BLASTsimulation = true;
        inputs.manag.BlastClass = 1;
        const auto whole = test::SimulatedSeason(inputs);

        auto first = test::PreparedSeason(inputs);
        DailyLoop(*first).RunThrough(366); // through 31 December 2020, a leap year's day 366
        ASSERT_EQ(first->loop.DOY, 367);
        auto second = std::make_unique<RunState>(*first);
        DailyLoop(*second).RunThrough(kLastSeasonDay);
        EXPECT_EQ(test::FirstDifference(*whole, *second, 300, 366 + 119), "") << flooded;
        EXPECT_EQ(test::DailyDigest(*whole, 0), test::DailyDigest(*second, 0)) << flooded;
    }
}

// South of the equator the floodwater regression's seasons come half a year later: 13 December there
// reads the 13 June break, and the whole year is a shift of the north's.
TEST(SeasonCalendar, TheSouthReadsTheFloodwaterSeasonsHalfAYearLater) {
    EXPECT_EQ(FloodwaterSeasonDay(347, -30.0f), 164);
    EXPECT_EQ(FloodwaterSeasonDay(1, -30.0f), 183);
    EXPECT_EQ(FloodwaterSeasonDay(366, -30.0f), 183);
    EXPECT_EQ(FloodwaterSeasonDay(164, 0.0f), 164); // on the equator, the north's
    for (int doy = 1; doy <= 366; ++doy) {
        const int south = FloodwaterSeasonDay(doy, -1.0f);
        ASSERT_GE(south, 1);
        ASSERT_LE(south, 365);
        ASSERT_EQ(FloodwaterSeasonDay(doy, 45.0f), doy);
    }
    FloodwaterTemperature north, south;
    const AirTemperatures air{30, 29, 31, 20, 19, 21};
    north.EstimateDay(air, 180);
    south.EstimateDay(air, FloodwaterSeasonDay(180 + 182, -30.0f));
    EXPECT_EQ(north.GetWaterTmax(), south.GetWaterTmax());
}

// Days a season cannot hold are refused by the loop itself.
TEST(SeasonCalendar, ASeasonStartsInItsFirstYearAndLastsAtMostTwoYears) {
    const auto refused = [](int initial, int final) {
        SeasonInputs inputs = SeasonOf(2020, initial, final, initial, 23.8f, false);
        auto run = test::PreparedSeason(inputs);
        EXPECT_THROW(SimulateDays(*run), std::invalid_argument) << initial << " " << final;
    };
    refused(367, 400);
    refused(1, 1 + kLongestSeason + 1);
    EXPECT_NO_THROW(test::SimulatedSeason(SeasonOf(2020, 366, 366 + kLongestSeason, 366, 23.8f, false)));
}

} // namespace
} // namespace tulo
