#include "commands/CropWorkbook.h"

#include "inputs/OpeningSeason.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tulo {
namespace {

TEST(CropWorkbook, OtherSheetsAreRecognisedByTheirKeysAndEveryBadValueIsFound) {
    Problems built;
    Grid grid = BuildCropWorkbookGrid(OpeningConfiguration(), built).value_or(Grid());
    ASSERT_TRUE(built.empty());
    EXPECT_EQ(CropWorkbookKeyMismatch(grid), std::nullopt);
    EXPECT_TRUE(CheckCropWorkbookValues(grid).empty());

    Grid other = grid;
    other.setText(15, 3, " RUE ");  // blanks around a key are not a difference
    other.setText(8, 3, "TBASEAE"); // nor a key where the workbook has none
    EXPECT_EQ(CropWorkbookKeyMismatch(other), std::nullopt);
    other.setText(15, 3, "X");
    EXPECT_EQ(CropWorkbookKeyMismatch(other), "cell C15: key \"X\", expected \"RUE\"");
    Grid truncated(20, 6);
    for (int r = 1; r <= 20; ++r)
        for (int c = 1; c <= 6; ++c) truncated.setText(r, c, grid.text(r, c));
    EXPECT_EQ(CropWorkbookKeyMismatch(truncated), "cell C21: key \"\", expected \"LAIemerg\"");

    grid.setText(5, 1, "30");    // a day length beyond 24 h
    grid.setText(6, 1, "");      // an empty day length is fine
    grid.setText(7, 1, "3");     // no such method
    grid.setText(10, 1, "");     // a number is missing
    grid.setText(15, 1, "9");    // out of bounds
    grid.setText(16, 1, "0.5x"); // not a number
    const Problems problems = CheckCropWorkbookValues(grid);
    std::vector<int> rows;
    for (const InputProblem& p : problems) rows.push_back(p.row);
    EXPECT_EQ(rows, (std::vector<int>{5, 7, 10, 15, 16}));
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[2].field, "TSUM1"); // a parameter by its id
    EXPECT_EQ(problems[2].text,
              "Crop workbook cell A10: GDDs emergence - flowering (°C-days): the value is missing.");
    EXPECT_TRUE(
        problems[3].text.starts_with("Crop workbook cell A15: Radiation use efficiency (g/MJ): 9 is outside"))
        << problems[3].text;
}

} // namespace
} // namespace tulo
