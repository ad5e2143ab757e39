#include "forms/SoilInput.h"

#include "support/ProblemTexts.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tulo {
namespace {

void SetRow(FormModel& form, int row, const std::vector<std::string>& cells) {
    test::SetRow(form, ctl::sprSoilPhysics, row, cells);
}

const std::vector<std::string> kLoam = {"100", "1.35", "1.2", "30", "30", "", "", "", "", "", "", "", "1"};

TEST(SoilInput, LayersAreTheFilledRowsFromTheTop) {
    FormModel form;
    SetRow(form, 1, kLoam);
    SetRow(form, 2, {"150", "1,4", "0.8", "25", "35", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "0.5"});
    SetRow(form, 3, kLoam);
    SetRow(form, 5, kLoam); // after the first empty row: ignored
    SoilTableReader soil;
    Problems problems;
    soil.ReadSoilData(form, problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_TRUE(soil.GetSoilCorrectlyOpen());
    EXPECT_EQ(soil.GetNLayers(), 3);
    EXPECT_EQ(soil.GetBulkDensity(2), 1.4);
    EXPECT_EQ(soil.GetAlpha(1), -1); // empty and typed -1 alike
    EXPECT_EQ(soil.GetSatK(2), -1);

    for (int r = 1; r <= kSoilRows; ++r) SetRow(form, r, kLoam);
    soil.ReadSoilData(form, problems);
    EXPECT_EQ(soil.GetNLayers(), 15);

    form.setCell(ctl::sprSoilPhysics, 1, 1, " ");
    soil.ReadSoilData(form, problems);
    EXPECT_EQ(test::Texts(problems),
              std::vector<std::string>{"I notice something wrong with your soil file..."});
    EXPECT_FALSE(soil.GetSoilCorrectlyOpen());
    EXPECT_EQ(soil.GetNLayers(), 0);
}

TEST(SoilInput, EveryUnusableValueIsReported) {
    FormModel form;
    SetRow(form, 1, {"0", "x", "1", "30", "30", "", "", "", "", "", "", "", "1"});
    SetRow(form, 2,
           {"100", "1.3", "0", "30", "30", "", "1.5", "", "", "", "", "4", "1"}); // alpha needs carbon
    SetRow(form, 3, {"100", "1.3", "1", "60", "50", "0", "0.9", "", "", "", "0.45", "4", "1"});
    SetRow(form, 4, {"100", "1.3", "1", "60", "50", "0.02", "1.5", "", "", "", "", "abc", "1"}); // silt -10
    SetRow(form, 5, {"100", "1.3", "1", "30", "30", "", "", "", "", "", "", "", ""}); // no starting water
    SoilTableReader soil;
    Problems problems;
    soil.ReadSoilData(form, problems);
    const std::vector<std::string> expected = {
        "Soil layer 1, Thickness (mm): 0 must lie above 0 and at most 5000 mm (a layer has some thickness; 5 "
        "m "
        "is deeper than rice roots and the pond's exchange reach).",
        "Soil layer 1, Bulk density (g/cm3): \"x\" is not a number.",
        "Soil layer 2: Alpha (1/cm) is not given and cannot be estimated, which needs carbon and silt (100 - "
        "clay - sand) above 0, but carbon is 0.",
        "Soil layer 3, Alpha (1/cm): 0 must lie above 0 and at most 10 1/cm (the retention curve needs a "
        "positive "
        "scale; beyond the coarsest gravels).",
        "Soil layer 3, n: 0.9 must lie above 1 and at most 10 (the retention curve's shape m = 1 - 1/n must "
        "be "
        "positive; beyond the most uniform sands).",
        "Soil layer 3: clay and sand make 110 %; together they are at most 100 %, silt the rest.",
        "Soil layer 4, Saturated hydraulic conductivity (mm/h): \"abc\" is not a number.",
        "Soil layer 4: clay and sand make 110 %; together they are at most 100 %, silt the rest.",
        "Soil layer 4: SWCsat (m3/m3) is not given and cannot be estimated, which needs clay and silt (100 - "
        "clay - sand) above 0, but silt is -10.",
        "Soil layer 5, SWCstart (mm): the value is missing.",
    };
    EXPECT_EQ(test::Texts(problems), expected);
    EXPECT_EQ(problems[1], (InputProblem{"sprSoilPhysics", 1, 2, expected[1]})); // the cell of the value
    EXPECT_FALSE(soil.GetSoilCorrectlyOpen());
}

} // namespace
} // namespace tulo
