#include "io/DataFolder.h"

#include <cstdlib>

namespace tulo {

namespace fs = std::filesystem;

fs::path DataFolder() {
    fs::path folder;
    if (const char* home = std::getenv("TULO_HOME"); home && *home) {
        folder = home;
    } else if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        folder = fs::path(data) / "tulo";
    } else if (const char* user = std::getenv("HOME"); user && *user) {
        folder = fs::path(user) / ".local" / "share" / "tulo";
    } else {
        folder = fs::temp_directory_path() / "tulo";
    }
    fs::create_directories(folder);
    return folder;
}

} // namespace tulo
