// The configuration reader and the season's checks under fuzzing: whatever a .sim file holds, reading it
// never crashes, the typed configuration it reads formats to a text that reads back as the same
// configuration, compiles as it was read without a crash, and a configuration that passes the checks as
// the window opens it runs a season whose every output is finite.

#include "engine/Season.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/OpeningSeason.h"
#include "inputs/SeasonCompile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tulo::ConfigurationReading reading =
        tulo::ReadConfiguration(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!reading.configuration) return 0;
    const tulo::ConfigurationReading again =
        tulo::ReadConfiguration(tulo::FormatConfiguration(*reading.configuration));
    if (!again.configuration || !(*again.configuration == *reading.configuration)) std::abort();

    // Compiled as it was read, every table row and item as the file gives it.
    (void)tulo::CompileSeason(*reading.configuration);

    // Held as the window holds it once opened, and compiled with a new window's run choices.
    const tulo::Compilation compiled = tulo::CompileSeason(tulo::OpenedConfiguration(*reading.configuration));
    if (!compiled.inputs) return 0;
    static auto run = std::make_unique<tulo::RunState>();
    tulo::RunSeason(*compiled.inputs, {}, *run);
    if (tulo::FirstNonFiniteOutput(*run)) std::abort(); // validated inputs must give a finite season
    return 0;
}
