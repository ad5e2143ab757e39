#include "base/Numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

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

// The cells of ensemble rows and the trace of a search were written by std::to_string and printf: the
// writers must give the same texts, for awkward values too.
TEST(Numbers, WritersGiveTheTextsOfToStringAndPrintf) {
    const auto whole = [](std::int64_t v) {
        char text[kNumberTextChars];
        return std::string(text, WriteWholeNumber(text, v));
    };
    for (const int v : {0, 7, -7, 120, 2147483647, -2147483647 - 1}) EXPECT_EQ(whole(v), std::to_string(v));

    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values = {
        0.0,     -0.0,          0.1,      -2.5,    1e15,  999999999999999.9,       1e16,
        0.0001,  1e-5,          4.9e-324, -1e-310, 1e300, -1.7976931348623157e308, 18.6113,
        2.0 / 3, 123456789.125, kInf,     -kNaN};
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
        values.push_back(static_cast<float>(static_cast<std::int64_t>(bits % 2000000) - 1000000) / 64);
    }
    for (const double v : values)
        for (const int digits : {9, 15, 17}) {
            char printed[64], written[kNumberTextChars];
            std::snprintf(printed, sizeof printed, "%.*g", digits, v);
            EXPECT_EQ(std::string(written, WriteSignificant(written, v, digits)), printed) << digits;
        }
}

} // namespace
} // namespace tulo
