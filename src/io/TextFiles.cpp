#include "io/TextFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

namespace tulo {

namespace fs = std::filesystem;

std::optional<std::string> ReadWholeFile(const fs::path& file, std::uintmax_t limit, std::string& bytes) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found) return std::string("it does not exist");
    if (ec) return "it cannot be read (" + ec.message() + ")";
    if (fs::is_directory(status)) return std::string("it is a folder");
    if (!fs::is_regular_file(status))
        return std::string("it is not a regular file (a device, a pipe or a socket)");
    const std::string most = std::to_string(limit >> 20) + " MiB (" + std::to_string(limit) +
                             " bytes), the most TULO reads of such a file";
    const auto tooLarge = [&most](std::optional<std::uintmax_t> size) {
        return size ? "it holds " + std::to_string(*size) + " bytes, more than " + most
                    : "it holds more than " + most;
    };
    // The size is checked again while reading: the file may grow, and some report none (/proc).
    const std::uintmax_t size = fs::file_size(file, ec);
    if (size > limit && !ec) return tooLarge(size);
    std::ifstream in(file, std::ios::binary);
    if (!in) return "it cannot be opened (" + std::string(std::strerror(errno)) + ")";
    bytes.clear();
    // The whole file at once, not up to twice its size while the text grows.
    if (!ec) bytes.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > limit) {
            bytes.clear();
            bytes.shrink_to_fit();
            return tooLarge(std::nullopt);
        }
    }
    if (in.bad()) return std::string("it cannot be read");
    return std::nullopt;
}

std::optional<std::string> ResolveWriteTarget(const fs::path& target, fs::path& resolved) {
    const std::string cannot = "Cannot write " + target.string() + ": ";
    resolved = target;
    std::error_code ec;
    // As many links as the system itself follows before it gives up.
    for (int hop = 0; fs::is_symlink(fs::symlink_status(resolved, ec)); ++hop) {
        if (hop == 40) return cannot + "its symbolic links form a loop.";
        const fs::path next = fs::read_symlink(resolved, ec);
        if (ec) return cannot + ec.message() + ".";
        resolved = next.is_absolute() ? next : resolved.parent_path() / next;
    }
    const fs::file_status status = fs::status(resolved, ec);
    if (fs::is_directory(status)) return cannot + "it is a folder.";
    if (fs::exists(status) && !fs::is_regular_file(status))
        return cannot + "it is not a regular file (a device, a pipe or a socket).";
    return std::nullopt;
}

std::optional<std::string> OutputReplacesInput(const NamedPath& output, std::span<const NamedPath> inputs) {
    // The file a write replaces; an output that cannot be resolved is refused by the write itself.
    fs::path target;
    if (ResolveWriteTarget(output.path, target)) return std::nullopt;
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
    return probe.open(output.path); // an empty temporary file, removed with the probe
}

AtomicFile::~AtomicFile() {
    if (!open_) return;
    out_.close();
    std::error_code ignored;
    fs::remove(temporary_, ignored);
}

std::optional<std::string> AtomicFile::open(const fs::path& target) {
    target_ = target;
    if (auto error = ResolveWriteTarget(target, resolved_)) return error;
    const std::string cannot = "Cannot write " + target.string() + ": ";
    std::error_code ec;
    const fs::path folder = resolved_.parent_path().empty() ? fs::path(".") : resolved_.parent_path();
    const fs::file_status status = fs::status(folder, ec);
    if (status.type() == fs::file_type::not_found)
        return cannot + "the folder " + folder.string() + " does not exist.";
    if (!ec && !fs::is_directory(status)) return cannot + folder.string() + " is not a folder.";
    std::random_device entropy;
    temporary_ = resolved_;
    temporary_ += ".tmp" + std::to_string(entropy() % 1000000);
    out_.open(temporary_, std::ios::binary | std::ios::trunc);
    if (!out_) return cannot + std::strerror(errno) + ".";
    open_ = true;
    return std::nullopt;
}

bool AtomicFile::write(std::string_view text) {
    if (open_ && out_) out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return open_ && static_cast<bool>(out_);
}

std::optional<std::string> AtomicFile::commit(bool keep) {
    if (!open_) return "Cannot write " + target_.string() + ": it was not opened.";
    out_.flush();
    const bool written = static_cast<bool>(out_);
    out_.close();
    std::error_code ec;
    if (!written || out_.fail()) {
        open_ = false;
        fs::remove(temporary_, ec);
        return "Cannot write " + target_.string() + ": the disk refused the data.";
    }
    fs::rename(temporary_, resolved_, ec);
    if (ec) {
        if (keep) {
            open_ = false;
            return "Cannot write " + target_.string() + ": " + ec.message() +
                   "; the complete file is kept as " + temporary_.string() + ".";
        }
        return "Cannot write " + target_.string() + ": " + ec.message() + ".";
    }
    open_ = false;
    return std::nullopt;
}

fs::path AtomicFile::abandon() {
    out_.close();
    open_ = false;
    return temporary_;
}

std::optional<std::string> WriteFileAtomically(const fs::path& target, std::string_view content) {
    AtomicFile file;
    if (auto error = file.open(target)) return error;
    file.write(content);
    return file.commit();
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
