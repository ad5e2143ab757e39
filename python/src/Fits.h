#pragma once
// The fits of the command line's tools on a season of the package: thermal times to observed stages.

#include "SeasonSource.h"

#include <pybind11/pybind11.h>

namespace tulo::python {

// The thermal times that bring the season's stages to the observed days (day texts as the command line
// takes them; no emergence: its thermal time stays): {"parameters": {id: value}, "stages": [{stage,
// observed, simulated, error, note}], "season": the season with the fitted values}.
pybind11::dict FitPhenologyPython(const Season& season, const std::string& flowering,
                                  const std::string& maturity, const std::optional<std::string>& emergence);

} // namespace tulo::python
