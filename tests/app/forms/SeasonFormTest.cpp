#include "forms/SeasonForm.h"

#include "forms/ConfigurationForm.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/SeasonCompile.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tulo {
namespace {

// The command line and Python are to compile a configuration read from its file, the window the one its
// form holds: the two must give the same season.
TEST(SeasonForm, AConfigurationCompilesFromItsFileAsFromTheWindowThatOpenedIt) {
    // The examples, and one in each older layout, whose later items the window opens at a new season's.
    ConfigurationReading reading = ReadConfigurationFile(TULO_SOURCE_DIR "/examples/flooded.sim");
    ASSERT_TRUE(reading.configuration) << reading.message;
    std::vector<std::pair<std::string, SeasonConfiguration>> configurations = {
        {"flooded.sim", *reading.configuration}};
    for (const auto layout : {ConfigurationLayout::ThroughSoil, ConfigurationLayout::ThroughColdShock}) {
        SeasonConfiguration older = *reading.configuration;
        older.layout = layout;
        // Items an older file does not hold, which its window does not read.
        older.transplanted = true;
        if (layout == ConfigurationLayout::ThroughSoil) {
            older.diseaseSimulation = true;
            older.blastClass = {};
        }
        configurations.emplace_back("flooded.sim, older layout", older);
    }
    reading = ReadConfigurationFile(TULO_SOURCE_DIR "/examples/demo.sim");
    ASSERT_TRUE(reading.configuration) << reading.message;
    configurations.emplace_back("demo.sim", *reading.configuration);
    for (const auto& [name, configuration] : configurations) {
        const Compilation typed = CompileSeason(configuration);
        ASSERT_TRUE(typed.inputs) << name << ": " << typed.problems.front().text;
        FormModel form;
        ApplyConfiguration(configuration, form);
        const auto shown = test::Compiled(form);
        ASSERT_TRUE(shown) << name;
        EXPECT_EQ(typed.inputs->crop, shown->crop) << name;
        EXPECT_EQ(typed.inputs->manag, shown->manag) << name;
        EXPECT_EQ(typed.inputs->weather, shown->weather) << name;
        EXPECT_EQ(typed.inputs->humidityEstimated, shown->humidityEstimated) << name;
        const ControlParameters &a = typed.inputs->control, &b = shown->control;
        EXPECT_EQ(a.InitialDate, b.InitialDate);
        EXPECT_EQ(a.FinalDate, b.FinalDate);
        EXPECT_EQ(a.SoilSimulation, b.SoilSimulation);
        EXPECT_EQ(a.SoilCorrectlyOpen, b.SoilCorrectlyOpen);
        EXPECT_EQ(a.NLayers, b.NLayers);
        EXPECT_EQ(a.SoilLayers, b.SoilLayers) << name;
        EXPECT_EQ(a.Year, b.Year);
    }
}

// The engine's tests build typed inputs from the defaults of a new season; the window's new form must
// compile to exactly those, or the two would test different seasons.
TEST(SeasonForm, ANewFormCompilesToTheTypedDefaultsOfANewSeason) {
    for (const bool flooded : {false, true}) {
        FormModel form = test::RunnableForm(100, 250, 130);
        SeasonInputs typed = test::TypedSeason(100, 250, 130);
        if (flooded) {
            form.setText(ctl::cmbFlooded, std::string(choice::Flooded));
            form.setOption(ctl::OptionFixWlevel, true);
            form.setText(ctl::txtWaterLevel, "10");
            typed.manag.Flooded = 1;
            typed.manag.WaterLevel = 10;
        }
        const auto compiled = test::Compiled(form);
        ASSERT_NE(compiled, nullptr);
        EXPECT_EQ(compiled->crop, typed.crop);
        EXPECT_EQ(compiled->manag, typed.manag);
        EXPECT_EQ(compiled->weather, typed.weather);
        EXPECT_EQ(compiled->humidityEstimated, typed.humidityEstimated);
        EXPECT_EQ(compiled->control.InitialDate, typed.control.InitialDate);
        EXPECT_EQ(compiled->control.FinalDate, typed.control.FinalDate);
        EXPECT_EQ(compiled->control.OptReportFile, typed.control.OptReportFile);
        EXPECT_FALSE(compiled->control.SoilSimulation || compiled->control.BLASTsimulation);
        EXPECT_FALSE(compiled->optiLAIndvi);

        const auto fromForm = test::SimulatedRun(form);
        const auto fromTyped = test::SimulatedSeason(typed);
        EXPECT_EQ(test::DailyDigest(*fromForm, 0), test::DailyDigest(*fromTyped, 0)) << "flooded " << flooded;
    }
}

TEST(SeasonForm, APhotoperiodMethodNeedsTwoDifferentDayLengths) {
    FormModel form = test::RunnableForm(100, 365, 100);
    form.setText(ctl::cmbIDSL, std::string(choice::PhotoperiodBased));
    form.setText(ctl::txtDLC, "15");
    form.setText(ctl::txtDLO, "15");
    RunState run;
    Problems problems = ReadAllInputs(form, run);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].field, ctl::txtDLO);
    EXPECT_EQ(
        problems[0].text,
        "DLC and DLO must differ (both are 15 h): the response to day length runs from one to the other.");
    form.setText(ctl::txtDLC, "");
    problems = ReadAllInputs(form, run);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].field, ctl::txtDLC);
}

FormModel TransplantedForm(int sowing, int transplanting) {
    FormModel form = test::RunnableForm(100, 300, sowing);
    form.setCheck(ctl::chkTransplanted, 1);
    form.setText(ctl::txtTransplantingDate, std::to_string(transplanting));
    return form;
}

TEST(SeasonForm, TheTransplantingDateFollowsTheSowingWithinTheSimulatedDays) {
    const auto problems = [](FormModel form) {
        std::vector<std::string> texts;
        for (const InputProblem& p : CompileInputs(form).problems) texts.push_back(p.field + ": " + p.text);
        return texts;
    };
    using Texts = std::vector<std::string>;
    EXPECT_EQ(problems(TransplantedForm(130, 130)),
              (Texts{"txtTransplantingDate: Transplanting date (DOY): day 130 is not after the sowing in the "
                     "seedbed (day 130)."}));
    EXPECT_EQ(
        problems(TransplantedForm(130, 300)),
        (Texts{"txtTransplantingDate: Transplanting date (DOY) 300 is outside the simulated days 100 to "
               "299: the seedlings would never be moved to the field."}));
    FormModel empty = TransplantedForm(130, 150);
    empty.setText(ctl::txtTransplantingDate, "");
    EXPECT_EQ(problems(empty),
              (Texts{"txtTransplantingDate: You have not specified the transplanting date"}));
    FormModel dense = TransplantedForm(130, 150);
    dense.setText(ctl::txtNH, "150");
    EXPECT_EQ(problems(dense).size(), 1u);
    // Sown in the field, the transplanting's boxes are not read at all.
    FormModel sown = test::RunnableForm(100, 300, 130);
    sown.setText(ctl::txtTransplantingDate, "x");
    sown.setText(ctl::txtNH, "");
    EXPECT_EQ(problems(sown), Texts{});
}

// A weather file need not give the months outside the season: only the days the run reads need values.
TEST(SeasonForm, OnlyTheDaysTheRunReadsNeedWeatherValues) {
    const auto problems = [](int initial, int final) {
        FormModel form = test::RunnableForm(initial, final, initial);
        form.setCell(ctl::sprWeather, 11, 3, "");    // DOY 10
        form.setCell(ctl::sprWeather, 21, 2, "-99"); // DOY 20
        std::vector<std::string> texts;
        for (const InputProblem& p : CompileInputs(form).problems) texts.push_back(p.text);
        return texts;
    };
    using Texts = std::vector<std::string>;
    EXPECT_EQ(problems(121, 300), Texts{});
    EXPECT_EQ(problems(22, 300), Texts{}); // DOY 20 is two days before the first
    EXPECT_EQ(
        problems(21, 300),
        Texts{"Weather, DOY 20 (cell B21), Rain(mm): -99 is a missing-value code; every day needs a value."});
    // The day after the last simulated one, for its temperatures.
    EXPECT_EQ(problems(1, 10), Texts{"Weather, DOY 10 (cell C11), Tmax(°C): the value is missing."});
    EXPECT_EQ(problems(5, 30).size(), 2u);
}

TEST(SeasonForm, AnEmptySoilTableStopsADynamicLevelRun) {
    FormModel form = test::ExampleForm("flooded.sim");
    form.editGrid(ctl::sprSoilPhysics, [](Grid& soil) { soil.clearData(); });
    auto run = std::make_unique<RunState>();
    const Problems problems = ReadAllInputs(form, *run);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0],
              (InputProblem{"sprSoilPhysics", 1, 1, "I notice something wrong with your soil file..."}));
}

} // namespace
} // namespace tulo
