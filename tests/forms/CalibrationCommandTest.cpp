// The calibration's texts as the command line and the Python package take them: the parts of a parameter
// and of the genetic settings land where they belong, and what cannot be read is refused, not guessed.

#include "forms/CalibrationCommand.h"

#include <gtest/gtest.h>

#include <string>

namespace tulo {
namespace {

TEST(CalibrationTexts, ParameterTextsSplitAtColonsOnly) {
    std::string refusal;
    const auto caption = ParseParamText("Tb for growth:7:15:12.5", "--param", refusal);
    ASSERT_TRUE(caption) << refusal;
    EXPECT_EQ(caption->info->id, "Tb");
    EXPECT_EQ(caption->min, 7);
    EXPECT_EQ(caption->max, 15);
    EXPECT_EQ(caption->initial, 12.5);
    const auto bare = ParseParamText("RUE:1.5:4", "--per-site", refusal);
    ASSERT_TRUE(bare) << refusal;
    EXPECT_FALSE(bare->initial); // the configuration's, read later
    EXPECT_EQ(bare->where, "--per-site \"RUE:1.5:4\"");

    // A value that is not a number, in any of the three places, is refused with the option's text.
    for (const char* text : {"RUE:x:4", "RUE:1:", "RUE:1:4:two"}) {
        EXPECT_FALSE(ParseParamText(text, "--param", refusal)) << text;
        EXPECT_EQ(refusal, "--param \"" + std::string(text) +
                               "\": the minimum, maximum and initial value must be numbers.");
    }
    EXPECT_FALSE(ParseParamTexts(std::vector<std::string>{"RUE:1:4", "RUE:1:4:2:9"}, "--param", refusal));
    EXPECT_NE(refusal.find("\"RUE:1:4:2:9\" is not NAME:MIN:MAX"), std::string::npos) << refusal;
}

TEST(CalibrationTexts, GeneticSettingsAreSixNumbersTheFirstThreeWhole) {
    std::string refusal;
    const auto method = ReadSearchMethod("RRMSE + CV on Last Point", "20,100,3,0.5,1.5,0.1", refusal);
    ASSERT_TRUE(method) << refusal;
    EXPECT_EQ(method->objective, ObjectiveKind::RRMSEcvLastPoint);
    ASSERT_TRUE(method->genetic);
    EXPECT_EQ(method->genetic->simplexes, 20);
    EXPECT_EQ(method->genetic->iterations, 100);
    EXPECT_EQ(method->genetic->generations, 3);
    EXPECT_EQ(method->genetic->reduction, 0.5);
    EXPECT_EQ(method->genetic->increase, 1.5);
    EXPECT_EQ(method->genetic->randomShare, 0.1);
    EXPECT_FALSE(ReadSearchMethod("RRMSE", std::nullopt, refusal)->genetic);

    for (const char* text : {"20,100,3,0.5,1.5", "20,100,3,0.5,1.5,0.1,7", "20.5,100,3,0.5,1.5,0.1",
                             "20,100,3,0.5,,0.1", "3e9,100,3,0.5,1.5,0.1"}) {
        EXPECT_FALSE(ReadSearchMethod("RRMSE", std::string(text), refusal)) << text;
        EXPECT_EQ(refusal.rfind("--genetic \"" + std::string(text) + "\" is not N,ITERATIONS", 0), 0u)
            << refusal;
    }
}

} // namespace
} // namespace tulo
