// Sites tables as users write them: titles in any case, files beside the table, per-site parameter
// values, and the tables refused with the cell or row to mend.

#include "commands/SitesTable.h"
#include "io/Workbook.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tulo {
namespace {

namespace fs = std::filesystem;

class SitesTableTest : public test::ScratchFolderTest {
protected:
    // The table as a CSV file of its own folder, read as the command reads it.
    std::optional<SitesTable> Read(const std::string& csv) {
        fs::create_directories(dir_ / "trial");
        const fs::path file = dir_ / "trial" / "sites.csv";
        std::ofstream(file, std::ios::binary) << csv;
        return ReadSitesTable(file, std::nullopt, "--sheet", said_);
    }
    std::string Source() const { return (dir_ / "trial" / "sites.csv").string(); }

    std::vector<std::string> Said() const {
        std::vector<std::string> texts;
        for (const Message& shown : said_) texts.push_back(shown.text);
        return texts;
    }

    Messages said_;
};

TEST_F(SitesTableTest, ReadsEachSiteWithItsFilesBesideTheTableAndItsOwnValues) {
    const auto table =
        Read(" Name ,CONFIG,Weather,year,Lat,sowing,Transplanting,start,end,AGB,lai,RUE,Tb for growth\n"
             "north,north.sim,wx/north.WTH,2019,45.3,2019-05-10,2019-06-05,100,300,agb-n.csv,,2.8,\n"
             ",,,,,,,,,,,,\n"
             "south,/data/south.sim,,,,,,,,,lai-s.xlsx,,11\n");
    ASSERT_TRUE(table) << ::testing::PrintToString(Said());
    EXPECT_TRUE(said_.empty());
    EXPECT_EQ(table->source, Source());
    EXPECT_TRUE(table->agbColumn);
    EXPECT_TRUE(table->laiColumn);
    EXPECT_FALSE(table->measuredColumn);
    ASSERT_EQ(table->rows.size(), 2u); // the blank row is skipped

    const SiteRow& north = table->rows[0];
    EXPECT_EQ(north.row, 2);
    EXPECT_EQ(north.name, "north");
    EXPECT_EQ(north.prefix, Source() + ", row 2: ");
    EXPECT_EQ(north.config, dir_ / "trial" / "north.sim");
    EXPECT_EQ(north.season.weather, (dir_ / "trial" / "wx" / "north.WTH").string());
    EXPECT_EQ(north.season.year, 2019);
    EXPECT_EQ(north.season.latitude, "45.3");
    EXPECT_EQ(north.season.sowing, "2019-05-10");
    EXPECT_EQ(north.season.transplanting, "2019-06-05");
    EXPECT_EQ(north.season.start, "100");
    EXPECT_EQ(north.season.end, "300");
    EXPECT_EQ(north.season.optionPrefix, "");
    EXPECT_EQ(north.season.settings, std::vector<std::string>{"RUE=2.8"});
    EXPECT_EQ(north.agb, dir_ / "trial" / "agb-n.csv");
    EXPECT_FALSE(north.flowering);
    EXPECT_FALSE(north.lai);

    // An absolute name stays; an empty cell keeps the configuration's value.
    const SiteRow& south = table->rows[1];
    EXPECT_EQ(south.row, 4);
    EXPECT_EQ(south.config, fs::path("/data/south.sim"));
    EXPECT_FALSE(south.season.weather || south.season.year || south.season.latitude || south.season.sowing ||
                 south.season.transplanting);
    EXPECT_EQ(south.season.settings, std::vector<std::string>{"Tb for growth=11"});
    EXPECT_FALSE(south.agb);
    EXPECT_EQ(south.lai, dir_ / "trial" / "lai-s.xlsx");
}

// A workbook's sheet: its rows are named with the sheet, and a date cell is a date whatever its format.
TEST_F(SitesTableTest, ReadsAWorkbooksSheetAndItsDateCells) {
    Grid grid(2, 3);
    const char* cells[2][3] = {{"name", "config", "sowing"}, {"plot 1", "plot.sim", "2019-05-10"}};
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 3; ++c) grid.setText(r, c, cells[r - 1][c - 1]);
    grid.setDate(2, 3, true);
    const fs::path file = dir_ / "sites.xlsx";
    WriteXlsx(grid, file, "trial 2019");
    const auto table = ReadSitesTable(file, 1, "--sheet", said_);
    ASSERT_TRUE(table) << ::testing::PrintToString(Said());
    ASSERT_EQ(table->rows.size(), 1u);
    EXPECT_EQ(table->rows[0].prefix, file.string() + ", sheet \"trial 2019\", row 2: ");
    EXPECT_EQ(table->rows[0].config, dir_ / "plot.sim");
    EXPECT_EQ(table->rows[0].season.sowing, "2019-05-10");
}

TEST_F(SitesTableTest, ReadsAsManySitesAsTheTableHolds) {
    std::string csv = "name,config\n";
    for (int k = 1; k <= 3000; ++k) csv += "site " + std::to_string(k) + ",s.sim\n";
    const auto table = Read(csv);
    ASSERT_TRUE(table);
    ASSERT_EQ(table->rows.size(), 3000u);
    EXPECT_EQ(table->rows.back().name, "site 3000");
    EXPECT_EQ(table->rows.back().row, 3001);
}

TEST_F(SitesTableTest, ReadsTheObservedStagesAsWrittenForTheSeasonToDate) {
    const auto table = Read("name,config,Emergence,FLOWERING,maturity\n"
                            "a,a.sim,2019-05-20,220,2019-09-30\n"
                            "b,b.sim,,230,280\n");
    ASSERT_TRUE(table) << ::testing::PrintToString(Said());
    ASSERT_EQ(table->rows.size(), 2u);
    EXPECT_EQ(table->rows[0].emergence, "2019-05-20");
    EXPECT_EQ(table->rows[0].flowering, "220");
    EXPECT_EQ(table->rows[0].maturity, "2019-09-30");
    EXPECT_FALSE(table->rows[1].emergence);
    EXPECT_EQ(table->rows[1].maturity, "280");
    EXPECT_TRUE(table->rows[1].season.settings.empty()) << "a stage is no crop parameter";
}

TEST_F(SitesTableTest, RefusesATableNamingTheCellOrRowToMend) {
    const std::string s = Source();
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"name,config,sowing day\na,a.sim,120\n",
         {s + ", cell C1: \"sowing day\" is neither a column of a sites table (name, config, weather, year, "
              "lat, sowing, transplanting, start, end, agb, lai, measured, emergence, flowering, maturity, "
              "years) "
              "nor a crop "
              "parameter's id, workbook key or "
              "caption."}},
        {"name,weather\na,w.csv\n",
         {s + ": row 1 has no config column; a sites table needs name and config, with one site a row."}},
        {"name,config,Config,RUE,rue\na,a.sim,b.sim,2,3\n",
         {s + ": cells B1 and C1 are both the config column; it takes one column.",
          s + ": cells D1 and E1 are both the crop parameter RUE; it takes one column."}},
        {"name,config,C\na,a.sim,2\n", {s + ", cell C1: C is a constant of the model, not a setting."}},
        {"name,config,agb\na,a.sim,x.csv\n,b.sim,\nc, ,y.csv\n",
         {s + ", row 3: the name cell (A3) is empty; every site needs a name and a config.",
          s + ", row 4: the config cell (B4) is empty; every site needs a name and a config."}},
        {"name,config,,year\na,a.sim,,2019.5\nb,b.sim,stray,\na,c.sim,,\n",
         {s + ", row 2: year (cell D2): \"2019.5\" is not a year (a whole number from 1 to 9999).",
          s + ", row 3: cell C3 holds \"stray\" under no title; row 1 must name every column.",
          s + ", row 4: the name \"a\" is row 2's too; every site needs a name of its own."}},
        {"name,config\n,\n", {s + " names no site: every row below the titles is blank."}},
    };
    for (const auto& [csv, messages] : cases) {
        said_.clear();
        EXPECT_FALSE(Read(csv)) << csv;
        EXPECT_EQ(Said(), messages) << csv;
    }

    // A table broken on every row names the first twenty problems and counts the rest.
    std::string csv = "name,config\n";
    for (int k = 0; k < 25; ++k) csv += "a" + std::to_string(k) + ",\n";
    said_.clear();
    EXPECT_FALSE(Read(csv));
    ASSERT_EQ(said_.size(), 21u);
    EXPECT_EQ(said_.back().text, s + ": 5 more problems are not shown.");
}

} // namespace
} // namespace tulo
