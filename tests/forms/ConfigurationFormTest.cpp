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
