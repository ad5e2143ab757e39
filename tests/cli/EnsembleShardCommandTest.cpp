// tulo-cli ensemble --shard and ensemble-merge: an ensemble split across the tasks of an array job.

#include "CliFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::kDemo;
using test::Lines;
using test::Slurp;

class EnsembleShards : public test::CliTest {
protected:
    std::string Part(int index) const { return (dir_ / ("part-" + std::to_string(index) + ".csv")).string(); }
    // Runs shard I/N of `sets` into Part(I).
    CliRun Shard(const std::string& sets, int index, int count, const std::string& extra = {}) {
        return Run("ensemble " + kDemo + " --sets " + sets + " --threads 1 --shard " + std::to_string(index) +
                   "/" + std::to_string(count) + " --out " + Part(index) + extra);
    }
    CliRun Merge(const std::vector<std::string>& parts) {
        std::string line = "ensemble-merge " + (dir_ / "merged.csv").string();
        for (const std::string& part : parts) line += " " + part;
        return Run(line);
    }
};

// The slices are contiguous, the first ones a set larger, each an ordinary ensemble output of its own
// rows; merged in order they are the whole ensemble byte for byte, more shards than sets included.
TEST_F(EnsembleShards, MergedPartsAreTheWholeEnsemble) {
    const std::string demoSets = test::kExamples + "demo-sets.csv";
    // Blank rows are no sets: slices count sets, not rows. A refused set keeps its row in its part.
    const std::string gappy =
        Write("gappy.csv", "RUE,TSUM1\n2.3,\n,\n\n2.5,\nx,\n2.7,950\n , \n3,\n").string();
    struct Case {
        std::string sets;
        int count;
        std::vector<std::size_t> sizes; // of each part, in sets
        int status;                     // of the whole, and of every part holding the refused set
    };
    for (const Case& c : {Case{demoSets, 5, {3, 3, 2, 2, 2}, 0}, Case{demoSets, 1, {12}, 0},
                          Case{gappy, 3, {2, 2, 1}, 2}, Case{gappy, 6, {1, 1, 1, 1, 1, 0}, 2}}) {
        SCOPED_TRACE(c.sets + " in " + std::to_string(c.count));
        const CliRun whole = Run("ensemble " + kDemo + " --sets " + c.sets + " --threads 2");
        ASSERT_EQ(whole.status, c.status) << whole.err;
        const std::vector<std::string> wholeLines = Lines(whole.out);
        std::vector<std::string> parts;
        std::size_t next = 1;
        for (int index = 1; index <= c.count; ++index) {
            const CliRun o = Shard(c.sets, index, c.count);
            parts.push_back(Part(index));
            const std::vector<std::string> lines = Lines(Slurp(parts.back()));
            ASSERT_EQ(lines.size(), c.sizes[index - 1] + 1);
            EXPECT_EQ(lines[0], wholeLines[0]);
            bool refused = false;
            for (std::size_t k = 1; k < lines.size(); ++k, ++next) {
                EXPECT_EQ(lines[k], wholeLines[next]);
                refused |= lines[k].find("is not a number") != std::string::npos;
            }
            EXPECT_EQ(o.status, refused ? 2 : 0) << o.err;
        }
        const CliRun merged = Merge(parts);
        EXPECT_EQ(merged.status, 0) << merged.err;
        EXPECT_EQ(merged.out + merged.err, "");
        EXPECT_EQ(Slurp(dir_ / "merged.csv"), whole.out);
        for (const std::string& part : parts) { // the next case's parts are fewer
            fs::remove(part);
            fs::remove(part + ".shard");
        }
    }
}

// A merge that has not every part of one ensemble once, in order, unchanged, writes nothing and names
// the part at fault; an earlier merged file stays as it was.
TEST_F(EnsembleShards, MergeRefusesPartsThatAreNotOneWholeEnsemble) {
    const std::string sets = test::kExamples + "demo-sets.csv";
    const auto keepAs = [&](const CliRun& shard, const std::string& name) {
        ASSERT_EQ(shard.status, 0) << shard.err;
        fs::rename(Part(2), dir_ / name);
        fs::rename(Part(2) + ".shard", dir_ / (name + ".shard"));
    };
    keepAs(Shard(sets, 2, 3, " --set RUE=2.5"), "other.csv"); // the slice of another season
    keepAs(Shard(sets, 2, 4), "split.csv");
    std::vector<std::string> parts;
    for (int index = 1; index <= 3; ++index) {
        EXPECT_EQ(Shard(sets, index, 3).status, 0);
        parts.push_back(Part(index));
    }
    fs::copy(parts[2], dir_ / "edited.csv");
    fs::copy(parts[2] + ".shard", dir_ / "edited.csv.shard");
    std::ofstream(dir_ / "edited.csv", std::ios::app) << "13,1,2,3\n";
    fs::copy(parts[1], dir_ / "bare.csv");
    const std::string d = dir_.string() + "/";

    const struct {
        std::vector<std::string> parts;
        int status;
        std::string message;
    } cases[] = {
        {{parts[0], parts[2]}, 2, "shard 2/3 is missing: no part given is it (2 of 3 parts given).\n"},
        {{parts[0], parts[1], parts[1], parts[2]},
         2,
         parts[1] + " and " + parts[1] + " are both shard 2/3.\n"},
        {{parts[1], parts[0], parts[2]},
         2,
         parts[1] + " is shard 2/3 but is given as part 1: give the parts in order, shard 1 first.\n"},
        {{parts[0], d + "other.csv", parts[2]},
         2,
         d + "other.csv (shard 2/3) is a part of another ensemble than " + parts[0] +
             " (shard 1/3): other sets, configuration, season options or columns, or another split.\n"},
        {{parts[0], d + "split.csv", parts[2]},
         2,
         d + "split.csv (shard 2/4) is a part of another ensemble than " + parts[0] +
             " (shard 1/3): other sets, configuration, season options or columns, or another split.\n"},
        {{parts[0], parts[1], d + "edited.csv"},
         2,
         d + "edited.csv is not the file ensemble --shard wrote: it differs from what " + d +
             "edited.csv.shard records.\n"},
        {{parts[0], d + "bare.csv", parts[2]},
         2,
         d + "bare.csv has no " + d +
             "bare.csv.shard beside it: it is not a part that ensemble --shard completed.\n"},
    };
    std::ofstream(dir_ / "merged.csv") << "earlier\n";
    for (const auto& c : cases) {
        const CliRun o = Merge(c.parts);
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_EQ(o.err, c.message);
        EXPECT_EQ(Slurp(dir_ / "merged.csv"), "earlier\n");
    }
    for (const auto& entry : fs::directory_iterator(dir_)) // no temporary left beside merged.csv
        EXPECT_FALSE(entry.path().filename().string().starts_with("merged.csv.")) << entry.path();
}

// A --shard that is not I/N with 1 <= I <= N is a usage error, as every malformed option is; a part
// needs a file of its own.
TEST_F(EnsembleShards, MalformedShardsAreUsageErrors) {
    const std::string ensemble = "ensemble " + kDemo + " --sets s.csv --out p.csv --shard ";
    for (const std::string text : {"0/3", "4/3", "1/0", "a/b", "1/", "/3", "-1/3", "1/3/3", "2"}) {
        const CliRun o = Run(ensemble + "'" + text + "'");
        EXPECT_EQ(o.status, 2) << text;
        EXPECT_EQ(o.err,
                  "--shard must be I/N, the I-th of N slices with I from 1 to N (as SLURM_ARRAY_TASK_ID "
                  "counts with --array=1-N), not \"" +
                      text + "\".\nRun with --help for more information.\n");
    }
    const CliRun o = Run("ensemble " + kDemo + " --sets s.csv --shard 1/2");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "--shard requires --out\nRun with --help for more information.\n");
}

} // namespace
} // namespace tulo
