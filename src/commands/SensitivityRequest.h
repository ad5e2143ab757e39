#pragma once
// A sensitivity analysis asked for by texts, as `tulo-cli sensitivity` takes its options and the Python
// package its arguments, and its indices as `--json` gives them: one set of refusals and one set of keys
// for both, nothing printed.

#include "base/Outcome.h"
#include "engine/SeasonInputs.h"
#include "inputs/SeasonConfiguration.h"
#include "sensitivity/Analysis.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace tulo::sensitivity {

// The analysis's settings as typed on the command line.
struct AnalysisOptions {
    std::string method; // the window's text or the keyword ("Sobol method", "sobol")
    // The base sample size, required by every method but Morris: the runs of LHS, random, LpTau and FAST,
    // the base sample 2^(5+i) of Sobol'. Empty when the option came without a value.
    std::optional<std::string> executions;
    std::string seed = "1"; // LHS, random, Morris, FAST
    // "par1,TSUM1,...": parK or a crop parameter's id, workbook key or caption; par1 to par11 when not given
    std::optional<std::string> factors;
    std::vector<std::string> means, sds; // "NAME=V", NAME as in factors, replacing the default text
    std::string output = "agb";          // a keyword or caption of OutputChoices()
    std::string levels = "4";            // Morris
    std::string trajectories{kDefaultMorrisTrajectories}; // Morris, as in the window
    std::optional<std::string> computation; // Sobol' total (default) or custom; FAST classic or extended
    std::optional<std::string> order;       // Sobol' custom only: first (default), second or third
};

// The analysis the options ask for of a season's configuration, compiled to `compiled` (a factor's default
// mean is its value there); a failure for invalid inputs, with the command line's message, when the options
// are refused. Every refusal comes before anything runs.
Outcome RequestOfOptions(const AnalysisOptions& options, const SeasonConfiguration& configuration,
                         const SeasonInputs& compiled, AnalysisRequest& request);

// The indices as `tulo-cli sensitivity --json` prints them: a list of {factor, label, index1, index2,
// ci1, ci2, truncated, varied}, or, when there are interactions, {factors: that list, interactions:
// [{factors, label, index, ci}]}.
nlohmann::ordered_json ResultsJson(const IndexResults& results);

} // namespace tulo::sensitivity
