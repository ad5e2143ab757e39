#pragma once
// Cells named as a spreadsheet program shows them, so that a user can go straight to the cell a message
// names.

#include <string>

namespace tulo {

// "B154" for row 154, column 2 (both 1-based); columns run A ... Z, AA ... ZZ, AAA ...
std::string CellName(int row, int column);

} // namespace tulo
