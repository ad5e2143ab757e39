#include "AllCommands.h"

#include "Calibrate.h"
#include "Commands.h"
#include "Ensemble.h"
#include "EvaluateSites.h"
#include "ForceLai.h"
#include "ImportDssat.h"
#include "NewSeason.h"
#include "Phenology.h"
#include "Sensitivity.h"
#include "Years.h"

namespace tulo::cli {

void RegisterAllCommands(CommandLine& line) {
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
    RegisterYearsCommand(line);
    RegisterImportDssatCommand(line);
    RegisterVarietiesCommand(line);
    RegisterParametersCommand(line);
}

} // namespace tulo::cli
