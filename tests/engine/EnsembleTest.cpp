// Seasons as a function of named parameters, run in parallel: the same results whatever the number of
// threads, bounds refused per set, and the end-of-crop values the tools read.

#include "engine/Ensemble.h"
#include "engine/Parameters.h"
#include "engine/Season.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

namespace tulo {
namespace {

using test::CompiledExample;

// The season's daily outputs, bit for bit, in one text.
std::string Fingerprint(const RunState& run) {
    return std::to_string(test::DailyDigest(run, 0));
}

// Random sets inside the bounds of every parameter a user types, lists and switches included, with the
// temperatures of each pair in the order the model needs.
std::vector<ParameterSet> RandomSets(int count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<ParameterSet> sets;
    const auto registry = CropParameterRegistry();
    while (sets.size() < static_cast<std::size_t>(count)) {
        ParameterSet set;
        CropParameters crop;
        for (std::size_t i = 0; i < registry.size(); ++i) {
            const ParameterInfo& info = registry[i];
            if (info.kind == ParameterKind::Constant) continue;
            std::uniform_real_distribution<double> uniform(info.min, info.max);
            double value = uniform(generator);
            if (info.whole || info.kind == ParameterKind::Code) value = std::floor(value + 0.5);
            set.push_back({static_cast<int>(i), value});
            SetParameter(crop, info, value);
        }
        crop.C = 1.8f;
        if (CheckParameterRelations(crop).empty()) sets.push_back(std::move(set));
    }
    return sets;
}

std::string Describe(const ParameterSet& set) {
    std::string text;
    for (const ParameterValue& p : set)
        text += std::string(CropParameterRegistry()[static_cast<std::size_t>(p.index)].id) + "=" +
                std::to_string(p.value) + " ";
    return text;
}

TEST(Ensemble, EverySeasonIsTheSameOnOneTwoAndEightThreads) {
    const auto inputs = CompiledExample("flooded.sim");
    const std::vector<ParameterSet> sets = RandomSets(1000, 20261207);
    const SeasonReader read = [](const RunState& run) { return std::vector<std::string>{Fingerprint(run)}; };
    std::vector<std::vector<EnsembleResult>> byThreads;
    for (const int threads : {1, 2, 8}) {
        EnsembleOptions options;
        options.threads = threads;
        byThreads.push_back(RunEnsemble(*inputs, sets, read, options));
    }
    for (std::size_t i = 0; i < sets.size(); ++i) {
        for (std::size_t t = 1; t < byThreads.size(); ++t) {
            ASSERT_EQ(byThreads[t][i].cells, byThreads[0][i].cells) << "set " << i;
            ASSERT_EQ(byThreads[t][i].problem, byThreads[0][i].problem) << "set " << i;
        }
        EXPECT_EQ(byThreads[0][i].problem, "")
            << Describe(sets[i]); // inside the bounds every season is finite
    }
}

TEST(Ensemble, ASetOutsideItsBoundsFailsAloneAndTheSeasonMatchesASingleRun) {
    const auto inputs = CompiledExample("demo.sim");
    const int rue = ParameterIndex("RUE");
    const std::vector<ParameterSet> sets = {{{rue, 2.8}}, {{rue, 1e6}}, {}};
    const auto results = RunEnsemble(
        *inputs, sets, [](const RunState& run) { return std::vector<std::string>{Fingerprint(run)}; });
    EXPECT_TRUE(results[1].cells.empty());
    EXPECT_NE(results[1].problem.find("Radiation use efficiency"), std::string::npos);

    auto run = std::make_unique<RunState>();
    RunSeason(*inputs, sets[0], *run);
    EXPECT_EQ(results[0].cells[0], Fingerprint(*run));
    EXPECT_EQ(run->crop.RUE, 2.8f);
    RunSeason(*inputs, {}, *run); // the compilation's own values come back
    EXPECT_EQ(results[2].cells[0], Fingerprint(*run));
}

// What the configuration's own values must pass, each set passes: codes are whole numbers, and a method
// that reads the day lengths has two different ones.
TEST(Ensemble, ASetPassesTheChecksOfTheConfiguration) {
    const auto temperature = CompiledExample("demo.sim"); // its method leaves the day lengths unset
    const int method = ParameterIndex("IDSL"), critical = ParameterIndex("DLC"),
              optimum = ParameterIndex("DLO");
    const SeasonReader read = [](const RunState&) { return std::vector<std::string>{"ran"}; };
    const std::vector<ParameterSet> sets = {
        {{method, 1}},
        {{method, 2}, {critical, 15}},
        {{method, 1}, {critical, 12}, {optimum, 12}},
        {{method, 0.5}}, // one check refuses a fraction for every code (ParametersTest)
        {{method, 1}, {critical, 15}, {optimum, 12}},
        {{critical, 12}, {optimum, 12}}, // the temperature method reads neither
    };
    const auto results = RunEnsemble(*temperature, sets, read);
    const std::string needsBoth =
        "(\"Photoperiod based\") reads DLC and DLO, which the configuration's method leaves unset: the set "
        "must give both.";
    EXPECT_EQ(results[0].problem, "Development method 1 " + needsBoth);
    EXPECT_NE(results[1].problem.find("(\"Both\") reads DLC and DLO"), std::string::npos);
    EXPECT_EQ(
        results[2].problem,
        "DLC and DLO must differ (both are 12 h): the response to day length runs from one to the other.");
    EXPECT_TRUE(results[3].problem.starts_with(
        "Development method: 0.5 is not a code; the accepted codes are the whole numbers 0 to 2"))
        << results[3].problem;
    for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(results[i].cells.empty()) << i;
    EXPECT_EQ(results[4].problem, "");
    EXPECT_EQ(results[5].problem, "");

    // A photoperiod configuration brings its own day lengths; a set that makes them equal is refused.
    SeasonInputs photoperiod = *temperature;
    test::SetCropChoice(photoperiod, "IDSL", choice::PhotoperiodBased);
    photoperiod.crop.DLC = 15;
    photoperiod.crop.DLO = 12;
    SealSeasonInputs(photoperiod);
    const auto own =
        RunEnsemble(photoperiod, std::vector<ParameterSet>{{{optimum, 15}}, {{critical, 14}}}, read);
    EXPECT_NE(own[0].problem.find("DLC and DLO must differ (both are 15 h)"), std::string::npos);
    EXPECT_EQ(own[1].problem, "");
}

TEST(Season, EndOfCropIsTheDayBeforeTheCropFinishedOrTheLastSimulatedDay) {
    const auto inputs = CompiledExample("demo.sim");
    auto run = std::make_unique<RunState>();
    RunSeason(*inputs, {}, *run);
    const EndOfCrop end = EndOfCropValues(*run);
    ASSERT_TRUE(end.finished);
    EXPECT_EQ(run->out.AGB[end.day + 1], 0.0f); // harvested: the finishing day's cumulated series are zero
    EXPECT_GT(end.AGB, 1000.0f);
    EXPECT_EQ(end.AGB, run->out.AGB[end.day]);

    // A longer crop has not finished by the final day: its last simulated day stands for the end.
    RunSeason(*inputs, std::vector<ParameterValue>{{ParameterIndex("TSUM2"), 2000}}, *run);
    const EndOfCrop growing = EndOfCropValues(*run);
    EXPECT_FALSE(growing.finished);
    EXPECT_EQ(growing.day, run->control.FinalDate - 1);
    EXPECT_EQ(growing.AGB, run->out.AGB[growing.day]);
    EXPECT_EQ(FirstNonFiniteOutput(*run), std::nullopt);
    run->out.LAI[run->control.InitialDate + 3] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(FirstNonFiniteOutput(*run), "DOY " + std::to_string(run->control.InitialDate + 3) + ", LAI");
}

} // namespace
} // namespace tulo
