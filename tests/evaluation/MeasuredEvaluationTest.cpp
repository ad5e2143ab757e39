#include "evaluation/MeasuredEvaluation.h"

#include "engine/Outputs.h"
#include "engine/SeasonSummary.h"
#include "forms/FittingCombinations.h"
#include "forms/RunCommand.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedUi.h"
#include "support/TestForms.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::ScriptedUi;

Grid MeasuredGrid(const std::vector<std::pair<std::string, std::string>>& rows) {
    Grid grid(static_cast<int>(rows.size()) + 1, 2);
    grid.setText(1, 1, "DOY");
    grid.setText(1, 2, "AGB");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        grid.setText(static_cast<int>(i) + 2, 1, rows[i].first);
        grid.setText(static_cast<int>(i) + 2, 2, rows[i].second);
    }
    return grid;
}

std::unique_ptr<RunState> RunDemo(FormModel& form) {
    auto run = std::make_unique<RunState>();
    RunResults results;
    ScriptedUi ui;
    EXPECT_TRUE(static_cast<bool>(RunSimulation(form, ui, *run, results, nullptr)));
    return run;
}

TEST(MeasuredEvaluation, DemoSeasonAgainstMeasurementsWithOneOutsideTheSeason) {
    FormModel form = test::DemoForm(); // DOY 100 .. 299 simulated
    const auto run = RunDemo(form);
    const Grid grid = MeasuredGrid({{"100", "0.1"}, // the first simulated day can be paired
                                    {"180", "6.5"},
                                    {"310", "12"},  // after the season: left out
                                    {"210", "abc"}, // not a number: skipped
                                    {"200", "9"},
                                    {"200", "9.5"},    // another value: the callers refuse it
                                    {"240", "15,5"}}); // a decimal comma
    const MeasuredData data = ReadMeasured(grid);
    EXPECT_EQ(data.skippedRows, std::vector<int>{5});
    const Evaluation e = EvaluateAgainstMeasured(*run, 2, data); // AGB tot (tAGB/ha)
    ASSERT_EQ(e.matrix.leftOut.size(), 1u);
    EXPECT_EQ(e.matrix.leftOut[0].row, 4);
    EXPECT_EQ(e.matrix.leftOut[0].doy, 310.0f);
    EXPECT_EQ(e.cropEnd, 277); // the crop ended before the left-out day, and after every paired one
    EXPECT_TRUE(e.afterCropEnd.empty());

    // The pairs, in the table's order; the indices on them are the statistics' own, tested there.
    const int days[] = {100, 180, 200, 200, 240};
    ASSERT_EQ(e.matrix.simulated.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_FLOAT_EQ(e.matrix.simulated[i], run->out.AGB[days[i]] / 100.0f);
    EXPECT_EQ(e.matrix.measured, (std::vector<float>{0.1f, 6.5f, 9, 9.5f, 15.5f}));
    EXPECT_EQ(e.indices.n, 5);
    EXPECT_TRUE(e.indices.RMSE && e.indices.RRMSE && e.indices.EF && e.indices.CRM &&
                e.indices.RRMSEcvLastPoint);
    ASSERT_TRUE(e.regression.fitted);
    ASSERT_TRUE(e.regression.slope && e.regression.R2 && e.regression.pF);
    EXPECT_GT(*e.regression.R2, 0.5);
}

// What no evaluation may use silently: negative values and one day measured twice with two values refuse
// the table, a row repeating another is counted once, and pairs before sowing (DOY 120) or after the end
// of the crop (DOY 277) compare a field sample with a bare field; each is named by its row or day.
TEST(MeasuredEvaluation, DoubtfulMeasurementsAreRefusedOrNamed) {
    const MeasuredData refused = ReadMeasured(MeasuredGrid({{"150", "1"},
                                                            {"160", "-0.5"},
                                                            {"150", "1.25"}, // row 4: another value
                                                            {"170", "2"},
                                                            {"170", "2"}})); // row 6: the same again
    EXPECT_EQ(MeasuredRefusals(refused),
              (std::vector<std::string>{"a measured value cannot be negative: row 3 (-0.5).",
                                        "one day cannot have two different measured values: rows 2 and 4 "
                                        "(DOY 150: 1 and 1.25)."}));
    EXPECT_EQ(refused.rows.size(), 4u);
    EXPECT_EQ(ReadingNotes(refused),
              std::vector<std::string>{
                  "rows skipped: row 6: it repeats row 5 (DOY 170, 2), which is counted once."});

    // "180,6,5" in a CSV of decimal commas: the value's second half stands beyond the titled columns.
    Grid split = MeasuredGrid({{"150", "1.5"}, {"180", "6"}});
    split.resize(3, 4);
    split.setText(3, 3, "5");
    EXPECT_EQ(
        MeasuredRefusals(ReadMeasured(split)),
        std::vector<std::string>{"a row holds a cell beyond the columns row 1 titles, as a value split by a "
                                 "decimal comma does: row 3 (cell C3, \"5\")."});
    split.setText(1, 3, "SD"); // a titled column is the table's own
    EXPECT_TRUE(MeasuredRefusals(ReadMeasured(split)).empty());

    FormModel form = test::DemoForm();
    const auto run = RunDemo(form);
    const MeasuredData data = ReadMeasured(
        MeasuredGrid({{"110", "0"}, {"180", "6.5"}, {"280", "12"}, {"281", "12"}, {"330", "1"}}));
    EXPECT_TRUE(MeasuredRefusals(data).empty());
    const Evaluation e = EvaluateAgainstMeasured(*run, 2, data);
    EXPECT_EQ(e.sowing, 120);
    EXPECT_EQ(e.beforeSowing, std::vector<int>{110});
    EXPECT_EQ(PairsInTheCropSeason(e), 1);
    EXPECT_EQ(PairingNotes(e),
              (std::vector<std::string>{
                  "rows not paired, the run did not simulate their day: row 6 (DOY 330).",
                  "1 measurement before sowing on DOY 120 is compared with a bare field (DOY 110).",
                  "2 measurements after the crop ended on DOY 277 are compared with a bare field (DOY 280, "
                  "281)."}));
}

// A sample of the day the crop finished weighed the standing crop: it pairs with the summary's values at
// maturity, and with what a crop left standing longer (DVSEND raised) has that day; the day after is a
// bare field still.
TEST(MeasuredEvaluation, TheCropsLastDayPairsWithTheStandingCrop) {
    FormModel form = test::DemoForm();
    const auto run = RunDemo(form);
    const SeasonSummary summary = Summarize(*run);
    ASSERT_EQ(summary.cropEnd, 277);
    ASSERT_EQ(summary.maturity, 277);
    FormModel later = test::DemoForm();
    later.setText(ctl::txtDVSEND, "2.5");
    const auto standing = RunDemo(later);

    const MeasuredData data = ReadMeasured(MeasuredGrid({{"277", "14"}, {"278", "12"}}));
    for (int variable = 1; variable <= kEvaluableVariables; ++variable) {
        const Evaluation e = EvaluateAgainstMeasured(*run, variable, data);
        const Evaluation kept = EvaluateAgainstMeasured(*standing, variable, data);
        ASSERT_EQ(e.matrix.simulated.size(), 2u);
        EXPECT_EQ(e.matrix.simulated[0], kept.matrix.simulated[0]) << variable;
        EXPECT_GT(e.matrix.simulated[0], 0.0f) << variable;
        if (variable > 1) {
            EXPECT_EQ(e.matrix.simulated[1], 0.0f) << variable;
        }
        EXPECT_EQ(e.afterCropEnd, std::vector<int>{278});
        EXPECT_EQ(PairsInTheCropSeason(e), 1);
    }
    EXPECT_EQ(EvaluateAgainstMeasured(*run, 2, data).matrix.simulated[0],
              static_cast<float>(*summary.agbMaturity));
    EXPECT_EQ(EvaluateAgainstMeasured(*run, 3, data).matrix.simulated[0],
              static_cast<float>(*summary.paniclesMaturity));
}

// What the calibration's objective reads at every trial: the pairs of the evaluation, taken without
// building its table, for every variable, on a crop that finished (its last day the standing crop) and
// one that did not, with days outside the season, between two days and repeated.
TEST(MeasuredEvaluation, PairsTakenWithoutTheTableAreTheEvaluations) {
    FormModel finished = test::DemoForm();
    FormModel growing = test::DemoForm();
    growing.setText(ctl::txtTSUM2, "2000");
    MeasuredData data;
    int row = 2;
    for (const float day : {50.0f, 99.0f, 100.0f, 150.0f, 150.5f, 210.0f, 276.0f, 277.0f, 278.0f, 277.0f,
                            299.0f, 300.0f, std::numeric_limits<float>::quiet_NaN()})
        data.rows.push_back({row++, day, 0.5f * static_cast<float>(row)});
    for (FormModel* form : {&finished, &growing}) {
        const auto run = RunDemo(*form);
        for (int variable = 0; variable <= kEvaluableVariables + 1; ++variable) {
            const FittingMatrix matrix =
                PairMeasuredWithSimulated(BuildEvaluationTable(*run, variable), data);
            std::vector<double> simulated, measured;
            AppendPairs(*run, variable, data, simulated, measured);
            EXPECT_EQ(simulated, std::vector<double>(matrix.simulated.begin(), matrix.simulated.end()))
                << variable;
            EXPECT_EQ(measured, std::vector<double>(matrix.measured.begin(), matrix.measured.end()))
                << variable;
        }
    }
}

// Each date in its own year's calendar: a leap year's days from 29 February on are one later, and its
// 31 December is DOY 366. With the season's year, a date of the next year is a day after 365.
TEST(MeasuredEvaluation, DatesAreReadAsTheirDayOfYear) {
    // Rows 7 to 12 are no date: not a leap year, no such day, month/day/year, and three other layouts.
    std::vector<std::pair<std::string, std::string>> rows;
    for (const char* date :
         {"2026-06-15", "15/06/2026", "15.6.26", "2026-06-15 08:30:00", "2024-02-29", "29/02/2026",
          "31/04/2026", "06/15/2026", "2026/06/15", "15/06", "2026-06-15 noon", "2000-03-01", "1.3.00",
          "1900-03-01", "2024-06-15T08:30:00Z", "31/12/2024", "2026-12-31", "365"})
        rows.emplace_back(date, std::to_string(rows.size() + 1));
    const MeasuredData data = ReadMeasured(MeasuredGrid(rows));
    std::string days;
    for (const Measurement& m : data.rows) days += std::to_string(m.row) + ":" + ShortestText(m.doy) + " ";
    EXPECT_EQ(days, "2:166 3:166 4:166 5:166 6:60 13:61 14:61 15:60 16:167 17:366 18:365 19:365 ");
    EXPECT_EQ(data.skippedRows, (std::vector<int>{7, 8, 9, 10, 11, 12}));
    EXPECT_TRUE(data.beyondSeasonDays.empty());

    // A season of 2024 that reaches into 2025 places its 2025 dates after day 366; one inside 2024
    // reaches no later year, and a 2025 date is refused as a date of another year would be.
    const Grid dated = MeasuredGrid({{"2024-12-31", "1"}, {"2025-01-02", "2"}, {"2023-06-01", "4"}});
    const MeasuredData placed = ReadMeasured(dated, 2024, 1);
    ASSERT_EQ(placed.rows.size(), 3u);
    EXPECT_EQ(placed.rows[1].doy, 366 + 2);
    EXPECT_TRUE(placed.rows[1].placed);
    EXPECT_EQ(MeasuredRefusals(placed, 2024),
              std::vector<std::string>{"a date must fall in the season's year, 2024: row 4 (2023)."});
    EXPECT_EQ(
        MeasuredRefusals(ReadMeasured(dated, 2024), 2024),
        std::vector<std::string>{"a date must fall in the season's year, 2024: row 3 (2025), row 4 (2023)."});
}

TEST(MeasuredEvaluation, FittingTableFormatsShowNoLeadingZero) {
    EXPECT_EQ(FormatFitting(0.5, 2), ".5");
    EXPECT_EQ(FormatFitting(12.3456, 2), "12.35");
    EXPECT_EQ(FormatFitting(-0.25, 2), "-.25");
    EXPECT_EQ(FormatFitting(0.00561, 4), ".0056");
    EXPECT_EQ(FormatFitting(3.0, 2), "3");
    EXPECT_EQ(FormatFitting(0.0001, 2), "0");
    EXPECT_EQ(FormatFitting(std::nullopt, 2), "n/a");
}

// In a folder of its own: runs of the tests at once (other builds' too) must not share combinations.
using Combinations = test::ScratchFolderTest;

TEST_F(Combinations, AreSavedWithEachRowAndRestoredExactly) {
    const fs::path folder = dir_ / "combinations";
    FormModel form = test::DemoForm();
    ScriptedUi ui;
    const Grid grid = MeasuredGrid({{"150", "2"}, {"200", "9"}, {"250", "16"}});
    const MeasuredData data = ReadMeasured(grid);
    Grid fitting(0, 9);
    int k = 1;

    auto run = RunDemo(form);
    FittingToGrid(fitting, k, EvaluateAgainstMeasured(*run, 2, data), form, ui, folder);
    const FormModel first = form;
    form.setText(ctl::txtRUE, "2,8");
    form.setText(ctl::cmbIDSL, "Both");
    form.setText(ctl::txtDLC, "15");
    form.setText(ctl::txtDLO, "12");
    form.setCheck(ctl::chkSterilityActive, 0);
    form.setText(ctl::txtStSen, "1.4");
    run = RunDemo(form);
    FittingToGrid(fitting, k, EvaluateAgainstMeasured(*run, 2, data), form, ui, folder);
    EXPECT_EQ(k, 3);
    EXPECT_TRUE(fs::exists(folder / "1.crp"));
    EXPECT_TRUE(fs::exists(folder / "2.crp"));
    EXPECT_EQ(fitting.text(2, 1), "Comb. # 2");
    EXPECT_NE(fitting.text(1, 3), fitting.text(2, 3)); // RRMSE of each parameter set

    ASSERT_TRUE(RestoreCombination(1, form, ui, folder));
    EXPECT_EQ(form, first);

    // A missing or incomplete file changes nothing.
    std::ofstream(folder / "3.crp") << "12\r\n42\r\n";
    const FormModel before = form;
    EXPECT_FALSE(RestoreCombination(3, form, ui, folder));
    EXPECT_FALSE(RestoreCombination(9, form, ui, folder));
    EXPECT_EQ(form, before);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("holds 2 of the 26 values"), std::string::npos);
}

TEST(MeasuredEvaluation, FittingMatrixExportNeedsPairs) {
    ScriptedUi ui;
    EXPECT_FALSE(FittingMatrixGrid(FittingMatrix{}, ui).has_value());
    EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"Fitting Matrix does not exist"});
    FittingMatrix matrix;
    matrix.measured = {1.5f, 3};
    matrix.simulated = {1.25f, 2.5f};
    const auto grid = FittingMatrixGrid(matrix, ui);
    ASSERT_TRUE(grid.has_value());
    EXPECT_EQ(grid->text(1, 1), "measured");
    EXPECT_EQ(grid->text(1, 2), "simulated");
    EXPECT_EQ(grid->text(3, 1), "3");
    EXPECT_EQ(grid->text(2, 2), "1.25");
}

} // namespace
} // namespace tulo
