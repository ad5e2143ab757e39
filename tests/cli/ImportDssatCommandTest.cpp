// `import-dssat`: the shipped experiment made into files that every sites command reads, written all
// together or not at all, and never over the files it read.

#include "CliFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

class ImportDssatCommand : public test::RecordedCliTest {
protected:
    // A copy of the shipped experiment in the scratch folder, so that links and missing files can be made.
    fs::path CopyExperiment(bool withMeasurements = true) {
        const fs::path folder = dir_ / "exp";
        fs::create_directories(folder);
        for (const char* extension : {".RIX", ".RIT", ".RIA", ".WTH"})
            if (withMeasurements || std::string(extension) == ".RIX" || std::string(extension) == ".WTH")
                fs::copy_file(test::kExamples + "dssat/TUPD1901" + extension,
                              folder / ("TUPD1901" + std::string(extension)));
        return folder / "TUPD1901.RIX";
    }

    std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ImportDssatCommand, WritesFilesTheSitesCommandsReadAndWritesThemAgainAlike) {
    const fs::path experiment = CopyExperiment();
    const fs::path out = dir_ / "trial";
    ASSERT_EQ(Run("import-dssat " + experiment.string() + " --out " + out.string() + " --treatments 1,6"), 0)
        << err_;
    EXPECT_NE(
        out_.find("T01-Early-25-hills: sown 2019-04-25, transplanted 2019-05-20, 25 hills/m2 of 3, flooded "
                  "5 cm, weather TUPD1901.WTH; 10 AGB and 3 LAI samples"),
        std::string::npos)
        << out_;
    EXPECT_NE(out_.find("Wrote " + out.string() + ": 2 treatments"), std::string::npos) << out_;
    const std::vector<std::string> names = Names(out);
    EXPECT_EQ(names, (std::vector<std::string>{"T01-Early-25-hills-agb.csv", "T01-Early-25-hills-lai.csv",
                                               "T01-Early-25-hills.sim", "T06-Late-direct-agb.csv",
                                               "T06-Late-direct-lai.csv", "T06-Late-direct.sim",
                                               "import-notes.txt", "sites.csv"}));
    const std::string sites = Slurp(out / "sites.csv");
    ASSERT_EQ(Run("evaluate-sites " + (out / "sites.csv").string() + " --variable LAI"), 0) << err_;
    ASSERT_EQ(Run("phenology --sites " + (out / "sites.csv").string()), 0) << err_;
    ASSERT_EQ(Run("import-dssat " + experiment.string() + " --out " + out.string() + " --treatments 1,6"), 0);
    EXPECT_EQ(Names(out), names);
    EXPECT_EQ(Slurp(out / "sites.csv"), sites);

    // Without its .RIT and .RIA an experiment still makes its seasons, and says what it lacks.
    fs::remove_all(dir_ / "exp");
    const fs::path bare = CopyExperiment(false);
    ASSERT_EQ(Run("import-dssat " + bare.string() + " --out " + (dir_ / "bare").string()), 0) << err_;
    EXPECT_NE(out_.find("No TUPD1901.RIT beside the experiment: no measured AGB and LAI tables."),
              std::string::npos)
        << out_;
    EXPECT_TRUE(Slurp(dir_ / "bare" / "sites.csv").starts_with("name,config,NH,NPLH\nT01-Early-25-hills,"));
}

TEST_F(ImportDssatCommand, WritesNothingWhenAnyFileCannotBeWrittenOrWouldReplaceAnInput) {
    const fs::path experiment = CopyExperiment();
    const std::string rix = Slurp(experiment);
    const fs::path out = dir_ / "trial";
    fs::create_directories(out / "sites.csv"); // a folder where the sites table goes
    EXPECT_EQ(Run("import-dssat " + experiment.string() + " --out " + out.string()), 2);
    EXPECT_NE(err_.find("sites.csv"), std::string::npos) << err_;
    EXPECT_EQ(Names(out), std::vector<std::string>{"sites.csv"});

    fs::remove(out / "sites.csv");
    fs::create_symlink(experiment, out / "sites.csv");
    EXPECT_EQ(Run("import-dssat " + experiment.string() + " --out " + out.string()), 2);
    EXPECT_NE(err_.find("is the input TUPD1901.RIX"), std::string::npos) << err_;
    EXPECT_EQ(Names(out), std::vector<std::string>{"sites.csv"});
    EXPECT_EQ(Slurp(experiment), rix);

    Write("a-file", "x");
    EXPECT_EQ(Run("import-dssat " + experiment.string() + " --out " + (dir_ / "a-file").string()), 2);
    EXPECT_NE(err_.find("is a file: give a folder"), std::string::npos) << err_;
    // A refused experiment leaves no folder behind.
    EXPECT_EQ(
        Run("import-dssat " + experiment.string() + " --out " + (dir_ / "none").string() + " --treatments 9"),
        2);
    EXPECT_FALSE(fs::exists(dir_ / "none"));
}

} // namespace
} // namespace tulo
