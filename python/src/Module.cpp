// The extension module _tulo: the core's seasons and ensembles for the package tulo, numbers in numpy
// arrays. Seasons run with the interpreter released, so other Python threads go on meanwhile.

#include "Calibrate.h"
#include "Fits.h"
#include "Runs.h"
#include "SeasonSource.h"
#include "Sensitivity.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "commands/CommandTexts.h"
#include "commands/CropWorkbook.h"
#include "commands/DssatImport.h"
#include "commands/GrowingSeasons.h"
#include "engine/Outputs.h"
#include "engine/Parameters.h"
#include "engine/SeasonSummary.h"
#include "inputs/ConfigurationFile.h"
#include "io/TextFiles.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <numeric>

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

// A summary cell as `run --json` gives it: None for a stage not reached, whole numbers as int.
py::object SummaryValue(std::string_view cell) {
    const tulo::SummaryNumber number = tulo::SummaryCellNumber(cell);
    if (!number.value) return py::none();
    if (number.whole) return py::int_(static_cast<long long>(*number.value));
    return py::float_(*number.value);
}

// The season summary by the keys of `run --json`, from the run alone.
py::dict SummaryPython(const Season& season) {
    const RunState* run = nullptr;
    {
        py::gil_scoped_release released;
        run = &RunChecked(season.inputs());
    }
    const SeasonSummary summary = Summarize(*run);
    const std::vector<std::string> cells = SummaryCells(summary);
    py::dict values;
    const auto& keys = SummaryColumns();
    for (std::size_t i = 0; i < keys.size(); ++i)
        values[py::str(keys[i].data(), keys[i].size())] = SummaryValue(cells[i]);
    values["frost_days"] = py::int_(summary.frostDays);
    values["first_frost"] = summary.firstFrost ? py::object(py::int_(*summary.firstFrost)) : py::none();
    py::list warnings;
    for (const SummaryWarning& warning : SummaryWarnings(summary)) {
        py::dict entry;
        entry["kind"] = py::str(warning.kind.data(), warning.kind.size());
        entry["text"] = py::str(warning.text);
        warnings.append(entry);
    }
    values["warnings"] = warnings;
    return values;
}

// The daily series' names and units, in the daily CSV's order.
py::tuple DailyColumnsPython() {
    py::list names, units;
    for (const OutputVariable& variable : DailyOutputVariables()) {
        names.append(py::str(variable.name.data(), variable.name.size()));
        units.append(py::str(variable.unit.data(), variable.unit.size()));
    }
    return py::make_tuple(names, units);
}

// One type's series of a run as pandas keeps a frame's columns of that type: row k of `values` is the
// series in column columns[k] of the frame, whose column 0 is the date.
struct DailyBlock {
    std::vector<const OutputVariable*> variables;
    std::vector<py::ssize_t> columns;
};

// The run's daily series as blocks of one type each, float32 for the single-precision series (every
// value the float the run computed), float64 and the phase's texts: (days, [(columns, values)]). pandas
// makes a frame of such blocks without copying each series on its own.
py::tuple DailyPython(const Season& season) {
    const RunState* run = nullptr;
    {
        py::gil_scoped_release released;
        run = &RunChecked(season.inputs());
    }
    const int first = run->control.InitialDate;
    const auto days = static_cast<py::ssize_t>(run->control.FinalDate - first);
    DailyBlock singles, doubles, texts;
    int column = 1;
    for (const OutputVariable& variable : DailyOutputVariables()) {
        DailyBlock& block = variable.precision == OutputPrecision::Single   ? singles
                            : variable.precision == OutputPrecision::Double ? doubles
                                                                            : texts;
        block.variables.push_back(&variable);
        block.columns.push_back(column++);
    }
    const auto shape = [&](const DailyBlock& block) {
        return std::vector<py::ssize_t>{static_cast<py::ssize_t>(block.variables.size()), days};
    };
    py::array_t<float> singleValues(shape(singles));
    float* single = singleValues.mutable_data();
    for (const OutputVariable* variable : singles.variables)
        for (py::ssize_t d = 0; d < days; ++d)
            *single++ = static_cast<float>(variable->value(*run, first + int(d)));
    py::array_t<double> doubleValues(shape(doubles));
    double* value = doubleValues.mutable_data();
    for (const OutputVariable* variable : doubles.variables)
        for (py::ssize_t d = 0; d < days; ++d) *value++ = variable->value(*run, first + int(d));
    // The phases are few: one str object each, shared by its days.
    py::array textValues(py::dtype("O"), shape(texts));
    auto** cell = static_cast<PyObject**>(textValues.mutable_data());
    std::vector<std::pair<std::string_view, py::str>> phases;
    for (const OutputVariable* variable : texts.variables)
        for (py::ssize_t d = 0; d < days; ++d) {
            const std::string_view text = variable->text(*run, first + int(d));
            auto known =
                std::find_if(phases.begin(), phases.end(), [&](const auto& p) { return p.first == text; });
            if (known == phases.end())
                known = phases.insert(phases.end(), {text, py::str(text.data(), text.size())});
            PyObject* const old = *cell;
            *cell++ = known->second.inc_ref().ptr();
            Py_XDECREF(old);
        }
    py::array_t<std::int32_t> dayNumbers(days);
    std::iota(dayNumbers.mutable_data(), dayNumbers.mutable_data() + days, first);
    py::list blocks;
    const auto columns = [](const DailyBlock& block) {
        py::array_t<py::ssize_t> positions(static_cast<py::ssize_t>(block.columns.size()));
        std::copy(block.columns.begin(), block.columns.end(), positions.mutable_data());
        return positions;
    };
    blocks.append(py::make_tuple(columns(singles), singleValues));
    blocks.append(py::make_tuple(columns(doubles), doubleValues));
    blocks.append(py::make_tuple(columns(texts), textValues));
    return py::make_tuple(dayNumbers, blocks);
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

std::shared_ptr<const std::vector<WeatherColumn>> WeatherColumnsOf(const py::handle& given);

// The season grown every year of a weather file, as `tulo-cli years` grows it: the table's columns, its
// rows of cells, and the notes (a radiation estimate). `weather` names the file, or the DataFrame whose
// columns `weatherColumns` holds.
py::tuple YearsPython(const Season& season, const std::string& weather, const py::object& weatherColumns,
                      int first, int last, const std::optional<std::string>& sowing,
                      const std::optional<std::string>& transplanting, std::optional<double> krs,
                      int threads) {
    CheckThreads(threads);
    if (last < first)
        throw InputRefused(
            {"last: " + std::to_string(last) + " is before first, " + std::to_string(first) + "."});
    GrowingSeasonsRequest request{first, last, {}, {}, krs, weather};
    std::vector<std::string> refused;
    const auto monthDay = [&](const std::optional<std::string>& text, const char* name,
                              std::optional<DayMonth>& into) {
        if (!text) return;
        into = ParseMonthDay(*text);
        if (!into)
            refused.push_back(std::string(name) + ": " + QuoteValue(*text) +
                              " is not a month and day (11-15).");
    };
    monthDay(sowing, "sowing", request.sowing);
    monthDay(transplanting, "transplanting", request.transplanting);
    if (transplanting && !season.inputs().manag.Transplanted)
        refused.push_back("transplanting: the season sows the crop in the field; transplant it first.");
    if (krs && !(*krs >= 0.05 && *krs <= 0.5))
        refused.push_back("krs: " + ShortestText(*krs) + " is not in [0.05, 0.5].");
    if (!refused.empty()) throw InputRefused(refused);
    WeatherFileSeries series;
    try {
        series = weatherColumns.is_none() ? ReadWeatherFile(weather)
                                          : ReadWeatherColumns(*WeatherColumnsOf(weatherColumns));
    } catch (const WeatherFileError& e) {
        const std::string text = e.what();
        throw InputRefused({text.starts_with(weather) ? text : weather + ": " + text});
    }
    GrowingSeasonsPlan plan;
    std::vector<GrowingSeasonRow> rows;
    {
        py::gil_scoped_release released;
        plan = PlanGrowingSeasons(season.inputs(), series, request);
        if (!plan.seasons.empty()) rows = RunGrowingSeasons(plan.seasons, threads);
    }
    std::vector<std::string> messages;
    for (const Message& message : plan.messages) messages.push_back(message.text);
    if (plan.seasons.empty()) throw InputRefused(messages);
    std::vector<std::string> columns(GrowingSeasonColumns().begin(), GrowingSeasonColumns().end());
    std::vector<std::vector<std::string>> cells;
    for (const GrowingSeasonRow& row : rows) cells.push_back(GrowingSeasonCells(row));
    return py::make_tuple(columns, cells, messages);
}

// NAME=VALUE for each parameter, the value written as the package has always written it: a float as repr
// writes it, the shortest text that reads back as the same double, anything else as str does (a boolean
// or a complex number so becomes a text that is refused as no number).
std::vector<std::string> SettingsOf(const py::dict& params) {
    static const py::handle floating = py::object(py::module_::import("numpy").attr("floating")).release();
    std::vector<std::string> settings;
    settings.reserve(params.size());
    for (const auto& [name, value] : params) {
        std::string text;
        if (PyFloat_Check(value.ptr()) || py::isinstance(value, floating)) {
            const double number = PyFloat_AsDouble(value.ptr()); // a numpy scalar's repr is its own
            if (number == -1.0 && PyErr_Occurred()) throw py::error_already_set();
            text = py::repr(py::float_(number));
        } else {
            text = py::str(value);
        }
        settings.push_back(std::string(py::str(name)) + "=" + text);
    }
    return settings;
}

// A weather DataFrame's columns, each (title, kind, values): "numbers" a float64 array ("integers" those of
// a whole-number column), "dates" an int64
// array of days since 1970 (NaT the least int64), "texts" a list of the cells as a CSV table holds them.
std::shared_ptr<const std::vector<WeatherColumn>> WeatherColumnsOf(const py::handle& given) {
    auto columns = std::make_shared<std::vector<WeatherColumn>>();
    for (const py::handle item : given) {
        const auto entry = item.cast<py::tuple>();
        WeatherColumn& column = columns->emplace_back();
        column.title = entry[0].cast<std::string>();
        const auto kind = entry[1].cast<std::string>();
        if (kind == "numbers" || kind == "integers") {
            column.integers = kind == "integers";
            const auto values =
                entry[2].cast<py::array_t<double, py::array::c_style | py::array::forcecast>>();
            column.numbers.assign(values.data(), values.data() + values.size());
        } else if (kind == "dates") {
            const auto values =
                entry[2].cast<py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>>();
            column.dates.assign(values.data(), values.data() + values.size());
        } else {
            column.texts = entry[2].cast<std::vector<std::string>>();
        }
    }
    return columns;
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
    if (options.contains("weather_columns") && !options["weather_columns"].is_none())
        request.weatherColumns = WeatherColumnsOf(options["weather_columns"]);
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

// A DSSAT experiment imported as `tulo-cli import-dssat` imports it: the sites table's rows, each
// treatment's configuration text, its measurements and the notes; with `out`, the files written there
// too, all or none.
py::tuple ImportDssatPython(const std::string& experiment, const std::optional<std::string>& weatherFolder,
                            std::optional<double> floodedLevelCm, const std::vector<int>& treatments,
                            const std::vector<std::string>& settings, const std::optional<std::string>& out) {
    DssatImportRequest request;
    request.experiment = experiment;
    if (weatherFolder) request.weatherFolder = *weatherFolder;
    request.floodedLevelCm = floodedLevelCm;
    request.treatments = treatments;
    request.settings = settings;
    Messages messages;
    const auto imported = ImportDssatExperiment(request, messages);
    const auto refuse = [](const std::vector<std::string>& problems) { throw InputRefused(problems); };
    if (!imported) {
        std::vector<std::string> problems;
        for (const Message& message : messages) problems.push_back(InPythonWords(message.text));
        refuse(problems);
    }
    if (out)
        if (const Outcome written = WriteDssatImport(*imported, *out); !written) refuse({written.message});
    const auto date = [](const std::optional<CivilDate>& d) {
        return d ? py::object(py::str(IsoDateText(*d))) : py::none();
    };
    const auto number = [](const std::optional<double>& v) {
        return v ? py::object(py::float_(*v)) : py::none();
    };
    py::list rows, seasons, measured;
    for (const ImportedTreatment& t : imported->treatments) {
        rows.append(py::make_tuple(t.name, t.number, t.title, t.weather.string(),
                                   number(t.hillsPerSquareMetre), number(t.seedlingsPerHill),
                                   date(t.emergence), date(t.flowering), date(t.maturity)));
        seasons.append(py::make_tuple(t.name, FormatConfiguration(t.season), t.season.year));
        for (const auto& [variable, values] : {std::pair{"AGB", &t.agb}, std::pair{"LAI", &t.lai}})
            for (const MeasuredValue& value : *values)
                measured.append(py::make_tuple(t.name, variable, IsoDateText(value.date), value.value));
    }
    return py::make_tuple(rows, seasons, measured, imported->notes);
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
        .def("with_settings", &Season::withSettings, py::arg("settings"), py::arg("recompile") = false)
        .def("with_params",
             [](const Season& s, const py::dict& params) { return s.withSettings(SettingsOf(params)); })
        .def_property_readonly("form_pending", &Season::settingsPending)
        // Whether two seasons run from equal crop, management and weather inputs.
        .def("same_inputs",
             [](const Season& a, const Season& b) {
                 const SeasonInputs &x = a.inputs(), &y = b.inputs();
                 return x.crop == y.crop && x.manag == y.manag && x.weather == y.weather;
             })
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
    module.def("daily_columns", &DailyColumnsPython);
    module.def("run_daily", &DailyPython, py::arg("season"));
    module.def("summary", &SummaryPython, py::arg("season"));
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
    module.def("years", &YearsPython, py::arg("season"), py::arg("weather"), py::arg("weather_columns"),
               py::arg("first"), py::arg("last"), py::arg("sowing"), py::arg("transplanting"), py::arg("krs"),
               py::arg("threads"));
    module.def("import_dssat", &ImportDssatPython, py::arg("experiment"), py::arg("weather_dir"),
               py::arg("flooded"), py::arg("treatments"), py::arg("settings"), py::arg("out"));
    module.def("phenology", &FitPhenologyPython, py::arg("season"), py::arg("flowering"), py::arg("maturity"),
               py::arg("emergence") = py::none());

    RegisterCalibrate(module);
    RegisterSensitivity(module);
}
