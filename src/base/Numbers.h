#pragma once
// Conversions between the texts users type and the numbers the model computes with.
//
// Users of the desktop program type numbers with either a decimal point or a decimal comma, so the
// parser accepts both. Whole-number conversions round half to even, as every conversion of a real value
// to an integer in the model does.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

// Leading and trailing blanks (spaces, tabs, CR, LF) removed.
std::string_view Trim(std::string_view text);
// Whether two texts are equal but for the case of their ASCII letters.
bool EqualIgnoringCase(std::string_view a, std::string_view b);
// The text with its ASCII letters in upper case (the file formats' titles and codes).
std::string UpperCase(std::string_view text);

// The number a text holds: optional sign, digits with one decimal point or one decimal comma, optional
// exponent; surrounding blanks allowed. Empty texts and anything else give no value. Infinities and
// NaN are refused.
std::optional<double> ParseNumber(std::string_view text);

// Round to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
double RoundHalfEven(double value);

// A real value converted to a 32-bit integer (halves to even); no value when it does not fit.
std::optional<std::int32_t> ToInt32(double value);

// A text converted to a 32-bit integer through its numeric value ("120", "120.0", "119,5" -> 120).
std::optional<std::int32_t> ParseInt32(std::string_view text);

// Shortest text that reads back as the same single / double value ("0.1", "70000", "2.5").
std::string ShortestText(float value);
std::string ShortestText(double value);

// A value with the given number of significant digits, like printf's %.Ng (9 digits restore a single
// exactly, 17 a double).
std::string FormatSignificant(double value, int significantDigits);

// The same texts, and std::to_string's of a whole number, written at `out` and followed by nothing: a
// table of many rows writes its cells without a string each. `out` has room for kNumberTextChars
// characters (significant digits at most 17); the end of the text is returned.
inline constexpr std::size_t kNumberTextChars = 32;
char* WriteShortestText(char* out, float value);
char* WriteShortestText(char* out, double value);
char* WriteSignificant(char* out, double value, int significantDigits);
char* WriteWholeNumber(char* out, std::int64_t value);

// The value as it reads back from FormatSignificant (a real value kept as text with so many digits).
double RoundToSignificant(double value, int significantDigits);

} // namespace tulo
