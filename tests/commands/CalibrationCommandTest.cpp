// The calibration's texts as the command line and the Python package take them: the parts of a parameter
// and of the genetic settings land where they belong, and what cannot be read is refused, not guessed.

#include "commands/CalibrationCommand.h"

#include <gtest/gtest.h>

#include <string>

namespace tulo {
namespace {

TEST(CalibrationTexts, ParameterTextsSplitAtColonsOnly) {
    ParamText caption, bare;
    const Outcome captioned = ParseParamText("Tb for growth:7:15:12.5", "--param", caption);
    ASSERT_TRUE(captioned) << captioned.message;
    EXPECT_EQ(caption.info->id, "Tb");
    EXPECT_EQ(caption.min, 7);
    EXPECT_EQ(caption.max, 15);
    EXPECT_EQ(caption.initial, 12.5);
    ASSERT_TRUE(ParseParamText("RUE:1.5:4", "--per-site", bare));
    EXPECT_FALSE(bare.initial); // the configuration's, read later
    EXPECT_EQ(bare.where, "--per-site \"RUE:1.5:4\"");

    // A value that is not a number, in any of the three places, is refused with the option's text.
    for (const char* text : {"RUE:x:4", "RUE:1:", "RUE:1:4:two"}) {
        ParamText param;
        EXPECT_EQ(ParseParamText(text, "--param", param).message,
                  "--param \"" + std::string(text) +
                      "\": the minimum, maximum and initial value must be numbers.");
    }
    std::vector<ParamText> params;
    const Outcome refused =
        ParseParamTexts(std::vector<std::string>{"RUE:1:4", "RUE:1:4:2:9"}, "--param", params);
    EXPECT_EQ(refused, Outcome::Failed);
    EXPECT_NE(refused.message.find("\"RUE:1:4:2:9\" is not NAME:MIN:MAX"), std::string::npos)
        << refused.message;
}

// What cannot be calibrated is told by its reason before its numbers or the configuration are looked at.
TEST(CalibrationTexts, ARequestTheSearchCannotServeSaysWhy) {
    const std::pair<const char*, const char*> refusals[] = {
        {"SterilityActive:0:1", "--param \"SterilityActive:0:1\": SterilityActive is a code or a switch"},
        {"IDSL:0:2", "--param \"IDSL:0:2\": IDSL is a code or a switch"},
        {"RUE:4:1.5", "--param \"RUE:4:1.5\": the minimum 4 is not below the maximum 1.5."}};
    for (const auto& [text, refusal] : refusals) {
        ParamText param;
        const Outcome read = ParseParamText(text, "--param", param);
        EXPECT_EQ(read.message.substr(0, std::string(refusal).size()), refusal) << read.message;
    }
}

TEST(CalibrationTexts, GeneticSettingsAreSixNumbersTheFirstThreeWhole) {
    SearchMethod method;
    const Outcome read = ReadSearchMethod("RRMSE + CV on Last Point", "20,100,3,0.5,1.5,0.1", method);
    ASSERT_TRUE(read) << read.message;
    EXPECT_EQ(method.objective, ObjectiveKind::RRMSEcvLastPoint);
    ASSERT_TRUE(method.genetic);
    EXPECT_EQ(method.genetic->simplexes, 20);
    EXPECT_EQ(method.genetic->iterations, 100);
    EXPECT_EQ(method.genetic->generations, 3);
    EXPECT_EQ(method.genetic->reduction, 0.5);
    EXPECT_EQ(method.genetic->increase, 1.5);
    EXPECT_EQ(method.genetic->randomShare, 0.1);
    ASSERT_TRUE(ReadSearchMethod("RRMSE", std::nullopt, method));
    EXPECT_FALSE(method.genetic);

    for (const char* text : {"20,100,3,0.5,1.5", "20,100,3,0.5,1.5,0.1,7", "20.5,100,3,0.5,1.5,0.1",
                             "20,100,3,0.5,,0.1", "3e9,100,3,0.5,1.5,0.1"}) {
        const Outcome refused = ReadSearchMethod("RRMSE", std::string(text), method);
        EXPECT_EQ(refused.message.rfind("--genetic \"" + std::string(text) + "\" is not N,ITERATIONS", 0), 0u)
            << refused.message;
    }
}

} // namespace
} // namespace tulo
