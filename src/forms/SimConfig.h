#pragma once
// The simulation configuration file (".sim"): everything typed into the main window for one simulation,
// one item per line in a fixed order, so that the window can be restored in one step.
//
// The file has no header or keys: an item is known by its position alone. Items 1 to 44 are the layout
// the program has always written; items 45 to 52 (disease switch, blast class and product, treatment
// days, report option, the cold-shock water level) follow them, and items 53 to 58 (the transplanting:
// switch, date, seedbed density, hills per m2, seedlings per hill, shock) follow those. Item 59, the
// season's calendar year as an integer item (" 2019 "), is written only when the year is known. A file of
// an older layout, which ends after item 44, 52 or 58, still opens, with the later controls at their
// opening defaults and no year.
//
// An older layout is told by what the file holds, not by where it stops: a file this version writes
// starts with a UTF-8 byte-order mark and ends with an empty line after its last item, so such a file
// that stops at an older layout's end without that empty line was cut, and is refused at the next item.
// Files without the mark, written before it, are read by where they end, as they always were.
//
// Reading checks the whole file before it changes anything: a short file, an item that does not convert
// or text after the last item leaves the form exactly as it was and gives a message naming the line and
// the item. Lines are read one at a time, so a file costs little more memory than its bytes.

#include "forms/FormModel.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

// The form as the text of a configuration file (lines ended by CR LF).
std::string FormatSimConfig(const FormModel& form);

// Reads a configuration's text into the form. On success returns nothing; otherwise a message such as
// `Line 40 (item 38, number of rows of the water-inflow table): "abc" is not a whole number.`, and the
// form is untouched.
std::optional<std::string> ParseSimConfig(std::string_view text, FormModel& form);

// Writes the form to `file` through a temporary file beside it that is then renamed over it, so a failed
// write never leaves a half-written configuration behind. Returns an error message on failure.
std::optional<std::string> WriteSimConfig(const FormModel& form, const std::filesystem::path& file);

// Reads `file` into the form; see ParseSimConfig. A file that does not exist gives "File not opened: it
// does not exist."
std::optional<std::string> ReadSimConfig(const std::filesystem::path& file, FormModel& form);

} // namespace tulo
