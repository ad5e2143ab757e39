#include "io/LibraryVersions.h"

#include <oneapi/tbb/version.h>
#include <orcus/info.hpp>
#include <xlsxwriter.h>

namespace tulo {

std::vector<std::pair<std::string, std::string>> LibraryVersions() {
    const std::string orcus = std::to_string(orcus::get_version_major()) + "." +
                              std::to_string(orcus::get_version_minor()) + "." +
                              std::to_string(orcus::get_version_micro());
    return {
        {"oneTBB", TBB_runtime_version()},
        {"orcus", orcus},
        {"libxlsxwriter", LXW_VERSION},
    };
}

} // namespace tulo
