#include "evaluation/PolynomialFit.h"

#include <boost/math/distributions/fisher_f.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tulo {
namespace {

using Matrix = PolynomialFit::Matrix;
using Series = std::vector<double>;

Matrix Zeros(int n) {
    return Matrix(n + 1, Series(n + 1, 0.0));
}

struct Anova {
    std::string mark;
    std::optional<double> R2, F, p;
    double explained = -1, residual = -1;
};

Anova Analyse(PolynomialFit& reg, const Series& x, const Series& y, int ma, const Series& a) {
    Anova r;
    reg.AnalysisOfVariance(x, y, ma, a, r.mark, r.R2, r.F, r.p, r.explained, r.residual);
    return r;
}

// A straight line through the five points, both coefficients fitted, with unit weights.
bool FitLine(PolynomialFit& reg, const Series& x, const Series& y, Series& a, double& chisq) {
    std::vector<int> lista{0, 1, 2};
    Matrix covar = Zeros(2);
    return reg.FitLinearLeastSquares(x, y, Series(5, 1.0), 4, a, 2, lista, 2, covar, 2, chisq);
}

TEST(PolynomialFitTest, StraightLineAndItsAnalysisOfVariance) {
    PolynomialFit reg;
    const Series x{0, 1, 2, 3, 4}, y{0, 2, 4, 6, 9};
    Series a{0, 0, 0};
    double chisq = 0;
    ASSERT_TRUE(FitLine(reg, x, y, a, chisq));
    EXPECT_NEAR(a[1], -0.5, 1e-12);
    EXPECT_NEAR(a[2], 2.3, 1e-12);
    EXPECT_NEAR(chisq, 0.3, 1e-12);

    const Anova r = Analyse(reg, x, y, 2, a);
    EXPECT_NEAR(r.explained, 26.45, 1e-10);
    EXPECT_NEAR(*r.R2, 26.45 / 26.75, 1e-12);
    EXPECT_NEAR(r.residual, 0.3, 1e-10);
    EXPECT_NEAR(*r.F, 26.45 / 0.15, 1e-7);
    EXPECT_NEAR(*r.p, 1 - std::sqrt(1 - 2 / (2 + *r.F)), 1e-12); // about 0.0056
    EXPECT_EQ(r.mark, "++");
    EXPECT_NEAR(*reg.SqrtOneMinusR2(), std::sqrt(0.3 / 26.75), 1e-12);
    EXPECT_EQ(reg.GetFailure(), "");
}

TEST(PolynomialFitTest, NoFWithoutResidualOrDegreesOfFreedom) {
    PolynomialFit reg;
    const Series x{0, 1, 2, 3, 4}, y{0, 2, 4, 6, 8};
    Series a{0, 9, 9};
    double chisq = 0;
    ASSERT_TRUE(FitLine(reg, x, y, a, chisq));
    EXPECT_NEAR(a[1], 0, 1e-12);
    EXPECT_NEAR(a[2], 2, 1e-12);

    const Anova exact = Analyse(reg, x, y, 2, a);
    EXPECT_NEAR(*exact.R2, 1, 1e-12);
    EXPECT_NEAR(exact.residual, 0, 1e-12);
    EXPECT_FALSE(exact.F || exact.p);
    EXPECT_EQ(exact.mark, "n/a");

    const Anova flat = Analyse(reg, x, {0, 5, 5, 5, 5}, 2, {0, 5, 0});
    EXPECT_FALSE(flat.R2 || flat.F || flat.p || reg.OneMinusR2());
    EXPECT_EQ(flat.residual, 0);
    const Anova constantModel = Analyse(reg, x, y, 1, {0, 5});
    EXPECT_EQ(constantModel.R2, 0.0);
    EXPECT_FALSE(constantModel.F || constantModel.p);
    // Two points leave no residual degrees of freedom for a line.
    EXPECT_FALSE(Analyse(reg, {0, 1, 2}, {0, 1, 3}, 2, {0, -1, 2}).F);
}

TEST(PolynomialFitTest, ImproperListOrSingularSystemStopsTheFit) {
    const Series x{0, 1, 2, 3, 4}, nanX{0, 1, std::nan(""), 3, 4};
    struct Case {
        Series x;
        std::vector<int> lista;
        int mfit;
        std::string message;
    };
    for (const Case& c :
         {Case{x, {0, 2, 2}, 2, "Improper set in LISTA"}, Case{x, {0, 3, 1}, 2, "Improper set in LISTA"},
          Case{x, {0, 1, 2}, 3, "Improper set in LISTA"},
          Case{{0, 2, 2, 2, 2}, {0, 1, 2}, 2, "Singular matrix."}, // zero pivot
          Case{nanX, {0, 1, 2}, 2, "Singular matrix"}}) {          // no pivot to choose
        PolynomialFit reg;
        Series a{0, 7, 8};
        Matrix covar = Zeros(2);
        double chisq = 11;
        std::vector<int> lista = c.lista;
        EXPECT_FALSE(reg.FitLinearLeastSquares(c.x, {0, 2, 4, 6, 9}, Series(5, 1.0), 4, a, 2, lista, c.mfit,
                                               covar, 2, chisq));
        EXPECT_EQ(reg.GetFailure(), c.message);
        EXPECT_EQ(a, (Series{0, 7, 8}));
        EXPECT_EQ(covar, Zeros(2));
        EXPECT_EQ(chisq, 11);
    }
}

TEST(PFTest, MarksAndLimits) {
    EXPECT_EQ(PolynomialFit::Mark(0.0099999), "++");
    EXPECT_EQ(PolynomialFit::Mark(0.01), " +");
    EXPECT_EQ(PolynomialFit::Mark(0.05), " +");
    EXPECT_EQ(PolynomialFit::Mark(0.0500001), "ns");

    std::optional<double> p;
    std::string mark;
    PolynomialFit::PF(0, 3, 4, p, mark);
    EXPECT_EQ(p, 1.0);
    EXPECT_EQ(mark, "ns");
    PolynomialFit::PF(2, 0, 4, p, mark);
    EXPECT_FALSE(p);
    EXPECT_EQ(mark, "n/a");
}

TEST(PFTest, MatchesTheFDistributionForAllSmallDegreesOfFreedom) {
    for (int nu1 = 1; nu1 <= 30; ++nu1) {
        for (int nu2 = 1; nu2 <= 30; ++nu2) {
            const boost::math::fisher_f_distribution<double> dist(nu1, nu2);
            for (const double F : {0.05, 0.5, 1.0, 2.0, 5.0, 20.0, 100.0}) {
                std::optional<double> p;
                std::string mark;
                PolynomialFit::PF(F, nu1, nu2, p, mark);
                ASSERT_TRUE(p);
                EXPECT_NEAR(*p, cdf(complement(dist, F)), 1e-10) << "F " << F << " nu " << nu1 << ", " << nu2;
                EXPECT_EQ(mark, PolynomialFit::Mark(*p));
            }
        }
    }
}

} // namespace
} // namespace tulo
