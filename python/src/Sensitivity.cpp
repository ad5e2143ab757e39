#include "Sensitivity.h"

#include "commands/SensitivityRequest.h"
#include "sensitivity/Analysis.h"

#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

namespace py = pybind11;

namespace tulo::python {

namespace {

namespace sa = tulo::sensitivity;

// Ctrl-C cancels the analysis as it cancels the command line's: the thread that called checks the
// interpreter's signals a few times a second, with the interpreter held only for that, and the workers
// follow its answer; the signal's exception (KeyboardInterrupt) is kept to be raised once the analysis
// has stopped and removed its files.
class InterruptWatch {
public:
    bool operator()() {
        if (std::this_thread::get_id() != caller_ || stopped_.load()) return stopped_.load();
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100)) return false;
        last_ = now;
        py::gil_scoped_acquire held;
        if (PyErr_CheckSignals() != 0) {
            PyErr_Fetch(&type_, &value_, &traceback_);
            stopped_.store(true);
        }
        return stopped_.load();
    }
    // Raises the signal's exception, when there was one; the interpreter must be held.
    void raise() {
        if (!type_) return;
        PyErr_Restore(std::exchange(type_, nullptr), std::exchange(value_, nullptr),
                      std::exchange(traceback_, nullptr));
        throw py::error_already_set();
    }

private:
    std::thread::id caller_ = std::this_thread::get_id();
    std::atomic<bool> stopped_{false};
    std::chrono::steady_clock::time_point last_{};
    PyObject *type_ = nullptr, *value_ = nullptr, *traceback_ = nullptr;
};

// The analysis, with the interpreter released; kept files go to a folder of their own, which stays, as
// the command line's does, for the user to read, unless the analysis failed.
sa::Analysis RunReleased(const Season& season, const sa::AnalysisRequest& request,
                         std::optional<sa::ExchangeFiles>& kept, const sa::RunOptions& run) {
    py::gil_scoped_release released;
    if (kept) {
        try {
            kept = sa::NewExchangeFiles();
        } catch (const std::filesystem::filesystem_error& e) {
            throw std::runtime_error(
                std::string("No folder for the analysis's exchange files can be made: ") + e.what());
        }
    }
    sa::Analysis analysis = sa::RunAnalysisInProcess(season.inputs(), request, run, kept ? &*kept : nullptr);
    if (!analysis.status && kept) sa::RemoveExchangeFiles(*kept);
    return analysis;
}

py::object Interval(const std::optional<double>& low, const std::optional<double>& high) {
    if (!low || !high) return py::none();
    py::list bounds;
    bounds.append(*low);
    bounds.append(*high);
    return bounds;
}

// The factors and interactions as `--json` prints them, objects for objects: what json.loads of its text
// gives.
py::list FactorDicts(const sa::IndexResults& results) {
    py::list factors;
    for (const sa::FactorResult& f : results.factors) {
        py::dict factor;
        factor["factor"] = f.name;
        factor["label"] = f.label;
        factor["index1"] = f.varied ? py::object(py::float_(f.index1)) : py::none();
        factor["index2"] = f.varied ? py::object(py::float_(f.index2)) : py::none();
        factor["ci1"] = Interval(f.low1, f.high1);
        factor["ci2"] = Interval(f.low2, f.high2);
        factor["truncated"] = f.truncated;
        factor["varied"] = f.varied;
        factors.append(std::move(factor));
    }
    return factors;
}

py::list InteractionDicts(const sa::IndexResults& results) {
    py::list interactions;
    for (const sa::InteractionResult& i : results.interactions) {
        py::dict interaction;
        py::list names;
        for (const std::string& name : i.names) names.append(name);
        interaction["factors"] = std::move(names);
        interaction["label"] = i.label;
        interaction["index"] = i.index;
        interaction["ci"] = Interval(i.low, i.high);
        interactions.append(std::move(interaction));
    }
    return interactions;
}

py::dict SensitivityPython(const Season& season, const sa::AnalysisOptions& options, int threads,
                           bool keepFiles) {
    CheckThreads(threads);
    const sa::AnalysisRequest request = season.sensitivityRequest(options);
    InterruptWatch interrupts;
    sa::RunOptions run;
    run.threads = threads;
    run.cancelled = [&interrupts] { return interrupts(); };
    std::optional<sa::ExchangeFiles> kept;
    if (keepFiles) kept.emplace();
    const sa::Analysis analysis = RunReleased(season, request, kept, run);
    interrupts.raise();
    if (!analysis.status) throw std::runtime_error(analysis.status.message);
    py::dict result;
    result["factors"] = FactorDicts(analysis.results);
    result["interactions"] = InteractionDicts(analysis.results);
    result["method"] = analysis.results.method;
    result["index_names"] = py::make_tuple(analysis.results.index1Name, analysis.results.index2Name);
    result["runs"] = analysis.simulations.runs.outputs.size();
    result["exchange_files"] = kept ? py::object(py::str(kept->folder.string())) : py::none();
    return result;
}

} // namespace

void RegisterSensitivity(py::module_& module) {
    module.def(
        "sensitivity",
        [](const Season& season, const std::string& method, const std::optional<std::string>& executions,
           const std::optional<std::string>& factors, const std::vector<std::string>& means,
           const std::vector<std::string>& sds, const std::string& output, const std::string& seed,
           const std::string& levels, const std::optional<std::string>& trajectories,
           const std::optional<std::string>& computation, const std::optional<std::string>& order,
           int threads, bool keepFiles) {
            sa::AnalysisOptions options;
            options.method = method;
            options.executions = executions;
            options.factors = factors;
            options.means = means;
            options.sds = sds;
            options.output = output;
            options.seed = seed;
            options.levels = levels;
            if (trajectories) options.trajectories = *trajectories;
            options.computation = computation;
            options.order = order;
            return SensitivityPython(season, options, threads, keepFiles);
        },
        py::arg("season"), py::arg("method"), py::arg("executions") = py::none(),
        py::arg("factors") = py::none(), py::arg("means") = std::vector<std::string>{},
        py::arg("sds") = std::vector<std::string>{}, py::arg("output") = "agb", py::arg("seed") = "1",
        py::arg("levels") = "4", py::arg("trajectories") = py::none(), py::arg("computation") = py::none(),
        py::arg("order") = py::none(), py::arg("threads") = 0, py::arg("keep_files") = false);
}

} // namespace tulo::python
