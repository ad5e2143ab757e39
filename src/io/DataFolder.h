#pragma once
// TULO's own folder for the files it keeps between commands (parameter combinations, calibration and
// sensitivity exchange files): $TULO_HOME when set, otherwise the per-user data folder
// ($XDG_DATA_HOME/tulo, or ~/.local/share/tulo). Created when missing.

#include <filesystem>

namespace tulo {

// Throws std::filesystem::filesystem_error when the folder cannot be created.
std::filesystem::path DataFolder();

} // namespace tulo
