#include "forms/FormModel.h"

#include <gtest/gtest.h>

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tulo {
namespace {

using Notifications = std::vector<std::vector<FormChange>>;

int Listen(FormModel& form, Notifications& heard) {
    return form.subscribe(
        [&heard](std::span<const FormChange> c) { heard.emplace_back(c.begin(), c.end()); });
}

TEST(FormModel, EachEditIsOneChangeWithItsOldAndNewTextAndCanBeTakenBack) {
    FormModel form;
    Notifications heard;
    Listen(form, heard);

    form.setText(ctl::txtRUE, "2.3"); // unchanged: nothing to hear
    form.setText(ctl::txtRUE, "2.5");
    form.setCheck(ctl::chkSoil, 1);
    form.setCell(ctl::sprWeather, 2, 3, "31");
    form.setOption(ctl::OptionDynamicWlevel, true);
    form.setOption(ctl::OptionFixWlevel, true);
    EXPECT_TRUE(form.option(ctl::OptionFixWlevel));
    EXPECT_FALSE(form.option(ctl::OptionDynamicWlevel));
    EXPECT_TRUE(form.option(ctl::optReportNever)); // another group is untouched
    const Notifications expected = {
        {{"txtRUE", -1, -1, "2.3", "2.5"}},
        {{"chkSoil", -1, -1, "0", "1"}},
        {{"sprWeather", 2, 3, "", "31"}},
        {{"OptionDynamicWlevel", -1, -1, "", "OptionDynamicWlevel"}},
        {{"OptionFixWlevel", -1, -1, "OptionDynamicWlevel", "OptionFixWlevel"}},
    };
    ASSERT_EQ(heard, expected);

    for (auto it = expected.rbegin(); it != expected.rend(); ++it) form.apply(it->front(), true);
    EXPECT_EQ(form, FormModel());
    // The undone click re-selects the previous option, in one change.
    const FormChange reselected{"OptionDynamicWlevel", -1, -1, "OptionFixWlevel", "OptionDynamicWlevel"};
    EXPECT_EQ(heard[5], std::vector<FormChange>{reselected});
    form.apply(expected[4].front(), false);
    EXPECT_TRUE(form.option(ctl::OptionFixWlevel));
}

TEST(FormModel, BatchesAnnounceOnceAndBlockersSilence) {
    FormModel form;
    Notifications heard;
    Listen(form, heard);
    {
        FormModel::Batch outer(form);
        form.setText(ctl::txtTbase, "10");
        {
            FormModel::Batch inner(form);
            form.setCheck(ctl::chkDiseases, 1);
        }
        EXPECT_TRUE(heard.empty());
        form.setCell(ctl::sprSoilPhysics, 1, 1, "200");
    }
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].size(), 3u);
    EXPECT_EQ(heard[0][2].id, "sprSoilPhysics");

    { FormModel::Batch nothing(form); }
    {
        FormModel::Batch batch(form);
        FormModel::Blocker blocker(form);
        form.setText(ctl::txtTbase, "11");
    }
    EXPECT_EQ(heard.size(), 1u);
    EXPECT_EQ(form.text(ctl::txtTbase), "11");
}

TEST(FormModel, ANotificationCarriesItsFirstLabelAndMarksDerivedValues) {
    FormModel form;
    std::vector<std::string> labels;
    Notifications heard;
    form.subscribe([&](std::span<const FormChange> c) {
        labels.push_back(form.notificationLabel());
        heard.emplace_back(c.begin(), c.end());
    });
    {
        FormModel::Batch outer(form, "Import weather (3 rows)");
        FormModel::Batch inner(form, "inner");
        form.setCell(ctl::sprWeather, 2, 2, "1");
    }
    { FormModel::Batch nothing(form, "changes nothing"); }
    form.setText(ctl::txtRUE, "2.6"); // a plain edit: no label, none left over from the empty batch
    {
        const FormModel::Derived derived(form);
        form.setCell(ctl::sprWeather, 2, 6, "95");
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Import weather (3 rows)", "", ""}));
    EXPECT_EQ(form.notificationLabel(), "");
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_FALSE(heard[1][0].derived);
    EXPECT_TRUE(heard[2][0].derived);
    form.setCell(ctl::sprWeather, 2, 7, "60");
    EXPECT_FALSE(heard.back()[0].derived);
}

TEST(FormModel, AGridEditAnnouncesEveryCellWhoseTextChanged) {
    FormModel form;
    Notifications heard;
    Listen(form, heard);
    form.editGrid(ctl::sprBlastTreatment, [](Grid& g) {
        g.resize(2, 1);
        g.setText(1, 1, "150");
    });
    form.editGrid(ctl::sprWeather, [](Grid& g) { g.setBackground(2, 6, kLightCyan); }); // presentation only
    const FormChange added{"sprBlastTreatment", 1, 1, "", "150"};
    ASSERT_EQ(heard, Notifications{std::vector<FormChange>{added}});

    EXPECT_TRUE(form.editGrid(ctl::sprBlastTreatment, [](Grid& g) {
        g.resize(0, 1);
        return true;
    }));
    const FormChange removed{"sprBlastTreatment", 1, 1, "150", ""};
    ASSERT_EQ(heard.back(), std::vector<FormChange>{removed});
    const std::vector<FormChange> removal = heard.back();
    form.apply(removal, true); // undoing the removal brings the text back into the grown grid
    EXPECT_EQ(form.grid(ctl::sprBlastTreatment).text(1, 1), "150");
}

TEST(FormModel, CopiesAndFormerSubscribersHearNothing) {
    FormModel form;
    Notifications heard;
    const int subscription = Listen(form, heard);
    FormModel copy = form;
    copy.setText(ctl::txtK, "0.6");
    copy = form;
    copy.setText(ctl::txtK, "0.7");
    form.unsubscribe(subscription);
    form.setText(ctl::txtK, "0.8");
    EXPECT_TRUE(heard.empty());
}

TEST(FormModel, MisspeltOrMistypedControlsFailLoudly) {
    FormModel form;
    EXPECT_THROW(form.text("txtNoSuchBox"), std::logic_error);
    EXPECT_THROW(form.check(ctl::txtRUE), std::logic_error);
    EXPECT_THROW(form.setOption(ctl::chkSoil, true), std::logic_error);
    EXPECT_THROW(form.grid("sprNothing"), std::logic_error);
    EXPECT_THROW(form.setCell(ctl::sprWeather, kWeatherGridRows + 1, 1, "x"), std::out_of_range);
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
