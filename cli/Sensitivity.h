#pragma once
// tulo-cli sensitivity: a sensitivity analysis of any numeric crop parameters without a display, with the
// window's sampling and indices run in this process.

#include "Console.h"
#include "commands/SeasonOptions.h"
#include "commands/SensitivityRequest.h"

#include <ostream>
#include <string>

namespace tulo::cli {

class CommandLine;

void RegisterSensitivityCommand(CommandLine& line);

struct SensitivityOptions {
    std::string config;
    SeasonOptions season; // the season changed for this command
    sensitivity::AnalysisOptions analysis;
    int threads = 0;
    bool json = false;
    bool keepFiles = false; // write the window's exchange files of the analysis into a folder of its own
};

int Sensitivity(const SensitivityOptions& options, std::ostream& out, const Console& console);

} // namespace tulo::cli
