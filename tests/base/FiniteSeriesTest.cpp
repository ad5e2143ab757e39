// The finiteness check every ensemble season passes: any infinity or NaN found wherever it sits, on the
// narrow and the wide path, and finite series never refused, even when their sum overflows.

#include "base/FiniteSeries.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tulo {
namespace {

std::vector<FiniteSumPath> Paths() {
    std::vector<FiniteSumPath> paths = {FiniteSumPath::Narrow};
    if (WideFiniteSumsAvailable()) paths.push_back(FiniteSumPath::Wide);
    return paths;
}

// Three single and two double series of `count` values from `offset`, in storage that leaves every
// alignment to the offset.
struct Block {
    std::vector<float> singles[3];
    std::vector<double> doubles[2];
    std::size_t offset, count;

    Block(std::size_t offset, std::size_t count) : offset(offset), count(count) {
        for (std::size_t s = 0; s < 3; ++s)
            for (std::size_t i = 0; i < offset + count; ++i) singles[s].push_back(0.25f * (i % 7) - 1 + s);
        for (std::size_t s = 0; s < 2; ++s)
            for (std::size_t i = 0; i < offset + count; ++i) doubles[s].push_back(1e3 * (i % 5) - 2e3 * s);
    }
    bool finite(FiniteSumPath path) const {
        const float* s[] = {singles[0].data() + offset, singles[1].data() + offset,
                            singles[2].data() + offset};
        const double* d[] = {doubles[0].data() + offset, doubles[1].data() + offset};
        return AllFinite(s, d, count, path);
    }
};

TEST(FiniteSeries, FindsEveryInfinityAndNaNWhereverItStands) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    for (const FiniteSumPath path : Paths())
        for (const std::size_t offset : {0u, 1u, 3u, 5u})
            for (const std::size_t count : {1u, 3u, 8u, 17u, 33u, 200u}) {
                const Block clean(offset, count);
                EXPECT_TRUE(clean.finite(path)) << offset << " " << count;
                for (const std::size_t at : {std::size_t{0}, count / 2, count - 1})
                    for (const float bad : {kInf, -kInf, kNaN}) {
                        Block single = clean, twice = clean;
                        single.singles[1][offset + at] = bad;
                        twice.doubles[1][offset + at] = bad;
                        EXPECT_FALSE(single.finite(path) || twice.finite(path))
                            << offset << " " << count << " " << at;
                    }
                // Opposite infinities meet in a NaN; values before the first day are not read.
                Block opposite = clean;
                opposite.singles[0][offset + count - 1] = kInf;
                opposite.singles[2][offset] = -kInf;
                EXPECT_FALSE(opposite.finite(path));
                Block before = clean;
                if (offset > 0) before.singles[0][offset - 1] = before.doubles[0][offset - 1] = kNaN;
                EXPECT_TRUE(before.finite(path));
            }
}

TEST(FiniteSeries, ValuesWhoseSumOverflowsAreFinite) {
    for (const FiniteSumPath path : Paths()) {
        Block huge(1, 40);
        for (float& v : huge.singles[0]) v = std::numeric_limits<float>::max();
        for (double& v : huge.doubles[1]) v = -std::numeric_limits<double>::max();
        EXPECT_TRUE(huge.finite(path));
        huge.doubles[1][20] = std::numeric_limits<double>::quiet_NaN();
        EXPECT_FALSE(huge.finite(path));
    }
}

} // namespace
} // namespace tulo
