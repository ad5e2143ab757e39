// The extension module _tulo: the core's seasons and ensembles for the package tulo, numbers in numpy
// arrays. Seasons run with the interpreter released, so other Python threads go on meanwhile.

#include "Calibrate.h"
#include "Fits.h"
#include "Runs.h"
#include "SeasonSource.h"
#include "Sensitivity.h"
#include "base/Problems.h"
#include "engine/Parameters.h"
#include "engine/SeasonSummary.h"
#include "forms/CommandTexts.h"
#include "forms/CropWorkbook.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace py = pybind11;

namespace tulo::python {

namespace {

py::list ParameterRows() {
    py::list rows;
    for (const ParameterInfo& p : CropParameterRegistry()) {
        py::dict row;
        row["id"] = std::string(p.id);
        row["key"] = std::string(WorkbookKey(p));
        row["caption"] = std::string(p.label);
        row["unit"] = std::string(p.unit);
        row["default"] = std::string(p.defaultText);
        row["min"] = p.min;
        row["max"] = p.max;
        row["reason"] = "Min: " + std::string(p.minReason) + ". Max: " + std::string(p.maxReason) + ".";
        rows.append(row);
    }
    return rows;
}

template <typename T> py::array_t<T> ToArray(const std::vector<T>& values) {
    py::array_t<T> array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

// Single-precision series come as float32, so that every value is the float the run computed.
py::object ColumnValues(const DailyColumn& column) {
    if (column.variable->precision == OutputPrecision::Text) return py::cast(column.texts);
    if (column.variable->precision == OutputPrecision::Double) return ToArray(column.values);
    std::vector<float> singles(column.values.begin(), column.values.end());
    return ToArray(singles);
}

// A summary cell as `run --json` gives it: None for a stage not reached, whole numbers as int.
py::object SummaryValue(std::string_view cell) {
    const tulo::SummaryNumber number = tulo::SummaryCellNumber(cell);
    if (!number.value) return py::none();
    if (number.whole) return py::int_(static_cast<long long>(*number.value));
    return py::float_(*number.value);
}

// (days, [(name, unit, description, values)], summary values by key)
py::tuple RunDailyPython(const Season& season) {
    DailySeries series;
    {
        py::gil_scoped_release released;
        series = RunDaily(season.inputs());
    }
    py::list columns;
    for (const DailyColumn& column : series.columns)
        columns.append(py::make_tuple(std::string(column.variable->name), std::string(column.variable->unit),
                                      std::string(column.variable->description), ColumnValues(column)));
    py::dict summary;
    const auto& keys = SummaryColumns();
    for (std::size_t i = 0; i < keys.size(); ++i)
        summary[py::str(std::string(keys[i]))] = SummaryValue(series.summaryCells[i]);
    summary["frost_days"] = py::int_(series.frostDays);
    if (series.firstFrost)
        summary["first_frost"] = py::int_(*series.firstFrost);
    else
        summary["first_frost"] = py::none();
    py::list warnings;
    for (const SummaryWarning& warning : series.warnings) {
        py::dict entry;
        entry["kind"] = py::str(std::string(warning.kind));
        entry["text"] = py::str(warning.text);
        warnings.append(entry);
    }
    summary["warnings"] = warnings;
    return py::make_tuple(ToArray(series.days), columns, summary);
}

// (titles, values[n, outputs], problems, whether each output is a single-precision series): set i is row i
// of `sets`, its columns the named parameters.
py::tuple RunSetsPython(const Season& season,
                        py::array_t<double, py::array::c_style | py::array::forcecast> sets,
                        const std::vector<std::string>& parameters, const std::vector<std::string>& outputs,
                        int threads) {
    CheckThreads(threads);
    if (sets.ndim() != 2 || static_cast<std::size_t>(sets.shape(1)) != parameters.size())
        throw InputRefused({"sets: a table of " + std::to_string(parameters.size()) +
                            " columns, one per parameter named, is needed."});
    std::vector<int> indices;
    for (const std::string& name : parameters) {
        indices.push_back(ParameterByName(name));
        // Two columns of one parameter ("RUE" beside "rue" or its caption) would leave one unread.
        for (std::size_t k = 0; k + 1 < indices.size(); ++k)
            if (indices[k] == indices.back())
                throw InputRefused({"sets: the columns " + QuoteValue(parameters[k]) + " and " +
                                    QuoteValue(name) + " both name " +
                                    std::string(CropParameterRegistry()[std::size_t(indices.back())].id) +
                                    "; a parameter takes one column."});
    }
    const std::vector<OutputColumn> columns = ResolveOutputs(outputs, season.inputs());
    const std::span<const double> values(sets.data(), static_cast<std::size_t>(sets.size()));
    EnsembleTable table;
    {
        py::gil_scoped_release released;
        table = RunSets(season.inputs(), static_cast<std::size_t>(sets.shape(0)), values, indices, columns,
                        threads);
    }
    py::list titles, singles;
    for (const OutputColumn& column : columns) {
        titles.append(column.title);
        singles.append(column.variable && column.variable->precision == OutputPrecision::Single);
    }
    py::array_t<double> result(
        {static_cast<py::ssize_t>(table.problems.size()), static_cast<py::ssize_t>(columns.size())});
    std::copy(table.values.begin(), table.values.end(), result.mutable_data());
    return py::make_tuple(titles, result, py::cast(table.problems), singles);
}

SeasonRequest RequestOf(const py::kwargs& options) {
    SeasonRequest request;
    const auto text = [&](const char* name, std::optional<std::string>& into) {
        if (options.contains(name) && !options[name].is_none()) into = py::str(options[name]);
    };
    const auto whole = [&](const char* name, std::optional<int>& into) {
        if (options.contains(name) && !options[name].is_none()) into = options[name].cast<int>();
    };
    text("weather", request.weather);
    whole("weather_sheet", request.weatherSheet);
    whole("year", request.year);
    text("latitude", request.latitude);
    text("sowing", request.sowing);
    text("start", request.start);
    text("end", request.end);
    text("transplanting", request.transplanting);
    if (options.contains("flooded") && !options["flooded"].is_none())
        request.floodedLevelCm = options["flooded"].cast<double>();
    if (options.contains("settings")) request.settings = options["settings"].cast<std::vector<std::string>>();
    return request;
}

// Raises InputRefused as the package's InputError, a ValueError that keeps the list of problems.
void RegisterInputError(py::module_& module) {
    static py::handle type = PyErr_NewExceptionWithDoc(
        "tulo._tulo.InputError",
        "Inputs refused; `problems` lists every problem in the command line's words.", PyExc_ValueError,
        nullptr);
    module.attr("InputError") = py::reinterpret_borrow<py::object>(type);
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const InputRefused& refused) {
            py::object error = py::reinterpret_borrow<py::object>(type)(refused.what());
            error.attr("problems") = py::cast(refused.problems());
            PyErr_SetObject(type.ptr(), error.ptr());
        }
    });
}

void RegisterSeason(py::module_& module) {
    py::class_<Season>(module, "Season")
        .def_static("from_file",
                    [](const std::string& path, const py::kwargs& options) {
                        return Season::FromFile(path, RequestOf(options));
                    })
        .def_static("new", [](const py::kwargs& options) { return Season::New(RequestOf(options)); })
        .def_static("from_config_text", &Season::FromConfigText, py::arg("text"),
                    py::arg("year") = py::none())
        .def("config_text", &Season::configText)
        .def("with_settings", &Season::withSettings)
        .def_property_readonly("warnings", &Season::warnings)
        .def_property_readonly("year", &Season::year)
        .def_property_readonly("first_day", [](const Season& s) { return s.inputs().control.InitialDate; })
        .def_property_readonly("last_day", [](const Season& s) { return s.inputs().control.FinalDate - 1; });
}

} // namespace

} // namespace tulo::python

PYBIND11_MODULE(_tulo, module) {
    using namespace tulo::python;
    module.doc() = "TULO's simulation core; use the package tulo.";
    RegisterInputError(module);
    RegisterSeason(module);
    module.def("parameters", &ParameterRows, "The crop parameter registry, one dict per parameter.");
    module.def("summary_columns", [] {
        std::vector<std::string> keys;
        for (const auto key : tulo::SummaryColumns()) keys.emplace_back(key);
        return keys;
    });
    module.def("run_daily", &RunDailyPython, py::arg("season"));
    module.def("run_sets", &RunSetsPython, py::arg("season"), py::arg("sets"), py::arg("parameters"),
               py::arg("outputs"), py::arg("threads") = 0);
    module.def("evaluate_file", [](const Season& season, const std::string& variable, const std::string& path,
                                   std::optional<int> sheet) {
        std::string source;
        std::vector<std::string> notes;
        const tulo::Grid table = ImportTable(path, sheet, source, notes);
        return EvaluatePython(season, variable, table, source, std::move(notes));
    });
    module.def("evaluate_rows",
               [](const Season& season, const std::string& variable,
                  const std::vector<std::vector<std::string>>& rows, const std::string& source) {
                   return EvaluatePython(season, variable, GridOfRows(rows), source, {});
               });
    module.def("phenology", &FitPhenologyPython, py::arg("season"), py::arg("flowering"), py::arg("maturity"),
               py::arg("emergence") = py::none());

    RegisterCalibrate(module);
    RegisterSensitivity(module);
}
