// The DSSAT experiment import from its files: the input holds the .RIX, .RIT and .RIA texts, separated by
// lines "%%", written beside a station's weather file of 2019-2021 and imported whole.

#include "commands/DssatImport.h"
#include "io/DssatExperiment.h"
#include "support/DssatWeather.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        const auto made =
            std::filesystem::temp_directory_path() / ("tulo-fuzz-dssat-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made);
        std::ofstream(made / "TEST2101.WTH", std::ios::binary)
            << tulo::test::DssatWeather({2019, 2020, 2021});
        return made;
    }();
    return folder;
}

void Put(const std::string& name, std::string_view text) {
    std::ofstream(Folder() / name, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string_view parts[3];
    for (std::string_view& part : parts) {
        const std::size_t cut = text.find("\n%%\n");
        part = text.substr(0, cut);
        text = cut == std::string_view::npos ? std::string_view{} : text.substr(cut + 4);
    }
    (void)tulo::ReadDssatObservations(parts[1], "X.RIT", false);
    Put("TEST2101.RIX", parts[0]);
    Put("TEST2101.RIT", parts[1]);
    Put("TEST2101.RIA", parts[2]);
    tulo::DssatImportRequest request;
    request.experiment = Folder() / "TEST2101.RIX";
    request.floodedLevelCm = 5;
    tulo::Messages messages;
    if (const auto imported = tulo::ImportDssatExperiment(request, messages)) {
        (void)imported->files(Folder() / "out");
    }
    return 0;
}
