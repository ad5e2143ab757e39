// Dates in the tables users bring: measurements dated as field books date them, and `table` carrying
// date cells and numbers with a decimal comma over to another format.

#include "io/Workbook.h"

#include "CliFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

using test::kDemo;
const std::string kWorkbooks = TULO_SOURCE_DIR "/tests/data/workbooks/";

class DatesCommand : public test::CliTest {
protected:
    // Standard output of a command that succeeds; standard error in err_.
    std::string Run(const std::string& arguments) {
        const test::CliRun o = CliTest::Run(arguments);
        EXPECT_EQ(o.status, 0) << arguments << "\n" << o.err;
        err_ = o.err;
        return o.out;
    }
    std::string Evaluate(const std::string& measured) {
        return Run("evaluate " + kDemo + " --measured " + measured +
                   " --variable \"AGB tot (tAGB/ha)\" --json");
    }

    std::string err_;
};

// The demo's crop reaches its stage at harvest on DOY 277; DOY 278 is sampled from a bare field.
// 29 February 2024 is DOY 60 of its leap year, a day the demo does not simulate.
TEST_F(DatesCommand, DatedMeasurementsPairLikeTheirDaysOfYear) {
    std::ofstream(dir_ / "days.csv") << "DOY,AGB\n180,6.5\n200,9\n240,15.5\n278,12\n60,1\n";
    const std::string byDay = Evaluate((dir_ / "days.csv").string());
    EXPECT_NE(byDay.find("\"n\": 4"), std::string::npos) << byDay;
    EXPECT_NE(byDay.find("\"after_crop_end\": [\n    278\n  ]"), std::string::npos) << byDay;
    const std::string notes =
        ": rows not paired, the run did not simulate their day: row 6 (DOY 60).\n" +
        (dir_ / "days.csv").string() +
        ": 1 measurement after the crop ended on DOY 277 is compared with a bare field (DOY 278).\n";
    EXPECT_EQ(err_, (dir_ / "days.csv").string() + notes);

    // Date cells (serial numbers under date formats, in both date systems) and date texts; a time of day
    // or a number under a format that is no date stays a number.
    for (const std::string file : {"dates.xlsx", "dates-1904.xlsx"}) {
        EXPECT_EQ(Evaluate(kWorkbooks + file), byDay) << file;
        EXPECT_NE(err_.find("rows skipped: row 7: DOY 0.5 is outside 1..1096; row 8: DOY 46202 is outside "
                            "1..1096."),
                  std::string::npos)
            << err_;
        EXPECT_NE(err_.find("row 6 (2024-02-29)"), std::string::npos) << err_;
    }
    std::ofstream(dir_ / "texts.csv")
        << "Date;AGB\n29/06/2026;6,5\n2026-07-19;9\n28.08.26;15,5\n2026-10-05 08:30:00;12\n29/02/2024;1\n";
    EXPECT_EQ(Evaluate((dir_ / "texts.csv").string()), byDay);
    EXPECT_NE(err_.find("row 6 (2024-02-29)"), std::string::npos) << err_;
}

TEST_F(DatesCommand, TableWritesDatesAsDatesAndNumbersAsNumbers) {
    Run("table " + kWorkbooks + "dates.xlsx " + (dir_ / "dates.csv").string());
    const std::string csv = Slurp(dir_ / "dates.csv");
    EXPECT_TRUE(
        csv.starts_with("Date,AGB\n2026-06-29,6.5\n2026-07-19,9\n2026-08-28,15.5\n2026-10-05 08:30:00,12\n"))
        << csv;
    Run("table " + kWorkbooks + "dates.xlsx " + (dir_ / "dates.xlsx").string());
    const SheetData dates = ReadWorkbook(dir_ / "dates.xlsx").sheets.at(0);
    EXPECT_EQ(dates.cells, ReadWorkbook(kWorkbooks + "dates.xlsx").sheets.at(0).cells);
    EXPECT_TRUE(dates.date(2, 1) && dates.date(5, 1));

    // A decimal-comma CSV's numbers become number cells.
    Run("table " + kWorkbooks + "decimal-comma.csv " + (dir_ / "comma.xlsx").string());
    const SheetData comma = ReadWorkbook(dir_ / "comma.xlsx").sheets.at(0);
    EXPECT_EQ(comma.cells[1][1], "12.5");
}

} // namespace
} // namespace tulo
