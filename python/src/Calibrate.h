#pragma once
// tulo.calibrate: `tulo-cli calibrate` on a season of the package.

#include <pybind11/pybind11.h>

namespace tulo::python {

// Adds calibrate to the module.
void RegisterCalibrate(pybind11::module_& module);

} // namespace tulo::python
