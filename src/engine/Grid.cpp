#include "engine/Grid.h"

#include <algorithm>
#include <stdexcept>

namespace tulo {

namespace {
const std::string kEmpty;
}

Grid::Grid(int rows, int cols) {
    resize(rows, cols);
}

std::size_t Grid::index(int row, int col) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_ + 1) +
           static_cast<std::size_t>(col);
}

void Grid::check(int row, int col) const {
    if (row < 0 || row > rows_ || col < 0 || col > cols_)
        throw std::out_of_range("grid cell (" + std::to_string(row) + ", " + std::to_string(col) +
                                ") outside " + std::to_string(rows_) + " x " + std::to_string(cols_));
}

const std::string& Grid::text(int row, int col) const {
    if (row < 0 || row > rows_ || col < 0 || col > cols_) return kEmpty;
    return texts_[index(row, col)];
}

void Grid::setText(int row, int col, std::string text) {
    check(row, col);
    texts_[index(row, col)] = std::move(text);
}

std::optional<Rgb> Grid::background(int row, int col) const {
    if (row < 0 || row > rows_ || col < 0 || col > cols_) return std::nullopt;
    return backgrounds_[index(row, col)];
}

void Grid::setBackground(int row, int col, std::optional<Rgb> colour) {
    check(row, col);
    backgrounds_[index(row, col)] = colour;
}

bool Grid::wholeNumber(int row, int col) const {
    if (row < 0 || row > rows_ || col < 0 || col > cols_) return false;
    return wholeNumbers_[index(row, col)];
}

void Grid::setWholeNumber(int row, int col, bool whole) {
    check(row, col);
    wholeNumbers_[index(row, col)] = whole;
}

bool Grid::date(int row, int col) const {
    if (row < 0 || row > rows_ || col < 0 || col > cols_) return false;
    return dates_[index(row, col)];
}

void Grid::setDate(int row, int col, bool date) {
    check(row, col);
    dates_[index(row, col)] = date;
}

double Grid::columnWidth(int col) const {
    return (col >= 0 && col <= cols_) ? columnWidths_[static_cast<std::size_t>(col)] : 0.0;
}

void Grid::setColumnWidth(int col, double width) {
    check(0, col);
    columnWidths_[static_cast<std::size_t>(col)] = width;
}

void Grid::resize(int rows, int cols) {
    if (rows < 0 || cols < 0) throw std::invalid_argument("negative grid size");
    std::vector<std::string> texts(static_cast<std::size_t>(rows + 1) * static_cast<std::size_t>(cols + 1));
    std::vector<std::optional<Rgb>> backgrounds(texts.size());
    std::vector<bool> wholeNumbers(texts.size());
    std::vector<bool> dates(texts.size());
    columnWidths_.resize(static_cast<std::size_t>(cols + 1), 0.0);
    const int keepRows = std::min(rows, rows_);
    const int keepCols = std::min(cols, cols_);
    for (int r = 0; r <= keepRows && !texts_.empty(); ++r)
        for (int c = 0; c <= keepCols; ++c) {
            const std::size_t to = static_cast<std::size_t>(r) * static_cast<std::size_t>(cols + 1) +
                                   static_cast<std::size_t>(c);
            texts[to] = std::move(texts_[index(r, c)]);
            backgrounds[to] = backgrounds_[index(r, c)];
            wholeNumbers[to] = wholeNumbers_[index(r, c)];
            dates[to] = dates_[index(r, c)];
        }
    rows_ = rows;
    cols_ = cols;
    texts_ = std::move(texts);
    backgrounds_ = std::move(backgrounds);
    wholeNumbers_ = std::move(wholeNumbers);
    dates_ = std::move(dates);
}

void Grid::clearData() {
    for (int r = 1; r <= rows_; ++r)
        for (int c = 1; c <= cols_; ++c) {
            texts_[index(r, c)].clear();
            backgrounds_[index(r, c)].reset();
            wholeNumbers_[index(r, c)] = false;
            dates_[index(r, c)] = false;
        }
}

int Grid::countFilledRows(int col, int limit) const {
    int count = 0;
    while (count < limit && count < rows_ && !text(count + 1, col).empty()) ++count;
    return count;
}

} // namespace tulo
