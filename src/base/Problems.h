#pragma once
// Problems with a user's input, collected field by field so that the user sees all of them at once. The
// window puts each beside its field, the command line prints it, tests compare the field.

#include <string>
#include <string_view>
#include <vector>

namespace tulo {

struct InputProblem {
    // The form's control or grid ("txtRUE", "sprWeather"); below the form, the input's id ("RUE",
    // "SowingDate"), which the form turns into its control; or what else was read.
    std::string field;
    int row = 0; // grid row and column, 1-based; 0 when the field is not a grid cell
    int column = 0;
    std::string text; // the message shown to the user
    friend bool operator==(const InputProblem&, const InputProblem&) = default;
};

using Problems = std::vector<InputProblem>;

// A value as a message quotes it: in double quotes, cut after 60 characters with "..." so that a cell of
// megabytes gives a message that still fits a screen. A cut never falls inside a UTF-8 character.
std::string QuoteValue(std::string_view text);

// "<label>: "<text>" is not a number." (or "<label>: the value is missing.")
std::string NotANumberMessage(std::string_view label, std::string_view text);

} // namespace tulo
