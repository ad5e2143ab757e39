#include "forms/CropCommands.h"

#include "support/ScratchFolder.h"
#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tulo {
namespace {

namespace fs = std::filesystem;

using CropCommands = test::ScratchFolderTest;

TEST_F(CropCommands, OnlyAWorkbookThatWasReadReachesTheForm) {
    const fs::path& dir = dir_;
    test::ScriptedUi ui;
    FormModel form;
    form.setText(ctl::txtTSUM1, "875");
    ui.files = {(dir / "cultivar").string()};
    ASSERT_EQ(SaveCropWorkbook(form, ui), dir / "cultivar.xlsx");
    EXPECT_EQ(ui.dialogs.back(), "TULO - Save a Crop file");

    form.setText(ctl::txtTSUM1, "typed since"); // the user goes on editing
    const FormModel before = form;
    EXPECT_EQ(OpenCropWorkbook(form, ui), Outcome::Cancelled);
    std::ofstream(dir / "notes.xlsx") << "not a workbook";
    ui.files = {(dir / "notes.xlsx").string()};
    EXPECT_EQ(OpenCropWorkbook(form, ui), Outcome::Failed);
    EXPECT_EQ(form, before);
    std::ofstream(dir / "weather.csv") << "DOY,Tmax,Tmin\n1,10.5,2\n";
    ui.files = {(dir / "weather.csv").string()};
    EXPECT_EQ(OpenCropWorkbook(form, ui), Outcome::Failed);
    EXPECT_EQ(ui.messages.back().text, (dir / "weather.csv").string() +
                                           " is not a crop parameter workbook: cell C2: key \"2\", expected "
                                           "\"TBASEM\".");
    EXPECT_EQ(form, before);

    ui.files = {(dir / "cultivar.xlsx").string()};
    EXPECT_EQ(OpenCropWorkbook(form, ui), Outcome::Done);
    EXPECT_EQ(form.text(ctl::txtTSUM1), "875");
    EXPECT_EQ(ui.dialogs.back(), "TULO - Open a Crop file");

    form.setText(ctl::txtRUE, "fast"); // not a number: reported, nothing saved
    ui.files = {(dir / "other").string()};
    EXPECT_FALSE(SaveCropWorkbook(form, ui).has_value());
    EXPECT_FALSE(fs::exists(dir / "other.xlsx"));
}

} // namespace
} // namespace tulo
