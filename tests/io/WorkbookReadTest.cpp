#include "io/Workbook.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

fs::path Fixture(const std::string& name) {
    return fs::path(TULO_SOURCE_DIR) / "tests/data/workbooks" / name;
}

std::string Bytes(const std::string& name) {
    return test::Slurp(Fixture(name));
}

std::string Cell(const SheetData& sheet, std::size_t row, std::size_t col) {
    if (row > sheet.cells.size() || col > sheet.cells[row - 1].size()) return "";
    return sheet.cells[row - 1][col - 1];
}

TEST(WorkbookRead, WeatherWorkbookReadsAlikeInEveryFormat) {
    const WorkbookData xlsx = ReadWorkbook(Fixture("weather.xlsx"));
    std::string longText;
    for (int i = 0; i < 1200; ++i) longText += "Ränge €1 ";
    for (const auto& [file, format] :
         {std::pair{"weather.xlsx", WorkbookFormat::Xlsx}, std::pair{"weather.ods", WorkbookFormat::Ods},
          std::pair{"weather.xls", WorkbookFormat::Xls}}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(DetectWorkbookFormat(Fixture(file)), format);
        const WorkbookData book = ReadWorkbook(Fixture(file));
        EXPECT_EQ(book.format, format);
        ASSERT_EQ(book.sheets.size(), 2u);
        const SheetData& weather = book.sheets[0];
        EXPECT_EQ(weather.name, "Weather");
        ASSERT_EQ(weather.cells.size(), 366u);
        EXPECT_EQ(weather.cells[0][4], "Rad(MJ/m2)");
        EXPECT_EQ(weather.cells[1],
                  (std::vector<std::string>{"1", "10.3", "21.2", "13.6", "18.68", "90", "70"}));
        EXPECT_EQ(Cell(weather, 366, 1), "365");
        EXPECT_EQ(weather.cells, xlsx.sheets[0].cells);
        EXPECT_FALSE(weather.unreadFormulas);

        const SheetData& notes = book.sheets[1];
        EXPECT_EQ(notes.name, "Notes");
        EXPECT_EQ(Cell(notes, 2, 2), "Vercelli (45.3° N)");
        EXPECT_EQ(Cell(notes, 4, 2), "2026-05-01"); // a date cell
        EXPECT_EQ(notes.dates, (std::vector<std::pair<std::size_t, std::size_t>>{{4, 2}}));
        EXPECT_EQ(Cell(notes, 5, 2), longText); // in .xls, longer than a record
        // openpyxl saves =1+2 without its value; LibreOffice stored 3 in the .ods and the .xls.
        const bool stored = format != WorkbookFormat::Xlsx;
        EXPECT_EQ(Cell(notes, 3, 2), stored ? "3" : "");
        EXPECT_EQ(notes.unreadFormulas, !stored);
    }
}

TEST(WorkbookRead, CellsReadAsTheUserSeesThem) {
    // LibreOffice's .xlsx (shared strings, its cached formula value, one inline string), and its .ods (equal
    // cells written as one repeated cell) and .xls (a stream small enough for the compound file's mini
    // stream) of the same cells.
    for (const char* file : {"cells.xlsx", "cells.ods", "cells.xls"}) {
        SCOPED_TRACE(file);
        const WorkbookData book = ReadWorkbook(Fixture(file));
        ASSERT_EQ(book.sheets.size(), 1u);
        EXPECT_EQ(book.sheets[0].name, "Cells");
        EXPECT_EQ(book.sheets[0].cells, (Rows{{"3", "2.5", "70000"},
                                              {"a text", "inline text", "", "3", "1e+20"},
                                              {"5", "5", "5"},
                                              {"5", "5", "5"}}));
        EXPECT_FALSE(book.sheets[0].unreadFormulas);
    }

    const WorkbookData xlsx = ReadWorkbook(Fixture("variants.xlsx"));
    ASSERT_EQ(xlsx.sheets.size(), 1u);
    EXPECT_EQ(xlsx.sheets[0].name, "Data & notes");
    EXPECT_EQ(xlsx.sheets[0].cells,
              (Rows{{}, {"", "R&D plot", "ab", "TRUE", "#DIV/0!"}, {"4", "", "line\rbreak", "0.1", "0"}}));

    const WorkbookData ods = ReadWorkbook(Fixture("variants.ods"));
    ASSERT_EQ(ods.sheets.size(), 2u);
    EXPECT_EQ(ods.sheets[0].name, "Mixed");
    EXPECT_EQ(ods.sheets[0].cells,
              (Rows{{"7", "", "", "TRUE"},
                    {"7", "", "", "TRUE"},
                    {"two  spaces\nand a second line", "1904-01-03 12:00:00", "0.25", "0.25"},
                    {"#DIV/0!", "", "noted"}}));
    EXPECT_TRUE(ods.sheets[0].date(3, 2));
    EXPECT_FALSE(ods.sheets[0].date(3, 3));    // a time of day stays a number
    EXPECT_TRUE(ods.sheets[0].unreadFormulas); // =A1*2 saved without its value
    EXPECT_EQ(ods.sheets[1].name, "Empty");
    EXPECT_TRUE(ods.sheets[1].cells.empty());
}

// Serial numbers under date formats, in both date systems; times of day and other formats stay numbers.
TEST(WorkbookRead, DateCellsReadAsIsoDates) {
    for (const char* file : {"dates.xlsx", "dates-1904.xlsx"}) {
        SCOPED_TRACE(file);
        const SheetData sheet = ReadWorkbook(Fixture(file)).sheets.at(0);
        EXPECT_EQ(sheet.cells, (Rows{{"Date", "AGB"},
                                     {"2026-06-29", "6.5"},
                                     {"2026-07-19", "9"},
                                     {"2026-08-28", "15.5"},
                                     {"2026-10-05 08:30:00", "12"},
                                     {"2024-02-29", "1"},
                                     {"0.5", "3"},
                                     {"46202", "2"}}));
        EXPECT_EQ(sheet.dates,
                  (std::vector<std::pair<std::size_t, std::size_t>>{{2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}}));
    }
    // A CSV file has no date cells.
    EXPECT_TRUE(ReadWorkbookBytes("2026-06-29\n", "t.csv").sheets.at(0).dates.empty());

    for (const auto& [text, shown] : {std::pair{"2026-06-15T08:30:00.4Z", "2026-06-15 08:30:00"},
                                      std::pair{"2026-06-15 23:59:59.6+02:00", "2026-06-16"}}) {
        const auto date = ParseCellDate(text);
        ASSERT_TRUE(date) << text;
        EXPECT_EQ(CellDateText(*date), shown);
    }
    for (const char* text : {"2026-02-29", "2026-6-15", "15/06/2026", "2026-06-15x", "0000-01-01",
                             "2026-06-15T24:00", "-2026-06-15"})
        EXPECT_FALSE(ParseCellDate(text)) << text;
}

TEST(WorkbookRead, CsvSeparatorsQuotesAndByteOrderMark) {
    const WorkbookData fixture = ReadWorkbook(Fixture("decimal-comma.csv"));
    EXPECT_EQ(fixture.format, WorkbookFormat::Csv);
    ASSERT_EQ(fixture.sheets.size(), 1u);
    EXPECT_EQ(fixture.sheets[0].name, "decimal-comma");
    EXPECT_EQ(fixture.sheets[0].cells,
              (Rows{{"DOY", "Tmax(C)", "Note"}, {"1", "12,5", "said \"dry\"; windy"}, {"2", "13"}}));

    const auto cells = [](std::string_view text, std::string_view name = "t.csv") {
        return ReadWorkbookBytes(text, name).sheets.at(0).cells;
    };
    EXPECT_EQ(ReadWorkbookBytes("a\n", "Field 3.CSV").sheets[0].name, "Field 3");
    EXPECT_EQ(cells("a,b\r\n\"x, \"\"y\"\"\",2\r\n"), (Rows{{"a", "b"}, {"x, \"y\"", "2"}}));
    EXPECT_EQ(cells("1,5;2\n3;4,25"), (Rows{{"1,5", "2"}, {"3", "4,25"}}));
    EXPECT_EQ(cells("title\na;b\n"), (Rows{{"title"}, {"a", "b"}}));
    EXPECT_EQ(cells("\"two\nlines\", b ,\n"), (Rows{{"two\nlines", " b "}}));
    EXPECT_EQ(cells("\xEF\xBB\xBFname\tvalue\nrain\t1,5\n", "t.txt"),
              (Rows{{"name", "value"}, {"rain", "1,5"}}));
}

using CsvStream = test::ScratchFolderTest;

// The rows without the empty cells and rows they end with, which a whole reading and a stream may differ in.
Rows Trimmed(Rows rows) {
    for (auto& row : rows)
        while (!row.empty() && row.back().empty()) row.pop_back();
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
}

// A table of any length is read a block of rows at a time, with the rows the whole file gives.
TEST_F(CsvStream, RowsComeInBlocksAsTheWholeFileReadsThem) {
    // Quoted line breaks, each kind of line end and a block boundary of the reader inside a row.
    std::string text = "\xEF\xBB\xBFid;value\r\n\"two\r\nlines\";1,5\r3;4\n\n5;\"6\"\"\"\n";
    for (int k = 0; k < 20000; ++k) text += std::to_string(k) + ";\"a;\nb\"\r\n";
    text += "last;row";
    const auto file = Write("t.csv", text);
    const Rows whole = Trimmed(ReadWorkbook(file).sheets.at(0).cells);
    ASSERT_EQ(whole.size(), 20006u); // the empty line is a row
    EXPECT_TRUE(IsCsvFile(file));
    for (const std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        CsvRowStream stream(file);
        Rows streamed, rows;
        while (stream.next(block, rows)) {
            EXPECT_LE(rows.size(), block);
            streamed.insert(streamed.end(), rows.begin(), rows.end());
        }
        EXPECT_EQ(Trimmed(streamed), whole) << block;
        EXPECT_EQ(stream.progress(), 1.0);
    }
    EXPECT_FALSE(IsCsvFile(Fixture("weather.xlsx")));
    EXPECT_THROW(CsvRowStream(dir_ / "missing.csv"), WorkbookError);
}

// Texts of separators, quotes and line ends in any order: where a row ends is where the parser ends it.
TEST_F(CsvStream, RandomTextsStreamAsTheyReadWhole) {
    std::mt19937 generator(5);
    const std::string alphabet = "ab,;\"\n\r \t";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int t = 0; t < 3000; ++t) {
        std::string text(std::uniform_int_distribution<std::size_t>(0, 60)(generator), ' ');
        for (char& c : text) c = alphabet[pick(generator)];
        const auto file = Write("r.csv", text);
        Rows whole;
        try {
            whole = Trimmed(ReadWorkbook(file).sheets.at(0).cells);
        } catch (const WorkbookError&) {
            continue; // a cell the parser refuses is refused whichever way
        }
        for (const std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{3}}) {
            Rows streamed, rows;
            CsvRowStream stream(file);
            while (stream.next(block, rows)) streamed.insert(streamed.end(), rows.begin(), rows.end());
            ASSERT_EQ(Trimmed(streamed), whole)
                << "block " << block << ": " << ::testing::PrintToString(text);
        }
    }
}

TEST(WorkbookRead, RefusesWhatItCannotRead) {
    for (const char* file : {"corrupt.xlsx", "not-a-workbook.xlsx", "beyond-sheet.xlsx", "repeated-cells.ods",
                             "locked.xls", "missing.xlsx", "make_fixtures.py"}) {
        SCOPED_TRACE(file);
        EXPECT_THROW(ReadWorkbook(Fixture(file)), WorkbookError);
    }
    EXPECT_THROW(DetectWorkbookFormat(Fixture("not-a-workbook.xlsx")), WorkbookError);

    const std::string ods = Bytes("weather.ods"), xls = Bytes("weather.xls");
    const std::string ole2Header =
        std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0');
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "empty.csv"},
        {"a,b\n", "table.dat"},                 // text, but not named as a table
        {std::string("a\0b", 3), "binary.csv"}, // named as a table, but not text
        {"\"a\"\"b", "unterminated.csv"},
        {ods.substr(0, ods.size() / 2), "half.ods"},
        {xls.substr(0, xls.size() / 2), "half.xls"},
        {ole2Header, "header-only.xls"}, // also what an encrypted .xlsx looks like to the legacy reader
    };
    for (const auto& [bytes, name] : bad) {
        SCOPED_TRACE(name);
        EXPECT_THROW(ReadWorkbookBytes(bytes, name), WorkbookError);
    }

    // Paths that are no file, and text tables beyond what a text file may hold, are refused unread.
    EXPECT_THROW(ReadWorkbook(Fixture("")), WorkbookError);
    EXPECT_THROW(ReadWorkbook("/dev/zero"), WorkbookError);
    try {
        ReadWorkbookBytes(std::string((std::size_t{64} << 20) + 1, 'a'), "huge.csv");
        ADD_FAILURE();
    } catch (const WorkbookError& e) {
        EXPECT_EQ(
            std::string(e.what()),
            "The file holds 67108865 bytes, more than 64 MiB (67108864 bytes), the most TULO reads of a "
            "text table.");
    }
}

} // namespace
} // namespace tulo
