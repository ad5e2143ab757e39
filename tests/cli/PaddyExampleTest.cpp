// The shipped paddy example (examples/field/paddy.csv, written by make_paddy.py) as README's walk uses it:
// a change to the engine or to the sites table's reading that breaks the walk fails here rather than in
// a reader's hands. The stage days are the true cultivar's, exactly, so one set of thermal times must
// give every treatment's days back.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/wait.h>

namespace tulo {
namespace {

const std::string kTable = TULO_SOURCE_DIR "/examples/field/paddy.csv";

struct Outcome {
    int status = -1;
    std::string out;
};

// Run from another folder than the table's, so that its files are found beside it.
Outcome RunCli(const std::string& arguments) {
    const std::string command = "cd / && " + std::string(TULO_CLI_PATH) + " " + arguments + " 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    std::array<char, 4096> chunk{};
    while (const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe.get()))
        out.append(chunk.data(), n);
    const int raw = pclose(pipe.release());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
}

TEST(PaddyExample, EveryTreatmentEvaluatesOnItsAgbAndLai) {
    for (const char* variable : {"AGB", "LAI"}) {
        const Outcome outcome = RunCli("evaluate-sites '" + kTable + "' --variable " + variable + " --json");
        ASSERT_EQ(outcome.status, 0) << variable << ": " << outcome.out;
        const auto json = nlohmann::ordered_json::parse(outcome.out);
        EXPECT_TRUE(json["failed"].empty()) << variable;
        EXPECT_TRUE(json["unmeasured"].empty()) << variable;
        ASSERT_EQ(json["rows"].size(), 4u) << variable;
        for (const auto& row : json["rows"]) EXPECT_GE(row["indices"]["n"].get<int>(), 8) << row["name"];
    }
}

TEST(PaddyExample, OneSetOfThermalTimesGivesEveryObservedStageWithinADay) {
    const Outcome outcome = RunCli("phenology --sites '" + kTable + "' --json");
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
