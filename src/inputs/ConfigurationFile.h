#pragma once
// The simulation configuration file (".sim"): a season's configuration, one item per line in a fixed
// order, so that the window can be restored in one step.
//
// The file has no header or keys: an item is known by its position alone. Items 1 to 44 are the layout
// the program has always written; items 45 to 52 (disease switch, blast class and product, treatment
// days, report option, the cold-shock water level) follow them, and items 53 to 58 (the transplanting:
// switch, date, seedbed density, hills per m2, seedlings per hill, shock) follow those. Item 59, the
// season's calendar year as an integer item (" 2019 "), is written only when the year is known. A file of
// an older layout, which ends after item 44, 52 or 58, still opens, with no year.
//
// An older layout is told by what the file holds, not by where it stops: a file this version writes
// starts with a UTF-8 byte-order mark and ends with an empty line after its last item, so such a file
// that stops at an older layout's end without that empty line was cut, and is refused at the next item.
// Files without the mark, written before it, are read by where they end, as they always were.
//
// Reading checks the whole file before it gives anything: a short file, an item that does not convert
// or text after the last item gives a message naming the line and the item. Lines are read one at a
// time, so a file costs little more memory than its bytes.

#include "base/Outcome.h"
#include "inputs/SeasonConfiguration.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tulo {

// A crop parameter's place in the file: its item, its registry id and its name in the reader's messages.
struct CropParameterItem {
    int item;
    std::string_view id;
    std::string_view name;
};
// In item order.
std::span<const CropParameterItem> CropParameterItems();
// The item of the crop parameter of registry id `id`; none for a constant of the model, which no
// configuration holds.
const CropParameterItem* FindCropParameterItem(std::string_view id);
// The transplanting's items, its switch first, follow the items files of the older layouts end with.
inline constexpr int kFirstTransplantingItem = 53;

// The configuration a text holds, or why it holds none.
struct ConfigurationReading {
    std::optional<SeasonConfiguration> configuration;
    // When there is no configuration: such as `Line 40 (item 38, number of rows of the water-inflow
    // table): "abc" is not a whole number.`
    std::string message;
};
ConfigurationReading ReadConfiguration(std::string_view text);

// The configuration as the text of its file (lines ended by CR LF), in the layout it holds. The text
// reads back as the same configuration.
std::string FormatConfiguration(const SeasonConfiguration& configuration);

// Writes the configuration to `file` through a temporary file beside it that is then renamed over it, so
// a failed write never leaves a half-written configuration behind; a failure says why.
Outcome WriteConfigurationFile(const SeasonConfiguration& configuration, const std::filesystem::path& file);

// Reads `file`; see ReadConfiguration. A file that does not exist gives "File not opened: it does not
// exist."
ConfigurationReading ReadConfigurationFile(const std::filesystem::path& file);

} // namespace tulo
