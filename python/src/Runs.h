#pragma once
// What the package runs: one season's daily series and summary, and ensembles of parameter sets whose
// chosen outputs land in a table of numbers. No Python here: the module releases the interpreter around
// these calls.

#include "engine/Outputs.h"
#include "engine/SeasonInputs.h"
#include "engine/SeasonSummary.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tulo::python {

// Runs the season on the calling thread's run state, which the next run on the thread reuses; InputRefused,
// with the command line's words, when a series is not finite.
const RunState& RunChecked(const SeasonInputs& inputs);

// One output of an ensemble: a summary key ("agb_max") or a daily series on a day ("LAI@200").
struct OutputColumn {
    std::string title;
    int summaryIndex = -1;                    // position among SummaryColumns(), or -1
    const OutputVariable* variable = nullptr; // the series, for NAME@DOY
    int day = 0;
};
// The columns of these names, the summary's when `names` is empty; InputRefused for an unknown name or a
// day the season does not simulate.
std::vector<OutputColumn> ResolveOutputs(const std::vector<std::string>& names, const SeasonInputs& inputs);

// The ensemble's table: row i of `values` (one value per output, NaN when absent) for set i, and the
// set's problem, empty when its season ran.
struct EnsembleTable {
    std::vector<double> values;
    std::vector<std::string> problems;
};

// Set i takes row i of `sets` (`rows` rows of `parameters.size()` values, row-major), the value of
// parameters[k] in column k; a NaN keeps the season's own value, as an empty cell of `tulo-cli ensemble`
// does.
EnsembleTable RunSets(const SeasonInputs& inputs, std::size_t rows, std::span<const double> sets,
                      std::span<const int> parameters, const std::vector<OutputColumn>& outputs, int threads);

} // namespace tulo::python
