#include "EnsembleShards.h"

#include "CommandLine.h"
#include "Commands.h"
#include "io/TextFiles.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <memory>

namespace tulo::cli {

namespace {

std::optional<std::int64_t> ParseCount(std::string_view text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.front() == '-' || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

constexpr std::string_view kRecordTitle = "tulo-cli ensemble part";

} // namespace

std::optional<ShardSlice> ParseShard(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto index = ParseCount(text.substr(0, slash));
    const auto count = ParseCount(text.substr(slash + 1));
    if (!index || !count || *index < 1 || *index > *count || *count > 1'000'000'000) return std::nullopt;
    return ShardSlice{static_cast<int>(*index), static_cast<int>(*count)};
}

SetRange SliceOfSets(const ShardSlice& shard, std::int64_t sets) {
    const std::int64_t size = sets / shard.count;
    const std::int64_t larger = sets % shard.count; // the first `larger` slices take one set more
    const std::int64_t before = shard.index - 1;
    return {before * size + std::min(before, larger) + 1, size + (before < larger ? 1 : 0)};
}

void Digest::add(std::string_view bytes) {
    for (const char c : bytes) {
        state_ ^= static_cast<unsigned char>(c);
        state_ *= 1099511628211ULL;
    }
}

void Digest::addField(std::string_view text) {
    add(text);
    add("\x1f");
}

std::string Digest::hex() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(state_));
    return text;
}

std::filesystem::path ShardRecordPath(const std::filesystem::path& part) {
    std::filesystem::path record = part;
    record += ".shard";
    return record;
}

std::string FormatShardRecord(const ShardRecord& record) {
    std::string sources;
    for (const std::string& source : record.sources)
        if (source.find_first_of("\r\n") == std::string::npos) sources += "source " + source + "\n";
    return std::string(kRecordTitle) + "\nshard " + std::to_string(record.shard.index) + "/" +
           std::to_string(record.shard.count) + "\nsets " + std::to_string(record.sets) + "\nfirst " +
           std::to_string(record.range.first) + "\ncount " + std::to_string(record.range.count) +
           "\ninputs " + record.inputs + "\ncontent " + record.content + "\n" + sources;
}

std::optional<ShardRecord> ParseShardRecord(std::string_view text) {
    std::vector<std::string_view> values;
    const std::string_view keys[] = {kRecordTitle, "shard ",  "sets ",   "first ",
                                     "count ",     "inputs ", "content "};
    for (const std::string_view key : keys) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos || !text.starts_with(key)) return std::nullopt;
        values.push_back(text.substr(key.size(), end - key.size()));
        text.remove_prefix(end + 1);
    }
    std::vector<std::string> sources;
    for (std::size_t end = text.find('\n'); text.starts_with("source ") && end != std::string_view::npos;
         end = text.find('\n')) {
        sources.emplace_back(text.substr(7, end - 7));
        text.remove_prefix(end + 1);
    }
    const auto shard = ParseShard(values[1]);
    const auto sets = ParseCount(values[2]);
    const auto first = ParseCount(values[3]);
    const auto count = ParseCount(values[4]);
    if (!text.empty() || !shard || !sets || !first || !count || values[5].empty() || values[6].empty())
        return std::nullopt;
    return ShardRecord{
        *shard, *sets, {*first, *count}, std::string(values[5]), std::string(values[6]), std::move(sources)};
}

namespace {

// Every part's record; kSuccess, or the status the merge ends with after the message.
int ReadRecords(const std::vector<std::string>& parts, std::vector<ShardRecord>& records,
                const Console& console) {
    for (const std::string& part : parts) {
        const std::filesystem::path path = ShardRecordPath(part);
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            console.print(part + " has no " + path.string() +
                          " beside it: it is not a part that ensemble --shard completed.");
            return kInvalidInputs;
        }
        const auto text = ReadWholeFile(path, 4096);
        if (!text) {
            console.print("Cannot read " + path.string() + ": " + text.message() + ".");
            return kInvalidInputs;
        }
        const auto record = ParseShardRecord(*text);
        if (!record || record->range != SliceOfSets(record->shard, record->sets)) {
            console.print(path.string() + " is not the record of a part that ensemble --shard wrote.");
            return kInvalidInputs;
        }
        records.push_back(*record);
    }
    return kSuccess;
}

std::string ShardName(const ShardSlice& shard) {
    return "shard " + std::to_string(shard.index) + "/" + std::to_string(shard.count);
}

// The parts are those of one ensemble, each once, in the order of their slices; false after the message.
bool PartsAreWhole(const std::vector<std::string>& parts, const std::vector<ShardRecord>& records,
                   const Console& console) {
    const ShardRecord& first = records.front();
    const int count = first.shard.count;
    std::vector<std::size_t> given(static_cast<std::size_t>(count) + 1, SIZE_MAX); // by slice: its part
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const ShardRecord& record = records[k];
        if (record.shard.count != count || record.sets != first.sets || record.inputs != first.inputs) {
            console.print(parts[k] + " (" + ShardName(record.shard) +
                          ") is a part of another ensemble than " + parts.front() + " (" +
                          ShardName(first.shard) +
                          "): other sets, configuration, season options or columns, or another split.");
            return false;
        }
        std::size_t& slot = given[static_cast<std::size_t>(record.shard.index)];
        if (slot != SIZE_MAX) {
            console.print(parts[slot] + " and " + parts[k] + " are both " + ShardName(record.shard) + ".");
            return false;
        }
        slot = k;
    }
    for (int index = 1; index <= count; ++index)
        if (given[static_cast<std::size_t>(index)] == SIZE_MAX) {
            console.print(ShardName({index, count}) + " is missing: no part given is it (" +
                          std::to_string(parts.size()) + " of " + std::to_string(count) + " parts given).");
            return false;
        }
    for (std::size_t k = 0; k < parts.size(); ++k)
        if (records[k].shard.index != static_cast<int>(k) + 1) {
            console.print(parts[k] + " is " + ShardName(records[k].shard) + " but is given as part " +
                          std::to_string(k + 1) + ": give the parts in order, shard 1 first.");
            return false;
        }
    return true;
}

// Copies a part into the merged file, its column titles only when it comes first; kSuccess, or the
// status the merge ends with after the message.
int CopyPart(const std::string& part, const ShardRecord& record, std::string& titles, AtomicFile& merged,
             const std::string& out, const Console& console) {
    std::ifstream in(part, std::ios::binary);
    std::string header;
    if (!in || !std::getline(in, header)) {
        console.print("Cannot read " + part + ".");
        return kInvalidInputs;
    }
    header += '\n';
    Digest content;
    content.add(header);
    const bool first = titles.empty();
    if (first) titles = header;
    bool written = !first || merged.write(header);
    const auto buffer = std::make_unique<char[]>(1 << 20);
    while (in) {
        in.read(buffer.get(), 1 << 20);
        const std::string_view chunk(buffer.get(), static_cast<std::size_t>(in.gcount()));
        content.add(chunk);
        written = written && merged.write(chunk);
    }
    if (in.bad()) {
        console.print("Cannot read " + part + ".");
        return kInvalidInputs;
    }
    if (content.hex() != record.content || header != titles) {
        console.print(part + " is not the file ensemble --shard wrote: it differs from what " +
                      ShardRecordPath(part).string() + " records.");
        return kInvalidInputs;
    }
    if (!written) {
        console.print("Cannot write " + out + ": the disk refused the data.");
        return kFailure;
    }
    return kSuccess;
}

// The merged file may not replace what the parts were made from: the records name those files.
bool SparesSources(const std::string& out, const std::vector<ShardRecord>& records, const Console& console) {
    std::vector<NamedPath> sources;
    for (const ShardRecord& record : records)
        for (const std::string& source : record.sources)
            sources.push_back({"a file the parts were made from,", source});
    if (const auto refusal = OutputReplacesInput({"OUT", out}, sources)) {
        console.print(*refusal);
        return false;
    }
    return true;
}

} // namespace

int MergeEnsembleParts(const std::string& out, const std::vector<std::string>& parts,
                       const Console& console) {
    std::vector<NamedPath> inputs;
    for (const std::string& part : parts) {
        inputs.push_back({"the part", part});
        inputs.push_back({"the record", ShardRecordPath(part)});
    }
    if (const auto refusal = OutputRefusal({"OUT", out}, inputs)) {
        console.print(*refusal);
        return kInvalidInputs;
    }
    std::vector<ShardRecord> records;
    if (const int read = ReadRecords(parts, records, console); read != kSuccess) return read;
    if (!PartsAreWhole(parts, records, console)) return kInvalidInputs;
    if (!SparesSources(out, records, console)) return kInvalidInputs;
    AtomicFile merged;
    if (const Outcome opened = merged.open(out); !opened) {
        console.print(opened.message);
        return kFailure;
    }
    std::string titles;
    for (std::size_t k = 0; k < parts.size(); ++k)
        if (const int copied = CopyPart(parts[k], records[k], titles, merged, out, console);
            copied != kSuccess)
            return copied; // the unfinished file's temporary goes with `merged`
    if (const Outcome committed = merged.commit(true); !committed) {
        console.print(committed.message);
        return kFailure;
    }
    return kSuccess;
}

void RegisterEnsembleMergeCommand(CommandLine& line) {
    struct MergeOptions {
        std::string out;
        std::vector<std::string> parts;
    };
    auto options = std::make_shared<MergeOptions>();
    CLI::App* command = line.app().add_subcommand(
        "ensemble-merge", "Join the parts of an ensemble run with --shard into the file one ensemble writes");
    command->add_option("out", options->out, "The merged CSV")->required();
    command
        ->add_option(
            "parts", options->parts,
            "The parts, in the order of their slices (shard 1 first), each with its PART.shard beside it")
        ->required();
    line.add(command, [options](std::ostream&, const Console& console) {
        return MergeEnsembleParts(options->out, options->parts, console);
    });
}

} // namespace tulo::cli
