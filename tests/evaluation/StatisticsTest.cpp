#include "evaluation/Statistics.h"

#include <gtest/gtest.h>

#include <vector>

namespace tulo {
namespace {

TEST(ArrayStatisticsTest, IgnoreElementZeroInBothPrecisions) {
    const std::vector<double> values{99, 3, 7, 7, 2};
    const std::vector<float> floats{-99, 3, 7, 7, 2};
    EXPECT_EQ(Utilities::ArrayMax(values), 7);
    EXPECT_EQ(Utilities::ArrayMax(floats), 7);
    EXPECT_EQ(Utilities::ArraySum(values), 19);
    EXPECT_EQ(Utilities::ArrayMean(floats), 4.75);
    EXPECT_EQ(Utilities::ArrayMax(std::vector<double>{0, -5, -2, -9}), -2);

    // Population standard deviation: divisor n, not n - 1.
    EXPECT_DOUBLE_EQ(Utilities::ArrayStDev(std::vector<double>{1000, 2, 4}), 1.0);
    // Single-precision values are summed in double precision: 0.1f is not 0.1.
    EXPECT_EQ(Utilities::ArraySum(std::vector<float>{0, 0.1f, 0.1f}), 2.0 * static_cast<double>(0.1f));
}

TEST(ObjectiveFunctionsTest, WorkedExampleIgnoresElementZero) {
    for (const double zeroth : {0.0, 1e6}) {
        AgreementStatistics indices;
        indices.ObjectiveFunction({zeroth, 2, 4}, {-zeroth, 1, 3});
        EXPECT_DOUBLE_EQ(*indices.GetRMSE(), 1.0);
        EXPECT_DOUBLE_EQ(*indices.GetRRMSE(), 50.0);
        EXPECT_DOUBLE_EQ(*indices.GetEF(), 0.0);
        EXPECT_DOUBLE_EQ(*indices.GetCRM(), -0.5);
        // CV of the last pair (4, 3) is 100 / 7.
        EXPECT_NEAR(*indices.GetRRMSEcvLastPoint(), 50 + 100.0 / 7, 1e-12);
    }
}

TEST(ObjectiveFunctionsTest, PerfectAgreement) {
    AgreementStatistics indices;
    const std::vector<double> series{0, 1.5, 3, 8, 2};
    indices.ObjectiveFunction(series, series);
    EXPECT_EQ(indices.GetRMSE(), 0.0);
    EXPECT_EQ(indices.GetRRMSE(), 0.0);
    EXPECT_EQ(indices.GetEF(), 1.0);
    EXPECT_EQ(indices.GetCRM(), 0.0);
    EXPECT_EQ(indices.GetRRMSEcvLastPoint(), 0.0);
}

TEST(ObjectiveFunctionsTest, ZeroDenominatorsLeaveOnlyTheirIndicesUndefined) {
    AgreementStatistics constant; // SST = 0
    constant.ObjectiveFunction({0, 3, 5}, {0, 4, 4});
    EXPECT_DOUBLE_EQ(*constant.GetRMSE(), 1.0);
    EXPECT_DOUBLE_EQ(*constant.GetRRMSE(), 25.0);
    EXPECT_FALSE(constant.GetEF());
    EXPECT_DOUBLE_EQ(*constant.GetCRM(), 0.0);
    EXPECT_DOUBLE_EQ(*constant.GetRRMSEcvLastPoint(), 25 + 100.0 / 9);

    AgreementStatistics zeroMean; // mean of O = 0 and sum of O = 0
    zeroMean.ObjectiveFunction({0, 0, 2}, {0, -1, 1});
    EXPECT_DOUBLE_EQ(*zeroMean.GetRMSE(), 1.0);
    EXPECT_FALSE(zeroMean.GetRRMSE());
    EXPECT_DOUBLE_EQ(*zeroMean.GetEF(), 0.0);
    EXPECT_FALSE(zeroMean.GetCRM());
    EXPECT_FALSE(zeroMean.GetRRMSEcvLastPoint());

    AgreementStatistics lastPair; // s_last + o_last = 0
    lastPair.ObjectiveFunction({0, 2, -1}, {0, 2, 1});
    EXPECT_TRUE(lastPair.GetRRMSE());
    EXPECT_FALSE(lastPair.GetRRMSEcvLastPoint());

    for (const auto& [simulated, observed] :
         {std::pair<std::vector<double>, std::vector<double>>{{0}, {0}}, {{}, {}}, {{0, 1, 2}, {0, 1}}}) {
        AgreementStatistics none;
        none.ObjectiveFunction(simulated, observed);
        EXPECT_FALSE(none.GetRMSE() || none.GetRRMSE() || none.GetEF() || none.GetCRM() ||
                     none.GetRRMSEcvLastPoint());
    }
}

} // namespace
} // namespace tulo
