#pragma once
// `tulo-cli sensitivity` on a season of the package: the same request, sampling, seasons and indices, run
// in this process.

#include "SeasonSource.h"

#include <pybind11/pybind11.h>

namespace tulo::python {

// Registers _tulo.sensitivity(season, method, ...): the options as the command line's texts, `threads`
// 0 for every core, `keep_files` to keep the exchange files as `--keep-files` does. It returns
// {"factors", "interactions": the lists `--json` prints, as Python objects, "method": the method line
// analysed, "index_names": (index1's name, index2's), "runs": seasons run, "exchange_files": the kept
// files' folder or None}. Refused options raise InputRefused; a failed analysis keeps no folder and
// raises RuntimeError with the command line's message.
void RegisterSensitivity(pybind11::module_& module);

} // namespace tulo::python
