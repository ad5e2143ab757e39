// The single-site calibration settings reader under fuzzing: whatever an .acc file holds, reading it never
// crashes, and what it accepts is written back as a file that reads back the same.

#include "calibration/SettingsFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tulo::AccSettings settings;
    if (!tulo::ParseAccSettings(std::string_view(reinterpret_cast<const char*>(data), size), settings))
        return 0;
    tulo::AccSettings again;
    if (!tulo::ParseAccSettings(tulo::FormatAccSettings(settings), again) || !(again == settings))
        std::abort();
    return 0;
}
