#include "forms/WindowCommands.h"

#include "io/WeatherFiles.h"

#include "support/DssatWeather.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::ScriptedUi;

class WindowCommands : public test::ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        form_.subscribe([this](std::span<const FormChange> c) { notes_.emplace_back(c.begin(), c.end()); });
    }
    ScriptedUi ui;
    FormModel form_;
    std::vector<std::vector<FormChange>> notes_; // one entry per notification
};

TEST_F(WindowCommands, SavingAppendsTheExtensionAndAsksBeforeReplacing) {
    EXPECT_EQ(SimConfigSaveName("a.SIM"), fs::path("a.SIM.sim"));
    EXPECT_FALSE(SaveSimConfig(form_, ui).has_value()); // cancelled
    const fs::path existing = Write("run.sim", "keep me");
    ui.files = {(dir_ / "run").string(), (dir_ / "run").string()};
    EXPECT_FALSE(SaveSimConfig(form_, ui).has_value()); // answered No
    EXPECT_EQ(fs::file_size(existing), 7u);             // kept
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].text,
              "FIle Already exist  \r\r" + existing.string() + "\r\r\rConfirm, please (Y/N)");
    ui.answers = {Answer::Yes};
    EXPECT_EQ(SaveSimConfig(form_, ui), existing);
    EXPECT_GT(fs::file_size(existing), 7u);
    EXPECT_EQ(ui.dialogs, std::vector<std::string>(3, "Save the simulation configuration"));
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(WindowCommands, OpeningRestoresTheFormInOneNotificationAndRefusesWithoutChange) {
    FormModel saved;
    ASSERT_TRUE(OpenSimFileAt(saved, TULO_SOURCE_DIR "/examples/demo.sim"));
    ui.files = {(dir_ / "copy.sim").string()};
    ASSERT_TRUE(SaveSimConfig(saved, ui).has_value());

    const FormModel before = form_;
    ui.files = {(dir_ / "missing.sim").string(), Write("bad.sim", "120\r\n").string(), std::nullopt};
    EXPECT_FALSE(OpenSimFile(form_, ui).has_value());
    EXPECT_FALSE(OpenSimFile(form_, ui).has_value());
    EXPECT_FALSE(OpenSimFile(form_, ui).has_value()); // cancelled: no message
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "File not opened");
    EXPECT_TRUE(ui.messages[1].text.starts_with("Line 2 (item 2, final date): the file ends"));
    EXPECT_TRUE(form_ == before);
    EXPECT_TRUE(notes_.empty());

    ui.files = {(dir_ / "copy.sim").string()};
    EXPECT_EQ(OpenSimFile(form_, ui), dir_ / "copy.sim");
    EXPECT_TRUE(form_ == saved);
    EXPECT_EQ(notes_.size(), 1u);
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(WindowCommands, WeatherImportIsOneStepToUndo) {
    std::string csv = "day,rain,tmax,tmin,rad\n";
    for (int d = 1; d <= 365; ++d) csv += std::to_string(d) + ",0,30,20,25\n";
    form_.setCell(ctl::sprWeather, 0, 2, "a caption the layout puts right");
    notes_.clear();
    ASSERT_EQ(ImportWeatherFile(form_, Write("w.csv", csv), ui), Outcome::Done);
    ASSERT_EQ(notes_.size(), 1u);
    const Grid& weather = form_.grid(ctl::sprWeather);
    EXPECT_EQ(weather.text(366, 3), "30");
    EXPECT_EQ(weather.text(0, 2), "Rain(mm)");
    EXPECT_EQ(weather.columnWidth(1), 8.0);
    form_.apply(notes_[0], true);
    EXPECT_EQ(weather.text(366, 3), "");

    EXPECT_EQ(ImportWeatherFile(form_, Write("long.csv", csv + "366,0,1,1,1\n"), ui), Outcome::Failed);
    NewWeather(form_);
    EXPECT_EQ(notes_.size(), 2u); // the undo; a refused import and blanking a blank table change nothing
}

TEST_F(WindowCommands, OpenWeatherReadsAWeatherFileAndAsksTheYearOfSeveral) {
    const fs::path wth = Write("SITE1801.WTH", test::DssatWeather({2018, 2019}, 45.3));
    LayOutWeatherGrid(form_); // as the window opens
    form_.setText(ctl::txtLatitude, "45.3");
    notes_.clear();
    const FormModel before = form_;

    // Cancelled, and a year the file does not hold: nothing changes.
    ui.files = {wth.string(), wth.string()};
    ui.inputs = {std::nullopt, "2017"};
    EXPECT_EQ(OpenWeather(form_, ui), Outcome::Cancelled);
    EXPECT_EQ(OpenWeather(form_, ui), Outcome::Failed);
    EXPECT_TRUE(form_ == before);
    EXPECT_TRUE(notes_.empty());
    ASSERT_EQ(ui.questions.size(), 2u);
    EXPECT_NE(ui.questions[0].text.find("2018, 2019"), std::string::npos) << ui.questions[0].text;
    EXPECT_EQ(ui.inputDefaults[0], "2019");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("\"2017\" is not a year of " + wth.string()), std::string::npos)
        << ui.messages[0].text;
    // The dialog offers the weather files beside the workbooks.
    for (const char* pattern : {"*.WTH", "*.wth", "*.met", "*.csv", "*.xlsx"})
        EXPECT_NE(ui.filters[0].find(pattern), std::string::npos) << pattern;

    // 2018's 1 January is its day 1, and the whole year is one step to undo.
    ui.files = {wth.string()};
    ui.inputs = {" 2018 "};
    ASSERT_EQ(OpenWeather(form_, ui), Outcome::Done);
    ASSERT_EQ(notes_.size(), 1u);
    const Grid& weather = form_.grid(ctl::sprWeather);
    Grid expected;
    std::vector<std::string> notes;
    FillWeatherTable(ReadWeatherText(test::DssatWeather({2018, 2019})), 2018, expected, notes);
    for (int d : {1, 200, 365})
        for (int c = 1; c <= 5; ++c) EXPECT_EQ(weather.text(d + 1, c), expected.text(d + 1, c)) << d << c;
    EXPECT_EQ(weather.text(0, 2), "Rain(mm)"); // laid out
    EXPECT_EQ(ui.messages.size(), 1u);         // the latitudes agree: no warning
    form_.apply(notes_[0], true);
    EXPECT_TRUE(form_ == before);
}

TEST_F(WindowCommands, WeatherFilesTellOfTheirMissingDaysAndOfAFarLatitude) {
    // One year alone needs no question; its 31 December (day 366) has its row.
    const fs::path leap = Write("LEAP2001.WTH", test::DssatWeather({2020}, 10));
    form_.setText(ctl::txtLatitude, "45");
    ASSERT_EQ(ImportWeatherFile(form_, leap, ui), Outcome::Done);
    EXPECT_TRUE(ui.questions.empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Warning: the configuration's latitude 45° differs from " + leap.string() +
                                       "'s 10° by more than 0.1°; the season keeps the configuration's.");
    EXPECT_EQ(form_.text(ctl::txtLatitude), "45");
    EXPECT_EQ(form_.grid(ctl::sprWeather).text(367, 1), "2020-12-31");

    // A file missing days names them by date and leaves their rows empty: a season refuses them only on
    // the days it simulates.
    std::string gap = test::DssatWeather({2019});
    gap.erase(gap.find("\n19100 ") + 1, gap.find("\n19101 ") - gap.find("\n19100 "));
    EXPECT_EQ(ImportWeatherFile(form_, Write("GAP.WTH", gap), ui), Outcome::Done);
    EXPECT_NE(ui.messages[ui.messages.size() - 2].text.find("2019-04-10 (DOY 100)"), std::string::npos)
        << ui.messages[ui.messages.size() - 2].text;
    EXPECT_EQ(form_.grid(ctl::sprWeather).text(101, 3), "");
    EXPECT_NE(form_.grid(ctl::sprWeather).text(102, 3), "");

    // A workbook is read as before.
    std::string csv = "day,rain,tmax,tmin,rad\n";
    for (int d = 1; d <= 365; ++d) csv += std::to_string(d) + ",0,31,20,25\n";
    ui.files = {Write("w.csv", csv).string()};
    ASSERT_EQ(OpenWeather(form_, ui), Outcome::Done);
    EXPECT_EQ(form_.grid(ctl::sprWeather).text(366, 3), "31");
}

TEST_F(WindowCommands, SoilImportKeepsTheBuiltInCaptionsAndMarksMandatoryCells) {
    const std::string captions = form_.grid(ctl::sprSoilPhysics).text(0, 1);
    ASSERT_EQ(ImportSoilFile(form_, Write("s.csv", "300,1.3,1,30,30\n200,1.4,0.5,35,30\n"), ui),
              Outcome::Done);
    EXPECT_EQ(notes_.size(), 1u);
    const Grid& soil = form_.grid(ctl::sprSoilPhysics);
    EXPECT_EQ(soil.text(0, 1), captions);
    EXPECT_EQ(soil.text(2, 4), "35");
    EXPECT_EQ(soil.background(15, 5), kLightCyan);
    EXPECT_EQ(soil.background(1, 13), kLightCyan);
    EXPECT_FALSE(soil.background(1, 9).has_value()); // estimated when empty
}

} // namespace
} // namespace tulo
