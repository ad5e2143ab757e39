#include "Fits.h"

#include "base/Numbers.h"
#include "calibration/Phenology.h"
#include "engine/Parameters.h"

#include <pybind11/stl.h>

#include <memory>

namespace py = pybind11;

namespace tulo::python {

namespace {

std::string OptionName(PhenoStage stage) {
    return "--" + std::string(StageName(stage));
}

// The observed days, read as `tulo-cli phenology` reads its options; every refusal at once.
ObservedStages ReadObserved(const Season& season, const std::string& flowering, const std::string& maturity,
                            const std::optional<std::string>& emergence) {
    ObservedStages observed;
    std::vector<std::string> refusals;
    const auto day = [&](PhenoStage stage, const std::string& text) {
        try {
            return SeasonDayOf(OptionName(stage), text, season.year());
        } catch (const InputRefused& refused) {
            refusals.insert(refusals.end(), refused.problems().begin(), refused.problems().end());
            return 0;
        }
    };
    if (emergence) observed.emergence = day(PhenoStage::Emergence, *emergence);
    observed.flowering = day(PhenoStage::Flowering, flowering);
    observed.maturity = day(PhenoStage::Maturity, maturity);
    if (refusals.empty())
        for (const StageRefusal& refusal : CheckObservedStages(season.inputs(), observed))
            refusals.push_back(OptionName(refusal.stage) + ": " + refusal.reason + ".");
    if (!refusals.empty()) throw InputRefused(std::move(refusals));
    return observed;
}

py::list StageRows(const PhenologyFit& fit) {
    py::list rows;
    for (const StageResult& stage : fit.stages) {
        py::dict row;
        row["stage"] = std::string(StageName(stage.stage));
        row["observed"] = stage.observed;
        row["simulated"] = py::cast(stage.simulated);
        row["error"] = py::cast(stage.error());
        row["note"] = stage.note;
        rows.append(row);
    }
    return rows;
}

} // namespace

py::dict FitPhenologyPython(const Season& season, const std::string& flowering, const std::string& maturity,
                            const std::optional<std::string>& emergence) {
    const ObservedStages observed = ReadObserved(season, flowering, maturity, emergence);
    PhenologyFit fit;
    {
        py::gil_scoped_release released;
        auto run = std::make_unique<RunState>();
        fit = FitPhenology(season.inputs(), observed, *run);
    }
    py::dict parameters;
    const auto registry = CropParameterRegistry();
    for (const ParameterValue& p : fit.parameters) // the value as a configuration holds it
        parameters[py::str(std::string(registry[std::size_t(p.index)].id))] =
            ParseNumber(ShortestText(static_cast<float>(p.value))).value_or(p.value);
    py::dict result;
    result["parameters"] = parameters;
    result["stages"] = StageRows(fit);
    result["season"] = season.withPhenology(fit);
    return result;
}

} // namespace tulo::python
