// Dates of a season's days: in the season's own calendar once its year is known.

#include "base/Calendar.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

TEST(Calendar, ASeasonOfAKnownYearShowsItsDaysInThatYearsCalendar) {
    // A leap year has 29 February, so every later day is a day earlier in the month.
    EXPECT_EQ(DayMonthText(60, 2020), "29 Feb");
    EXPECT_EQ(DayMonthText(121, 2020), "30 Apr");
    EXPECT_EQ(DayMonthText(366, 2020), "31 Dec");
    EXPECT_EQ(DayMonthText(121, 2019), "1 May");
    EXPECT_EQ(DayMonthText(60, 2019), "1 Mar");
    EXPECT_EQ(DayMonthText(366, 2019), "1 Jan");                    // the next year's first day
    EXPECT_EQ(DayMonthText(1900 % 4 == 0 ? 60 : 0, 1900), "1 Mar"); // no leap day in 1900
    // Without a year, a year of 365 days, as the days were always shown.
    EXPECT_EQ(DayMonthText(121), "1 May");
    EXPECT_EQ(DayMonthText(365), "31 Dec");
    EXPECT_EQ(DayMonthText(366), "1 Jan");
    EXPECT_EQ(DayMonthText(0, 2020), "");
    // The labels read back as the days they label.
    for (int doy = 1; doy <= 366; ++doy) {
        const auto date = DayMonthOf(doy, 2020);
        ASSERT_TRUE(date) << doy;
        EXPECT_EQ(DayOfYear({2020, date->month, date->day}), doy);
    }
}

// A season's days count on from 1 January of its first year through the next years, two of them at most,
// and every date of those years is one of its days.
TEST(Calendar, ASeasonsDaysCountOnFromItsFirstYearThroughTheNext) {
    EXPECT_EQ(IsoDateText(*DateOfSeasonDay(366, 2019)), "2020-01-01");
    EXPECT_EQ(IsoDateText(*DateOfSeasonDay(366, 2020)), "2020-12-31");
    EXPECT_EQ(IsoDateText(*DateOfSeasonDay(365 + 60, 2019)), "2020-02-29");
    EXPECT_EQ(SeasonDateText(365 + 35, 2019), "4 Feb 2020");
    EXPECT_EQ(SeasonDateText(35, 2019), "4 Feb");
    EXPECT_EQ(SeasonDayName(486, 2019), "2020-04-30");
    EXPECT_EQ(SeasonDayName(486, 0), "day 486");
    EXPECT_EQ(DateOfSeasonDay(0, 2019), std::nullopt);
    EXPECT_EQ(DateOfSeasonDay(kLastSeasonDay + 2, 2019), std::nullopt);
    for (const int year : {2019, 2020, 2100}) {
        for (int d = 1; d <= kLastSeasonDay + 1; ++d) {
            const auto date = DateOfSeasonDay(d, year);
            ASSERT_TRUE(date) << d;
            ASSERT_EQ(SeasonDayOfDate(*date, year), d) << year << " " << d;
            ASSERT_EQ(DayOfYearOfSeasonDay(d, year), *DayOfYear(*date)) << year << " " << d;
        }
    }
    EXPECT_EQ(SeasonDayOfDate({2018, 12, 31}, 2019), std::nullopt); // before the season's year
    EXPECT_EQ(SeasonDayOfDate({2022, 12, 31}, 2019), std::nullopt); // beyond two years on
    EXPECT_EQ(SeasonDayOfDate({2019, 2, 29}, 2019), std::nullopt);  // no such date
}

TEST(Calendar, ASeasonsYearIsAWholeNumberFrom1To9999) {
    EXPECT_EQ(ParseSeasonYear(" 2019 "), 2019);
    EXPECT_EQ(ParseSeasonYear("1"), 1);
    EXPECT_EQ(ParseSeasonYear("9999"), 9999);
    for (const char* text : {"", " ", "0", "10000", "2019.5", "-2019", "2019x", "twenty"})
        EXPECT_EQ(ParseSeasonYear(text), std::nullopt) << text;
}

} // namespace
} // namespace tulo
