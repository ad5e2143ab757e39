#include "io/Workbook.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        tulo::ReadWorkbookBytes(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.csv");
    } catch (const tulo::WorkbookError&) {
    }
    return 0;
}
