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

// The season's run evaluated against measurements of one of the six evaluable report variables ("AGB tot
// (tAGB/ha)", ...): a table of titles in row 1 then day (or date) and value, named `source` in messages,
// as `tulo-cli evaluate --json` gives it, with the pairs as (day, measured, simulated) lists and the
// notes the command line prints after `notes` (what reading the table said).
pybind11::dict EvaluatePython(const Season& season, const std::string& variable, const Grid& table,
                              const std::string& source, std::vector<std::string> notes);

} // namespace tulo::python
