#include "base/Problems.h"

#include "base/Numbers.h"

namespace tulo {

std::string NotANumberMessage(std::string_view label, std::string_view text) {
    if (Trim(text).empty()) return std::string(label) + ": the value is missing.";
    return std::string(label) + ": \"" + std::string(text) + "\" is not a number.";
}

} // namespace tulo
