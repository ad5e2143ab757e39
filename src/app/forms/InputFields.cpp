#include "forms/InputFields.h"

namespace tulo {

std::string ctl::chkReport(int i) {
    return "chkReport" + std::to_string(i);
}

} // namespace tulo
