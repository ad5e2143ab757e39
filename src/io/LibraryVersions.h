#pragma once
// The libraries the core is built with and their versions, for an About box: the spreadsheet libraries'
// headers are private to the core.

#include <string>
#include <utility>
#include <vector>

namespace tulo {

// Pairs of library name and version, the versions of the libraries loaded where they tell it.
std::vector<std::pair<std::string, std::string>> LibraryVersions();

} // namespace tulo
