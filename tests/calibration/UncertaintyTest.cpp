// How sure a calibration is: the Gauss-Newton covariance against the textbook straight line, parameters
// the data cannot see or cannot tell apart, and the same answer on any number of threads.

#include "calibration/Uncertainty.h"
#include "engine/Season.h"
#include "forms/CalibrationForm.h"
#include "forms/SeasonForm.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace tulo {
namespace {

// y = a + b x by least squares: var(b) = s2 / Sxx, var(a) = s2 (1/n + mean^2 / Sxx),
// cov(a, b) = -mean s2 / Sxx, with s2 = SSR / (n - 2).
TEST(UncertaintyArithmetic, StraightLineMatchesTheTextbook) {
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7}, y = {2.1, 3.9, 6.2, 7.8, 10.1, 12.2, 13.8};
    const double n = 7, mean = 4, sxx = 28;
    double sxy = 0, ybar = 0;
    for (std::size_t i = 0; i < x.size(); ++i) ybar += y[i] / n;
    for (std::size_t i = 0; i < x.size(); ++i) sxy += (x[i] - mean) * (y[i] - ybar);
    const double b = sxy / sxx, a = ybar - b * mean;
    std::vector<std::vector<double>> jacobian;
    std::vector<double> residuals;
    double ssr = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        jacobian.push_back({1, x[i]});
        residuals.push_back(a + b * x[i] - y[i]);
        ssr += residuals.back() * residuals.back();
    }
    const double s2 = ssr / (n - 2);
    const double values[] = {a, b};
    const CalibratedParameter ranges[] = {{0, -10, 10}, {0, 0, 5}};
    const CalibrationUncertainty u = UncertaintyFromJacobian(jacobian, residuals, values, ranges);
    ASSERT_EQ(u.parameters.size(), 2u);
    EXPECT_NEAR(u.parameters[1].se, std::sqrt(s2 / sxx), 1e-12);
    EXPECT_NEAR(u.parameters[0].se, std::sqrt(s2 * (1 / n + mean * mean / sxx)), 1e-12);
    EXPECT_NEAR(u.correlation[0][1], -mean / sxx / std::sqrt((1 / n + mean * mean / sxx) / sxx), 1e-12);
    EXPECT_NEAR(u.parameters[1].high - b, 2.571 * u.parameters[1].se, 1e-12); // t with 5 degrees
    EXPECT_EQ(u.measurements, 7);
    EXPECT_NEAR(StudentT95(40), 2.021, 1e-3);
    EXPECT_NEAR(StudentT95(1000), 1.962, 1e-3);

    // A column of zeros is a parameter the data do not see; twin columns cannot be told apart; a third
    // column independent of both keeps its finite error; a fourth nearly a copy of it is flagged.
    std::vector<std::vector<double>> twins;
    for (std::size_t i = 0; i < x.size(); ++i)
        twins.push_back({x[i], x[i], 0, 1 + (i % 2) * 0.5, 1 + (i % 2) * 0.5 + 1e-3 * x[i] * x[i]});
    const double five[] = {1, 1, 1, 1, 1};
    const CalibratedParameter wide[] = {
        {0, -1e9, 1e9}, {0, -1e9, 1e9}, {0, -1e9, 1e9}, {0, -1e9, 1e9}, {0, -1e9, 1e9}};
    const CalibrationUncertainty t = UncertaintyFromJacobian(twins, residuals, five, wide);
    EXPECT_TRUE(std::isinf(t.parameters[0].se));
    EXPECT_TRUE(std::isinf(t.parameters[1].se));
    EXPECT_TRUE(std::isinf(t.parameters[2].se));
    EXPECT_FALSE(t.parameters[0].identifiable || t.parameters[1].identifiable ||
                 t.parameters[2].identifiable);
    ASSERT_TRUE(std::isfinite(t.parameters[3].se));
    EXPECT_GT(std::fabs(t.correlation[3][4]), kIdentifiableCorrelation);
    EXPECT_FALSE(t.parameters[3].identifiable);
    EXPECT_TRUE(std::isnan(t.correlation[0][3]));
    const std::string names[] = {"a", "b", "c", "d", "e"};
    EXPECT_EQ(IdentifiabilityWarning(t, names), "Not identifiable from these data: a, b, c, d, e.");

    // A value on an end of its range is at its bound, not identifiable; every interval stays in its range.
    const double onBound[] = {a, 0.001};
    const CalibratedParameter narrow[] = {{0, a - 0.01, a + 0.01}, {0, 0, 5}};
    const CalibrationUncertainty bound = UncertaintyFromJacobian(jacobian, residuals, onBound, narrow);
    EXPECT_TRUE(bound.parameters[1].atBound);
    EXPECT_FALSE(bound.parameters[1].identifiable);
    EXPECT_FALSE(bound.parameters[0].atBound);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_GE(bound.parameters[k].low, narrow[k].min) << k;
        EXPECT_LE(bound.parameters[k].high, narrow[k].max) << k;
    }
    const std::string ab[] = {"a", "b"};
    EXPECT_EQ(IdentifiabilityWarning(bound, ab),
              "Not identifiable from these data: a. At a bound of its range: b.");

    // As many measurements as parameters leave no degree of freedom.
    const std::vector<double> two = {0.1, 0.2};
    const CalibrationUncertainty none = UncertaintyFromJacobian({{1, 0}, {0, 1}}, two, values, ranges);
    EXPECT_TRUE(std::isinf(none.parameters[0].se));
    EXPECT_FALSE(none.note.empty());
}

std::shared_ptr<const SeasonInputs> Demo() {
    static const auto inputs = test::CompiledExample("demo.sim");
    return inputs;
}

// The demo's AGB with RUE 2.8, measured with a few per cent of error either way.
MeasuredData NoisyAgb() {
    auto run = std::make_unique<RunState>();
    const ParameterValue made[] = {{ParameterIndex("RUE"), 2.8}};
    RunSeason(*Demo(), made, *run);
    MeasuredData data;
    const double error[] = {0.04, -0.03, 0.02, -0.05, 0.03, -0.02, 0.04, -0.03};
    int row = 2, k = 0;
    for (const int d : {150, 165, 180, 195, 210, 225, 245, 265})
        data.rows.push_back(
            {row++, static_cast<float>(d), static_cast<float>(run->out.AGB[d] / 100.0 * (1 + error[k++]))});
    return data;
}

// Cold sterility moves no biomass in the demo's season (it only shares the panicles' growth out), so
// its sensitivity is flagged whatever the search finds; the RUE is read well from the biomass.
TEST(CalibrationUncertainty, AParameterTheBiomassCannotSeeIsFlaggedOnAnyNumberOfThreads) {
    auto run = std::make_unique<RunState>();
    const int stSen = ParameterIndex("StSen");
    const ParameterValue low[] = {{stSen, 0.1}}, high[] = {{stSen, 5}};
    RunSeason(*Demo(), low, *run);
    const auto agb = run->out.AGB;
    RunSeason(*Demo(), high, *run);
    ASSERT_EQ(agb, run->out.AGB);

    CalibrationUncertainty results[2];
    for (const int threads : {1, 2}) {
        CalibrationSettings settings;
        settings.parameters = {{ParameterIndex("RUE"), 1.5, 4}, {stSen, 0, 10}};
        SearchControl control;
        control.threads = threads;
        const CalibrationProblem problem(settings, {{"", Demo(), NoisyAgb(), "agb.xlsx", {}, ""}}, control);
        const double initial[] = {2.3, 2};
        const CalibrationOutcome outcome = SearchFromInitialValues(problem, initial);
        ASSERT_FALSE(outcome.failed);
        results[threads - 1] = EstimateUncertainty(problem, outcome.rounded);
    }
    const CalibrationUncertainty& u = results[0];
    EXPECT_EQ(u.measurements, 8);
    const ParameterUncertainty& rue = u.parameters[0];
    EXPECT_TRUE(rue.identifiable);
    EXPECT_GT(rue.se, 0);
    EXPECT_LT(rue.se, 0.1);
    EXPECT_LT(rue.low, 2.8);
    EXPECT_GT(rue.high, 2.8);
    EXPECT_FALSE(u.parameters[1].identifiable);
    EXPECT_TRUE(std::isinf(u.parameters[1].se));
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(u.parameters[k].se, results[1].parameters[k].se);
        EXPECT_EQ(u.parameters[k].low, results[1].parameters[k].low);
    }
    EXPECT_EQ(u.ssr, results[1].ssr);
}

// The transplanting shock lasts SHCKD times the seedbed's thermal time and ends on a whole day, so a step
// of a hundredth of its range moves no day; the step is widened until the season answers.
TEST(CalibrationUncertainty, AParameterThatActsInWholeDaysGetsASlope) {
    auto transplanted = std::make_shared<SeasonInputs>(*Demo());
    transplanted->manag.Transplanted = true;
    transplanted->manag.TransplantingDate = transplanted->manag.SowingDate + 25;
    const int shckd = ParameterIndex("SHCKD");
    auto run = std::make_unique<RunState>();
    const ParameterValue made[] = {{shckd, 0.6}};
    RunSeason(*transplanted, made, *run);
    MeasuredData agb;
    int row = 2;
    for (const int d : {150, 165, 180, 195, 210, 225, 245, 265})
        agb.rows.push_back({row++, static_cast<float>(d), static_cast<float>(run->out.AGB[d] / 100.0)});
    CalibrationSettings settings;
    settings.parameters = {{ParameterIndex("RUE"), 1.5, 4}, {shckd, 0, 0.8}};
    const CalibrationProblem problem(settings, {{"", transplanted, agb, "agb.csv", {}, ""}});
    const double values[] = {2.3, 0.6};
    // A step of a hundredth of the range leaves every day of the season as it was.
    const ParameterValue stepped[] = {{shckd, 0.608}};
    RunSeason(*transplanted, stepped, *run);
    const auto reference = run->out.AGB;
    RunSeason(*transplanted, made, *run);
    ASSERT_EQ(reference, run->out.AGB);
    const CalibrationUncertainty u = EstimateUncertainty(problem, values);
    EXPECT_TRUE(std::isfinite(u.parameters[1].se)) << u.parameters[1].se;
    EXPECT_GE(u.parameters[1].low, 0);
    EXPECT_LE(u.parameters[1].high, 0.8);
}

} // namespace
} // namespace tulo
