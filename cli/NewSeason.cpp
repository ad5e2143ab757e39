#include "NewSeason.h"

#include "CommandLine.h"
#include "Commands.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "commands/SeasonOptions.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/SeasonCompile.h"
#include "io/TextFiles.h"

namespace tulo::cli {

int NewSeason(const NewSeasonOptions& options, std::ostream& out, const Console& console) {
    const std::vector<NamedPath> inputs = {{"the weather file", options.season.weather.value_or("")}};
    if (const auto refusal = OutputRefusal({"The output", options.out}, inputs)) {
        console.print(*refusal);
        return kInvalidInputs;
    }
    std::optional<double> level;
    if (options.flooded) {
        level = ParseNumber(*options.flooded);
        if (!level) {
            console.print("--flooded must be the water level in cm, a number, not " +
                          QuoteValue(*options.flooded) + ".");
            return kInvalidInputs;
        }
    }
    SeasonConfiguration season;
    const auto changes = console.printing(
        [&](Messages& messages) { return MakeNewSeason(season, options.season, level, messages); });
    if (!changes) return kInvalidInputs;
    // A configuration that does not run is no configuration made: the checks of a run come first.
    const Compilation compiled = CompileSeason(season);
    for (const InputProblem& problem : compiled.problems) console.print(problem);
    if (!compiled.inputs) {
        console.print(options.out + " was not written: the season fails the checks above.");
        return kInvalidInputs;
    }
    for (const InputProblem& warning : compiled.warnings) console.print(warning.text);
    if (const Outcome written = WriteConfigurationFile(season, options.out); !written) {
        console.print(written.message);
        return kFailure;
    }
    // The compiled days, which the checks above found whole.
    const ControlParameters& control = compiled.inputs->control;
    const ManagementParameters& manag = compiled.inputs->manag;
    const auto day = [&](std::int32_t d) { return SeasonDayName(d, control.Year); };
    out << "Wrote " << options.out << ": weather " << changes->weatherSource << ", latitude "
        << ItemText(season.latitude) << "°, sowing on " << day(manag.SowingDate)
        << (options.season.transplanting ? ", transplanting on " + day(manag.TransplantingDate) : "")
        << ", simulating " << day(control.InitialDate) << " to " << day(control.FinalDate - 1) << ", "
        << (level ? "flooded " + ShortestText(*level) + " cm deep" : std::string("unflooded")) << ".\n";
    return kSuccess;
}

void RegisterNewSeasonCommand(CommandLine& line) {
    auto options = std::make_shared<NewSeasonOptions>();
    CLI::App* command =
        line.app().add_subcommand("new", "Make the configuration (.sim) of a season from a weather file");
    command->add_option("out", options->out, "Configuration file to write (.sim)")->required();
    // The season options, of which a new season needs the weather and the sowing; the rest default to
    // the weather file's latitude and year.
    AddSeasonOptions(command, options->season);
    command->get_option("--weather")->required();
    command->get_option("--sowing")->required();
    command->add_option("--flooded", options->flooded,
                        "A flooded season with water LEVEL_CM deep (default: unflooded)");
    line.add(command, [options](std::ostream& out, const Console& console) {
        return NewSeason(*options, out, console);
    });
}

} // namespace tulo::cli
