#include "io/TextFiles.h"

#include "io/FileSets.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tulo {

namespace fs = std::filesystem;

Result<std::string> ReadWholeFile(const fs::path& file, std::uintmax_t limit) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found) return Outcome::Failure("it does not exist");
    if (ec) return Outcome::Failure("it cannot be read (" + ec.message() + ")");
    if (fs::is_directory(status)) return Outcome::Failure("it is a folder");
    if (!fs::is_regular_file(status))
        return Outcome::Failure("it is not a regular file (a device, a pipe or a socket)");
    const std::string most = std::to_string(limit >> 20) + " MiB (" + std::to_string(limit) +
                             " bytes), the most TULO reads of such a file";
    const auto tooLarge = [&most](std::optional<std::uintmax_t> size) {
        return Outcome::Failure(size ? "it holds " + std::to_string(*size) + " bytes, more than " + most
                                     : "it holds more than " + most);
    };
    // The size is checked again while reading: the file may grow, and some report none (/proc).
    const std::uintmax_t size = fs::file_size(file, ec);
    if (size > limit && !ec) return tooLarge(size);
    std::ifstream in(file, std::ios::binary);
    if (!in) return Outcome::Failure("it cannot be opened (" + std::string(std::strerror(errno)) + ")");
    std::string bytes;
    // The whole file at once, not up to twice its size while the text grows.
    if (!ec) bytes.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > limit) return tooLarge(std::nullopt);
    }
    if (in.bad()) return Outcome::Failure("it cannot be read");
    return bytes;
}

Result<fs::path> ResolveWriteTarget(const fs::path& target) {
    const std::string cannot = "Cannot write " + target.string() + ": ";
    fs::path resolved = target;
    std::error_code ec;
    // As many links as the system itself follows before it gives up.
    for (int hop = 0; fs::is_symlink(fs::symlink_status(resolved, ec)); ++hop) {
        if (hop == 40) return Outcome::Failure(cannot + "its symbolic links form a loop.");
        const fs::path next = fs::read_symlink(resolved, ec);
        if (ec) return Outcome::Failure(cannot + ec.message() + ".");
        resolved = next.is_absolute() ? next : resolved.parent_path() / next;
    }
    const fs::file_status status = fs::status(resolved, ec);
    if (fs::is_directory(status)) return Outcome::Failure(cannot + "it is a folder.");
    if (fs::exists(status) && !fs::is_regular_file(status))
        return Outcome::Failure(cannot + "it is not a regular file (a device, a pipe or a socket).");
    return resolved;
}

std::optional<std::string> OutputReplacesInput(const NamedPath& output, std::span<const NamedPath> inputs) {
    // The file a write replaces; an output that cannot be resolved is refused by the write itself.
    const auto resolved = ResolveWriteTarget(output.path);
    if (!resolved) return std::nullopt;
    const fs::path& target = *resolved;
    std::error_code ec;
    // A file that does not exist yet is no input: every input is read before anything is written.
    if (!fs::exists(target, ec)) return std::nullopt;
    for (const NamedPath& input : inputs) {
        // Same device and inode: equal however either path is spelled or linked.
        if (!fs::equivalent(target, input.path, ec) || ec) continue;
        return output.what + " " + output.path.string() + " is " + input.what + " " + input.path.string() +
               ": choose another file.";
    }
    return std::nullopt;
}

std::optional<std::string> OutputRefusal(const NamedPath& output, std::span<const NamedPath> inputs) {
    if (auto refusal = OutputReplacesInput(output, inputs)) return refusal;
    AtomicFile probe;
    // An empty temporary file, removed with the probe.
    if (const Outcome opened = probe.open(output.path); !opened) return opened.message;
    return std::nullopt;
}

namespace {

constexpr std::string_view kTemporaryMark = ".tmp-tulo";

// The process that made a temporary of TemporaryNameBeside, from its name; nothing for any other name.
std::optional<long> TemporaryOwner(const std::string& name) {
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string::npos || mark == 0) return std::nullopt;
    const std::string_view rest = std::string_view(name).substr(mark + kTemporaryMark.size());
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == rest.size()) return std::nullopt;
    long pid = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + dash, pid);
    if (error != std::errc() || end != rest.data() + dash || pid <= 0) return std::nullopt;
    for (const char c : rest.substr(dash + 1))
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    return pid;
}

bool ProcessEnded(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

std::string RandomDigits() {
    static std::mt19937_64 numbers{std::random_device{}()};
    static std::mutex guard;
    const std::lock_guard lock(guard);
    return std::to_string(numbers() % 1000000000);
}

fs::path FolderOf(const fs::path& file) {
    return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

// Gives a file the program keeps for the user a name beside `resolved` that no later command sweeps,
// "<name>.<kind>-<n>"; returns that name, or the file's own when it cannot be renamed.
fs::path KeepAside(const fs::path& file, const fs::path& resolved, std::string_view kind) {
    fs::path kept = resolved;
    kept += "." + std::string(kind) + "-" + RandomDigits();
    std::error_code ec;
    fs::rename(file, kept, ec);
    return ec ? file : kept;
}

} // namespace

void RemoveStaleTemporaries(const fs::path& folder) {
    // A minute untouched: a process of another machine on a shared folder writes its file steadily.
    const auto limit = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const auto owner = TemporaryOwner(entry->path().filename().string());
        std::error_code inner;
        if (!owner || !entry->is_regular_file(inner) || !ProcessEnded(*owner)) continue;
        if (fs::last_write_time(entry->path(), inner) < limit && !inner) fs::remove(entry->path(), inner);
    }
}

fs::path TemporaryNameBeside(const fs::path& resolved) {
    static std::mutex guard;
    static std::set<std::string> swept;
    const fs::path folder = FolderOf(resolved);
    std::error_code ec;
    const fs::path key = fs::weakly_canonical(folder, ec);
    bool first = false;
    {
        const std::lock_guard lock(guard);
        first = swept.insert((ec ? folder : key).string()).second;
    }
    if (first) RemoveStaleTemporaries(folder);
    fs::path temporary = resolved;
    temporary += std::string(kTemporaryMark) + std::to_string(::getpid()) + "-" + RandomDigits();
    return temporary;
}

void KeepPermissions(const fs::path& file, const fs::path& replaced) {
    std::error_code ec;
    const fs::file_status status = fs::status(replaced, ec);
    if (ec || !fs::is_regular_file(status)) return;
    // The reading and writing bits alone: a set-user-id bit has no business on a data file.
    fs::permissions(file, status.permissions() & fs::perms::all, fs::perm_options::replace, ec);
}

AtomicFile::~AtomicFile() {
    if (!open_) return;
    out_.close();
    std::error_code ignored;
    fs::remove(temporary_, ignored);
}

Outcome AtomicFile::open(const fs::path& target) {
    target_ = target;
    auto resolved = ResolveWriteTarget(target);
    if (!resolved) return Outcome::Failure(resolved.message());
    resolved_ = std::move(resolved).value();
    const std::string cannot = "Cannot write " + target.string() + ": ";
    std::error_code ec;
    const fs::path folder = resolved_.parent_path().empty() ? fs::path(".") : resolved_.parent_path();
    const fs::file_status status = fs::status(folder, ec);
    if (status.type() == fs::file_type::not_found)
        return Outcome::Failure(cannot + "the folder " + folder.string() + " does not exist.");
    if (!ec && !fs::is_directory(status))
        return Outcome::Failure(cannot + folder.string() + " is not a folder.");
    temporary_ = TemporaryNameBeside(resolved_);
    out_.open(temporary_, std::ios::binary | std::ios::trunc);
    if (!out_) return Outcome::Failure(cannot + std::strerror(errno) + ".");
    open_ = true;
    KeepPermissions(temporary_, resolved_);
    return Outcome::Success();
}

bool AtomicFile::write(std::string_view text) {
    if (open_ && out_) out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return open_ && static_cast<bool>(out_);
}

Outcome AtomicFile::commit(bool keep) {
    if (!open_) return Outcome::Failure("Cannot write " + target_.string() + ": it was not opened.");
    out_.flush();
    const bool written = static_cast<bool>(out_);
    out_.close();
    std::error_code ec;
    if (!written || out_.fail()) {
        open_ = false;
        fs::remove(temporary_, ec);
        return Outcome::Failure("Cannot write " + target_.string() + ": the disk refused the data.");
    }
    fs::rename(temporary_, resolved_, ec);
    if (ec) {
        if (keep) {
            open_ = false;
            return Outcome::Failure("Cannot write " + target_.string() + ": " + ec.message() +
                                    "; the complete file is kept as " +
                                    KeepAside(temporary_, resolved_, "complete").string() + ".");
        }
        return Outcome::Failure("Cannot write " + target_.string() + ": " + ec.message() + ".");
    }
    open_ = false;
    return Outcome::Success();
}

fs::path AtomicFile::abandon() {
    out_.close();
    open_ = false;
    return KeepAside(temporary_, resolved_, "partial");
}

Outcome WriteFileAtomically(const fs::path& target, std::string_view content) {
    AtomicFile file;
    if (Outcome opened = file.open(target); !opened) return opened;
    file.write(content);
    return file.commit();
}

namespace {

// Puts back the targets already replaced, from the newest: each its old file, or none if it was new. An
// old file that cannot be put back is kept under a name no command sweeps, which the message names.
std::string RestoreTargets(const std::vector<fs::path>& targets, std::vector<fs::path>& asides,
                           std::size_t replaced) {
    std::string lost;
    for (std::size_t k = replaced; k-- > 0;) {
        std::error_code ec;
        if (asides[k].empty()) {
            fs::remove(targets[k], ec);
            continue;
        }
        fs::rename(asides[k], targets[k], ec);
        if (!ec) continue;
        lost += "; the old " + targets[k].string() + " is kept as " +
                KeepAside(asides[k], targets[k], "old").string();
        asides[k].clear();
    }
    return lost;
}

} // namespace

Outcome WriteFilesTogether(std::span<const FileContent> files) {
    const std::size_t count = files.size();
    std::vector<fs::path> targets(count), temporaries(count), asides(count);
    const auto removeAll = [](const std::vector<fs::path>& paths) {
        std::error_code ec;
        for (const fs::path& path : paths)
            if (!path.empty()) fs::remove(path, ec);
    };
    // Every new content on the disk first: a full disk or a missing folder stops the set here.
    for (std::size_t k = 0; k < count; ++k) {
        const std::string cannot = "Cannot write " + files[k].path.string() + ": ";
        auto resolved = ResolveWriteTarget(files[k].path);
        if (!resolved) {
            removeAll(temporaries);
            return Outcome::Failure(resolved.message() + " No file was written.");
        }
        targets[k] = std::move(resolved).value();
        temporaries[k] = TemporaryNameBeside(targets[k]);
        std::ofstream out(temporaries[k], std::ios::binary | std::ios::trunc);
        if (!out) {
            const std::string why = std::strerror(errno);
            temporaries[k].clear();
            removeAll(temporaries);
            return Outcome::Failure(cannot + why + "; no file was written.");
        }
        KeepPermissions(temporaries[k], targets[k]);
        out.write(files[k].content.data(), static_cast<std::streamsize>(files[k].content.size()));
        out.close();
        if (out.fail()) {
            removeAll(temporaries);
            return Outcome::Failure(cannot + "the disk refused the data; no file was written.");
        }
    }
    // Each old file under a second name, so that a failed rename can put it back.
    std::error_code ec;
    for (std::size_t k = 0; k < count; ++k) {
        if (!fs::exists(targets[k], ec)) continue;
        asides[k] = TemporaryNameBeside(targets[k]);
        fs::create_hard_link(targets[k], asides[k], ec);
        if (ec) fs::copy_file(targets[k], asides[k], ec);
        if (ec) {
            const std::string why = ec.message();
            removeAll(temporaries);
            removeAll(asides);
            return Outcome::Failure("Cannot write " + files[k].path.string() +
                                    ": its old file cannot be kept aside (" + why +
                                    "); no file was written.");
        }
    }
    for (std::size_t k = 0; k < count; ++k) {
        fs::rename(temporaries[k], targets[k], ec);
        if (!ec) continue;
        const std::string why = ec.message();
        const std::string lost = RestoreTargets(targets, asides, k);
        removeAll(temporaries);
        removeAll(asides);
        return Outcome::Failure("Cannot write " + files[k].path.string() + ": " + why +
                                "; no file was written" + lost + ".");
    }
    removeAll(asides);
    return Outcome::Success();
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

UsedBlock FindUsedBlock(const Grid& grid) {
    UsedBlock block;
    for (int r = 1; r <= grid.rows(); ++r)
        for (int c = 1; c <= grid.cols(); ++c)
            if (!grid.text(r, c).empty()) {
                block.rows = std::max(block.rows, r);
                block.cols = std::max(block.cols, c);
            }
    return block;
}

std::string GridToCsv(const Grid& grid) {
    const UsedBlock block = FindUsedBlock(grid);
    std::string csv;
    for (int r = 1; r <= block.rows; ++r) {
        for (int c = 1; c <= block.cols; ++c) {
            if (c > 1) csv += ',';
            csv += CsvField(grid.text(r, c));
        }
        csv += '\n';
    }
    return csv;
}

} // namespace tulo
