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
    EXPECT_EQ(DayMonthText(366, 2019), "");
    EXPECT_EQ(DayMonthText(1900 % 4 == 0 ? 60 : 0, 1900), "1 Mar"); // no leap day in 1900
    // Without a year, a year of 365 days, as the days were always shown.
    EXPECT_EQ(DayMonthText(121), "1 May");
    EXPECT_EQ(DayMonthText(365), "31 Dec");
    EXPECT_EQ(DayMonthText(366), "");
    EXPECT_EQ(DayMonthText(0, 2020), "");
    // The labels read back as the days they label.
    for (int doy = 1; doy <= 366; ++doy) {
        const auto date = DayMonthOf(doy, 2020);
        ASSERT_TRUE(date) << doy;
        EXPECT_EQ(DayOfYear({2020, date->month, date->day}), doy);
    }
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
