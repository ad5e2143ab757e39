#include "base/CellName.h"

#include <algorithm>

namespace tulo {

std::string CellName(int row, int column) {
    // Column letters are a base-26 numeral without a zero digit: Z is 26, AA 27.
    std::string letters;
    for (long long c = column; c > 0; c = (c - 1) / 26) letters += static_cast<char>('A' + (c - 1) % 26);
    std::reverse(letters.begin(), letters.end());
    return letters + std::to_string(row);
}

} // namespace tulo
