#pragma once
// Writing the program's text files safely, and tables as CSV.

#include "engine/Grid.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

// Writes `content` to a temporary file beside `target` and renames it over the target, so the target
// is either the old file or the complete new one. Returns an error message on failure.
std::optional<std::string> WriteFileAtomically(const std::filesystem::path& target, std::string_view content);

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
