#include "Fits.h"

#include "Runs.h"
#include "base/Numbers.h"
#include "calibration/Phenology.h"
#include "commands/CommandTexts.h"
#include "engine/Parameters.h"
#include "evaluation/MeasuredEvaluation.h"

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

int VariableIndex(const std::string& variable) {
    if (const auto index = EvaluableVariableIndex(variable)) return *index;
    throw InputRefused(
        {"\"" + variable +
         "\" cannot be evaluated; choose one of the report headers DVS (-), "
         "AGB tot (tAGB/ha), AGB panicles (tAGB/ha), AGB leaves (tAGB/ha), AGB stems (tAGB/ha), "
         "GAI (m2/m2)."});
}

py::dict EvaluationDict(const Evaluation& e) {
    const AgreementIndices& i = e.indices;
    const Regression& g = e.regression;
    py::dict result;
    result["n"] = i.n;
    result["RMSE"] = py::cast(i.RMSE);
    result["RRMSE"] = py::cast(i.RRMSE);
    result["EF"] = py::cast(i.EF);
    result["CRM"] = py::cast(i.CRM);
    result["RRMSEcvLastPoint"] = py::cast(i.RRMSEcvLastPoint);
    result["Slope"] = py::cast(g.slope);
    result["Intercept"] = py::cast(g.intercept);
    result["R2"] = py::cast(g.R2);
    result["F"] = py::cast(g.F);
    result["pF"] = py::cast(g.pF);
    result["mark"] = g.pF ? py::object(py::str(g.mark)) : py::object(py::none());
    py::list leftOut;
    for (const LeftOut& l : e.matrix.leftOut) {
        py::dict item;
        item["row"] = l.row;
        item["doy"] = l.doy;
        leftOut.append(item);
    }
    result["left_out"] = leftOut;
    result["after_crop_end"] = py::cast(e.afterCropEnd);
    result["before_sowing"] = py::cast(e.beforeSowing);
    result["pairs"] =
        py::make_tuple(py::cast(e.matrix.day), py::cast(e.matrix.measured), py::cast(e.matrix.simulated));
    return result;
}

} // namespace

py::dict EvaluatePython(const Season& season, const std::string& variable, const Grid& table,
                        const std::string& source, std::vector<std::string> notes) {
    const int index = VariableIndex(variable);
    TitledMeasurements measured =
        ReadTitledMeasurements(table, source, season.year(), LaterYearsOf(season.inputs().control));
    if (!measured.data) throw InputRefused(std::move(measured.messages));
    notes.insert(notes.end(), measured.messages.begin(), measured.messages.end());
    Evaluation evaluation;
    {
        py::gil_scoped_release released;
        evaluation = EvaluateAgainstMeasured(RunChecked(season.inputs()), index, *measured.data);
    }
    if (!evaluation.regression.failure.empty()) notes.push_back(evaluation.regression.failure);
    for (const std::string& note : PairingNotes(evaluation)) notes.push_back(source + ": " + note);
    py::dict result = EvaluationDict(evaluation);
    result["notes"] = notes;
    return result;
}

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
