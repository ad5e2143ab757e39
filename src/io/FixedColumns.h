#pragma once
// The lines of a text table, and rows of the fixed-width tables the DSSAT files keep (weather, experiments,
// measurements): a value stands right-aligned under its column's title, so that a row whose optional values
// are left blank is still read by the places of its titles.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tulo {

// The text's lines without their line ends (LF, CR LF or a lone CR), after a UTF-8 byte-order mark.
std::vector<std::string_view> TextLines(std::string_view text);

// The fields of a line separated by blanks (spaces, tabs).
std::vector<std::string_view> SplitBlanks(std::string_view line);

// Where each title of a title line ("@DATE  SRAD  TMAX") ends: a title's last character is its
// column's last.
std::vector<std::size_t> TitleEnds(std::string_view line);

// A data row read by the fixed columns (`ends`, as TitleEnds gives them); a blank column gives an empty
// field. The first value may be wider (a date YYYYDDD under a title made for YYDDD) or narrower than its
// title: the whole row moves with it. Nothing when a value stands across a column's edge or beyond the
// last column, where the row does not follow the columns.
std::optional<std::vector<std::string_view>> FixedColumns(std::string_view line,
                                                          const std::vector<std::size_t>& ends);

} // namespace tulo
