#include "io/TextFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

namespace tulo {

namespace fs = std::filesystem;

std::optional<std::string> WriteFileAtomically(const fs::path& target, std::string_view content) {
    std::error_code ec;
    if (fs::is_directory(target, ec)) return "Cannot write " + target.string() + ": it is a folder.";
    std::random_device entropy;
    fs::path temporary = target;
    temporary += ".tmp" + std::to_string(entropy() % 1000000);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return "Cannot write " + target.string() + ": " + std::strerror(errno) + ".";
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temporary, ec);
            return "Cannot write " + target.string() + ": the disk refused the data.";
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return "Cannot write " + target.string() + ": " + ec.message() + ".";
    }
    return std::nullopt;
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
