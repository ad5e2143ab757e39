#include "Years.h"

#include "CommandLine.h"
#include "Commands.h"
#include "base/Numbers.h"
#include "commands/GrowingSeasons.h"
#include "io/TextFiles.h"
#include "io/WeatherFiles.h"

namespace tulo::cli {

int Years(const YearsOptions& options, std::ostream& out, const Console& console) {
    if (options.to < options.from) {
        console.print("--to " + std::to_string(options.to) + " is before --from " +
                      std::to_string(options.from) + ".");
        return kInvalidInputs;
    }
    GrowingSeasonsRequest request{options.from, options.to, {}, {}, options.radiationKrs, options.weather};
    const auto monthDay = [&](const std::optional<std::string>& text, const char* option,
                              std::optional<DayMonth>& target) {
        if (!text) return true;
        target = ParseMonthDay(*text);
        if (!target)
            console.print(std::string(option) + ": " + QuoteValue(*text) +
                          " is not a month and day (11-15).");
        return target.has_value();
    };
    if (!monthDay(options.sowing, "--sowing", request.sowing) ||
        !monthDay(options.transplanting, "--transplanting", request.transplanting))
        return kInvalidInputs;
    const std::vector<NamedPath> inputs = {{"the configuration", options.config},
                                           {"the --weather file", options.weather}};
    if (options.out)
        if (const auto refusal = OutputRefusal({"--out", *options.out}, inputs)) {
            console.print(*refusal);
            return kInvalidInputs;
        }
    const auto compiled = CompileSeasonConfiguration(options.config, options.season, console);
    if (!compiled) return kInvalidInputs;
    if (options.transplanting && !compiled->inputs->manag.Transplanted) {
        console.print("--transplanting: " + options.config +
                      " sows the crop in the field; transplant it in the configuration first.");
        return kInvalidInputs;
    }
    WeatherFileSeries weather;
    try {
        weather = ReadWeatherFile(options.weather);
    } catch (const WeatherFileError& e) {
        const std::string text = e.what();
        console.print(text.starts_with(options.weather) ? text : options.weather + ": " + text);
        return kInvalidInputs;
    }
    const GrowingSeasonsPlan plan = PlanGrowingSeasons(*compiled->inputs, weather, request);
    console.print(plan.messages);
    if (plan.seasons.empty()) return kInvalidInputs;

    const std::string csv = GrowingSeasonsCsv(RunGrowingSeasons(plan.seasons, options.threads));
    if (!options.out) {
        out << csv;
        return kSuccess;
    }
    if (const Outcome written = WriteFileAtomically(*options.out, csv); !written) {
        console.print(written.message);
        return kFailure;
    }
    out << "Wrote " << *options.out << ": " << plan.seasons.size() << " growing seasons.\n";
    return kSuccess;
}

void RegisterYearsCommand(CommandLine& line) {
    auto options = std::make_shared<YearsOptions>();
    CLI::App* command = line.app().add_subcommand(
        "years", "Grow the configuration's season once a year over a weather file of many years");
    AddConfigArgument(command, options->config)->required();
    command
        ->add_option(
            "--weather", options->weather,
            "Weather file of many years (DSSAT .WTH, NASA POWER CSV, APSIM .met, CSV or tab-separated "
            "table with a date column)")
        ->required();
    AddWholeOption(command, "--from", options->from, 1, "Year of the first growing season's sowing")
        ->required();
    AddWholeOption(command, "--to", options->to, 1, "Year of the last growing season's sowing")->required();
    command->add_option("--sowing", options->sowing,
                        "Sowing month and day (11-15) every year (default: the configuration's)");
    command->add_option("--transplanting", options->transplanting,
                        "Transplanting month and day, the first after the sowing (default: as many days "
                        "after the sowing as in the configuration)");
    command
        ->add_option("--krs", options->radiationKrs,
                     "Hargreaves-Samani kRs for weather days without radiation: 0.16 inland (default), 0.19 "
                     "on the coast")
        ->check(CLI::Range(0.05, 0.5));
    command
        ->add_option("--set", options->season.settings,
                     "NAME=VALUE: a crop parameter by id, key or caption (repeatable)")
        ->allow_extra_args(false);
    command->add_option("--out", options->out, "Write the table (.csv) instead of printing it");
    AddThreadsOption(command, options->threads);
    line.add(command,
             [options](std::ostream& out, const Console& console) { return Years(*options, out, console); });
}

} // namespace tulo::cli
