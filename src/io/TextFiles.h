#pragma once
// Reading and writing the program's files safely, and tables as CSV.

#include "base/Outcome.h"
#include "engine/Grid.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tulo {

// The most a text file the program reads (a configuration, a CSV table) may hold: thousands of times a
// real one, and still little enough to hold in memory at once.
inline constexpr std::uintmax_t kMaxTextFileBytes = std::uintmax_t{64} << 20;

// The whole of a regular file of at most `limit` bytes. Otherwise fails with why not, as a clause for a
// message ("it does not exist", "it is a folder", "it holds 67108865 bytes, more than 64 MiB
// (67108864 bytes), the most TULO reads of such a file"). A folder, a device or a
// pipe is refused before it is opened: reading one would fail, block or never end.
Result<std::string> ReadWholeFile(const std::filesystem::path& file, std::uintmax_t limit);

// The file a write to `target` replaces: the end of its chain of symbolic links, so that a link stays a
// link and its target receives the content. Fails with "Cannot write <target>: <why>." when there
// is no such file to replace: the links form a loop, or the target is a folder, a device or a pipe
// (renaming over /dev/null would replace the device).
Result<std::filesystem::path> ResolveWriteTarget(const std::filesystem::path& target);

// A file a command names, with what the command calls it in a message: "the configuration", "--daily".
struct NamedPath {
    std::string what;
    std::filesystem::path path;
};

// Refuses an output that would replace one of the command's inputs, whatever the spelling ("./a.sim",
// "../dir/a.sim") and through symbolic or hard links: "--daily ./a.sim is the configuration a.sim:
// choose another file." Nothing when the output is a new file or another file than every input.
std::optional<std::string> OutputReplacesInput(const NamedPath& output, std::span<const NamedPath> inputs);

// Refuses, before any long work, an output that would replace an input (see OutputReplacesInput) or that
// the write would fail on: a folder that does not exist or takes no new file (tried with an empty
// temporary file, removed at once), a folder or a device for a name. Nothing when it can be written.
std::optional<std::string> OutputRefusal(const NamedPath& output, std::span<const NamedPath> inputs);

// A file written piece by piece into a temporary file beside the resolved target and renamed over it
// when complete, so that the target is either the old file or the whole new one. An unfinished file's
// temporary is removed.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Fails, saying why, when the temporary file cannot be created.
    Outcome open(const std::filesystem::path& target);
    // False, from the first failed write on.
    bool write(std::string_view text);
    // Completes the file, or fails saying why: when the content was complete and only the renaming
    // failed, `keep` leaves the temporary file in place and the message names it.
    Outcome commit(bool keep = false);
    // Closes an unfinished file and keeps the part already written under a name no later command removes
    // ("<name>.partial-<n>" beside the target, see io/FileSets.h); returns that name.
    std::filesystem::path abandon();

private:
    std::filesystem::path target_, resolved_, temporary_;
    std::ofstream out_;
    bool open_ = false;
};

// Writes `content` to a temporary file beside the resolved target and renames it over that, so the file
// is either the old one or the complete new one; a failure says why.
Outcome WriteFileAtomically(const std::filesystem::path& target, std::string_view content);

// One CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

// The extent of a grid's used block: the last row and the last column holding any text (0 when blank).
struct UsedBlock {
    int rows = 0;
    int cols = 0;
};
UsedBlock FindUsedBlock(const Grid& grid);

// The used block of a grid as CSV: rows 1 .. last row with any text, columns 1 .. last column with any
// text; lines end with "\n".
std::string GridToCsv(const Grid& grid);

} // namespace tulo
