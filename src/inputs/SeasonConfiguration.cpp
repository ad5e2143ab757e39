#include "inputs/SeasonConfiguration.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace tulo {

namespace {

// Whether the text is the value's canonical text; written on the stack, since a weather table asks it
// of every cell.
bool IsCanonical(std::int32_t value, std::string_view text) {
    char buffer[kNumberTextChars];
    return std::string_view(buffer, WriteWholeNumber(buffer, value)) == text;
}
template <class Real> bool IsCanonical(Real value, std::string_view text) {
    char buffer[kNumberTextChars];
    return std::string_view(buffer, WriteShortestText(buffer, value)) == text;
}

template <class T> NumberItem<T> MakeItem(std::optional<T> value, std::string text) {
    NumberItem<T> item;
    item.value = value;
    if (!value || !IsCanonical(*value, text)) item.text = std::move(text);
    return item;
}

std::optional<float> ReadSingle(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value || std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(*value);
}

std::optional<std::int32_t> ReadWhole(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value) return std::nullopt;
    return ToInt32(*value);
}

constexpr double kBlank = std::numeric_limits<double>::quiet_NaN();

} // namespace

std::string CanonicalText(std::int32_t value) {
    return std::to_string(value);
}
std::string CanonicalText(float value) {
    return ShortestText(value);
}
std::string CanonicalText(double value) {
    return ShortestText(value);
}

WholeItem ReadWholeItem(std::string text) {
    const auto value = ReadWhole(text);
    return MakeItem(value, std::move(text));
}

SingleItem ReadSingleItem(std::string text) {
    const auto value = ReadSingle(text);
    return MakeItem(value, std::move(text));
}

RealItem ReadRealItem(std::string text) {
    const auto value = ParseNumber(text);
    return MakeItem(value, std::move(text));
}

CropItem ReadCropItem(const ParameterInfo& info, std::string text) {
    CropItem item;
    if (info.kind == ParameterKind::Code) {
        // The run knows a list's text only as one of its choices, exactly.
        for (std::size_t k = 0; k < info.choices.size(); ++k)
            if (text == info.choices[k]) {
                item.value = static_cast<double>(k);
                return item;
            }
        item.text = std::move(text);
        return item;
    }
    // Held in the run's precision, and canonical as the number of that precision it is.
    const auto hold = [&](const auto& numbers) {
        item.value = numbers.value ? std::optional<double>(*numbers.value) : std::nullopt;
        item.text = numbers.text;
        return item;
    };
    return info.whole ? hold(ReadWholeItem(std::move(text))) : hold(ReadSingleItem(std::move(text)));
}

std::string CropItemText(const ParameterInfo& info, const CropItem& item) {
    if (!item.text.empty() || !item.value) return item.text;
    if (info.kind == ParameterKind::Code) {
        const auto code = static_cast<std::size_t>(*item.value);
        return code < info.choices.size() ? std::string(info.choices[code]) : std::string();
    }
    if (info.whole) return CanonicalText(static_cast<std::int32_t>(*item.value));
    return CanonicalText(static_cast<float>(*item.value));
}

std::vector<CropItem> BlankCropItems() {
    std::vector<CropItem> items;
    for (const ParameterInfo& info : CropParameterRegistry())
        items.push_back(info.kind == ParameterKind::Switch ? CropItem{0, {}} : CropItem{});
    return items;
}

NumberTable::NumberTable(int rows, int cols)
    : rows_(rows), cols_(cols),
      values_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), kBlank) {}

void NumberTable::addRow() {
    ++rows_;
    values_.resize(values_.size() + static_cast<std::size_t>(cols_), kBlank);
}

std::size_t NumberTable::index(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) throw std::out_of_range("NumberTable cell");
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(col);
}

const std::string* NumberTable::keptText(int row, int col) const {
    const auto kept = texts_.find(index(row, col));
    return kept == texts_.end() ? nullptr : &kept->second;
}

void NumberTable::setValue(int row, int col, double value) {
    const std::size_t at = index(row, col);
    values_[at] = value;
    texts_.erase(at);
}

void NumberTable::setText(int row, int col, std::string text) {
    const std::size_t at = index(row, col);
    const auto value = ParseNumber(text);
    values_[at] = value.value_or(kBlank);
    if ((value && IsCanonical(*value, text)) || (!value && text.empty()))
        texts_.erase(at);
    else
        texts_[at] = std::move(text);
}

std::string NumberTable::text(int row, int col) const {
    const std::size_t at = index(row, col);
    if (const auto kept = texts_.find(at); kept != texts_.end()) return kept->second;
    return std::isnan(values_[at]) ? std::string() : CanonicalText(values_[at]);
}

NumberTable TableFromGrid(const Grid& grid, int limit, int cols) {
    const int rows = grid.countFilledRows(1, limit);
    NumberTable table(rows, cols);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c) table.setText(r - 1, c - 1, grid.text(r, c));
    return table;
}

bool operator==(const NumberTable& a, const NumberTable& b) {
    return a.rows_ == b.rows_ && a.cols_ == b.cols_ && a.texts_ == b.texts_ &&
           std::equal(a.values_.begin(), a.values_.end(), b.values_.begin(), b.values_.end(),
                      [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); });
}

} // namespace tulo
