// Outputs checked before the work that fills them, and files written whole or not at all.

#include "io/TextFiles.h"

#include "io/FileSets.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A read gives the whole file or the clause a caller's message ends with, and refuses what is no
// regular file before it opens it.
TEST_F(TextFiles, AWholeFileIsReadOrRefusedWithTheReason) {
    const fs::path file = Write("a.txt", std::string(100, 'x'));
    const auto read = ReadWholeFile(file, 100);
    ASSERT_TRUE(read) << read.message();
    EXPECT_EQ(*read, std::string(100, 'x'));
    EXPECT_EQ(ReadWholeFile(file, 99).message(),
              "it holds 100 bytes, more than 0 MiB (99 bytes), the most TULO reads of such a file");
    EXPECT_EQ(ReadWholeFile(dir_, 100).message(), "it is a folder");
    EXPECT_EQ(ReadWholeFile(dir_ / "none.txt", 100).message(), "it does not exist");
    ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(dir_ / "pipe", 100).message(),
              "it is not a regular file (a device, a pipe or a socket)");
}

// A write goes through links to the file they end at; a loop of links or a folder has no file to replace.
TEST_F(TextFiles, AWriteTargetIsTheEndOfItsLinks) {
    const fs::path file = Write("real.csv", "");
    fs::create_symlink(file, dir_ / "link.csv");
    const auto resolved = ResolveWriteTarget(dir_ / "link.csv");
    ASSERT_TRUE(resolved) << resolved.message();
    EXPECT_EQ(*resolved, file);
    fs::create_symlink(dir_ / "b", dir_ / "a");
    fs::create_symlink(dir_ / "a", dir_ / "b");
    EXPECT_EQ(ResolveWriteTarget(dir_ / "a").message(),
              "Cannot write " + (dir_ / "a").string() + ": its symbolic links form a loop.");
    EXPECT_EQ(ResolveWriteTarget(dir_).message(), "Cannot write " + dir_.string() + ": it is a folder.");
}

TEST_F(TextFiles, APieceByPieceFileAppearsWholeOrIsKeptAndNamedWhenOnlyTheRenameFails) {
    const fs::path target = Write("out.csv", "old");
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target));
        EXPECT_TRUE(file.write("new,"));
        EXPECT_EQ(test::Slurp(target), "old"); // unfinished: the old file stays, the temporary goes
    }
    EXPECT_EQ(test::Slurp(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

    AtomicFile file;
    ASSERT_TRUE(file.open(target));
    file.write("a,");
    file.write("b\n");
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(test::Slurp(target), "a,b\n");

    // The target became a folder while the content was written: the complete content is kept.
    const fs::path later = dir_ / "later.csv";
    AtomicFile kept;
    ASSERT_TRUE(kept.open(later));
    kept.write("results\n");
    fs::create_directory(later);
    const Outcome committed = kept.commit(true);
    ASSERT_EQ(committed, Outcome::Failed);
    const std::string& error = committed.message;
    const std::string marker = "; the complete file is kept as ";
    const auto at = error.find(marker);
    ASSERT_NE(at, std::string::npos) << error;
    const std::string temporary = error.substr(at + marker.size(), error.size() - at - marker.size() - 1);
    EXPECT_EQ(test::Slurp(temporary), "results\n");
    // Under a name of its own, which no later command takes for a temporary of one killed.
    EXPECT_TRUE(fs::path(temporary).filename().string().starts_with("later.csv.complete-")) << temporary;
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

TEST_F(TextFiles, ASetOfFilesIsWrittenWholeOrNotAtAllAndReplacedFilesKeepTheirPermissions) {
    const fs::path a = Write("a.sim", "old a"), b = Write("b.sim", "old b");
    fs::permissions(a, fs::perms::owner_read | fs::perms::owner_write);
    const FileContent failing[] = {{a, "new a"}, {dir_ / "missing" / "b.sim", "new b"}};
    EXPECT_EQ(WriteFilesTogether(failing), Outcome::Failed);
    EXPECT_EQ(test::Slurp(a), "old a");
    EXPECT_EQ(Names(dir_), (std::set<std::string>{"a.sim", "b.sim"})) << "no temporary is left";

    const FileContent both[] = {{a, "new a"}, {b, "new b"}, {dir_ / "c.sim", "new c"}};
    EXPECT_TRUE(WriteFilesTogether(both));
    EXPECT_EQ(test::Slurp(a) + test::Slurp(b) + test::Slurp(dir_ / "c.sim"), "new anew bnew c");
    EXPECT_EQ(Names(dir_), (std::set<std::string>{"a.sim", "b.sim", "c.sim"}));
    EXPECT_EQ(fs::status(a).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(b, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileAtomically(b, "newer b"));
    EXPECT_EQ(fs::status(b).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(TextFiles, OnlyTheTemporariesOfEndedCommandsAreSweptAndAStoppedOnesPartIsKept) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0); // an ended process: its number names no process now
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    const auto make = [&](const std::string& name, bool aged) {
        Write(name, "x");
        if (aged) fs::last_write_time(dir_ / name, old);
    };
    const std::string ended = std::to_string(child), alive = std::to_string(getpid());
    make("out.csv.tmp-tulo" + ended + "-123", true);  // killed long ago: swept
    make("out.csv.tmp-tulo" + ended + "-456", false); // just now: perhaps still being written elsewhere
    make("out.csv.tmp-tulo" + alive + "-789", true);  // its process runs
    make("out.csv.tmp123456", true);                  // not a name of ours
    make("notes.tmp-tulo" + ended + "-x1", true);     // nor is this
    make("out.csv", true);
    RemoveStaleTemporaries(dir_);
    EXPECT_EQ(Names(dir_),
              (std::set<std::string>{"out.csv.tmp-tulo" + ended + "-456", "out.csv.tmp-tulo" + alive + "-789",
                                     "out.csv.tmp123456", "notes.tmp-tulo" + ended + "-x1", "out.csv"}));

    AtomicFile stopped;
    ASSERT_TRUE(stopped.open(dir_ / "rows.csv"));
    stopped.write("row 1\n");
    const fs::path kept = stopped.abandon();
    EXPECT_TRUE(kept.filename().string().starts_with("rows.csv.partial-")) << kept;
    EXPECT_EQ(test::Slurp(kept), "row 1\n");
    RemoveStaleTemporaries(dir_);
    EXPECT_TRUE(fs::exists(kept));
}

} // namespace
} // namespace tulo
