// The tables a calibration reads from files, asking nothing (the command line's) or asking which sheet
// (the window's): their notes come back as messages.

#include "forms/CalibrationForm.h"

#include "support/ScratchFolder.h"
#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

namespace fs = std::filesystem;

using CalibrationTables = test::ScratchFolderTest;

TEST_F(CalibrationTables, MeasuredTablesReturnTheirReadingNotes) {
    const fs::path file = Write("agb.csv", "DOY,AGB\n150,1200\n175,n/a\n200,5400\n");
    Messages messages;
    const auto table = ReadMeasuredTable(file, "--sheet", messages);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->source, file.string());
    EXPECT_EQ(table->data.rows.size(), 2u);
    EXPECT_EQ(messages,
              (Messages{{file.string() +
                         ": rows skipped because their DOY or value is empty or not a number: 3."}}));

    messages.clear();
    EXPECT_FALSE(ReadMeasuredTable(dir_ / "missing.csv", "--sheet", messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Result");
}

TEST_F(CalibrationTables, ASitesWeatherOfSeveralSheetsIsChosenOnlyInTheWindow) {
    const fs::path book = TULO_SOURCE_DIR "/tests/data/workbooks/weather.xlsx";
    const FormModel base;
    Grid weather(1, 1);
    weather.setText(1, 1, "before");
    Messages messages;
    EXPECT_EQ(ImportSiteWeather(base, book, messages, weather), Outcome::Cancelled);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(weather.text(1, 1), "before");

    test::ScriptedUi ui;
    ui.inputs = {std::string("1")};
    EXPECT_EQ(ImportSiteWeather(base, book, ui, weather), Outcome::Done);
    EXPECT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(weather.text(366, 1), "365");
}

} // namespace
} // namespace tulo
