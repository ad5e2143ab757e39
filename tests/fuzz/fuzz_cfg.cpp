// The multi-site calibration settings reader under fuzzing: whatever a .cfg file holds, reading it never
// crashes, what it accepts reads back the same once written, and the sites in use are those before the
// first without weather unless a later one is named as left out.

#include "base/Numbers.h"
#include "calibration/SettingsFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tulo::CfgSettings settings;
    if (!tulo::ParseCfgSettings(std::string_view(reinterpret_cast<const char*>(data), size), settings))
        return 0;
    tulo::CfgSettings again;
    if (!tulo::ParseCfgSettings(tulo::FormatCfgSettings(settings), again) || !(again == settings))
        std::abort();
    const int sites = tulo::SitesInUse(settings);
    if (sites < 0 || sites > tulo::kCalibrationSites) std::abort();
    if (!tulo::SiteAfterTheLast(settings) && sites < tulo::kCalibrationSites &&
        !tulo::Trim(settings.sites[static_cast<std::size_t>(sites)].agb).empty())
        std::abort(); // a site naming measurements without weather must be named
    return 0;
}
