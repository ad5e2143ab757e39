// Outputs checked before the work that fills them, and files written whole or not at all.

#include "io/TextFiles.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using TextFiles = test::ScratchFolderTest;

TEST_F(TextFiles, AnOutputThatCannotBeWrittenIsRefusedBeforehandAndTheProbeLeavesNothing) {
    const NamedPath none[] = {{"the configuration", dir_ / "a.sim"}};
    const fs::path missing = dir_ / "missing" / "x.csv";
    EXPECT_EQ(OutputRefusal({"--out", missing}, none), "Cannot write " + missing.string() + ": the folder " +
                                                           (dir_ / "missing").string() + " does not exist.");
    EXPECT_EQ(OutputRefusal({"--out", dir_}, none), "Cannot write " + dir_.string() + ": it is a folder.");
    Write("file", "");
    EXPECT_NE(OutputRefusal({"--out", dir_ / "file" / "x.csv"}, none), std::nullopt);
    EXPECT_NE(OutputRefusal({"--out", "/proc/x.csv"}, none), std::nullopt); // no new file, even for root
    EXPECT_EQ(OutputRefusal({"--out", dir_ / "x.csv"}, none), std::nullopt);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1); // "file" alone
}

TEST_F(TextFiles, APieceByPieceFileAppearsWholeOrIsKeptAndNamedWhenOnlyTheRenameFails) {
    const fs::path target = Write("out.csv", "old");
    {
        AtomicFile file;
        ASSERT_EQ(file.open(target), std::nullopt);
        EXPECT_TRUE(file.write("new,"));
        EXPECT_EQ(test::Slurp(target), "old"); // unfinished: the old file stays, the temporary goes
    }
    EXPECT_EQ(test::Slurp(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

    AtomicFile file;
    ASSERT_EQ(file.open(target), std::nullopt);
    file.write("a,");
    file.write("b\n");
    EXPECT_EQ(file.commit(), std::nullopt);
    EXPECT_EQ(test::Slurp(target), "a,b\n");

    // The target became a folder while the content was written: the complete content is kept.
    const fs::path later = dir_ / "later.csv";
    AtomicFile kept;
    ASSERT_EQ(kept.open(later), std::nullopt);
    kept.write("results\n");
    fs::create_directory(later);
    const auto error = kept.commit(true);
    ASSERT_NE(error, std::nullopt);
    const std::string marker = "; the complete file is kept as ";
    const auto at = error->find(marker);
    ASSERT_NE(at, std::string::npos) << *error;
    const std::string temporary = error->substr(at + marker.size(), error->size() - at - marker.size() - 1);
    EXPECT_EQ(test::Slurp(temporary), "results\n");
}

} // namespace
} // namespace tulo
