// tulo-cli: runs TULO's paddy rice simulation from a saved configuration, for batch work.

#include "Calibrate.h"
#include "Commands.h"
#include "ConsoleUi.h"
#include "Ensemble.h"
#include "EvaluateSites.h"
#include "ForceLai.h"
#include "NewSeason.h"
#include "Phenology.h"
#include "Sensitivity.h"

#include "base/Problems.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <iostream>

namespace {

// A usage error worded as a sentence. CLI11 prefixes a validator's message with the option's name and
// its range checks quote the whole range of the type, so the validator below throws this past them.
class OptionError : public CLI::ParseError {
public:
    explicit OptionError(const std::string& sentence)
        : CLI::ParseError(sentence, CLI::ExitCodes::ValidationError) {}
};

// A whole number written in digits (a minus sign allowed), from `lowest` on.
CLI::Validator WholeNumberFrom(const std::string& option, int lowest) {
    return CLI::Validator(
        [option, lowest](std::string& text) {
            int value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (error != std::errc() || stop != end || value < lowest)
                throw OptionError(option + " must be a whole number from " + std::to_string(lowest) +
                                  ", not " + tulo::QuoteValue(text) + ".");
            return std::string();
        },
        "");
}

template <typename T>
CLI::Option* AddWholeOption(CLI::App* app, const std::string& name, T& target, int lowest,
                            const std::string& help) {
    return app->add_option(name, target, help)->check(WholeNumberFrom(name, lowest));
}

// The options that change a configuration's season for one command; the file is not touched.
void AddSeasonOptions(CLI::App* command, tulo::SeasonOptions& season) {
    const std::string group = "Season (for this command only)";
    CLI::Option* weather =
        command
            ->add_option("--weather", season.weather,
                         "Replace the weather table with a weather file's year (DSSAT .WTH, NASA POWER CSV, "
                         "APSIM .met, CSV with a date column) or a workbook's sheet")
            ->group(group);
    AddWholeOption(command, "--weather-sheet", season.weatherSheet, 1,
                   "Sheet of the weather workbook (1-based)")
        ->needs(weather)
        ->group(group);
    AddWholeOption(command, "--year", season.year, 1, "The season's year in a weather file of several years")
        ->needs(weather)
        ->group(group);
    command->add_option("--lat", season.latitude, "Latitude (degrees north)")->group(group);
    command->add_option("--sowing", season.sowing, "Sowing day: a day of year or a date (2024-06-15)")
        ->group(group);
    command
        ->add_option("--transplanting", season.transplanting,
                     "Transplant the crop on this day (a day of year or a date); --sowing is then the "
                     "seedbed's")
        ->group(group);
    command->add_option("--start", season.start, "First day of the simulation: a day of year or a date")
        ->group(group);
    command->add_option("--end", season.end, "Final day of the simulation: a day of year or a date")
        ->group(group);
    command
        ->add_option("--set", season.settings,
                     "NAME=VALUE: a crop parameter by id, key or caption (repeatable; tulo-cli parameters "
                     "lists them)")
        ->group(group)
        ->allow_extra_args(false);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"TULO: paddy rice crop simulation from the command line"};
    app.require_subcommand(1);

    tulo::cli::RunOptions run;
    CLI::App* runCommand = app.add_subcommand("run", "Simulate the season of a configuration file (.sim)");
    runCommand->add_option("config", run.config, "Configuration file (.sim)")->required();
    AddSeasonOptions(runCommand, run.season);
    CLI::Option* soilOption =
        runCommand->add_option("--soil", run.soil, "Replace the soil table with a workbook's sheet");
    AddWholeOption(runCommand, "--soil-sheet", run.soilSheet, 1, "Sheet of the soil workbook (1-based)")
        ->needs(soilOption);
    runCommand->add_option("--daily", run.daily, "Write every daily series of the simulated days as CSV");
    runCommand->add_option("--report", run.report,
                           "Write the report (the ticked report variables): .xlsx or .csv");
    runCommand->add_flag("--json", run.json, "Print the season summary as one JSON object");
    AddWholeOption(runCommand, "--repeat", run.repeat, 0,
                   "Run the same season N more times and print seasons per second");

    tulo::cli::NewSeasonOptions newSeason;
    CLI::App* newCommand =
        app.add_subcommand("new", "Make the configuration (.sim) of a season from a weather file");
    newCommand->add_option("out", newSeason.out, "Configuration file to write (.sim)")->required();
    // The season options, of which a new season needs the weather and the sowing; the rest default to
    // the weather file's latitude and year.
    AddSeasonOptions(newCommand, newSeason.season);
    newCommand->get_option("--weather")->required();
    newCommand->get_option("--sowing")->required();
    newCommand->add_option("--flooded", newSeason.flooded,
                           "A flooded season with water LEVEL_CM deep (default: unflooded)");

    std::string tableIn, tableOut;
    std::optional<int> tableSheet;
    CLI::App* tableCommand =
        app.add_subcommand("table", "Convert a table: any readable workbook to .xlsx or .csv");
    tableCommand->add_option("in", tableIn, "Workbook to read (.xlsx, .xls, .ods, .csv)")->required();
    tableCommand->add_option("out", tableOut, "File to write (.xlsx, or .csv)")->required();
    AddWholeOption(tableCommand, "--sheet", tableSheet, 1, "Sheet to read (1-based)");

    CLI::App* cropCommand = app.add_subcommand("crop", "Crop parameter workbooks");
    cropCommand->require_subcommand(1);
    std::string cropConfig, cropFile;
    std::optional<std::string> cropSave;
    std::optional<int> cropSheet;
    CLI::App* cropExport =
        cropCommand->add_subcommand("export", "Save a configuration's crop parameters as a workbook");
    cropExport->add_option("config", cropConfig, "Configuration file (.sim)")->required();
    cropExport->add_option("out", cropFile, "Workbook to write (.xlsx, or .csv)")->required();
    CLI::App* cropImport =
        cropCommand->add_subcommand("import", "Put a crop workbook's parameters into a configuration");
    cropImport->add_option("config", cropConfig, "Configuration file (.sim)")->required();
    cropImport->add_option("in", cropFile, "Crop workbook (.xlsx, .xls, .ods, .csv)")->required();
    AddWholeOption(cropImport, "--sheet", cropSheet, 1, "Sheet to read (1-based)");
    cropImport->add_option("--save", cropSave,
                           "Write the updated configuration here (otherwise print the values)");

    tulo::cli::EvaluateOptions evaluate;
    CLI::App* evaluateCommand =
        app.add_subcommand("evaluate", "Run a configuration and evaluate a variable against measurements");
    evaluateCommand->add_option("config", evaluate.config, "Configuration file (.sim)")->required();
    AddSeasonOptions(evaluateCommand, evaluate.season);
    CLI::Option* measuredOption = evaluateCommand->add_option(
        "--measured", evaluate.measured, "Workbook of measurements (row 1 titles; DOY, value)");
    CLI::Option* variableOption = evaluateCommand->add_option(
        "--variable", evaluate.variable, "Report header to evaluate, e.g. \"AGB tot (tAGB/ha)\"");
    std::string laiIndexTable;
    CLI::Option* laiIndexOption = evaluateCommand->add_option(
        "--lai-index", laiIndexTable,
        "Instead: the LAI simulation performance index against a (DOY, LAI) table");
    laiIndexOption->excludes(measuredOption)->excludes(variableOption);
    AddWholeOption(evaluateCommand, "--sheet", evaluate.sheet, 1,
                   "Sheet of the measurements or LAI table (1-based)");
    evaluateCommand->add_flag("--json", evaluate.json, "Print the results as one JSON object");

    tulo::cli::EvaluateSitesOptions evaluateSites;
    CLI::App* evaluateSitesCommand = app.add_subcommand(
        "evaluate-sites",
        "Run every site of a sites table and evaluate each, and all pooled, against its measurements");
    evaluateSitesCommand
        ->add_option("table", evaluateSites.table,
                     "Sites table: CSV or workbook, row 1 titles (name, config, weather, year, lat, sowing, "
                     "transplanting, start, end, agb, lai, measured, crop parameters), one site a row")
        ->required();
    evaluateSitesCommand->add_option(
        "--variable", evaluateSites.variable,
        "AGB (the agb column, default), LAI (the lai column) or a report header (the measured column)");
    AddWholeOption(evaluateSitesCommand, "--sheet", evaluateSites.sheet, 1,
                   "Sheet of the table's workbook (1-based)");
    AddWholeOption(evaluateSitesCommand, "--threads", evaluateSites.threads, 0,
                   "Worker threads (default: every core)");
    evaluateSitesCommand->add_flag("--json", evaluateSites.json, "Print the results as one JSON object");

    tulo::cli::ForceLaiOptions forceLai;
    CLI::App* forceLaiCommand = app.add_subcommand(
        "force-lai", "Run a configuration with its leaf area forced to exogenous values (remote sensing)");
    forceLaiCommand->add_option("config", forceLai.config, "Configuration file (.sim)")->required();
    AddSeasonOptions(forceLaiCommand, forceLai.season);
    CLI::Option* atOption =
        forceLaiCommand->add_option("--at", forceLai.at, "One point: day of year and LAI (m2/m2), DOY:LAI");
    CLI::Option* laiOption = forceLaiCommand->add_option(
        "--lai", forceLai.lai, "A table of points: DOY in column 1, LAI in column 2, a title row optional");
    atOption->excludes(laiOption);
    AddWholeOption(forceLaiCommand, "--sheet", forceLai.sheet, 1, "Sheet of the LAI table (1-based)")
        ->needs(laiOption);
    forceLaiCommand->add_option(
        "--daily", forceLai.daily,
        "Write every daily series of the forced season as CSV (- for standard output)");
    forceLaiCommand->add_option("--report", forceLai.report,
                                "Write the report (the ticked report variables): .xlsx or .csv");
    forceLaiCommand->add_flag("--json", forceLai.json, "Print the forced days as one JSON object");

    tulo::cli::EnsembleOptions ensemble;
    CLI::App* ensembleCommand = app.add_subcommand(
        "ensemble", "Run one season per parameter set of a table, in parallel on every core");
    ensembleCommand->add_option("config", ensemble.config, "Configuration file (.sim)")->required();
    AddSeasonOptions(ensembleCommand, ensemble.season);
    ensembleCommand
        ->add_option("--sets", ensemble.sets,
                     "Parameter sets: CSV or workbook, row 1 parameter ids, then one set per row")
        ->required();
    AddWholeOption(ensembleCommand, "--sheet", ensemble.sheet, 1, "Sheet of the sets workbook (1-based)");
    AddWholeOption(ensembleCommand, "--threads", ensemble.threads, 0, "Worker threads (default: every core)");
    ensembleCommand->add_option("--out", ensemble.out, "Write the CSV here instead of standard output");
    ensembleCommand->add_option("--series", ensemble.series,
                                "Daily values instead of the season summary: NAME@DOY,... (e.g. LAI@200)");

    tulo::cli::CalibrateOptions calibrate;
    CLI::App* calibrateCommand = app.add_subcommand(
        "calibrate", "Calibrate crop parameters against measured AGB (and LAI), by the simplex");
    calibrateCommand->add_option("config", calibrate.config, "Configuration file (.sim)")->required();
    AddSeasonOptions(calibrateCommand, calibrate.season);
    calibrateCommand
        ->add_option("--agb", calibrate.agb, "Measured AGB (t/ha): row 1 titles, then DOY and value")
        ->required();
    CLI::Option* calibrateLai =
        calibrateCommand->add_option("--lai", calibrate.lai, "Measured LAI: the objective then weighs both");
    AddWholeOption(calibrateCommand, "--agb-sheet", calibrate.agbSheet, 1,
                   "Sheet of the AGB workbook (1-based)");
    AddWholeOption(calibrateCommand, "--lai-sheet", calibrate.laiSheet, 1,
                   "Sheet of the LAI workbook (1-based)")
        ->needs(calibrateLai);
    calibrateCommand->add_option("--agb-weight", calibrate.agbWeight, "Weight of the AGB index (default 1)")
        ->needs(calibrateLai);
    calibrateCommand->add_option("--lai-weight", calibrate.laiWeight, "Weight of the LAI index (default 1)")
        ->needs(calibrateLai);
    calibrateCommand
        ->add_option("--param", calibrate.params,
                     "NAME:MIN:MAX[:INITIAL], once per parameter: a crop parameter by id, key or caption, "
                     "the initial value defaulting to the configuration's (e.g. \"RUE:1.5:4:2.3\")")
        ->required()
        ->take_all();
    calibrateCommand->add_option("--objective", calibrate.objective,
                                 "\"RRMSE\" (default) or \"RRMSE + CV on Last Point\"");
    calibrateCommand->add_option("--genetic", calibrate.genetic,
                                 "Genetic simplex: N,ITERATIONS,GENERATIONS,REDUCTION,INCREASE,RANDOM");
    AddWholeOption(calibrateCommand, "--seed", calibrate.seed, 0,
                   "Seed of the random numbers (default: the clock)");
    AddWholeOption(calibrateCommand, "--threads", calibrate.threads, 0,
                   "Worker threads (default: every core)");
    calibrateCommand->add_option("--save", calibrate.save,
                                 "Write the configuration with the calibrated values");
    calibrateCommand->add_flag("--json", calibrate.json, "Print the result as one JSON object");

    tulo::cli::ReinitOptions reinit;
    CLI::App* reinitCommand = app.add_subcommand(
        "reinit", "Estimate the sowing day and crop parameters from a remotely sensed LAI series");
    reinitCommand->add_option("config", reinit.config, "Configuration file (.sim)")->required();
    AddSeasonOptions(reinitCommand, reinit.season);
    reinitCommand
        ->add_option("--lai", reinit.lai,
                     "The LAI series: DOY in column 1, LAI in column 2, a title row optional")
        ->required();
    AddWholeOption(reinitCommand, "--sheet", reinit.sheet, 1, "Sheet of the LAI table (1-based)");
    reinitCommand
        ->add_option("--param", reinit.params,
                     "NAME:MIN:MAX[:INITIAL], once per parameter (default: TSUM1 and RUE, 0.6 to 1.4 times "
                     "the configuration's values)")
        ->take_all();
    AddWholeOption(reinitCommand, "--sowing-window", reinit.sowingWindow, 0,
                   "Days searched either side of the configuration's sowing (default 30)");
    AddWholeOption(reinitCommand, "--threads", reinit.threads, 0, "Worker threads (default: every core)");
    reinitCommand->add_option("--save", reinit.save,
                              "Write the configuration with the estimated sowing and parameters");
    reinitCommand->add_flag("--json", reinit.json, "Print the result as one JSON object");

    tulo::cli::CalibrateSitesOptions sites;
    CLI::App* sitesCommand = app.add_subcommand(
        "calibrate-sites",
        "Calibrate crop parameters on up to five sites of a .cfg settings file, or on the rows of a sites "
        "table (--sites)");
    CLI::Option* sitesConfig =
        sitesCommand->add_option("config", sites.config, "Configuration (.sim) of the crop and management");
    CLI::Option* sitesSettings = sitesCommand->add_option(
        "settings", sites.settings, "Settings file (.cfg): each site's dates, weather, AGB, LAI");
    CLI::Option* sitesTable =
        sitesCommand
            ->add_option(
                "--sites", sites.sites,
                "Sites table (CSV or workbook): one row a site with its own config, season, agb, lai "
                "and parameter values, in place of CONFIG and SETTINGS")
            ->excludes(sitesConfig)
            ->excludes(sitesSettings);
    AddWholeOption(sitesCommand, "--sheet", sites.sheet, 1, "Sheet of the sites workbook (1-based)")
        ->needs(sitesTable);
    sitesCommand
        ->add_option("--param", sites.params,
                     "With --sites: NAME:MIN:MAX[:INITIAL], one value every row shares, once per parameter")
        ->take_all()
        ->needs(sitesTable);
    sitesCommand
        ->add_option("--per-site", sites.perSite,
                     "With --sites: NAME:MIN:MAX[:INITIAL], one value per row, searched with the shared ones")
        ->take_all()
        ->needs(sitesTable);
    sitesCommand
        ->add_option("--save-dir", sites.saveDir,
                     "With --sites: write each row's configuration with its calibrated values as NAME.sim")
        ->needs(sitesTable);
    sitesCommand->add_flag("--with-lai", sites.withLai, "Add the sites' LAI indices to the objective");
    sitesCommand->add_option("--objective", sites.objective,
                             "\"RRMSE\" (default) or \"RRMSE + CV on Last Point\"");
    sitesCommand->add_option("--genetic", sites.genetic,
                             "Genetic simplex: N,ITERATIONS,GENERATIONS,REDUCTION,INCREASE,RANDOM");
    AddWholeOption(sitesCommand, "--seed", sites.seed, 0, "Seed of the random numbers (default: the clock)");
    AddWholeOption(sitesCommand, "--threads", sites.threads, 0, "Worker threads (default: every core)");
    sitesCommand
        ->add_option("--save", sites.save, "Write the first site's configuration with the calibrated values")
        ->excludes(sitesTable);
    sitesCommand->add_flag("--json", sites.json, "Print the result as one JSON object");

    tulo::cli::PhenologyOptions phenology;
    CLI::App* phenologyCommand = app.add_subcommand(
        "phenology", "Fit the thermal times to observed emergence, flowering and maturity days");
    CLI::Option* phenologyConfig =
        phenologyCommand->add_option("config", phenology.config, "Configuration file (.sim)");
    AddSeasonOptions(phenologyCommand, phenology.season);
    CLI::Option* phenologyEmergence =
        phenologyCommand->add_option("--emergence", phenology.emergence,
                                     "Observed emergence: a day of year or a date (otherwise TSUMEM stays)");
    CLI::Option* phenologyFlowering = phenologyCommand->add_option(
        "--flowering", phenology.flowering, "Observed flowering: a day of year or a date");
    CLI::Option* phenologyMaturity = phenologyCommand->add_option(
        "--maturity", phenology.maturity, "Observed maturity: a day of year or a date");
    CLI::Option* phenologySave = phenologyCommand->add_option(
        "--save", phenology.save, "Write the configuration with the fitted values");
    CLI::Option* phenologySites = phenologyCommand->add_option(
        "--sites", phenology.sites,
        "Sites table: one set of thermal times for every row, each with its own config, season and "
        "emergence, flowering and maturity columns");
    for (CLI::Option* single :
         {phenologyConfig, phenologyEmergence, phenologyFlowering, phenologyMaturity, phenologySave})
        phenologySites->excludes(single);
    AddWholeOption(phenologyCommand, "--sheet", phenology.sheet, 1, "Sheet of the sites workbook (1-based)")
        ->needs(phenologySites);
    phenologyCommand->add_flag(
        "--json", phenology.json,
        "Print {parameters: {id: value}, stages: [{stage, observed, simulated, error}]}");

    tulo::cli::SensitivityOptions sensitivity;
    CLI::App* sensitivityCommand = app.add_subcommand(
        "sensitivity", "Sensitivity analysis of crop parameters: sample, run every sample, compute indices");
    sensitivityCommand->add_option("config", sensitivity.config, "Configuration file (.sim)")->required();
    AddSeasonOptions(sensitivityCommand, sensitivity.season);
    sensitivityCommand
        ->add_option("--method", sensitivity.method,
                     "FAST, \"Latin hypercube sampling\", \"Morris method\", \"Quasi-Random LpTau\", Random, "
                     "\"Sobol method\", or the keywords fast, lhs, morris, lptau, random, sobol")
        ->required();
    sensitivityCommand
        ->add_option("--executions", sensitivity.executions,
                     "Base sample size, required but for Morris (--trajectories): the runs of lhs, random, "
                     "lptau and fast (extended FAST rounds down to a multiple of the factors); for sobol a "
                     "power of two from 32, run (factors + 2) times for total, more for custom. The run "
                     "count is printed before the runs")
        ->expected(0, 1);
    sensitivityCommand->add_option("--seed", sensitivity.seed, "Seed of the random numbers (default 1)");
    sensitivityCommand->add_option("--factors", sensitivity.factors,
                                   "Factors to vary: par1 to par11 or crop parameters' ids, workbook keys or "
                                   "captions, comma-separated (default: par1 to par11); codes and switches "
                                   "cannot be factors");
    sensitivityCommand->add_option("--mean", sensitivity.means,
                                   "A factor's mean: NAME=VALUE, NAME as in --factors (repeatable; default: "
                                   "parK's own, or the configuration's value)");
    sensitivityCommand->add_option(
        "--sd", sensitivity.sds,
        "A factor's standard deviation: NAME=VALUE (default: parK's own, or 10 % of "
        "the mean)");
    sensitivityCommand->add_option("--output", sensitivity.output,
                                   "What each season gives the indices: agb (end-of-crop AGB, default), "
                                   "panicles (at maturity), flowering or maturity (day of year), lai-max");
    sensitivityCommand->add_option("--levels", sensitivity.levels, "Morris: number of levels (default 4)");
    sensitivityCommand->add_option("--trajectories", sensitivity.trajectories,
                                   "Morris: number of trajectories (default 10, as in the window)");
    sensitivityCommand->add_option("--computation", sensitivity.computation,
                                   "Sobol': total (default) or custom; FAST: classic or extended (default)");
    sensitivityCommand->add_option("--order", sensitivity.order,
                                   "Sobol' with --computation custom only: first (default), second or third");
    AddWholeOption(sensitivityCommand, "--threads", sensitivity.threads, 0,
                   "Worker threads (default: every core)");
    sensitivityCommand->add_flag(
        "--json", sensitivity.json,
        "Print a JSON list of {factor, label, index1, index2, ci1, ci2, truncated, varied}");

    CLI::App* varietiesCommand =
        app.add_subcommand("varieties", "List the rice varieties with their blast susceptibility and class");

    bool parametersJson = false, parametersMarkdown = false;
    CLI::App* parametersCommand = app.add_subcommand(
        "parameters", "List the crop parameters with their units, defaults and accepted ranges");
    parametersCommand->add_flag("--json", parametersJson, "Print them as JSON");
    // The README's table, printed so that a test can keep the README in step with the program.
    parametersCommand->add_flag("--markdown", parametersMarkdown)->group("");

    try {
        app.parse(argc, argv);
        // Two ways of evaluating, and two of forcing: one of each pair is needed.
        if (*evaluateCommand && !*laiIndexOption && (!*measuredOption || !*variableOption))
            throw OptionError("evaluate needs --measured and --variable, or --lai-index.");
        if (*forceLaiCommand && !*atOption && !*laiOption)
            throw OptionError("force-lai needs --at DOY:LAI or --lai FILE.");
        if (*phenologyCommand && !*phenologySites &&
            (!*phenologyConfig || !*phenologyFlowering || !*phenologyMaturity))
            throw OptionError("phenology needs CONFIG with --flowering and --maturity, or --sites TABLE.");
        if (*phenologyCommand && *phenologySites && phenology.season.any())
            throw OptionError("phenology --sites takes each row's season from the table: give the "
                              "season's options as its columns.");
        if (*sitesCommand && !*sitesTable && (!*sitesConfig || !*sitesSettings))
            throw OptionError("calibrate-sites needs CONFIG and SETTINGS (a .cfg), or --sites TABLE.");
    } catch (const CLI::ParseError& e) {
        // Usage errors share the exit status of every failure that is not an input validation.
        const int status = app.exit(e);
        return status == 0 ? tulo::cli::kSuccess : tulo::cli::kFailure;
    }

    tulo::ConsoleUi ui(std::cerr);
    try {
        if (*runCommand) return tulo::cli::Run(run, std::cout, ui);
        if (*newCommand) return tulo::cli::NewSeason(newSeason, std::cout, ui);
        if (*varietiesCommand) return tulo::cli::Varieties(std::cout);
        if (*parametersCommand)
            return tulo::cli::Parameters(parametersJson       ? tulo::cli::ParametersFormat::Json
                                         : parametersMarkdown ? tulo::cli::ParametersFormat::Markdown
                                                              : tulo::cli::ParametersFormat::Table,
                                         std::cout);
        if (*calibrateCommand) return tulo::cli::Calibrate(calibrate, std::cout, ui);
        if (*reinitCommand) return tulo::cli::Reinit(reinit, std::cout, ui);
        if (*sitesCommand) return tulo::cli::CalibrateSites(sites, std::cout, ui);
        if (*ensembleCommand) return tulo::cli::Ensemble(ensemble, std::cout, ui);
        if (*phenologyCommand) return tulo::cli::Phenology(phenology, std::cout, ui);
        if (*sensitivityCommand) return tulo::cli::Sensitivity(sensitivity, std::cout, ui);
        if (*tableCommand) return tulo::cli::Table(tableIn, tableSheet, tableOut, ui);
        if (*evaluateCommand && *laiIndexOption)
            return tulo::cli::LaiIndexCommand(
                {evaluate.config, evaluate.season, laiIndexTable, evaluate.sheet, evaluate.json}, std::cout,
                ui);
        if (*evaluateCommand) return tulo::cli::Evaluate(evaluate, std::cout, ui);
        if (*evaluateSitesCommand) return tulo::cli::EvaluateSites(evaluateSites, std::cout, ui);
        if (*forceLaiCommand) return tulo::cli::ForceLaiCommand(forceLai, std::cout, ui);
        if (*cropExport) return tulo::cli::CropExport(cropConfig, cropFile, ui);
        if (*cropImport)
            return tulo::cli::CropImport(cropConfig, cropFile, cropSheet, cropSave, std::cout, ui);
    } catch (const std::exception& e) {
        std::cerr << "tulo-cli: " << e.what() << '\n';
        return tulo::cli::kFailure;
    }
    return tulo::cli::kFailure;
}
