#include "forms/ConfigurationForm.h"

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
    ASSERT_EQ(ParseSimConfig(FormatSimConfig(typed), opened), std::nullopt);
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

// A configuration normalised without a form is the one the window holds once it opened it: a
// hand-edited file's tables end at their first row without a first cell, both water-level methods open
// as the dynamic one, and a file without the end mark is saved with it.
TEST(ConfigurationForm, ANormalisedConfigurationIsTheOpenedWindows) {
    const ConfigurationReading reading = ReadConfigurationFile(TULO_SOURCE_DIR "/examples/flooded.sim");
    ASSERT_TRUE(reading.configuration) << reading.message;
    SeasonConfiguration edited = *reading.configuration;
    edited.endMarked = false;
    edited.layout = ConfigurationLayout::ThroughColdShock;
    edited.fixedWaterLevel = edited.dynamicWaterLevel = true;
    edited.reportOption = 7;
    const auto addRow = [](NumberTable& table, std::vector<std::string> cells) {
        table.addRow();
        for (std::size_t c = 0; c < cells.size(); ++c)
            table.setText(table.rows() - 1, static_cast<int>(c), cells[c]);
    };
    addRow(edited.waterInflow, {"", "200", "1", "24"});
    addRow(edited.waterInflow, {"170", "180", "wet", "24"});
    addRow(edited.waterOutflow, {"120", "130", "2.0"});
    addRow(edited.waterOutflow, {"", "140", "2"});
    addRow(edited.waterOutflow, {"150", "160", "2"});
    for (int row = 0; row < 3; ++row) addRow(edited.soil, {row == 1 ? "" : "100", "1.3"});

    FormModel form;
    ApplyConfiguration(edited, form);
    SeasonConfiguration normalised = edited;
    NormaliseAsOpened(normalised);
    EXPECT_EQ(normalised, ConfigurationFromForm(form));
    EXPECT_EQ(normalised.waterInflow.rows(), reading.configuration->waterInflow.rows());
    EXPECT_EQ(normalised.waterOutflow.rows(), 1);
    EXPECT_EQ(normalised.waterOutflow.text(0, 2), "2.0");
    EXPECT_EQ(normalised.soil.rows(), reading.configuration->soil.rows() + 1);

    // Nothing left to normalise: a configuration as the window holds it stays as it is.
    SeasonConfiguration again = normalised;
    NormaliseAsOpened(again);
    EXPECT_EQ(again, normalised);
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
