// evaluate-sites as a user runs it on a folder of sites: each site's indices as evaluate gives them, the
// pooled indices those of all the pairs together, and the sites that fail named while the others count.

#include "evaluation/MeasuredEvaluation.h"

#include "CliFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

namespace tulo {
namespace {

namespace fs = std::filesystem;

using test::CliRun;

class EvaluateSitesCommand : public test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        fs::create_directories(dir_ / "configs");
        fs::copy_file(TULO_SOURCE_DIR "/examples/demo.sim", dir_ / "configs" / "demo.sim");
        fs::copy_file(TULO_SOURCE_DIR "/examples/flooded.sim", dir_ / "configs" / "flooded.sim");
        // DOY 320 is no simulated day of the demo: evaluate leaves it out, and so must every site.
        Write("agb-demo.csv", "DOY,AGB\n180,6.5\n200,9\n240,15.5\n320,12\n");
        Write("agb-flooded.csv", "DOY,AGB\n170,4\n200,9\n230,14\n");
        Write("lai-demo.csv", "DOY,LAI\n170,2\n200,4\n");
    }

    // Run from another folder than the table's, so that its files are found beside it.
    CliRun Run(const std::string& arguments) { return CliTest::Run(arguments, "/"); }
    std::string Table() const { return (dir_ / "sites.csv").string(); }
};

FittingMatrix MatrixOf(const nlohmann::ordered_json& pairs) {
    FittingMatrix matrix;
    for (const auto& pair : pairs) {
        matrix.day.push_back(pair["day"].get<int>());
        matrix.measured.push_back(pair["measured"].get<float>());
        matrix.simulated.push_back(pair["simulated"].get<float>());
    }
    return matrix;
}

void ExpectIndices(const nlohmann::ordered_json& json, const FittingMatrix& matrix) {
    const AgreementIndices i = ComputeAgreementIndices(matrix);
    const Regression g = RegressSimulatedOnMeasured(matrix);
    EXPECT_EQ(json["n"], i.n);
    EXPECT_DOUBLE_EQ(json["RMSE"].get<double>(), *i.RMSE);
    EXPECT_DOUBLE_EQ(json["RRMSE"].get<double>(), *i.RRMSE);
    EXPECT_DOUBLE_EQ(json["EF"].get<double>(), *i.EF);
    EXPECT_DOUBLE_EQ(json["CRM"].get<double>(), *i.CRM);
    EXPECT_DOUBLE_EQ(json["Slope"].get<double>(), *g.slope);
    EXPECT_DOUBLE_EQ(json["Intercept"].get<double>(), *g.intercept);
    EXPECT_DOUBLE_EQ(json["R2"].get<double>(), *g.R2);
}

TEST_F(EvaluateSitesCommand, EvaluatesEachSiteAsEvaluateDoesAndPoolsAllTheirPairs) {
    Write("sites.csv", "Name,Config,AGB,RUE\n"
                       "demo,configs/demo.sim,agb-demo.csv,\n"
                       "flooded,configs/flooded.sim,agb-flooded.csv,\n"
                       "high RUE,configs/demo.sim,agb-demo.csv,2.8\n");
    const CliRun o = Run("evaluate-sites " + Table() + " --json");
    ASSERT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::ordered_json::parse(o.out);
    std::vector<std::string> keys;
    for (const auto& item : result.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"variable", "rows", "pooled", "pooled_sites", "failed",
                                              "unmeasured"}));
    EXPECT_EQ(result["pooled_sites"], "all sites");
    EXPECT_EQ(result["variable"], "AGB tot (tAGB/ha)");
    ASSERT_EQ(result["rows"].size(), 3u);

    // A site without changes is the configuration's own evaluation, pairs and all.
    const std::pair<std::string, std::string> plain[] = {{"demo", "demo"}, {"flooded", "flooded"}};
    for (std::size_t k = 0; k < 2; ++k) {
        const auto& row = result["rows"][k];
        EXPECT_EQ(row["name"], plain[k].first);
        EXPECT_EQ(row["row"], k + 2);
        const CliRun single = Run("evaluate " + (dir_ / "configs" / (plain[k].second + ".sim")).string() +
                                  " --measured " + (dir_ / ("agb-" + plain[k].second + ".csv")).string() +
                                  " --variable \"AGB tot (tAGB/ha)\" --json");
        ASSERT_EQ(single.status, 0) << single.err;
        const auto evaluation = nlohmann::json::parse(single.out);
        EXPECT_EQ(nlohmann::json(row["pairs"]), evaluation["pairs"]);
        for (const char* key :
             {"n", "RMSE", "RRMSE", "EF", "CRM", "RRMSEcvLastPoint", "Slope", "Intercept", "R2"})
            EXPECT_EQ(nlohmann::json(row["indices"][key]), evaluation[key]) << key;
    }
    EXPECT_EQ(result["rows"][0]["pairs"][0],
              nlohmann::json::parse(R"({"day": 180, "measured": 6.5, "simulated": 3.17384})"));
    EXPECT_EQ(result["rows"][0]["indices"]["n"], 3);

    // The row's own value of a crop parameter: more biomass on every measured day.
    const auto& demo = result["rows"][0]["pairs"];
    const auto& highRue = result["rows"][2]["pairs"];
    ASSERT_EQ(highRue.size(), demo.size());
    for (std::size_t k = 0; k < demo.size(); ++k) {
        EXPECT_EQ(highRue[k]["day"], demo[k]["day"]);
        EXPECT_GT(highRue[k]["simulated"].get<double>(), demo[k]["simulated"].get<double>());
    }

    // Pooled: the same indices on every site's pairs one after another.
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const auto& row : result["rows"])
        for (const auto& pair : row["pairs"]) all.push_back(pair);
    EXPECT_EQ(all.size(), 9u);
    ExpectIndices(result["pooled"], MatrixOf(all));

    // The same results and messages whatever the number of threads; the text form aligns its columns.
    const CliRun one = Run("evaluate-sites " + Table() + " --threads 1");
    const CliRun three = Run("evaluate-sites " + Table() + " --threads 3");
    EXPECT_EQ(one.out, three.out);
    EXPECT_EQ(one.err, three.err);
    EXPECT_EQ(one.out.substr(0, one.out.find('\n') + 1),
              "Evaluation of AGB tot (tAGB/ha) at the sites of " + Table() + "\n");
    EXPECT_NE(
        one.out.find("\nsite       n  RMSE     RRMSE    EF         CRM       Slope    Intercept  R2\n"
                     "demo       3  1.9916   19.2735  0.724339   0.117518  1.37569  -5.09647   0.983356\n"),
        std::string::npos)
        << one.out;
    EXPECT_NE(one.out.find("\nall sites  9  "), std::string::npos) << one.out;
}

// Each row changes its own season as evaluate's options would; a change or a measurement the season
// refuses fails its row alone, named with the table's column.
TEST_F(EvaluateSitesCommand, ChangesEachSitesSeasonAsEvaluatesOptionsWould) {
    fs::create_directories(dir_ / "field");
    for (const char* file : {"site.WTH", "agb-early.csv"})
        fs::copy_file(fs::path(TULO_SOURCE_DIR "/examples/field") / file, dir_ / "field" / file);
    Write("sites.csv", "name,config,weather,year,sowing,agb\n"
                       "early,configs/demo.sim,field/site.WTH,2019,2019-04-30,field/agb-early.csv\n"
                       "a year early,configs/demo.sim,field/site.WTH,2018,120,field/agb-early.csv\n"
                       "no such day,configs/demo.sim,field/site.WTH,2019,2019-02-30,field/agb-early.csv\n");
    const CliRun o = Run("evaluate-sites " + Table() + " --json");
    EXPECT_EQ(o.status, 1);
    const auto result = nlohmann::json::parse(o.out);
    ASSERT_EQ(result["rows"].size(), 1u);
    EXPECT_EQ(result["failed"], nlohmann::json::parse(R"([{"name": "a year early", "row": 3},
                                                          {"name": "no such day", "row": 4}])"));
    const fs::path field = dir_ / "field";
    const CliRun single =
        Run("evaluate " + (dir_ / "configs" / "demo.sim").string() + " --weather " +
            (field / "site.WTH").string() + " --year 2019 --sowing 2019-04-30 --measured " +
            (field / "agb-early.csv").string() + " --variable \"AGB tot (tAGB/ha)\" --json");
    ASSERT_EQ(single.status, 0) << single.err;
    const auto evaluation = nlohmann::json::parse(single.out);
    EXPECT_EQ(result["rows"][0]["pairs"], evaluation["pairs"]);
    EXPECT_EQ(result["rows"][0]["indices"]["RMSE"], evaluation["RMSE"]);
    EXPECT_EQ(result["rows"][0]["indices"]["n"], 15);

    const std::string table = Table();
    EXPECT_NE(o.err.find(table + ", row 3: " + (field / "agb-early.csv").string() +
                         ": a date must fall in the season's year, 2018: row 2 (2019)"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find(table + ", row 4: sowing: \"2019-02-30\" is a date its year does not have.\n" +
                         table + ", row 4: site \"no such day\" was not evaluated.\n"),
              std::string::npos)
        << o.err;
}

TEST_F(EvaluateSitesCommand, NamesTheSitesThatFailAndEvaluatesTheOthers) {
    Write("negative.csv", "DOY,AGB\n180,6.5\n200,-9\n");
    Write("sites.csv", "name,config,agb,lai\n"
                       "demo,configs/demo.sim,agb-demo.csv,lai-demo.csv\n"
                       "missing,configs/none.sim,agb-demo.csv,\n"
                       "doubtful,configs/flooded.sim,negative.csv,\n");
    const std::string table = Table();
    CliRun o = Run("evaluate-sites " + table);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("\nmissing       not evaluated\ndoubtful      not evaluated\n"), std::string::npos)
        << o.out;
    // The pooled line holds the one site evaluated, and says so.
    EXPECT_NE(o.out.find("\n1 of 3 sites  3  1.9916  19.2735  0.724339"), std::string::npos) << o.out;
    const std::string negative = (dir_ / "negative.csv").string();
    EXPECT_EQ(o.err, table + ", row 2: " + (dir_ / "agb-demo.csv").string() +
                         ": rows not paired, the run did not simulate their day: row 5 (DOY 320).\n" + table +
                         ", row 3: " + (dir_ / "configs" / "none.sim").string() +
                         ": File not opened: it does not exist.\n" + table +
                         ", row 3: site \"missing\" was not evaluated.\n" + table + ", row 4: " + negative +
                         ": a measured value cannot be negative: row 3 (-9).\n" + table +
                         ", row 4: site \"doubtful\" was not evaluated.\n");

    // LAI: only the sites that name LAI measurements run; the others are listed as unmeasured.
    o = Run("evaluate-sites " + table + " --variable LAI --json");
    EXPECT_EQ(o.status, 0) << o.err;
    const auto result = nlohmann::json::parse(o.out);
    EXPECT_EQ(result["variable"], "GAI (m2/m2)");
    ASSERT_EQ(result["rows"].size(), 1u);
    EXPECT_EQ(result["rows"][0]["indices"]["n"], 2);
    EXPECT_EQ(result["pooled"]["n"], 2);
    EXPECT_EQ(result["pooled_sites"], "1 of 3 sites");
    EXPECT_EQ(result["unmeasured"], nlohmann::json::parse(R"([{"name": "missing", "row": 3},
                                                              {"name": "doubtful", "row": 4}])"));
    EXPECT_TRUE(result["failed"].empty());

    // Nothing runs when the table cannot answer the question asked.
    o = Run("evaluate-sites " + table + " --variable \"AGB stems (tAGB/ha)\"");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err,
              table + " has no measured column; --variable AGB stems (tAGB/ha) evaluates each site against "
                      "the measurements it names.\n");
    EXPECT_EQ(Run("evaluate-sites " + table + " --variable Tmax").status, 2);
}

} // namespace
} // namespace tulo
