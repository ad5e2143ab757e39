#include "base/SeriesMaximum.h"

#include "base/ArrayStats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace tulo {
namespace {

double Scanned(const DailySeries& series) {
    return Utilities::ArrayMax(std::span<const float>(series));
}

// Same value and same sign, or both missing.
void ExpectSame(double kept, double scanned, int step) {
    if (std::isnan(scanned)) {
        EXPECT_TRUE(std::isnan(kept)) << step;
    } else {
        EXPECT_EQ(kept, scanned) << step;
        EXPECT_EQ(std::signbit(kept), std::signbit(scanned)) << step;
    }
}

TEST(SeriesMaximum, FollowsEveryWriteAsAFullScanWould) {
    DailySeries series{};
    series[0] = 100.0f; // no day
    series[7] = 3.0f;
    SeriesMaximum max(series);
    max.Set(300, 2.0f); // ahead of the days written below
    EXPECT_EQ(max.Value(), 3.0);

    // Few distinct values, so that ties, -0 and decreases of the maximum's own day come often.
    const float values[] = {0.0f, -0.0f, 1.0f, 2.0f, 3.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()};
    std::mt19937 random(7);
    std::uniform_int_distribution<int> slot(0, 12), pick(0, 6);
    for (int step = 0; step < 5000; ++step) {
        const int s = slot(random);
        max.Set(s == 12 ? 300 : s, values[pick(random)]);
        ExpectSame(max.Value(), Scanned(series), step);
    }
}

} // namespace
} // namespace tulo
