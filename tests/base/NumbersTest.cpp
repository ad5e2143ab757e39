#include "base/Numbers.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

TEST(Numbers, ParsesPointAndCommaDecimalsAndRefusesGarbage) {
    EXPECT_EQ(ParseNumber("2.3"), 2.3);
    EXPECT_EQ(ParseNumber(" 2,3 "), 2.3);
    EXPECT_EQ(ParseNumber("-12"), -12.0);
    EXPECT_EQ(ParseNumber("+1e2"), 100.0);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    for (const char* bad :
         {"", "  ", "abc", "1,2.3", "1.2.3", "12x", "inf", "nan", "1e", "+", "+-1", "1 000"})
        EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
}

TEST(Numbers, WholeNumberConversionsRoundHalfToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(3.5), 4.0);
    EXPECT_EQ(RoundHalfEven(-0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2.0);
    EXPECT_EQ(RoundHalfEven(4.4999), 4.0);
    EXPECT_EQ(ParseInt32("119,5"), 120);
    EXPECT_EQ(ParseInt32("120.5"), 120);
    EXPECT_FALSE(ParseInt32("3e10").has_value());
}

TEST(Numbers, FormatsReadBackExactly) {
    const float single = 0.1f;
    EXPECT_EQ(ShortestText(single), "0.1");
    EXPECT_EQ(ShortestText(70000.0), "70000");
    EXPECT_EQ(static_cast<float>(std::stod(FormatSignificant(single, 9))), single);
    const double d = 1.0 / 3.0;
    EXPECT_EQ(std::stod(FormatSignificant(d, 17)), d);
}

} // namespace
} // namespace tulo
