// tulo-cli: runs TULO's paddy rice simulation from a saved configuration, for batch work.

#include "Calibrate.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Ensemble.h"
#include "EvaluateSites.h"
#include "ForceLai.h"
#include "NewSeason.h"
#include "Phenology.h"
#include "Sensitivity.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace tulo::cli;
    CommandLine line;
    // In the order --help lists them.
    RegisterRunCommand(line);
    RegisterNewSeasonCommand(line);
    RegisterTableCommand(line);
    RegisterCropCommands(line);
    RegisterEvaluateCommand(line);
    RegisterEvaluateSitesCommand(line);
    RegisterForceLaiCommand(line);
    RegisterEnsembleCommand(line);
    RegisterCalibrateCommand(line);
    RegisterReinitCommand(line);
    RegisterCalibrateSitesCommand(line);
    RegisterPhenologyCommand(line);
    RegisterSensitivityCommand(line);
    RegisterVarietiesCommand(line);
    RegisterParametersCommand(line);
    return line.execute(argc, argv, std::cout, std::cerr);
}
