#pragma once
// The examples' seasons as the benchmarks start from them: the configuration read from its file, and
// compiled. Both throw when an example does not read or validate, which no benchmark should measure.

#include "engine/SeasonInputs.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/SeasonCompile.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace tulo::bench {

// `example` is a file name under examples/, as "demo.sim".
inline SeasonConfiguration ReadExample(const std::string& example) {
    ConfigurationReading reading =
        ReadConfigurationFile(std::string(TULO_SOURCE_DIR) + "/examples/" + example);
    if (!reading.configuration) throw std::runtime_error(reading.message);
    return std::move(*reading.configuration);
}

inline std::shared_ptr<const SeasonInputs> CompileExample(const SeasonConfiguration& configuration) {
    const Compilation compiled = CompileSeason(configuration);
    if (!compiled.inputs) throw std::runtime_error("example inputs do not validate");
    return compiled.inputs;
}

inline std::shared_ptr<const SeasonInputs> CompileExample(const std::string& example) {
    return CompileExample(ReadExample(example));
}

} // namespace tulo::bench
