#include "base/Problems.h"

#include "base/Numbers.h"

namespace tulo {

std::string QuoteValue(std::string_view text) {
    constexpr std::size_t kShown = 60;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A character starts at every byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters == kShown) return '"' + std::string(text.substr(0, i)) + "...\"";
        ++characters;
    }
    return '"' + std::string(text) + '"';
}

std::string NotANumberMessage(std::string_view label, std::string_view text) {
    if (Trim(text).empty()) return std::string(label) + ": the value is missing.";
    return std::string(label) + ": " + QuoteValue(text) + " is not a number.";
}

} // namespace tulo
