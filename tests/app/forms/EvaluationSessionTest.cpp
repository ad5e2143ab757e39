#include "forms/EvaluationSession.h"

#include "forms/RunCommand.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedUi.h"
#include "support/TestForms.h"

#include <gtest/gtest.h>

#include <memory>

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
    EXPECT_EQ(notes[0], "Rows not paired, the run did not simulate their day: row 5 (DOY 320).");
    EXPECT_EQ(notes[1],
              "1 measurement after the crop ended on DOY 277 is compared with a bare field (DOY 280).");
    EXPECT_EQ(notes[2], "1 pair: a regression line needs at least two.");
}

class EvaluationSessionFiles : public test::ScratchFolderTest {};

// The page refuses what the command line refuses, naming the rows, and keeps nothing of the table.
TEST_F(EvaluationSessionFiles, NegativeOrConflictingMeasurementsAreRefusedByRow) {
    FormModel form = test::DemoForm();
    auto run = std::make_unique<RunState>();
    RunResults results;
    test::ScriptedUi ui;
    ASSERT_TRUE(static_cast<bool>(RunSimulation(form, ui, *run, results, nullptr)));
    EvaluationSession session(dir_ / "combinations");
    const auto good = Write("good.csv", "DOY,AGB\n180,6.5\n200,9\n");
    ASSERT_EQ(session.openMeasured("AGB tot (tAGB/ha)", *run, form, ui, good),
              EvaluationSession::Opened::Evaluated);
    ui.messages.clear();
    const auto bad = Write("bad.csv", "DOY,AGB\n180,6.5\n200,-9\n180,7\n");
    EXPECT_EQ(session.openMeasured("AGB tot (tAGB/ha)", *run, form, ui, bad),
              EvaluationSession::Opened::Refused);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The measured data bad.csv cannot be used:\n"
                                   "A measured value cannot be negative: row 3 (-9).\n"
                                   "One day cannot have two different measured values: rows 2 and 4 (DOY "
                                   "180: 6.5 and 7).");
    EXPECT_FALSE(session.hasMeasured());
    EXPECT_FALSE(session.latest());
}

} // namespace
} // namespace tulo
