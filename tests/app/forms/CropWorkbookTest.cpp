#include "forms/CropWorkbook.h"

#include "forms/ConfigurationForm.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/OpeningSeason.h"
#include "support/ProblemTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tulo {
namespace {

Grid Build(const FormModel& form) {
    Problems problems;
    auto grid = BuildCropWorkbookGrid(form, problems);
    EXPECT_TRUE(problems.empty()) << problems.front().text;
    return grid.value_or(Grid());
}

TEST(CropWorkbook, KeepsTheLayoutAndSpellingsOfSharedWorkbooks) {
    FormModel form;
    form.setText(ctl::txtCropDescription, "Arborio");
    form.setText(ctl::txtDVSEND, "2.0");
    form.setText(ctl::txtK, "0,45");
    form.setText(ctl::txtDLC, "12,5 h");
    const Grid grid = Build(form);
    ASSERT_EQ(grid.rows(), 33);
    ASSERT_EQ(grid.cols(), 6);
    using Cells = std::vector<std::string>;
    const auto row = [&grid](int r) {
        return Cells{grid.text(r, 1), grid.text(r, 2), grid.text(r, 3), grid.text(r, 4)};
    };
    EXPECT_EQ(grid.text(1, 6), "Arborio");
    EXPECT_EQ(row(5), (Cells{"12,5 h", "", "DLC", ""})); // day lengths are texts
    EXPECT_EQ(row(7), (Cells{"0", "0: temp; 1: daylenght; 2: temp+daylenght", "IDLS", "-"}));
    EXPECT_EQ(row(13), (Cells{"2", "Development stage at harvest", "DVSEND", "-"}));
    EXPECT_EQ(row(16), (Cells{"0.45", "Extinction coefficient for solar radiation", "k", "-"}));
    EXPECT_EQ(row(20), (Cells{"1.8", "C = exp di TlimBeta", "C", "-"}));
    EXPECT_EQ(row(24), (Cells{"0.8", "Ripartition to leaves at emergence", "RipL0", "-"}));
    EXPECT_EQ(row(29), (Cells{"0", "Activate Sterility module", "SterilityActive",
                              "0: module disactivated; 1 module acive"}));
}

TEST(CropWorkbook, OpeningRestoresEveryCropFieldAndIgnoresTheInformationalRows) {
    FormModel blank;
    NewCrop(blank);
    Grid saved = Build(blank);
    for (int r : {2, 3, 4, 8, 9, 10, 11, 13, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25, 26, 27, 30, 31}) {
        EXPECT_EQ(saved.text(r, 1), "") << "row " << r << " after a new crop";
        saved.setText(r, 1, std::to_string(r) + ".25");
    }
    saved.setText(1, 6, "Baldo");
    saved.setText(5, 1, "12.5 h");
    for (const auto& [method, period] : {std::pair{"2", "0"}, std::pair{"1", "1"}}) {
        saved.setText(7, 1, method);
        saved.setText(29, 1, period);
        saved.setText(32, 1, period);
        FormModel opened = blank;
        EXPECT_TRUE(ApplyCropWorkbookGrid(saved, opened).empty());
        EXPECT_EQ(Build(opened), saved);
    }

    // An unknown method is saved as an empty cell, which opens as the first method; rows 12 and 20 are
    // for the reader only.
    FormModel odd;
    odd.setText(ctl::cmbIDSL, "Lunar");
    saved = Build(odd);
    EXPECT_EQ(saved.text(7, 1), "");
    saved.setText(12, 1, "1.5");
    saved.setText(20, 1, "not read");
    EXPECT_TRUE(ApplyCropWorkbookGrid(saved, odd).empty());
    EXPECT_EQ(odd.text(ctl::cmbIDSL), choice::TemperatureBased);
    EXPECT_EQ(Build(odd).text(12, 1), "0");
}

TEST(CropWorkbook, FieldsThatDoNotConvertAreReportedNotApplied) {
    FormModel form;
    form.setText(ctl::txtRUE, "2.x");
    form.setText(ctl::txtTSUM1, "1e40");
    Problems problems;
    EXPECT_FALSE(BuildCropWorkbookGrid(form, problems));
    EXPECT_EQ(test::Texts(problems),
              (std::vector<std::string>{"GDD emerg-flowering: \"1e40\" is out of range.",
                                        "Radiation use efficiency: \"2.x\" is not a number."}));
    // The window points at the boxes.
    EXPECT_EQ(problems[0].field, ctl::txtTSUM1);
    EXPECT_EQ(problems[1].field, ctl::txtRUE);

    form.setText(ctl::cmbIDSL, std::string(choice::Both));
    form.setCheck(ctl::chkSterilityActive, 1);
    form.setText(ctl::cmbSenDuration, std::string(choice::RestrictedPeriod));
    const FormModel before = form;
    Grid grid = Build(FormModel());
    grid.setText(7, 1, "1.5");
    grid.setText(29, 1, "yes");
    grid.setText(32, 1, "2");
    EXPECT_EQ(
        test::Texts(ApplyCropWorkbookGrid(grid, form)),
        (std::vector<std::string>{
            "Crop workbook cell A7 (IDLS): \"1.5\" is not 0, 1 or 2; the setting was left as it was.",
            "Crop workbook cell A29 (SterilityActive): \"yes\" is not 0 or 1; the setting was left as it "
            "was.",
            "Crop workbook cell A32 (SenDuration): \"2\" is not 0 or 1; the setting was left as it was."}));
    EXPECT_EQ(form.text(ctl::cmbIDSL), before.text(ctl::cmbIDSL));
    EXPECT_EQ(form.check(ctl::chkSterilityActive), 1);
    EXPECT_EQ(form.text(ctl::cmbSenDuration), before.text(ctl::cmbSenDuration));
}

} // namespace
} // namespace tulo

namespace tulo {
namespace {

// A configuration's crop goes to a workbook and back as the window's form that opened it does, so that
// the command line needs no form for it.
TEST(CropWorkbook, AConfigurationsCropIsTheOpenedFormsCrop) {
    const ConfigurationReading reading = ReadConfigurationFile(TULO_SOURCE_DIR "/examples/demo.sim");
    ASSERT_TRUE(reading.configuration) << reading.message;
    SeasonConfiguration configuration = *reading.configuration;
    configuration =
        OpenedConfiguration(std::move(configuration)); // an older layout, as the command line holds it
    FormModel form;
    ApplyConfiguration(configuration, form);
    Problems fromForm, fromConfiguration;
    const auto grid = BuildCropWorkbookGrid(form, fromForm);
    ASSERT_TRUE(grid);
    EXPECT_EQ(BuildCropWorkbookGrid(configuration, fromConfiguration), grid);

    // Numbers as typed in a workbook, a choice by its code, a switch turned on.
    Grid edited = *grid;
    edited.setText(15, 1, "2,50"); // RUE
    edited.setText(7, 1, "1");     // IDSL
    edited.setText(29, 1, "1");    // SterilityActive
    EXPECT_TRUE(ApplyCropWorkbookGrid(edited, form).empty());
    EXPECT_TRUE(ApplyCropWorkbookGrid(edited, configuration).empty());
    EXPECT_EQ(configuration, ConfigurationFromForm(form));

    // A number that is none is named by the parameter's id.
    configuration.crop[static_cast<std::size_t>(ParameterIndex("RUE"))] =
        ReadCropItem(*FindParameter("RUE"), "fast");
    fromConfiguration.clear();
    EXPECT_FALSE(BuildCropWorkbookGrid(configuration, fromConfiguration));
    ASSERT_EQ(fromConfiguration.size(), 1u);
    EXPECT_EQ(fromConfiguration[0].field, "RUE");
}

} // namespace
} // namespace tulo
