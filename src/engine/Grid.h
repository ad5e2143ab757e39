#pragma once
// A table of text cells, addressed by 1-based row and column, as every table of the main window is.
//
// Row 0 holds the captions and column 0 the row headers; they are kept apart from the data cells in the
// sense that clearing the data leaves them. Reading outside the grid gives an empty text, as a
// spreadsheet does; writing outside it is a programming error.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tulo {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The background that marks values the program estimated itself (for example relative humidity).
inline constexpr Rgb kLightCyan{192, 255, 255};

class Grid {
public:
    Grid() : Grid(0, 0) {} // the caption cell (0, 0) exists even in an empty grid
    Grid(int rows, int cols);

    int rows() const { return rows_; }
    int cols() const { return cols_; }

    // Text of the cell at (row, col); 0 <= row <= rows(), 0 <= col <= cols(). Outside: empty text.
    const std::string& text(int row, int col) const;
    void setText(int row, int col, std::string text);

    std::optional<Rgb> background(int row, int col) const;
    void setBackground(int row, int col, std::optional<Rgb> colour);

    // Whole-number cells are marked after an import so that views can show them as integers.
    bool wholeNumber(int row, int col) const;
    void setWholeNumber(int row, int col, bool whole);

    // Date cells are marked after an import: their text is the date in ISO form ("2026-06-15", with
    // " 08:30:00" after it for a time of day), which the mark tells from a text that only looks so.
    bool date(int row, int col) const;
    void setDate(int row, int col, bool date);

    // Display width of a column (0 = the view's default); column 0 is the row-header column.
    double columnWidth(int col) const;
    void setColumnWidth(int col, double width);

    // New size; cells inside both the old and the new size keep their contents.
    void resize(int rows, int cols);

    // Blanks every data cell (rows and columns from 1), its background and marks; captions stay.
    void clearData();

    // Number of consecutive rows, from row 1, whose cell in column `col` is not empty, at most `limit`.
    int countFilledRows(int col, int limit) const;

    friend bool operator==(const Grid&, const Grid&) = default;

private:
    std::size_t index(int row, int col) const;
    void check(int row, int col) const;

    int rows_ = 0;
    int cols_ = 0;
    std::vector<std::string> texts_;
    std::vector<std::optional<Rgb>> backgrounds_;
    std::vector<bool> wholeNumbers_;
    std::vector<bool> dates_;
    std::vector<double> columnWidths_;
};

} // namespace tulo
