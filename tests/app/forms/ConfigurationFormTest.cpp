#include "forms/ConfigurationForm.h"

#include "base/Calendar.h"
#include "forms/RunCommand.h"
#include "forms/SeasonForm.h"
#include "forms/SeasonOptions.h"
#include "forms/SimConfig.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/OpeningSeason.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tulo {
namespace {

// A saved text that is no number opens as it was typed, and the run refuses it by its field, as it did
// before the configuration held numbers.
TEST(ConfigurationForm, AnUnreadableNumberOpensAsTypedAndTheRunRefusesItByField) {
    FormModel typed;
    typed.setText(ctl::txtRUE, "2.8 g");
    typed.setText(ctl::txtLatitude, "45,10");
    const SeasonConfiguration c = ConfigurationFromForm(typed);
    const CropItem& rue = c.crop[static_cast<std::size_t>(ParameterIndex("RUE"))];
    EXPECT_FALSE(rue.value);
    EXPECT_EQ(c.latitude, (SingleItem{45.1f, "45,10"}));

    FormModel opened;
    ASSERT_TRUE(ParseSimConfig(FormatSimConfig(typed), opened));
    EXPECT_EQ(opened, typed);
    const Compilation compiled = CompileInputs(opened);
    EXPECT_FALSE(compiled.inputs);
    EXPECT_TRUE(std::any_of(compiled.problems.begin(), compiled.problems.end(), [](const InputProblem& p) {
        return p.field == ctl::txtRUE &&
               p.text == "Radiation use efficiency (g/MJ): \"2.8 g\" is not a number.";
    }));
}

// A new window's form, with its blank dates, sowing and latitude, goes to typed data and back unchanged,
// and the typed data formats as the form did.
TEST(ConfigurationForm, ANewWindowsFormGoesToTypedDataAndBack) {
    const FormModel fresh;
    const SeasonConfiguration c = ConfigurationFromForm(fresh);
    EXPECT_TRUE(c.initialDate.blank());
    EXPECT_TRUE(c.sowingDate.blank());
    EXPECT_TRUE(c.latitude.blank());
    const ConfigurationReading reading = ReadConfiguration(FormatConfiguration(c));
    ASSERT_TRUE(reading.configuration) << reading.message;
    EXPECT_EQ(*reading.configuration, c);

    FormModel target;
    target.setText(ctl::txtLatitude, "12");
    target.setText(ctl::txtSeasonYear, "2020");
    ApplyConfiguration(c, target);
    EXPECT_EQ(target, fresh);
}

// The typed opening is the window's: a new season made without a form is the one the window would make,
// and an older file completed without a form holds what the window shows when it opens that file.
TEST(ConfigurationForm, TheOpeningConfigurationAndReportTicksAreTheWindowsOpeningForm) {
    const FormModel opening;
    EXPECT_EQ(ConfigurationFromForm(opening), OpeningConfiguration());
    EXPECT_EQ(ReportTicksOf(opening), OpeningReportTicks());

    SeasonConfiguration old = OpeningConfiguration();
    old.sowingDate = ReadWholeItem("150");
    old.crop[static_cast<std::size_t>(ParameterIndex("NH"))] = ReadCropItem(*FindParameter("NH"), "40");
    old.transplanted = true;
    old.blastClass = ReadWholeItem("4");
    for (const ConfigurationLayout layout :
         {ConfigurationLayout::ThroughSoil, ConfigurationLayout::ThroughColdShock}) {
        old.layout = layout;
        FormModel form;
        ApplyConfiguration(old, form);
        SeasonConfiguration completed = old;
        CompleteLayout(completed);
        EXPECT_EQ(ConfigurationFromForm(form), completed) << static_cast<int>(layout);
    }
}

// A configuration opened without a window is what the window holds once it opened it, so that a season
// kept as typed data saves and compiles as one kept in a form: the shipped examples, older and unmarked
// files, tables with a row left blank inside them, both water-level methods chosen, a report option out of
// range.
TEST(ConfigurationForm, AConfigurationOpenedWithoutAWindowIsTheWindowsAfterOpeningIt) {
    std::vector<std::pair<std::string, SeasonConfiguration>> cases;
    for (const char* name : {"demo.sim", "flooded.sim", "field/paddy.sim"}) {
        const ConfigurationReading reading =
            ReadConfigurationFile(std::string(TULO_SOURCE_DIR "/examples/") + name);
        ASSERT_TRUE(reading.configuration) << name << ": " << reading.message;
        cases.emplace_back(name, *reading.configuration);
    }
    SeasonConfiguration edited = cases[0].second;
    edited.endMarked = false;
    edited.layout = ConfigurationLayout::ThroughSoil;
    edited.fixedWaterLevel = edited.dynamicWaterLevel = true;
    edited.reportOption = 7;
    edited.waterInflow = NumberTable(4, kWaterInputCols);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < kWaterInputCols; ++c)
            edited.waterInflow.setText(r, c, r == 2 && c == 0 ? "" : "5");
    while (edited.soil.rows() < 3) {
        edited.soil.addRow();
        for (int c = 0; c < kSoilCols; ++c) edited.soil.setText(edited.soil.rows() - 1, c, "10");
    }
    edited.soil.setText(1, 0, "");
    edited.crop[static_cast<std::size_t>(ParameterIndex("RUE"))] = CropItem{2.5, "2.50"};
    cases.emplace_back("edited", edited);
    edited.layout = ConfigurationLayout::ThroughColdShock;
    edited.reportOption = -3;
    edited.waterOutflow = NumberTable(2, kWaterOutputCols);
    edited.waterOutflow.setText(0, 0, "abc");
    cases.emplace_back("edited, cold shock", edited);

    for (const auto& [name, configuration] : cases) {
        FormModel form;
        ApplyConfiguration(configuration, form);
        const SeasonConfiguration opened = OpenedConfiguration(configuration);
        EXPECT_EQ(opened, ConfigurationFromForm(form)) << name;
        EXPECT_EQ(FormatConfiguration(opened), FormatSimConfig(form)) << name;
        EXPECT_EQ(OpenedConfiguration(opened), opened) << name << ": opened twice";
    }
}

// The options on the window's form change it through its configuration, in one step to undo, and a
// refusal or nothing to change leaves it alone.
TEST(ConfigurationForm, SeasonOptionsChangeTheFormInOneStep) {
    FormModel form;
    form.setText(ctl::txtSowingDate, "120");
    int notifications = 0;
    form.subscribe([&](std::span<const FormChange>) { ++notifications; });
    Messages messages;
    SeasonOptions options;
    ASSERT_TRUE(ApplySeasonOptions(form, options, messages));
    EXPECT_EQ(notifications, 0);

    options.transplanting = "140";
    options.settings = {"RUE=2.9", "Activate spikelet sterility simulation=0"};
    ASSERT_TRUE(ApplySeasonOptions(form, options, messages));
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(form.text(ctl::txtTransplantingDate), "140");
    EXPECT_EQ(form.check(ctl::chkTransplanted), 1);
    EXPECT_EQ(form.text(ctl::txtRUE), "2.9");
    EXPECT_EQ(form.check(ctl::chkSterilityActive), 0);

    const FormModel before = form;
    options.settings = {"RUE=60"};
    EXPECT_FALSE(ApplySeasonOptions(form, options, messages));
    EXPECT_EQ(form, before);
    EXPECT_EQ(notifications, 1);
}

} // namespace
} // namespace tulo

namespace tulo {
namespace {

// A season across 31 December in the window: its later weather days fill the grid's rows after day 365,
// the form gives the configuration back whole, the run reads them, and the estimated humidities shown
// reach the season's last day.
TEST(ConfigurationForm, ASeasonAcrossNewYearKeepsItsLaterDaysInTheWeatherGrid) {
    SeasonConfiguration c = OpeningConfiguration();
    c.year = 2019;
    c.sowingDate = WholeItem{320, {}};
    c.initialDate = WholeItem{305, {}};
    c.finalDate = WholeItem{365 + 122, {}}; // through 30 April 2020
    c.latitude = ReadSingleItem("23.8");
    c.weather = NumberTable(365 + 122, kWeatherCols);
    c.weatherTitles = {"DOY", "Rain", "Tmax", "Tmin", "Rad", "", ""};
    for (int r = 0; r < c.weather.rows(); ++r) {
        c.weather.setText(r, WeatherDay,
                          r < 365 ? std::to_string(r + 1) : IsoDateText(*DateOfSeasonDay(r + 1, 2019)));
        for (const auto& [col, text] : {std::pair{WeatherRain, "0"},
                                        {WeatherTmax, "30"},
                                        {WeatherTmin, "19"},
                                        {WeatherRadiation, "20"}})
            c.weather.setText(r, col, text);
    }
    FormModel form;
    ApplyConfiguration(c, form);
    EXPECT_EQ(form.grid(ctl::sprWeather).text(367, 1), "2020-01-01");
    EXPECT_EQ(ConfigurationFromForm(form).weather, c.weather);

    const Compilation compiled = CompileInputs(form);
    ASSERT_TRUE(compiled.inputs) << compiled.problems.front().text;
    EXPECT_EQ(compiled.inputs->weather.TmaxAir[366 + 100], 30.0f);
    ShowEstimatedHumidities(form, *compiled.inputs);
    EXPECT_NE(form.grid(ctl::sprWeather).text(1 + 365 + 121, 7), "");
    EXPECT_EQ(form.grid(ctl::sprWeather).text(1 + 365 + 124, 7), ""); // beyond the season's days
}

} // namespace
} // namespace tulo
