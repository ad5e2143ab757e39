#include "io/Workbook.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using Cells = std::vector<std::vector<std::string>>;

class WorkbookWrite : public test::ScratchFolderTest {
protected:
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    std::string Failure(const Grid& grid, const fs::path& file, std::string_view sheet = "TULO") {
        try {
            WriteXlsx(grid, file, sheet);
        } catch (const WorkbookError& error) {
            return error.what();
        }
        return "no error";
    }
};

Cells Texts(const Grid& grid, int rows) {
    Cells cells(static_cast<std::size_t>(rows));
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= grid.cols(); ++c)
            cells[static_cast<std::size_t>(r - 1)].push_back(grid.text(r, c));
    return cells;
}

Cells ReadBack(const fs::path& file, int cols) {
    auto cells = ReadWorkbook(file).sheets.at(0).cells;
    for (auto& row : cells) row.resize(static_cast<std::size_t>(cols));
    return cells;
}

TEST_F(WorkbookWrite, RefusedNamesAndFailedWritesLeaveNothingBehind) {
    Grid grid(2, 2);
    grid.setText(1, 1, "x");
    for (const std::string name :
         {"", "a/b", "[a]", "a:b", "a*", "a?", "a\\b", "'a'", "History", "abcdefghijklmnopqrstuvwxyz123456"})
        EXPECT_NE(Failure(grid, dir_ / "a.xlsx", name), "no error") << name;
    EXPECT_EQ(Failure(grid, dir_ / "a.xlsx", "a/b"),
              "The sheet name \"a/b\" cannot be used in a workbook: it contains \"/\".");
    const fs::path missing = dir_ / "missing" / "a.xlsx";
    EXPECT_EQ(Failure(grid, missing), "Cannot write " + missing.string() + ": No such file or directory.");
    fs::create_directory(dir_ / "folder.xlsx");
    EXPECT_EQ(Failure(grid, dir_ / "folder.xlsx"),
              "Cannot write " + (dir_ / "folder.xlsx").string() + ": it is a folder.");
    grid.setText(2, 2, "caf\xE9"); // Latin-1, as from an old text file
    EXPECT_NE(Failure(grid, dir_ / "a.xlsx").find("cell B2 holds text that is not UTF-8"), std::string::npos);
    EXPECT_THROW(WriteCsv(grid, dir_ / "folder.xlsx"), WorkbookError);
    EXPECT_EQ(Entries(), std::vector<std::string>{"folder.xlsx"});

    // The length limit counts characters, not bytes.
    std::string accented;
    for (int i = 0; i < 31; ++i) accented += "é";
    grid.setText(2, 2, "");
    WriteXlsx(grid, dir_ / "a.xlsx", accented);
    EXPECT_EQ(ReadWorkbook(dir_ / "a.xlsx").sheets.at(0).name, accented);
}

TEST_F(WorkbookWrite, WritesGoThroughSymbolicLinksToTheirTargets) {
    Grid grid(1, 1);
    grid.setText(1, 1, "new");
    fs::create_directory(dir_ / "data");
    std::ofstream(dir_ / "data" / "real.csv") << "old";
    fs::create_symlink("./data/real.csv", dir_ / "link.csv");            // relative to the link's folder
    fs::create_symlink(dir_ / "data" / "book.xlsx", dir_ / "book.xlsx"); // a target still to be made
    WriteCsv(grid, dir_ / "link.csv");
    WriteXlsx(grid, dir_ / "book.xlsx", "TULO");
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "book.xlsx"));
    EXPECT_EQ(test::Slurp(dir_ / "data" / "real.csv"), "new\n");
    EXPECT_EQ(ReadBack(dir_ / "data" / "book.xlsx", 1), (Cells{{"new"}}));
    // A read-only workbook replaced stays read-only, and is written all the same.
    fs::permissions(dir_ / "data" / "book.xlsx", fs::perms::owner_read);
    grid.setText(1, 1, "newer");
    WriteXlsx(grid, dir_ / "book.xlsx", "TULO");
    EXPECT_EQ(fs::status(dir_ / "data" / "book.xlsx").permissions() & fs::perms::all, fs::perms::owner_read);
    EXPECT_EQ(ReadBack(dir_ / "data" / "book.xlsx", 1), (Cells{{"newer"}}));

    // What cannot be replaced by a file: a loop of links, a pipe (or a device such as /dev/null).
    fs::create_symlink("b.csv", dir_ / "a.csv");
    fs::create_symlink("a.csv", dir_ / "b.csv");
    ASSERT_EQ(::mkfifo((dir_ / "pipe.xlsx").c_str(), 0600), 0);
    EXPECT_EQ(Failure(grid, dir_ / "a.csv"),
              "Cannot write " + (dir_ / "a.csv").string() + ": its symbolic links form a loop.");
    EXPECT_NE(Failure(grid, dir_ / "pipe.xlsx").find("it is not a regular file"), std::string::npos);
    EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.xlsx"));
}

TEST_F(WorkbookWrite, TextsReadBackExactlyNumbersAndDatesAreStoredAsSuch) {
    // Texts stay texts, whatever they look like: a code with leading zeros, values the library would
    // print otherwise (17 digits, "-0"), a date that is not marked as one.
    const std::vector<std::string> texts = {"0012", "-0",         "0.30000000000000004", "1.2.3",
                                            "°C",   "a,\"b\"\nc", "  spaced  ",          "2026-06-15"};
    // Texts that hold a number are stored as numbers (a decimal comma, a number kept as text), which read
    // back in their shortest form.
    const std::vector<std::pair<std::string, std::string>> numbers = {
        {"3", "3"},   {"-2.5", "-2.5"}, {"1e-07", "1e-07"},        {"7,9", "7.9"}, {" 3", "3"}, {"+3", "3"},
        {"3.0", "3"}, {"1E3", "1000"},  {"123456789", "123456789"}};
    Grid grid(1203, 5);
    for (int r = 1; r <= 1200; ++r) {
        if (r % 7 == 0) continue; // empty rows inside the block
        grid.setText(r, 1, std::to_string(r));
        grid.setText(r, 2, texts[static_cast<std::size_t>(r) % texts.size()]);
        grid.setText(r, 4, numbers[static_cast<std::size_t>(r) % numbers.size()].first);
    }
    // Dates from the first a workbook holds; one before it stays a text.
    const std::vector<std::string> dates = {"2026-06-15", "2026-06-15 08:30:00", "1900-01-01",
                                            "1900-02-28", "1900-03-01",          "1899-12-31"};
    for (std::size_t i = 0; i < dates.size(); ++i) {
        grid.setText(static_cast<int>(i) + 1, 3, dates[i]);
        grid.setDate(static_cast<int>(i) + 1, 3, true);
    }
    grid.setText(1200, 5, "last");
    std::ofstream(dir_ / "round.xlsx") << "an older file of that name";
    WriteXlsx(grid, dir_ / "round.xlsx", "TULO");
    EXPECT_EQ(Entries(), std::vector<std::string>{"round.xlsx"});
    Cells expected = Texts(grid, 1200);
    for (int r = 1; r <= 1200; ++r)
        if (r % 7 != 0) expected[static_cast<std::size_t>(r - 1)][3] = numbers[r % numbers.size()].second;
    EXPECT_EQ(ReadBack(dir_ / "round.xlsx", 5), expected);
    EXPECT_EQ(ReadWorkbook(dir_ / "round.xlsx").sheets.at(0).dates,
              (std::vector<std::pair<std::size_t, std::size_t>>{{1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}}));

    WriteCsv(grid, dir_ / "round.csv");
    EXPECT_EQ(ReadBack(dir_ / "round.csv", 5), Texts(grid, 1200));

    // Spreadsheets compute with number cells only: look at the sheet's XML where a zip tool is at hand.
    const std::string command =
        "unzip -p '" + (dir_ / "round.xlsx").string() + "' xl/worksheets/sheet1.xml 2>/dev/null";
    std::string xml;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) xml.append(buffer, n);
        pclose(pipe);
    }
    if (xml.empty()) GTEST_SKIP() << "no unzip to look inside the workbook";
    EXPECT_NE(xml.find("<c r=\"D2\"><v>1E-07</v></c>"), std::string::npos);
    EXPECT_NE(xml.find("<c r=\"D3\"><v>7.9</v></c>"), std::string::npos);
    EXPECT_NE(xml.find("<c r=\"B3\" t=\"s\">"), std::string::npos); // "1.2.3"
    EXPECT_NE(xml.find("<c r=\"C1\" s=\"1\"><v>46188</v></c>"), std::string::npos);
}

// A desktop with a decimal comma must not turn 0.5 into "0,5" inside the workbook.
TEST_F(WorkbookWrite, NumbersDoNotFollowTheDesktopsDecimalComma) {
    std::ofstream(dir_ / "comma.src") << "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\n"
                                         "grouping 3\nEND LC_NUMERIC\n";
    const std::string make = "localedef -c -i '" + (dir_ / "comma.src").string() + "' -f UTF-8 '" +
                             (dir_ / "comma").string() + "' >/dev/null 2>&1";
    std::system(make.c_str());
    setenv("LOCPATH", dir_.c_str(), 1);
    const bool comma = std::setlocale(LC_NUMERIC, "comma") != nullptr;
    unsetenv("LOCPATH");
    if (!comma) GTEST_SKIP() << "cannot make a locale with a decimal comma";
    struct Restore {
        ~Restore() { std::setlocale(LC_NUMERIC, "C"); }
    } restore;
    Grid grid(1, 2);
    grid.setText(1, 1, "0.5");
    grid.setText(1, 2, "1e-07");
    WriteXlsx(grid, dir_ / "comma.xlsx", "TULO");
    std::setlocale(LC_NUMERIC, "C"); // before reading, so that only the writer is put to the test
    EXPECT_EQ(ReadBack(dir_ / "comma.xlsx", 2), Texts(grid, 1));
}

} // namespace
} // namespace tulo
