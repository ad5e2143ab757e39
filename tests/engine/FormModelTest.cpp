#include "engine/FormModel.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace tulo {
namespace {

TEST(FormModel, OpensWithTheGridsTheInputsNeed) {
    const FormModel form;
    EXPECT_EQ(form.grid(ctl::sprWeather).rows(), kWeatherRows);
    EXPECT_EQ(form.grid(ctl::sprWeather).text(0, 3), "Tmax(°C)"); // the caption named in weather messages
    const Grid& input = form.grid(ctl::sprDynWaterInput);
    EXPECT_EQ(input.rows(), kWaterInputRows);
    EXPECT_EQ(input.text(kWaterInputRows, 4), "24"); // hours preset on every row, days left empty
    EXPECT_EQ(input.text(1, 1), "");
    EXPECT_EQ(form.grid(ctl::sprBlastTreatment).rows(), 0); // one row per treatment added
}

TEST(FormModel, OptionGroupsAreExclusiveAndChangesAreNotified) {
    FormModel form;
    std::vector<std::string> changed;
    form.setChangeListener([&](std::string_view name) { changed.emplace_back(name); });

    form.setOption(ctl::OptionDynamicWlevel, true);
    form.setOption(ctl::OptionFixWlevel, true);
    EXPECT_TRUE(form.option(ctl::OptionFixWlevel));
    EXPECT_FALSE(form.option(ctl::OptionDynamicWlevel));
    // Another group is untouched.
    EXPECT_TRUE(form.option(ctl::optReportNever));

    form.setText(ctl::txtRUE, "2.3"); // unchanged: no notification
    form.setText(ctl::txtRUE, "2.5");
    const std::vector<std::string> expected = {"OptionDynamicWlevel", "OptionDynamicWlevel",
                                               "OptionFixWlevel", "txtRUE"};
    EXPECT_EQ(changed, expected);
}

TEST(FormModel, MisspeltOrMistypedControlsFailLoudly) {
    FormModel form;
    EXPECT_THROW(form.text("txtNoSuchBox"), std::logic_error);
    EXPECT_THROW(form.check(ctl::txtRUE), std::logic_error);
    EXPECT_THROW(form.setOption(ctl::chkSoil, true), std::logic_error);
    EXPECT_THROW(form.grid("sprNothing"), std::logic_error);
    EXPECT_NO_THROW(form.setText(ctl::cmbFlooded, "Flooded")); // lists have texts too
}

TEST(Grid, ReadsOutsideAsEmptyAndKeepsCellsOnResize) {
    Grid grid(3, 2);
    grid.setText(0, 1, "caption");
    grid.setText(2, 2, "x");
    grid.setBackground(2, 2, kLightCyan);
    EXPECT_EQ(grid.text(9, 9), "");
    EXPECT_EQ(grid.text(-1, 0), "");
    EXPECT_THROW(grid.setText(4, 1, "y"), std::out_of_range);

    grid.resize(5, 4);
    EXPECT_EQ(grid.text(2, 2), "x");
    EXPECT_EQ(grid.background(2, 2), kLightCyan);
    grid.resize(1, 1);
    EXPECT_EQ(grid.text(2, 2), "");
    EXPECT_EQ(grid.text(0, 1), "caption");

    Grid table(5, 1);
    table.setText(1, 1, "a");
    table.setText(2, 1, "b");
    table.setText(4, 1, "d"); // after a gap: not counted
    EXPECT_EQ(table.countFilledRows(1, 50), 2);
    EXPECT_EQ(table.countFilledRows(1, 1), 1);
    table.clearData();
    EXPECT_EQ(table.countFilledRows(1, 50), 0);
}

} // namespace
} // namespace tulo
