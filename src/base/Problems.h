#pragma once
// Validation problems, collected field by field so that the user sees all of them at once.

#include <string>
#include <string_view>
#include <vector>

namespace tulo {

using Problems = std::vector<std::string>;

// "<field>: "<text>" is not a number." (or "... is empty.")
std::string NotANumberMessage(std::string_view field, std::string_view text);

} // namespace tulo
