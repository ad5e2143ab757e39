#include "forms/SpreadsheetCommands.h"

#include "forms/FormModel.h"
#include "io/Workbook.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::ScriptedUi;

class SpreadsheetCommands : public test::ScratchFolderTest {
protected:
    ScriptedUi ui;
};

TEST_F(SpreadsheetCommands, SavingAddsTheExtensionBeforeAskingAboutAnExistingFile) {
    EXPECT_EQ(WorkbookSaveName("RESULTS.XLSX"), fs::path("RESULTS.XLSX"));
    EXPECT_EQ(WorkbookSaveName("results"), fs::path("results.xlsx"));
    EXPECT_EQ(WorkbookSaveName("results.xls"), fs::path("results.xlsx"));
    EXPECT_EQ(WorkbookSaveName("RESULTS.XLS"), fs::path("RESULTS.xlsx"));
    EXPECT_EQ(WorkbookSaveName("a.xls.old"), fs::path("a.xls.old.xlsx"));
    EXPECT_EQ(WorkbookSaveName("a.CSV"), fs::path("a.CSV"));

    Grid grid(2, 2);
    grid.setText(1, 1, "DOY");
    grid.setText(2, 1, "120");
    const fs::path existing = Write("results.xlsx", "keep me");
    ui.files = {(dir_ / "results").string()};
    EXPECT_FALSE(SaveGridAsWorkbook(grid, ui, "Report").has_value()); // answered No
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].text,
              "File already exists  \r\r" + existing.string() + "\r\r\rSave anyway? (Y/N)");
    EXPECT_EQ(ui.dialogs, std::vector<std::string>{"TULO - Save a Report file"});
    EXPECT_EQ(test::Slurp(existing), "keep me");

    ui.files = {(dir_ / "table.csv").string()};
    EXPECT_EQ(SaveGridAsWorkbook(grid, ui, "Report"), dir_ / "table.csv");
    EXPECT_EQ(test::Slurp(dir_ / "table.csv"), "DOY\n120\n");
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(SpreadsheetCommands, FailedOrCancelledOpeningsLeaveTheGridAndRestoreThePointer) {
    Grid grid(3, 2);
    grid.setText(1, 1, "before");
    std::string chosen = "x";
    EXPECT_EQ(OpenWorkbookIntoGrid(grid, ui, "Weather", chosen), Outcome::Cancelled);
    EXPECT_EQ(chosen, "");
    EXPECT_EQ(ui.dialogs, std::vector<std::string>{"TULO - Open a Weather file"});

    ui.files = {(dir_ / "missing.xlsx").string()};
    EXPECT_EQ(OpenWorkbookIntoGrid(grid, ui, "Weather", chosen), Outcome::Failed);
    EXPECT_EQ(ui.messageTexts().back(), "File not exit");

    const fs::path broken = Write("bad.xlsx", "PK\x03\x04 broken zip");
    EXPECT_EQ(ImportWorkbookFile(grid, broken, ui), Outcome::Failed);
    EXPECT_TRUE(ui.messages.back().text.starts_with(
        "File is not an Excel file or is locked and cannot be imported.\r" + broken.string() + ": The "));
    EXPECT_EQ(ui.messages.back().title, "Invalid File Type or Locked");
    // Text is no Excel file that may be locked: it is said to be text, or damaged by a NUL byte.
    const std::pair<std::string, std::string> texts[] = {
        {"just some words", "The file is text, which TULO reads as a table only under a .csv or .txt name."},
        {std::string("DOY,Rain\n1,\0\n", 13),
         "The file holds a NUL byte (byte 12), which no text file holds: it is damaged."}};
    for (const auto& [content, why] : texts) {
        const fs::path text =
            Write(content.find('\0') == std::string::npos ? "text.dat" : "text.csv", content);
        EXPECT_EQ(ImportWorkbookFile(grid, text, ui), Outcome::Failed);
        EXPECT_EQ(ui.messages.back().text, text.string() + ": " + why);
        EXPECT_EQ(ui.messages.back().title, "Result");
    }
    EXPECT_EQ(grid.text(1, 1), "before");
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(SpreadsheetCommands, ImportMarksWholeNumbersAndWidensLongTables) {
    std::string csv = "DOY;value\n3.0;2.5\n70000;-32768\n";
    for (int r = 0; r < 1000; ++r) csv += "1;2\n";
    Grid grid(366, 7);
    grid.setText(0, 1, "caption");
    grid.setBackground(5, 6, kLightCyan);
    ASSERT_EQ(ImportWorkbookFile(grid, Write("t.csv", csv), ui), Outcome::Done);
    EXPECT_EQ(grid.text(0, 1), "caption");
    EXPECT_EQ(grid.text(2, 2), "2.5");
    EXPECT_TRUE(grid.wholeNumber(2, 1));  // 3.0
    EXPECT_FALSE(grid.wholeNumber(2, 2)); // 2.5
    EXPECT_FALSE(grid.wholeNumber(3, 1)); // 70000: beyond a 16-bit integer
    EXPECT_TRUE(grid.wholeNumber(3, 2));
    EXPECT_FALSE(grid.background(5, 6).has_value()); // the old table's marks go with it
    EXPECT_EQ(grid.cols(), 7);                       // never smaller than before
    EXPECT_EQ(grid.rows(), 1003);
    EXPECT_EQ(grid.columnWidth(0), 8.0);
}

TEST_F(SpreadsheetCommands, SeveralSheetsAskWhichOne) {
    const fs::path book = TULO_SOURCE_DIR "/tests/data/workbooks/weather.xlsx";
    Grid grid(366, 7);
    grid.setText(1, 1, "before");
    ui.inputs = {std::string(" "), std::string("3"), std::string("2")};
    EXPECT_EQ(ImportWorkbookFile(grid, book, ui), Outcome::Cancelled);
    EXPECT_EQ(ui.questions[0].text,
              "Found 2 sheets\r\r1)  Weather\r2)  Notes\r\r\rplease, select the number of the sheet");
    EXPECT_EQ(ui.questions[0].title, "selection of sheet");
    EXPECT_EQ(ImportWorkbookFile(grid, book, ui), Outcome::Failed); // there is no third sheet
    EXPECT_EQ(ui.messageTexts().back(), "Import did not succeed.\r" + book.string() +
                                            ": there is no sheet 3; the workbook has 2 sheets.");
    EXPECT_EQ(grid.text(1, 1), "before");
    EXPECT_EQ(ImportWorkbookFile(grid, book, ui), Outcome::Done);
    EXPECT_EQ(grid.text(2, 2), "Vercelli (45.3° N)");
    EXPECT_EQ(ImportWorkbookFile(grid, book, ui, 1), Outcome::Done); // no question when told
    EXPECT_EQ(ui.questions.size(), 3u);
    // A command line asks nothing: it reads sheet 1 and names the option that chooses another.
    grid.setText(366, 1, "before");
    std::string source;
    EXPECT_EQ(
        ImportWorkbookSheet(grid, book, ui, {std::nullopt, "--weather-sheet", std::nullopt, false}, &source),
        Outcome::Done);
    EXPECT_EQ(ui.questions.size(), 3u);
    EXPECT_EQ(ui.messageTexts().back(), book.string() +
                                            " has 2 sheets: read sheet 1 (\"Weather\"); --weather-sheet "
                                            "chooses another.");
    EXPECT_EQ(source, book.string() + ", sheet \"Weather\"");
    EXPECT_EQ(grid.text(367, 1), "");
    EXPECT_EQ(grid.text(366, 1), "365");
    EXPECT_EQ(ui.busyDepth, 0);
}

// The import that asks nothing returns what the window's would show, titles and icons included, and
// reads no sheet the user would have had to choose.
TEST_F(SpreadsheetCommands, TheImportWithoutQuestionsReturnsItsMessages) {
    const fs::path book = TULO_SOURCE_DIR "/tests/data/workbooks/weather.xlsx";
    Grid grid(366, 7);
    grid.setText(1, 1, "before");
    Messages messages;
    EXPECT_EQ(ImportWorkbookSheet(grid, book, {}, messages), Outcome::Cancelled);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(grid.text(1, 1), "before");

    EXPECT_EQ(ImportWorkbookSheet(grid, book, {3, {}, std::nullopt, false}, messages), Outcome::Failed);
    EXPECT_EQ(messages, (Messages{{"Import did not succeed.\r" + book.string() +
                                       ": there is no sheet 3; the workbook has 2 sheets.",
                                   "Result"}}));
    EXPECT_EQ(grid.text(1, 1), "before");

    messages.clear();
    std::string source;
    EXPECT_EQ(
        ImportWorkbookSheet(grid, book, {std::nullopt, "--sheet", std::nullopt, false}, messages, &source),
        Outcome::Done);
    EXPECT_EQ(messages,
              (Messages{{book.string() + " has 2 sheets: read sheet 1 (\"Weather\"); --sheet chooses "
                                         "another."}}));
    EXPECT_EQ(source, book.string() + ", sheet \"Weather\"");
    EXPECT_EQ(grid.text(366, 1), "365");

    messages.clear();
    EXPECT_EQ(ImportWorkbookSheet(grid, dir_ / "missing.xlsx", {1, {}, std::nullopt, false}, messages),
              Outcome::Failed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Result");
    EXPECT_TRUE(messages[0].text.starts_with((dir_ / "missing.xlsx").string() + ": ")) << messages[0].text;
    EXPECT_TRUE(ui.messages.empty()); // nothing went through the window's interface
}

TEST_F(SpreadsheetCommands, FilesAndSheetsThatDoNotFitAreRefusedByName) {
    Grid grid(kWeatherRows, kWeatherCols);
    grid.setText(1, 1, "before");
    const auto refusal = [&](const fs::path& file, std::optional<RowLimit> limit = std::nullopt) {
        EXPECT_EQ(ImportWorkbookFile(grid, file, ui, 1, limit), Outcome::Failed);
        return ui.messageTexts().back();
    };
    // A file that cannot be read says why, and nothing of Excel.
    EXPECT_EQ(refusal(dir_), dir_.string() + ": The file cannot be read: it is a folder.");
    EXPECT_EQ(refusal("/dev/zero"),
              "/dev/zero: The file cannot be read: it is not a regular file (a device, a pipe or a socket).");
    EXPECT_EQ(refusal(dir_ / "missing.csv"),
              (dir_ / "missing.csv").string() + ": The file cannot be read: it does not exist.");

    std::string days = "Day\n";
    for (int day = 1; day <= 366; ++day) days += std::to_string(day) + "\n";
    EXPECT_EQ(refusal(Write("leap.csv", days), ImportRowLimit(ctl::sprWeather)),
              "Import did not succeed.\r" + (dir_ / "leap.csv").string() +
                  ": sheet \"leap\" has 367 rows, but the weather table takes at most 366 rows (row 1 the "
                  "titles, then days 1 to 365).");
    std::string layers;
    for (int layer = 1; layer <= 16; ++layer) layers += "100\n";
    EXPECT_NE(refusal(Write("soil.csv", layers), ImportRowLimit(ctl::sprSoilPhysics)).find("at most 15 rows"),
              std::string::npos);
    EXPECT_EQ(grid.text(1, 1), "before");
    layers.resize(layers.size() - 4);
    EXPECT_EQ(ImportWorkbookFile(grid, Write("soil.csv", layers), ui, 1, ImportRowLimit(ctl::sprSoilPhysics)),
              Outcome::Done);

    // A workbook under an .ods name would not open as one.
    EXPECT_EQ(TableFileNameProblem(dir_ / "r.ods"),
              "Cannot write " + (dir_ / "r.ods").string() +
                  ": TULO writes tables as .xlsx or .csv; end the name with one of them.");
    EXPECT_THROW(WriteGridFile(grid, dir_ / "r.ods"), WorkbookError);
    EXPECT_FALSE(fs::exists(dir_ / "r.ods"));
    EXPECT_FALSE(TableFileNameProblem("R.XLSX").has_value());
}

TEST_F(SpreadsheetCommands, AFirstColumnWrittenByPandasAsTheIndexIsNamedAndRefused) {
    const auto grid = [&](const std::string& csv) {
        Grid g;
        EXPECT_EQ(ImportWorkbookFile(g, Write("t.csv", csv), ui), Outcome::Done);
        return g;
    };
    const std::string index =
        "an extra first column (an index written by pandas?): column A holds 0, 1, 2, ... ";
    EXPECT_EQ(ExtraIndexColumn(grid(",DOY,Rain\n0,1,0\n1,2,3\n")), index + "under no title; remove it");
    EXPECT_EQ(ExtraIndexColumn(grid("Unnamed: 0,DOY\n0,1\n")),
              index + "under the title \"Unnamed: 0\"; remove it");
    EXPECT_EQ(ExtraIndexColumn(grid("n,DOY\n0,1\n1,2\n")),
              index + "beside 1, 2, 3, ... in column B; remove it");
    for (const char* table :
         {"DOY,Rain\n1,0\n2,3\n", ",DOY\n0,1\n2,2\n", "IDSL,Tbase\n0,10\n1,12\n", "DOY\n"})
        EXPECT_EQ(ExtraIndexColumn(grid(table)), std::nullopt) << table;

    // Refused by the imports of tables whose columns have fixed meanings, naming the file.
    std::string weather = ",DOY,Rain,Tmax,Tmin,Rad\n";
    for (int day = 1; day <= 365; ++day)
        weather += std::to_string(day - 1) + "," + std::to_string(day) + ",0,25,15,20\n";
    const fs::path file = Write("pandas.csv", weather);
    Grid table(kWeatherRows, kWeatherCols);
    EXPECT_EQ(ImportWorkbookFile(table, file, ui, std::nullopt, ImportRowLimit(ctl::sprWeather)),
              Outcome::Failed);
    EXPECT_EQ(ui.messageTexts().back(),
              "Import did not succeed.\r" + file.string() + " has " + index + "under no title; remove it.");
    EXPECT_EQ(table.text(2, 1), "");
    EXPECT_EQ(ImportWorkbookFile(table, file, ui), Outcome::Done); // a table of any shape takes it
}

TEST(GridUtilities, ClearGridAndReadHeader) {
    Grid grid(5, 4);
    grid.setText(0, 1, "caption");
    grid.setText(1, 1, "DOY");
    grid.setText(1, 3, "LAI");
    grid.setText(4, 1, "150");
    grid.setText(4, 3, "2.1");
    grid.setText(5, 4, "outside the used block");
    EXPECT_EQ(ReadHeader(grid), (std::vector<std::string>{"DOY", "LAI"}));
    ClearGrid(grid);
    EXPECT_EQ(grid.text(4, 3), "");
    EXPECT_EQ(grid.text(0, 1), "caption");
    EXPECT_EQ(grid.text(5, 4), "outside the used block");
    EXPECT_TRUE(ReadHeader(grid).empty());
}

} // namespace
} // namespace tulo
