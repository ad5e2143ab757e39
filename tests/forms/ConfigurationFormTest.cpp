#include "forms/ConfigurationForm.h"

#include "forms/SeasonForm.h"
#include "forms/SimConfig.h"
#include "inputs/ConfigurationFile.h"

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

} // namespace
} // namespace tulo
