// The index file as the window and the command line read it back, and the tool's index request, under
// fuzzing: whatever they hold, reading never crashes and what is read stays within the factors asked for.

#include "sensitivity/Analysis.h"
#include "sensitivity/SimLab.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulo::sensitivity;
    if (size == 0) return 0;
    // The first byte picks the factors the reader expects and whether it reads a Sobol' file.
    const int factors = data[0] % kGrowthFactors + 1;
    const bool sobol = data[0] & 0x80;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<int> rows;
    for (int j = 0; j < factors; ++j) rows.push_back(j);
    IndexResults results;
    if (ParseIndexFile(text, rows, sobol, results)) {
        if (results.factors.size() != rows.size()) std::abort();
        // An interaction joins two or three distinct factors of the analysis.
        for (const InteractionResult& interaction : results.interactions) {
            std::vector<std::string> names = interaction.names;
            std::sort(names.begin(), names.end());
            if (names.size() < 2 || names.size() > 3 ||
                std::adjacent_find(names.begin(), names.end()) != names.end())
                std::abort();
        }
    }
    IndexRequest request;
    ParseIndexRequest(text, request);
    return 0;
}
