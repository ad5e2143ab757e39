#include "io/FixedColumns.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cstddef>

namespace tulo {

namespace {

// How many lines the text has, near enough to reserve for them: a file of millions of days then takes
// no more than their size, not twice that while a vector grows.
std::size_t LineCount(std::string_view text) {
    const auto feeds = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    return (feeds > 0 ? feeds : static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'))) + 1;
}

} // namespace

std::vector<std::string_view> TextLines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string_view> lines;
    lines.reserve(LineCount(text));
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            if (start < text.size()) lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

std::vector<std::size_t> TitleEnds(std::string_view line) {
    std::vector<std::size_t> ends;
    const std::size_t at = line.find('@');
    std::size_t i = at == std::string_view::npos ? 0 : at + 1;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > 0 && line[i - 1] != ' ' && line[i - 1] != '\t' && line[i - 1] != '\r' &&
            (ends.empty() || ends.back() != i))
            ends.push_back(i);
    }
    return ends;
}

std::optional<std::vector<std::string_view>> FixedColumns(std::string_view line,
                                                          const std::vector<std::size_t>& ends) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    std::size_t firstEnd = 0;
    while (firstEnd < line.size() && blank(line[firstEnd])) ++firstEnd;
    while (firstEnd < line.size() && !blank(line[firstEnd])) ++firstEnd;
    if (ends.empty() || line.find('\t') != std::string_view::npos) return std::nullopt;
    const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(firstEnd) - static_cast<std::ptrdiff_t>(ends[0]);
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (const std::size_t titleEnd : ends) {
        const auto signedEnd = static_cast<std::ptrdiff_t>(titleEnd) + shift;
        if (signedEnd <= static_cast<std::ptrdiff_t>(start)) return std::nullopt;
        const auto end = static_cast<std::size_t>(signedEnd);
        if (end < line.size() && !blank(line[end]) && end > 0 && !blank(line[end - 1])) return std::nullopt;
        const std::string_view field = start < line.size() ? Trim(line.substr(start, end - start)) : "";
        if (std::any_of(field.begin(), field.end(), blank)) return std::nullopt;
        fields.push_back(field);
        start = end;
    }
    if (start < line.size() && !Trim(line.substr(start)).empty()) return std::nullopt;
    return fields;
}

} // namespace tulo
