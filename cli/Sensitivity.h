#pragma once
// tulo-cli sensitivity: a sensitivity analysis of the growth factors without a display, through the same
// exchange files and tool as the window.

#include "engine/UserInterface.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tulo::cli {

struct SensitivityOptions {
    std::string config;
    std::string method;                     // the window's text or the keyword ("Sobol method", "sobol")
    std::string executions;                 // every method but Morris
    std::string seed = "1";                 // LHS, random, Morris, FAST
    std::optional<std::string> factors;     // "par1,par4,..."; all eleven when not given
    std::vector<std::string> means, sds;    // "parK=V", replacing the row's default text
    std::string levels = "4";               // Morris
    std::string trajectories = "4";         // Morris
    std::optional<std::string> computation; // Sobol' total (default) or custom; FAST classic or extended
    std::string order = "first";            // Sobol' custom
    int threads = 0;
    bool json = false;
};

int Sensitivity(const SensitivityOptions& options, std::ostream& out, UserInterface& ui);

} // namespace tulo::cli
