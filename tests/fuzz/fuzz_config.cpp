// The configuration reader and the input records under fuzzing: whatever a .sim file holds, reading it
// never crashes, and a configuration that passes validation runs a season whose every output is finite.

#include "engine/Season.h"
#include "forms/SeasonForm.h"
#include "forms/SimConfig.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tulo::FormModel form;
    if (tulo::ParseSimConfig(std::string_view(reinterpret_cast<const char*>(data), size), form)) return 0;
    const tulo::Compilation compiled = tulo::CompileInputs(form);
    if (!compiled.inputs) return 0;
    static auto run = std::make_unique<tulo::RunState>();
    tulo::RunSeason(*compiled.inputs, {}, *run);
    if (tulo::FirstNonFiniteOutput(*run)) std::abort(); // validated inputs must give a finite season
    return 0;
}
