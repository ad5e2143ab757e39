// A DSSAT experiment of two treatments written by hand from the format's public description: every value
// that lands in the configurations, the measured tables and the sites table, and the refusals that name
// the file, the line and the column.

#include "commands/DssatImport.h"

#include "engine/Parameters.h"
#include "inputs/SeasonCompile.h"
#include "support/DssatWeather.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tulo {
namespace {

// Treatment 1 transplanted on 20 May 2021 (seedlings 25 days old, 75 plants/m2 in hills of 3), flooded
// 50 mm deep, fertilised; treatment 2 sown directly on 10 May with no irrigation level. The second
// planting's date is written YYYYDDD, the first YYDDD; a comment and a name with blanks and a comma.
const char* const kExperiment = R"(*EXP.DETAILS: TEST2101RI TWO TREATMENTS BY HAND

*TREATMENTS                        -------------FACTOR LEVELS------------
@N R O C TNAME.................... CU FL SA IC MP MI MF MR MC MT ME MH SM
 1 1 0 0 Early, 25 hills            1  1  0  0  1  1  1  0  0  0  0  0  1
! the direct-seeded plot
 2 1 0 0 Direct                     1  1  0  0  2  0  0  0  0  0  0  0  1

*CULTIVARS
@C CR INGENO CNAME
 1 RI TE0001 HAND JAPONICA

*FIELDS
@L ID_FIELD WSTA....  FLSA  FLOB  FLDT  FLDD  FLDS  FLST SLTX  SLDP  ID_SOIL    FLNAME
 1 TEST0001 TEST        -99     0 DR000     0     0 00000 SICL   100 TE00000001 Block A

*PLANTING DETAILS
@P PDATE EDATE  PPOP  PPOE  PLME  PLDS  PLRS  PLRD  PLDP  PLWT  PAGE  PENV  PLPH  SPRL                        PLNAME
 1 21140   -99    75    75     T     H    20     0     2   -99    25  25.0     3     0                        Transplanted
 2 2021130   -99   150   150     S     B    20     0     2   -99   -99   -99   -99     0                        Direct

*IRRIGATION AND WATER MANAGEMENT
@I  EFIR  IDEP  ITHR  IEPT  IOFF  IAME  IAMT IRNAME
 1     1   -99   -99   -99   -99   -99   -99 Flooded
@I IDATE  IROP IRVAL
 1 21110 IR009   150
 1 21115 IR011    50
 1 21160 IR001    30

*FERTILIZERS (INORGANIC)
@F FDATE  FMCD  FACD  FDEP  FAMN  FAMP  FAMK  FAMC  FAMO  FOCD FERNAME
 1 21139 FE005 AP002     5    60   -99   -99   -99   -99   -99 Urea
 1 21180 FE005 AP002     5    40   -99   -99   -99   -99   -99 Urea
)";

// Two tables: AGB with one value left blank and one marked missing, LAI dated YYYYDDD.
const char* const kTimeCourse = R"(*EXP.DATA (T): TEST2101RI TWO TREATMENTS BY HAND

@TRNO   DATE  CWAD  GWAD
    1  21160  1500   -99
    1  21170
    1  21180   -99   -99
    2  21165   820     0
! leaf area
@TRNO    DATE  LAID
    1 2021160  0.85
    2 2021165   1.1
)";

const char* const kSummary = R"(*EXP.DATA (A): TEST2101RI TWO TREATMENTS BY HAND

@TRNO  EDAT  ADAT  MDAT  HWAM
    1 21120 21205 21250  6100
    2 21135   -99 21262  5400
)";

class DssatImportTest : public test::ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        std::filesystem::create_directories(dir_ / "wx");
        Write("wx/TEST2101.WTH", test::DssatWeather({2021}, 45.3));
        request_.experiment = Write("TEST2101.RIX", kExperiment);
        Write("TEST2101.RIT", kTimeCourse);
        Write("TEST2101.RIA", kSummary);
        request_.weatherFolder = dir_ / "wx";
        request_.floodedLevelCm = 3;
    }

    std::optional<DssatImport> Import() {
        messages_.clear();
        return ImportDssatExperiment(request_, messages_);
    }

    std::string Messages() const {
        std::string text;
        for (const Message& m : messages_) text += m.text + "\n";
        return text;
    }

    DssatImportRequest request_;
    tulo::Messages messages_;
};

TEST_F(DssatImportTest, EveryValueLandsInItsSeasonTableAndRow) {
    const auto imported = Import();
    ASSERT_TRUE(imported) << Messages();
    ASSERT_EQ(imported->treatments.size(), 2U);

    const ImportedTreatment& transplanted = imported->treatments[0];
    EXPECT_EQ(transplanted.name, "T01-Early-25-hills");
    EXPECT_EQ(transplanted.title, "Early, 25 hills");
    EXPECT_EQ(transplanted.weather.filename(), "TEST2101.WTH");
    const SeasonConfiguration& first = transplanted.season;
    EXPECT_EQ(first.year, 2021);
    EXPECT_EQ(first.initialDate.value, 1);
    EXPECT_EQ(first.finalDate.value, 366);  // through 31 December, the loop stopping the day after
    EXPECT_EQ(first.sowingDate.value, 115); // 25 April: 20 May less 25 days
    EXPECT_TRUE(first.transplanted);
    EXPECT_EQ(first.transplantingDate.value, 140);
    EXPECT_EQ(first.flooding, "Flooded");
    EXPECT_EQ(first.waterLevel.value, 5.0F); // IR011 50 mm
    EXPECT_FLOAT_EQ(*first.latitude.value, 45.3F);
    const Compilation compiled = CompileSeason(first);
    ASSERT_TRUE(compiled.inputs);
    EXPECT_EQ(compiled.inputs->crop.NH, 25.0F);
    EXPECT_EQ(compiled.inputs->crop.NPLH, 3.0F);
    EXPECT_EQ(*transplanted.hillsPerSquareMetre, 25);
    EXPECT_EQ(*transplanted.seedlingsPerHill, 3);
    EXPECT_EQ(MeasuredTableCsv(transplanted.agb, "AGB (t/ha)"), "Date,AGB (t/ha)\n2021-06-09,1.5\n");
    EXPECT_EQ(MeasuredTableCsv(transplanted.lai, "LAI (m2/m2)"), "Date,LAI (m2/m2)\n2021-06-09,0.85\n");

    const ImportedTreatment& direct = imported->treatments[1];
    EXPECT_EQ(direct.name, "T02-Direct");
    EXPECT_EQ(direct.season.sowingDate.value, 130);
    EXPECT_FALSE(direct.season.transplanted);
    EXPECT_EQ(direct.season.flooding, "Flooded"); // the request's depth: its irrigation gives none
    EXPECT_EQ(direct.season.waterLevel.value, 3.0F);
    EXPECT_FALSE(direct.hillsPerSquareMetre);
    EXPECT_FALSE(direct.flowering);
    EXPECT_EQ(IsoDateText(*direct.maturity), "2021-09-19");

    EXPECT_EQ(imported->sitesTable(),
              "name,config,NH,NPLH,emergence,flowering,maturity,agb,lai\n"
              "T01-Early-25-hills,T01-Early-25-hills.sim,25,3,2021-04-30,2021-07-24,2021-09-07,"
              "T01-Early-25-hills-agb.csv,T01-Early-25-hills-lai.csv\n"
              "T02-Direct,T02-Direct.sim,,,2021-05-15,,2021-09-19,T02-Direct-agb.csv,T02-Direct-lai.csv\n");

    // Said, not dropped: nitrogen, irrigation water, the bund, the cultivar, the soil, other columns.
    std::string notes;
    for (const std::string& note : imported->notes) notes += note + "\n";
    EXPECT_NE(
        notes.find("T01-Early-25-hills: fertiliser level 1 (100 kg N/ha in 2 applications) is not modelled"),
        std::string::npos)
        << notes;
    EXPECT_NE(notes.find("T01-Early-25-hills: irrigation of 30 mm in 1 application (irrigation level 1)"),
              std::string::npos);
    EXPECT_NE(notes.find("bund height"), std::string::npos);
    EXPECT_NE(notes.find("Every treatment: cultivar HAND JAPONICA (TE0001)"), std::string::npos);
    EXPECT_NE(notes.find("Every treatment: soil TE00000001"), std::string::npos);
    EXPECT_NE(notes.find("Not imported from TEST2101.RIT, having no TULO counterpart: GWAD."),
              std::string::npos);
    EXPECT_NE(notes.find("Not imported from TEST2101.RIA, having no TULO counterpart: HWAM."),
              std::string::npos);

    const std::vector<FileContent> files = imported->files(dir_ / "out");
    std::vector<std::string> names;
    for (const FileContent& file : files) names.push_back(file.path.filename().string());
    EXPECT_EQ(names,
              (std::vector<std::string>{"T01-Early-25-hills.sim", "T01-Early-25-hills-agb.csv",
                                        "T01-Early-25-hills-lai.csv", "T02-Direct.sim", "T02-Direct-agb.csv",
                                        "T02-Direct-lai.csv", "sites.csv", "import-notes.txt"}));
}

TEST_F(DssatImportTest, ChosenTreatmentsAndSettingsOnly) {
    request_.treatments = {2};
    request_.settings = {"RUE=2.6"};
    request_.floodedLevelCm.reset();
    const auto imported = Import();
    ASSERT_TRUE(imported) << Messages();
    ASSERT_EQ(imported->treatments.size(), 1U);
    EXPECT_EQ(imported->treatments[0].season.flooding, "Unflooded");
    EXPECT_EQ(CompileSeason(imported->treatments[0].season).inputs->crop.RUE, 2.6F);
    EXPECT_EQ(imported->sitesTable(), "name,config,emergence,maturity,agb,lai\n"
                                      "T02-Direct,T02-Direct.sim,2021-05-15,2021-09-19,T02-Direct-agb.csv,"
                                      "T02-Direct-lai.csv\n");

    request_.treatments = {3};
    EXPECT_FALSE(Import());
    EXPECT_EQ(Messages(), "Treatment 3 is not in TEST2101.RIX, whose treatments are 1, 2.\n");
}

// A station file without the site's latitude: the field's coordinates give it, or the import says neither
// does.
TEST_F(DssatImportTest, TheFieldsLatitudeStandsInForTheWeathers) {
    std::string weather = test::DssatWeather({2021}, 45.3);
    weather.erase(weather.find("@ INSI"), weather.find("@DATE") - weather.find("@ INSI"));
    Write("wx/TEST2101.WTH", weather);
    request_.treatments = {2};
    EXPECT_FALSE(Import());
    EXPECT_EQ(Messages(),
              "T02-Direct: neither TEST2101.WTH nor the field (YCRD) gives the site's latitude.\n");

    std::string experiment = kExperiment;
    experiment.insert(experiment.find("\n*PLANTING"),
                      "@L ...........XCRD ...........YCRD\n 1         121.250          14.170\n");
    request_.experiment = Write("TEST2101.RIX", experiment);
    const auto imported = Import();
    ASSERT_TRUE(imported) << Messages();
    EXPECT_EQ(imported->treatments[0].season.latitude.value, 14.17F);
}

// Each refusal names the file, the line and the column, or the treatment and what it lacks.
TEST_F(DssatImportTest, RefusalsSayWhere) {
    const auto refused = [&](const std::string& file, const std::string& from, const std::string& to) {
        std::string text = file == "RIX" ? kExperiment : file == "RIT" ? kTimeCourse : kSummary;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        Write("TEST2101." + file, text.replace(at, from.size(), to));
        const auto imported = Import();
        Write("TEST2101." + file, file == "RIX" ? kExperiment : file == "RIT" ? kTimeCourse : kSummary);
        EXPECT_FALSE(imported);
        return Messages();
    };
    EXPECT_EQ(refused("RIX", " 1 21140", " 1 21366"),
              "TEST2101.RIX, line 19, column PDATE: \"21366\" names day 366 of 2021, which has 365 days.\n");
    EXPECT_EQ(refused("RIX", " 1 21140", " 1 211400"),
              "TEST2101.RIX, line 19, column PDATE: \"211400\" is not a date written YYDDD or YYYYDDD.\n");
    EXPECT_EQ(refused("RIX", "    25  25.0", "   -99  25.0"),
              "TEST2101.RIX, line 19, column PAGE: a transplanted crop (PLME T) needs its seedlings' age in "
              "days, from 1 to 365.\n");
    EXPECT_EQ(
        refused("RIX", "     T     H", "     N     H"),
        "TEST2101.RIX, line 19, column PLME: TULO simulates a crop sown directly (S, P) or transplanted "
        "(T), not planting method \"N\".\n");
    EXPECT_EQ(
        refused("RIX", "  0  0  2  0  0", "  0  0  3  0  0"),
        "TEST2101.RIX, line 7, column MP: treatment 2 names planting level 3, which the experiment does "
        "not give.\n");
    EXPECT_EQ(refused("RIX", " 2 1 0 0 Direct", " 1 1 0 0 Direct"),
              "TEST2101.RIX, line 7, column N: treatment 1 is given twice (line 5 too); TULO imports one "
              "season a treatment.\n");
    EXPECT_EQ(refused("RIT", "    1  21160  1500", "    1  21160  15x0"),
              "TEST2101.RIT, line 4, column CWAD: \"15x0\" is not a number.\n");
    EXPECT_EQ(refused("RIT", "    1  21170\n", "    1  21160   900\n"),
              "TEST2101.RIT, line 5, column CWAD: treatment 1's value of 2021-06-09 is given twice (line 4 "
              "too).\n");
    EXPECT_EQ(
        refused("RIT", "    2  21165   820     0", "    2  21165   820     0    7"),
        "TEST2101.RIT, line 7: 5 values under the 4 titles of line 3, and the values do not stand under "
        "the titles.\n");
    EXPECT_EQ(refused("RIA", "21250  6100", "22250  6100"),
              "T01-Early-25-hills: its observations run to 2022-09-07, beyond the last day of TEST2101.WTH "
              "(2021-12-31).\n");
    EXPECT_EQ(refused("RIX", "TEST        -99", "OTHR        -99"),
              "T01-Early-25-hills: No weather file of station OTHR holds the sowing day 2021-04-25: looked "
              "for OTHR*.WTH in " +
                  (dir_ / "wx").string() + " and " + dir_.string() +
                  ".\n"
                  "T02-Direct: No weather file of station OTHR holds the sowing day 2021-05-10: looked for "
                  "OTHR*.WTH in " +
                  (dir_ / "wx").string() + " and " + dir_.string() + ".\n");
}

} // namespace
} // namespace tulo
