#include "app/UnattendedUi.h"

#include <iostream>

namespace tulo::app {

void UnattendedUi::message(std::string_view text, std::string_view, Icon) {
    std::cerr << text << '\n';
}

} // namespace tulo::app
