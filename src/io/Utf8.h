#pragma once
// UTF-8 texts: the files TULO writes are UTF-8, while files from older programs may be in the Windows
// Western code page.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

void AppendUtf8(std::string& out, std::uint32_t code);

// The number of characters of a UTF-8 text; nothing when the bytes are not UTF-8 (overlong forms and
// surrogates included).
std::optional<std::size_t> Utf8Length(std::string_view text);

// A Windows-1252 text converted to UTF-8.
std::string FromWindows1252(std::string_view text);

} // namespace tulo
