#pragma once
// tulo-cli sensitivity: a sensitivity analysis of any numeric crop parameters without a display, through the
// same exchange files and tool as the window.

#include "forms/SeasonOptions.h"
#include "forms/SetupForm.h"
#include "forms/UserInterface.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tulo::cli {

class CommandLine;

void RegisterSensitivityCommand(CommandLine& line);

struct SensitivityOptions {
    std::string config;
    SeasonOptions season; // the season changed for this command
    std::string method;   // the window's text or the keyword ("Sobol method", "sobol")
    // The base sample size, required by every method but Morris: the runs of LHS, random, LpTau and FAST,
    // the base sample 2^(5+i) of Sobol'. Empty when the option came without a value.
    std::optional<std::string> executions;
    std::string seed = "1"; // LHS, random, Morris, FAST
    // "par1,TSUM1,...": parK or a crop parameter's id, workbook key or caption; par1 to par11 when not given
    std::optional<std::string> factors;
    std::vector<std::string> means, sds; // "NAME=V", NAME as in factors, replacing the default text
    std::string output = "agb";          // a keyword or caption of sensitivity::OutputChoices()
    std::string levels = "4";            // Morris
    std::string trajectories{sensitivity::kDefaultMorrisTrajectories}; // Morris, as in the window
    std::optional<std::string> computation; // Sobol' total (default) or custom; FAST classic or extended
    std::optional<std::string> order;       // Sobol' custom only: first (default), second or third
    int threads = 0;
    bool json = false;
};

int Sensitivity(const SensitivityOptions& options, std::ostream& out, UserInterface& ui);

} // namespace tulo::cli
