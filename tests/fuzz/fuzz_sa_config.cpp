// The sampling tool's configuration under fuzzing: whatever the file holds, reading it never crashes, and
// a configuration it accepts gives a sample of finite values that its own sample reader reads back
// exactly (names, sizes and values), and whose indices can be computed without a crash.

#include "sensitivity/DesignSize.h"
#include "sensitivity/SimLab.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulo::sensitivity;
    Configuration config;
    if (!ParseConfiguration(std::string_view(reinterpret_cast<const char*>(data), size), config)) return 0;
    const int factors = static_cast<int>(config.factors.size());
    // Small designs only: the fuzzer looks for faults, not for the tool's speed on large samples.
    if (factors > 12 || DesignRows(config.method, factors) * factors > 4000) return 0;
    Sample sample;
    if (!DrawSample(config, sample)) return 0;
    for (const double value : sample.values)
        if (!std::isfinite(value)) std::abort(); // a sample holds numbers only
    SampleFile file;
    if (!ParseSampleFile(FormatSampleFile(sample), file)) std::abort(); // the tool must read its own sample
    if (file.rows != sample.design.rows || file.factors != factors || file.names != sample.names ||
        file.values != sample.values || !file.method)
        std::abort();
    std::vector<double> outputs(static_cast<std::size_t>(file.rows), 0.0);
    for (int r = 0; r < file.rows; ++r)
        for (int j = 0; j < factors; ++j)
            outputs[r] += (j + 1) * file.values[static_cast<std::size_t>(r) * factors + j];
    IndexResult result;
    if (ComputeSampleIndices(file, outputs, result)) FormatIndexFile(result, "y");
    return 0;
}
