#pragma once
// `tulo-cli sensitivity` on a season of the package: the same request, tool, exchange files and indices.

#include "SeasonSource.h"

#include <pybind11/pybind11.h>

namespace tulo::python {

// Registers _tulo.sensitivity(season, method, ...): the options as the command line's texts, `threads`
// 0 for every core, `tool` the sampling and indices program (empty: $TULO_SIMLAB or beside the
// interpreter). It returns {"json": the text `--json` prints, "method": the index file's method line,
// "index_names": (index1's name, index2's), "runs": seasons run, "exchange_files": the analysis's
// folder}. Refused options raise InputRefused; a failed analysis leaves no folder and raises
// RuntimeError with the command line's message.
void RegisterSensitivity(pybind11::module_& module);

} // namespace tulo::python
