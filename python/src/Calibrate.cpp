#include "Calibrate.h"

#include "JsonObjects.h"
#include "SeasonSource.h"
#include "commands/CalibrationCommand.h"
#include "evaluation/MeasuredEvaluation.h"

#include <pybind11/stl.h>

#include <variant>

namespace py = pybind11;

namespace tulo::python {

namespace {

// A table of measurements: a file's path, or rows of texts with the titles first.
using MeasuredSource = std::variant<std::string, std::vector<std::vector<std::string>>>;

// A table read as `tulo-cli calibrate` reads --agb and --lai (`sheetOption` names the sheet's option in
// messages; rows are named `name`), refused as it refuses dates of another year than the season's; what
// reading said goes to `notes`.
MeasuredTable ReadSeasonTable(const MeasuredSource& source, std::optional<int> sheet,
                              std::string_view sheetOption, const std::string& name, std::optional<int> year,
                              int laterYears, std::vector<std::string>& notes) {
    MeasuredTable table;
    Grid grid;
    if (const auto* path = std::get_if<std::string>(&source)) {
        std::vector<std::string> importNotes;
        grid = ImportTable(*path, sheet, table.source, importNotes, sheetOption);
        notes.insert(notes.end(), importNotes.begin(), importNotes.end());
    } else {
        grid = GridOfRows(std::get<1>(source));
        table.source = name;
    }
    table.data = ReadMeasured(grid);
    table.loaded = true;
    for (const std::string& note : ReadingNotes(table.data)) notes.push_back(table.source + ": " + note);
    if (auto refusals = SeasonYearRefusals(table, year, laterYears); !refusals.empty())
        throw InputRefused(std::move(refusals));
    return table;
}

// The options as `tulo-cli calibrate` takes them.
struct CalibrateArguments {
    MeasuredSource agb;
    std::optional<MeasuredSource> lai;
    std::vector<std::string> params; // "NAME:MIN:MAX[:INITIAL]"
    std::optional<int> agbSheet, laiSheet;
    double agbWeight = 1, laiWeight = 1;
    std::string objective;
    std::optional<std::string> genetic;
    std::optional<int> seed;
    int threads = 0;
    std::optional<std::string> trace; // the trace file; none: one of the search's own
};

// The request, refused in the order and words of the command line.
CalibrationRequest RequestOf(const Season& season, const CalibrateArguments& arguments,
                             std::vector<std::string>& notes) {
    std::vector<ParamText> params;
    if (const Outcome read = ParseParamTexts(arguments.params, "--param", params); !read)
        throw InputRefused({read.message});
    SearchMethod method;
    if (const Outcome read = ReadSearchMethod(arguments.objective, arguments.genetic, method); !read)
        throw InputRefused({read.message});
    std::vector<ParameterChoice> choices = season.calibrationChoices(params);
    const int later = LaterYearsOf(season.inputs().control);
    SeasonMeasurements measured{ReadSeasonTable(arguments.agb, arguments.agbSheet, "--agb-sheet",
                                                "the agb table", season.year(), later, notes),
                                std::nullopt, arguments.agbWeight, arguments.laiWeight};
    if (arguments.lai)
        measured.lai = ReadSeasonTable(*arguments.lai, arguments.laiSheet, "--lai-sheet", "the lai table",
                                       season.year(), later, notes);
    CalibrationRequest request =
        SeasonCalibration(season.sharedInputs(), measured, std::move(choices), method, arguments.seed);
    for (std::string& note : MeasurementNotes(request.settings, request.dataSets))
        notes.push_back(std::move(note));
    if (arguments.trace) request.traceFile = *arguments.trace;
    return request;
}

// {"report": the report of `tulo-cli calibrate --json` as json.loads reads it, "season": the season with
// the calibrated values, "notes": what the command line would print beside the report}.
py::dict CalibratePython(const Season& season, const CalibrateArguments& arguments) {
    CheckThreads(arguments.threads);
    std::vector<std::string> notes;
    const CalibrationRequest request = RequestOf(season, arguments, notes);
    CalibrationResult calibration;
    {
        py::gil_scoped_release released;
        SearchControl control;
        control.threads = arguments.threads;
        calibration = RunCalibration(request, std::move(control));
    }
    const CalibrationOutcome& outcome = calibration.outcome;
    if (!outcome.problems.empty()) {
        std::vector<std::string> problems;
        for (const InputProblem& problem : outcome.problems) problems.push_back(problem.text);
        throw InputRefused(std::move(problems));
    }
    if (calibration.traceError) notes.push_back(*calibration.traceError);
    if (outcome.failed) throw InputRefused({std::string(kNothingCalibrated)});
    py::dict result;
    result["report"] =
        PythonObjectOf(CalibrationJson(calibration, request.choices, CalibratedNames(request.choices)));
    result["season"] = season.withCalibratedValues(request.choices, outcome.rounded);
    result["notes"] = notes;
    return result;
}

} // namespace

void RegisterCalibrate(py::module_& module) {
    module.def(
        "calibrate",
        [](const Season& season, const MeasuredSource& agb, const std::vector<std::string>& params,
           const std::optional<MeasuredSource>& lai, std::optional<int> agbSheet, std::optional<int> laiSheet,
           double agbWeight, double laiWeight, const std::string& objective,
           const std::optional<std::string>& genetic, std::optional<int> seed, int threads,
           const std::optional<std::string>& trace) {
            return CalibratePython(season, {agb, lai, params, agbSheet, laiSheet, agbWeight, laiWeight,
                                            objective, genetic, seed, threads, trace});
        },
        py::arg("season"), py::arg("agb"), py::arg("params"), py::arg("lai") = py::none(),
        py::arg("agb_sheet") = py::none(), py::arg("lai_sheet") = py::none(), py::arg("agb_weight") = 1.0,
        py::arg("lai_weight") = 1.0, py::arg("objective") = "RRMSE", py::arg("genetic") = py::none(),
        py::arg("seed") = py::none(), py::arg("threads") = 0, py::arg("trace") = py::none());
}

} // namespace tulo::python
