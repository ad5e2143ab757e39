#pragma once
// An ensemble split across the tasks of a cluster's array job: `ensemble --shard I/N` runs the I-th of N
// contiguous slices of the sets into a part of its own, and `ensemble-merge` joins the parts into the file
// one ensemble over every set writes. Beside each part, PART.shard records which slice of which inputs the
// part holds, so that the part itself stays an ordinary ensemble output and the merge can still refuse
// parts that are missing, repeated, out of order or from another run.

#include "Console.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo::cli {

class CommandLine;

// The I-th of N slices, counted from 1 as the schedulers number the tasks of an array job.
struct ShardSlice {
    int index = 1;
    int count = 1;
    bool operator==(const ShardSlice&) const = default;
};

// "I/N" with 1 <= I <= N, both in digits; nothing for any other text.
std::optional<ShardSlice> ParseShard(std::string_view text);

// Sets by their place among the table's sets, from 1.
struct SetRange {
    std::int64_t first = 1;
    std::int64_t count = 0;
    bool operator==(const SetRange&) const = default;
};

// The sets of a slice: N contiguous slices whose sizes differ by at most one, the first ones the larger.
SetRange SliceOfSets(const ShardSlice& shard, std::int64_t sets);

// A 64-bit FNV-1a digest: enough to tell one run's inputs or file from another's, not a safeguard
// against forgery.
class Digest {
public:
    void add(std::string_view bytes);
    // A field of a record: fields end with a separator, so that "ab","c" and "a","bc" differ.
    void addField(std::string_view text);
    std::string hex() const;

private:
    std::uint64_t state_ = 14695981039346656037ULL;
};

// What a part's companion file records.
struct ShardRecord {
    ShardSlice shard;
    std::int64_t sets = 0; // the sets of the whole table
    SetRange range;        // the part's
    std::string inputs;    // digest of the configuration, the season's options, the sets and the columns
    std::string content;   // digest of the part's bytes
    // The files the part was made from (configuration, weather, sets), as absolute paths on the shard's
    // machine, which the merged file may not replace; none in the records of earlier versions.
    std::vector<std::string> sources;
};

std::filesystem::path ShardRecordPath(const std::filesystem::path& part);
std::string FormatShardRecord(const ShardRecord& record);
std::optional<ShardRecord> ParseShardRecord(std::string_view text);

// Joins `parts`, given in the order of their slices, into `out`, written whole or not at all; the exit
// status.
int MergeEnsembleParts(const std::string& out, const std::vector<std::string>& parts, const Console& console);

void RegisterEnsembleMergeCommand(CommandLine& line);

} // namespace tulo::cli
