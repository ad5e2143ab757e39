// The sampling tool's sample and output files under fuzzing, as its second mode reads them: reading never
// crashes, and the indices of a sample it accepts are computed, or refused, without a crash.

#include "sensitivity/SimLab.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulo::sensitivity;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string name;
    std::vector<double> outputs;
    ParseOutputFile(text, name, outputs);
    SampleFile file;
    if (!ParseSampleFile(text, file)) return 0;
    // Small samples only: a header may announce a design of millions of rows.
    if (static_cast<long>(file.rows) * file.factors > 4000) return 0;
    outputs.assign(static_cast<std::size_t>(file.rows), 0.0);
    for (int r = 0; r < file.rows; ++r)
        for (int j = 0; j < file.factors; ++j)
            outputs[r] += (j % 3 + 1) * file.values[static_cast<std::size_t>(r) * file.factors + j];
    IndexResult result;
    if (ComputeSampleIndices(file, outputs, result)) FormatIndexFile(result, "y");
    return 0;
}
