#include "ImportDssat.h"

#include "CommandLine.h"
#include "Commands.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "commands/DssatImport.h"

#include <filesystem>

namespace tulo::cli {

namespace {

// One line a treatment: what its season became.
std::string TreatmentLine(const ImportedTreatment& t) {
    const SeasonConfiguration& season = t.season;
    const int year = season.year.value_or(0);
    std::string line = t.name + ": sown " + SeasonDayName(season.sowingDate.value.value_or(0), year);
    if (season.transplanted)
        line += ", transplanted " + SeasonDayName(season.transplantingDate.value.value_or(0), year);
    if (t.hillsPerSquareMetre)
        line +=
            ", " + ShortestText(*t.hillsPerSquareMetre) + " hills/m2 of " + ShortestText(*t.seedlingsPerHill);
    line += season.flooding == choice::Flooded ? ", flooded " + ItemText(season.waterLevel) + " cm"
                                               : ", unflooded";
    line += ", weather " + t.weather.filename().string() + "; " + std::to_string(t.agb.size()) + " AGB and " +
            std::to_string(t.lai.size()) + " LAI samples";
    if (t.flowering) line += ", flowering " + IsoDateText(*t.flowering);
    if (t.maturity) line += ", maturity " + IsoDateText(*t.maturity);
    return line;
}

} // namespace

int ImportDssat(const ImportDssatOptions& options, std::ostream& out, const Console& console) {
    DssatImportRequest request;
    request.experiment = options.experiment;
    if (options.weatherDir) request.weatherFolder = *options.weatherDir;
    if (options.flooded) {
        request.floodedLevelCm = ParseNumber(*options.flooded);
        if (!request.floodedLevelCm || *request.floodedLevelCm < 0) {
            console.print("--flooded must be the water level in cm, a number from 0, not " +
                          QuoteValue(*options.flooded) + ".");
            return kInvalidInputs;
        }
    }
    request.treatments = options.treatments;
    request.settings = options.settings;
    const auto imported =
        console.printing([&](Messages& messages) { return ImportDssatExperiment(request, messages); });
    if (!imported) return kInvalidInputs;

    const std::filesystem::path folder =
        options.out ? std::filesystem::path(*options.out) : std::filesystem::path(request.experiment.stem());
    if (const Outcome written = WriteDssatImport(*imported, folder); !written) {
        console.print(written.message);
        return written.reason == Outcome::Reason::InvalidInputs ? kInvalidInputs : kFailure;
    }
    for (const ImportedTreatment& t : imported->treatments) out << TreatmentLine(t) << "\n";
    if (!imported->notes.empty()) {
        out << "Left out (import-notes.txt):\n";
        for (const std::string& note : imported->notes) out << "- " << note << "\n";
    }
    out << "Wrote " << folder.string() << ": " << imported->treatments.size()
        << (imported->treatments.size() == 1 ? " treatment" : " treatments")
        << " (configuration and measured tables each), sites.csv and import-notes.txt.\n";
    return kSuccess;
}

void RegisterImportDssatCommand(CommandLine& line) {
    auto options = std::make_shared<ImportDssatOptions>();
    CLI::App* command =
        line.app().add_subcommand("import-dssat", "Make a DSSAT rice experiment (.RIX, with its .RIT and "
                                                  ".RIA) into a configuration and measured tables "
                                                  "per treatment and a sites table");
    command->add_option("experiment", options->experiment, "The experiment file (.RIX)")->required();
    command->add_option("--weather-dir", options->weatherDir,
                        "Folder of the stations' weather files (.WTH), searched before the experiment's own");
    command->add_option("--out", options->out,
                        "Folder to write into (made when missing; default: the experiment's name)");
    command->add_option("--flooded", options->flooded,
                        "Flood the treatments whose irrigation gives no flood depth LEVEL_CM deep (default: "
                        "unflooded)");
    AddWholeOption(command, "--treatments", options->treatments, 1,
                   "Import only these treatments, by number (1,4; default: all)");
    command
        ->add_option("--set", options->settings,
                     "NAME=VALUE: a crop parameter for every treatment (repeatable; tulo-cli parameters "
                     "lists them)")
        ->allow_extra_args(false);
    line.add(command, [options](std::ostream& out, const Console& console) {
        return ImportDssat(*options, out, console);
    });
}

} // namespace tulo::cli
