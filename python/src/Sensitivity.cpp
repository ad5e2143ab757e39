#include "Sensitivity.h"

#include "forms/SensitivityRequest.h"
#include "sensitivity/Analysis.h"

#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <filesystem>
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

// The analysis, with the interpreter released; its folder stays, as the command line's does, for the
// files the user may want to read, unless it failed.
sa::Analysis RunReleased(const Season& season, const sa::AnalysisRequest& request, sa::ExchangeFiles& files,
                         const sa::RunOptions& run) {
    py::gil_scoped_release released;
    try {
        files = sa::NewExchangeFiles();
    } catch (const std::filesystem::filesystem_error& e) {
        throw std::runtime_error(std::string("No folder for the analysis's exchange files can be made: ") +
                                 e.what());
    }
    sa::Analysis analysis = sa::RunAnalysis(season.inputs(), request, files, run);
    if (!analysis.status) sa::RemoveExchangeFiles(files);
    return analysis;
}

py::dict SensitivityPython(const Season& season, const sa::AnalysisOptions& options, int threads,
                           const std::string& tool) {
    CheckThreads(threads);
    const sa::AnalysisRequest request = season.sensitivityRequest(options);
    InterruptWatch interrupts;
    sa::RunOptions run;
    run.threads = threads;
    run.tool = tool;
    run.cancelled = [&interrupts] { return interrupts(); };
    sa::ExchangeFiles files;
    const sa::Analysis analysis = RunReleased(season, request, files, run);
    interrupts.raise();
    if (!analysis.status) throw std::runtime_error(analysis.status.message);
    py::dict result;
    result["json"] = sa::ResultsJson(analysis.results).dump(2);
    result["method"] = analysis.results.method;
    result["index_names"] = py::make_tuple(analysis.results.index1Name, analysis.results.index2Name);
    result["runs"] = analysis.simulations.runs.outputs.size();
    result["exchange_files"] = files.folder.string();
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
           int threads, const std::string& tool) {
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
            return SensitivityPython(season, options, threads, tool);
        },
        py::arg("season"), py::arg("method"), py::arg("executions") = py::none(),
        py::arg("factors") = py::none(), py::arg("means") = std::vector<std::string>{},
        py::arg("sds") = std::vector<std::string>{}, py::arg("output") = "agb", py::arg("seed") = "1",
        py::arg("levels") = "4", py::arg("trajectories") = py::none(), py::arg("computation") = py::none(),
        py::arg("order") = py::none(), py::arg("threads") = 0, py::arg("tool") = "");
}

} // namespace tulo::python
