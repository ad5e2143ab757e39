#include "evaluation/EvaluationSession.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

FittingMatrix Pairs(std::vector<float> measured, std::vector<float> simulated) {
    FittingMatrix matrix;
    matrix.measured = std::move(measured);
    matrix.simulated = std::move(simulated);
    return matrix;
}

TEST(EvaluationSession, OneToOneScaleIsTheLargerRoundedMaximumAndHoldsEveryPoint) {
    EXPECT_EQ(OneToOneAxisMax(Pairs({9.2f, 3}, {12.6f, 4})), 13);
    EXPECT_EQ(OneToOneAxisMax(Pairs({14.4f}, {2})), 15); // 14 would leave the point off the chart
    EXPECT_EQ(OneToOneAxisMax(Pairs({2.5f}, {1})), 3);   // rounded down to even, then up to hold it
    EXPECT_EQ(OneToOneAxisMax(Pairs({0}, {0})), 1);
    EXPECT_EQ(OneToOneAxisMax({}), 1);
}

TEST(EvaluationSession, CaptionAndNotesNameWhatCannotBeComputed) {
    Regression regression;
    regression.R2 = 0.9712;
    regression.F = 123.45678;
    regression.mark = "++";
    EXPECT_EQ(RegressionCaption(regression), "R2=.97; F=123.4568(++)");
    EXPECT_EQ(RegressionCaption(Regression{}), "R2=n/a; F=n/a(n/a)");

    Evaluation evaluation;
    evaluation.indices.n = 1;
    evaluation.matrix.leftOut = {{5, 320}};
    evaluation.cropEnd = 277;
    evaluation.afterCropEnd = {280};
    const auto notes = EvaluationNotes(MeasuredData{}, evaluation);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], "Not paired, the run did not simulate their day: row 5 (DOY 320).");
    EXPECT_EQ(notes[1],
              "1 measurement after the crop ended on DOY 277 is compared with a bare field (DOY 280).");
    EXPECT_EQ(notes[2], "1 pair: a regression line needs at least two.");
}

} // namespace
} // namespace tulo
