// What careless hands must not cost: an output written over another input of the command, a save kept
// after Ctrl-C; and the one rule of the exit statuses, 2 for an input refused, 1 for work that failed.

#include "CliFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::Slurp;

class CommandSafety : public test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        fs::copy_file(test::kDemo, dir_ / "a.sim");
        fs::copy_file(test::kDemo, dir_ / "b.sim");
        std::string agb = "DOY,AGB\n";
        for (const auto& cells : DailyRows((dir_ / "a.sim").string() + " --set RUE=2.6")) {
            const int doy = std::stoi(cells[0]);
            if (doy >= 150 && doy <= 240 && doy % 15 == 0)
                agb += cells[0] + "," + std::to_string(std::stod(cells[8]) / 100) + "\n";
        }
        Write("agb.csv", agb);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
};

TEST_F(CommandSafety, NoRowOfASitesTableSavesOverAnotherRowsInput) {
    const std::string a = Slurp(dir_ / "a.sim");
    Write("crossed.csv", "name,config,agb\na,b.sim,agb.csv\nb,a.sim,agb.csv\n");
    CliRun o = Run("calibrate-sites --sites " + Path("crossed.csv") + " --param RUE:1.5:4 --save-dir " +
                   dir_.string());
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find("a.sim is row 3's config"), std::string::npos) << o.err;
    EXPECT_EQ(Slurp(dir_ / "a.sim"), a);
    EXPECT_EQ(Slurp(dir_ / "b.sim"), a);
}

TEST_F(CommandSafety, TheMergedEnsembleSparesTheFilesThePartsWereMadeFrom) {
    fs::copy_file(test::kExamples + "demo-sets.csv", dir_ / "sets.csv");
    const std::string sets = Path("sets.csv");
    CliRun o =
        Run("ensemble " + Path("a.sim") + " --sets " + sets + " --shard 1/1 --out " + Path("part.csv"));
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string config = Slurp(dir_ / "a.sim");
    fs::create_symlink(dir_ / "a.sim", dir_ / "link.sim");
    for (const std::string& out : {Path("a.sim"), Path("link.sim"), sets}) {
        o = Run("ensemble-merge " + out + " " + Path("part.csv"));
        EXPECT_EQ(o.status, 2) << out << "\n" << o.err;
        EXPECT_NE(o.err.find("is a file the parts were made from"), std::string::npos) << o.err;
    }
    EXPECT_EQ(Slurp(dir_ / "a.sim"), config);
    o = Run("ensemble-merge " + Path("merged.csv") + " " + Path("part.csv"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Slurp(dir_ / "merged.csv"), Slurp(dir_ / "part.csv"));
}

// Ctrl-C a second into a long search: the best point is printed, the old --save stays, the exit is 1.
TEST_F(CommandSafety, CtrlCInACalibrationKeepsTheOldSaveAndExitsAsInterrupted) {
    Write("saved.sim", "old\n");
    const std::string command =
        std::string(TULO_CLI_PATH) + " calibrate " + Path("a.sim") + " --agb " + Path("agb.csv") +
        " --param RUE:1.5:4 --param K:0.3:0.8 --param TSUM1:600:1200 --param "
        "GDDLeafLife:500:1500 --genetic 100,5000,2000,0.5,1.5,0.5 --seed 1 --threads 1 "
        "--save " +
        Path("saved.sim");
    const std::string shell = "(" + command + " >" + Path("out") + " 2>" + Path("err") +
                              " & p=$!; sleep 1; kill -INT $p; wait $p; echo $? >" + Path("status") + ")";
    ASSERT_EQ(std::system(shell.c_str()), 0);
    EXPECT_EQ(Slurp(dir_ / "status"), "1\n") << Slurp(dir_ / "err");
    EXPECT_EQ(Slurp(dir_ / "saved.sim"), "old\n");
    EXPECT_NE(Slurp(dir_ / "out").find("RUE: "), std::string::npos) << Slurp(dir_ / "out");
    EXPECT_NE(Slurp(dir_ / "err").find("Nothing was saved"), std::string::npos) << Slurp(dir_ / "err");
}

// Every input problem ends a command with 2, whatever the command and whatever the input: a misused
// option, a file missing or malformed, a date, an output over an input.
TEST_F(CommandSafety, EveryInputProblemExitsWithTwo) {
    Write("bad.csv", "\x01\x02 not a table\n");
    const std::string a = Path("a.sim"), missing = Path("missing.csv");
    const std::vector<std::string> refused = {
        "no-such-command",
        "run " + a + " --repeat x",
        "run " + Path("missing.sim"),
        "run " + a + " --sowing 2019-02-30",
        "run " + a + " --weather " + Path("missing.WTH"),
        "run " + a + " --daily " + a,
        "run " + a + " --report " + Path("r.ods"),
        "new --weather " + Path("missing.WTH") + " --sowing 150 " + Path("n.sim"),
        "table " + missing + " " + Path("t.csv"),
        "crop export " + Path("missing.sim") + " " + Path("c.xlsx"),
        "crop import " + a + " " + missing,
        "evaluate " + a + " --measured " + missing + " --variable \"AGB tot (tAGB/ha)\"",
        "evaluate " + a + " --measured " + Path("agb.csv") + " --variable nonsense",
        "evaluate-sites " + missing,
        "force-lai " + a + " --lai " + missing,
        "ensemble " + a + " --sets " + missing,
        "ensemble " + a + " --sets " + Path("agb.csv") + " --out " + a,
        "ensemble-merge " + Path("m.csv") + " " + Path("agb.csv"),
        "calibrate " + a + " --agb " + missing + " --param RUE:1.5:4",
        "calibrate " + a + " --agb " + Path("agb.csv") + " --param RUE:1.5:4 --save " + Path("agb.csv"),
        "calibrate-sites --sites " + missing + " --param RUE:1.5:4",
        "calibrate-sites " + a + " " + missing,
        "reinit " + a + " --lai " + missing,
        "phenology " + a + " --flowering 250 --maturity 280 --save " + a,
        "sensitivity " + a + " --method nonsense --executions 10",
    };
    for (const std::string& arguments : refused) {
        const CliRun o = Run(arguments);
        EXPECT_EQ(o.status, 2) << arguments << "\n" << o.err;
        EXPECT_FALSE(o.err.empty()) << arguments;
    }
    EXPECT_EQ(Slurp(dir_ / "a.sim"), Slurp(test::kDemo)) << "no refusal wrote over the configuration";
}

} // namespace
} // namespace tulo
