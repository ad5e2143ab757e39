// The shipped paddy example (examples/field/paddy.csv, written by make_paddy.py) as the walk of
// docs/field-data.md uses it: a change to the engine or to the sites table's reading that breaks the walk
// fails here rather than in a reader's hands. The stage days are the true cultivar's, exactly, so one set of
// thermal times must give every treatment's days back.

#include "CliFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

namespace tulo {
namespace {

const std::string kTable = test::kExamples + "field/paddy.csv";

// Run from another folder than the table's, so that its files are found beside it.
class PaddyExample : public test::CliTest {
protected:
    test::Outcome Run(const std::string& arguments) { return CliTest::Run(arguments, "/"); }
};

TEST_F(PaddyExample, EveryTreatmentEvaluatesOnItsAgbAndLai) {
    for (const char* variable : {"AGB", "LAI"}) {
        const test::Outcome outcome =
            Run("evaluate-sites '" + kTable + "' --variable " + variable + " --json");
        ASSERT_EQ(outcome.status, 0) << variable << ": " << outcome.out;
        const auto json = nlohmann::ordered_json::parse(outcome.out);
        EXPECT_TRUE(json["failed"].empty()) << variable;
        EXPECT_TRUE(json["unmeasured"].empty()) << variable;
        ASSERT_EQ(json["rows"].size(), 4u) << variable;
        for (const auto& row : json["rows"]) EXPECT_GE(row["indices"]["n"].get<int>(), 8) << row["name"];
    }
}

TEST_F(PaddyExample, OneSetOfThermalTimesGivesEveryObservedStageWithinADay) {
    const test::Outcome outcome = Run("phenology --sites '" + kTable + "' --json");
    ASSERT_EQ(outcome.status, 0) << outcome.out;
    const auto json = nlohmann::ordered_json::parse(outcome.out);
    // The cultivar make_paddy.py made the data with: TSUM1 850, TSUM2 460.
    EXPECT_NEAR(json["parameters"]["TSUM1"].get<double>(), 850, 15);
    EXPECT_NEAR(json["parameters"]["TSUM2"].get<double>(), 460, 15);
    ASSERT_EQ(json["sites"].size(), 4u);
    for (const auto& site : json["sites"]) {
        ASSERT_EQ(site["stages"].size(), 3u) << site["name"] << ": emergence, flowering and maturity";
        for (const auto& stage : site["stages"]) {
            ASSERT_FALSE(stage["error"].is_null()) << site["name"] << " " << stage["stage"] << " not reached";
            EXPECT_LE(std::abs(stage["error"].get<int>()), 1) << site["name"] << " " << stage["stage"];
        }
    }
}

} // namespace
} // namespace tulo
