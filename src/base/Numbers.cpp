#include "base/Numbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace tulo {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string UpperCase(std::string_view text) {
    // ASCII only, whatever the locale: a byte of a UTF-8 character stays as it is.
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::optional<double> ParseNumber(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.size() > 64) return std::nullopt;
    std::string buffer(text);
    // A leading '+' is legal for users but not for from_chars.
    std::size_t start = (buffer[0] == '+') ? 1 : 0;
    if (start == 1 && (buffer.size() == 1 || buffer[1] == '-' || buffer[1] == '+')) return std::nullopt;
    int separators = 0;
    for (char& c : buffer) {
        if (c == ',' || c == '.') {
            c = '.';
            ++separators;
        } else if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == 'e' ||
                     c == 'E')) {
            return std::nullopt; // refuses "inf", "nan", hex and thousands grouping
        }
    }
    if (separators > 1) return std::nullopt;
    double value = 0.0;
    const char* begin = buffer.data() + start;
    const char* end = buffer.data() + buffer.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

double RoundHalfEven(double value) {
    // Written out rather than left to the floating-point rounding mode, which a library may change.
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) return floor + 1.0;
    if (diff < 0.5) return floor;
    return (std::fmod(floor, 2.0) == 0.0) ? floor : floor + 1.0;
}

std::optional<std::int32_t> ToInt32(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = RoundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value) return std::nullopt;
    return ToInt32(*value);
}

char* WriteShortestText(char* out, float value) {
    return std::to_chars(out, out + kNumberTextChars, value).ptr;
}

char* WriteShortestText(char* out, double value) {
    return std::to_chars(out, out + kNumberTextChars, value).ptr;
}

char* WriteSignificant(char* out, double value, int significantDigits) {
    return std::to_chars(out, out + kNumberTextChars, value, std::chars_format::general, significantDigits)
        .ptr;
}

char* WriteWholeNumber(char* out, std::int64_t value) {
    return std::to_chars(out, out + kNumberTextChars, value).ptr;
}

std::string ShortestText(float value) {
    char buffer[kNumberTextChars];
    return std::string(buffer, WriteShortestText(buffer, value));
}

std::string ShortestText(double value) {
    char buffer[kNumberTextChars];
    return std::string(buffer, WriteShortestText(buffer, value));
}

std::string FormatSignificant(double value, int significantDigits) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, significantDigits);
    return std::string(buffer, result.ptr);
}

double RoundToSignificant(double value, int significantDigits) {
    const std::string text = FormatSignificant(value, significantDigits);
    double rounded = value;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    return rounded;
}

} // namespace tulo
