#include "calibration/Objective.h"

#include "base/Numbers.h"
#include "calibration/CalibrationParameters.h"
#include "calibration/Simplex.h"
#include "engine/Outputs.h"
#include "engine/Season.h"
#include "evaluation/Statistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tulo {

namespace {

constexpr int kAgbVariable = 2; // "AGB tot (tAGB/ha)"
constexpr int kLaiVariable = 6; // "GAI (m2/m2)"

std::string Number(double value) {
    return ShortestText(value);
}

// The pair of the latest day last, so that "the last point" is the end of the season whatever the order
// of the file's rows; rows of one day keep their order.
void SortByDay(MeasuredData& data) {
    std::stable_sort(data.rows.begin(), data.rows.end(),
                     [](const Measurement& a, const Measurement& b) { return a.doy < b.doy; });
}

// A data set's measurements paired with its season as its own parameters simulate it. The days paired
// are the same at every point of the search; the end of the crop, and so which pairs compare a sample
// with a bare field, may move when a calibrated parameter moves the development (under water the apex
// temperature follows the panicle height), which the checks and notes, made at the season's own values,
// cannot foresee.
struct DataSetPairing {
    Evaluation agb;
    std::optional<Evaluation> lai;
};

DataSetPairing PairDataSet(const CalibrationDataSet& set, bool withLai) {
    auto run = std::make_unique<RunState>();
    RunSeason(*set.inputs, {}, *run);
    DataSetPairing pairing{EvaluateAgainstMeasured(*run, kAgbVariable, set.agb), std::nullopt};
    if (withLai) pairing.lai = EvaluateAgainstMeasured(*run, kLaiVariable, set.lai);
    return pairing;
}

// "Site 2: agb.xlsx: " before a sentence, without the parts that are empty; a sentence named by neither
// starts with a capital.
std::string Named(const CalibrationDataSet& set, std::string_view source, std::string text) {
    std::string where;
    for (const std::string_view part : {std::string_view(set.name), source})
        if (!part.empty()) where += std::string(part) + ": ";
    if (where.empty() && !text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return where + text;
}

// Why a table cannot serve the objective, or nothing: its rows refused, no pair on a simulated day, no
// pair the crop can change, or every value paired 0 (the relative indices divide by their mean).
std::optional<std::string> UnusableMeasurements(const MeasuredData& data, const Evaluation& evaluation,
                                                std::string_view variable, const SeasonInputs& inputs) {
    if (const auto refusals = MeasuredRefusals(data); !refusals.empty()) return refusals.front();
    const std::string measurements = "the " + std::string(variable) + " measurements";
    if (evaluation.matrix.measured.empty())
        return measurements + " hold no measurement on a simulated day (DOY " +
               std::to_string(inputs.control.InitialDate) + " to " +
               std::to_string(inputs.control.FinalDate - 1) + ").";
    if (PairsInTheCropSeason(evaluation) == 0) {
        std::string when;
        if (evaluation.sowing != 0) when = "before sowing on DOY " + std::to_string(evaluation.sowing);
        if (evaluation.cropEnd != 0)
            when += (when.empty() ? "" : " or ") + std::string("after the crop ended on DOY ") +
                    std::to_string(evaluation.cropEnd);
        return "every " + std::string(variable) + " measurement of a simulated day was taken " + when +
               ", where the simulated " + std::string(variable) +
               " is 0 whatever the parameters: there is no pair to calibrate on.";
    }
    if (std::all_of(evaluation.matrix.measured.begin(), evaluation.matrix.measured.end(),
                    [](float value) { return value == 0; }))
        return "every measured " + std::string(variable) +
               " is 0, so the objective's index (relative to their mean) has no value.";
    return std::nullopt;
}

// A search on the leaf area alone (the remotely sensed series) has no AGB table; a table given with a
// zero weight still has to pair, as the windows always asked.
bool WeighsAgb(const CalibrationSettings& settings, const CalibrationDataSet& set) {
    return settings.agbWeight > 0 || !set.agb.rows.empty();
}

// The index the objective names, or nothing when it has no value: the agreement indices of the evaluation,
// from the measured days' values alone.
std::optional<double> Index(const RunState& run, int variable, const MeasuredData& data, ObjectiveKind kind) {
    // The indices' arrays start at position 1.
    std::vector<double> simulated(1, 0.0), measured(1, 0.0);
    simulated.reserve(data.rows.size() + 1);
    measured.reserve(data.rows.size() + 1);
    AppendPairs(run, variable, data, simulated, measured);
    if (measured.size() == 1) return std::nullopt;
    AgreementStatistics objective;
    objective.ObjectiveFunction(simulated, measured);
    return kind == ObjectiveKind::RRMSE ? objective.GetRRMSE() : objective.GetRRMSEcvLastPoint();
}

} // namespace

std::optional<ObjectiveKind> ObjectiveKindNamed(std::string_view name) {
    if (name == ObjectiveKindName(ObjectiveKind::RRMSE)) return ObjectiveKind::RRMSE;
    if (name == ObjectiveKindName(ObjectiveKind::RRMSEcvLastPoint)) return ObjectiveKind::RRMSEcvLastPoint;
    return std::nullopt;
}

std::string_view ObjectiveKindName(ObjectiveKind kind) {
    return kind == ObjectiveKind::RRMSE ? "RRMSE" : "RRMSE + CV on Last Point";
}

const ParameterInfo* FindCalibrationParameter(std::string_view name) {
    for (const CalibrationParameter& p : CalibrationParameters())
        if (p.caption == name || p.key == name || p.id == name) return FindParameter(p.id);
    return nullptr;
}

std::string CalibratedName(const ParameterInfo& info) {
    const std::string_view caption = CalibrationCaption(info);
    return std::string(caption.empty() ? info.id : caption);
}

CalibrationProblem::CalibrationProblem(CalibrationSettings settings, std::vector<CalibrationDataSet> dataSets,
                                       SearchControl control)
    : settings_(std::move(settings)), dataSets_(std::move(dataSets)), control_(std::move(control)) {
    for (CalibrationDataSet& set : dataSets_) {
        SortByDay(set.agb);
        SortByDay(set.lai);
    }
}

std::optional<std::string> UncalibratableReason(const ParameterInfo& info) {
    const std::string caption = CalibratedName(info);
    if (info.kind == ParameterKind::Constant)
        return caption +
               " is a constant of the model, which no configuration holds: it cannot be calibrated.";
    if (info.whole || info.kind != ParameterKind::Number)
        return caption + " is a code or a switch: the simplex moves its parameters continuously, so it "
                         "cannot be calibrated.";
    return std::nullopt;
}

std::optional<std::string> UnreadReason(const ParameterInfo& info, const SeasonInputs& inputs) {
    const std::string caption = CalibratedName(info);
    if (info.transplanting && !inputs.manag.Transplanted)
        return caption + " is never read by this season: the crop is sown in the field, not transplanted, "
                         "so it cannot be calibrated.";
    if ((info.id == "DLC" || info.id == "DLO") && !MethodReadsDayLengths(inputs.crop))
        return caption + " is never read by this season: its development method does not respond to day "
                         "length, so it cannot be calibrated.";
    return std::nullopt;
}

bool CalibrationProblem::Inside(std::span<const double> x) const {
    if (x.size() != settings_.parameters.size()) return false;
    for (std::size_t k = 0; k < x.size(); ++k) {
        const CalibratedParameter& p = settings_.parameters[k];
        if (!(x[k] > p.min && x[k] <= p.max)) return false;
    }
    return true;
}

void CalibrationProblem::CountRuns(std::int64_t made, double objective) const {
    const std::int64_t runs = runs_.fetch_add(made) + made;
    if (!control_.progress) return;
    const std::lock_guard lock(progressMutex_);
    best_ = std::min(best_, objective);
    control_.progress(runs, best_);
}

void CalibrationProblem::ReportContraction(const TrialResult& trial) const {
    if (!control_.contraction) return;
    const std::lock_guard lock(progressMutex_);
    control_.contraction(trial);
}

namespace {

void AddProblem(Problems& problems, std::string field, std::string text) {
    problems.push_back({std::move(field), 0, 0, std::move(text)});
}

// Parameter k: a crop parameter the simplex can move, chosen once for a season, over a range inside its
// accepted values, from an initial value inside the range.
void CheckCalibratedParameter(const CalibrationSettings& s, std::size_t k, std::span<const double> initial,
                              Problems& problems) {
    const auto registry = CropParameterRegistry();
    const CalibratedParameter& p = s.parameters[k];
    if (p.index < 0 || static_cast<std::size_t>(p.index) >= registry.size()) {
        AddProblem(problems, "parameters",
                   "Parameter " + std::to_string(k + 1) + " is not a crop parameter.");
        return;
    }
    const ParameterInfo& info = registry[static_cast<std::size_t>(p.index)];
    const std::string caption = CalibratedName(info);
    const auto add = [&](std::string text) { AddProblem(problems, caption, std::move(text)); };
    if (auto why = UncalibratableReason(info)) {
        add(std::move(*why));
        return;
    }
    // A site's own value beside a shared one would have two values for one season.
    for (std::size_t other = 0; other < k; ++other)
        if (s.parameters[other].index == p.index &&
            (p.dataSet < 0 || s.parameters[other].dataSet < 0 || s.parameters[other].dataSet == p.dataSet))
            add(caption + " is chosen twice: calibrate DIFFERENT parameters.");
    if (!(p.min < p.max)) {
        add(caption + ": the minimum " + Number(p.min) + " is not below the maximum " + Number(p.max) + ".");
        return;
    }
    for (const double bound : {p.min, p.max})
        if (const auto outside = CheckParameterBounds(info, bound))
            add(caption + ": the range " + Number(p.min) + " to " + Number(p.max) +
                " leaves the accepted values (" + outside->text + ")");
    if (k < initial.size() && !(initial[k] > p.min && initial[k] <= p.max))
        add(caption + ": the initial value " + Number(initial[k]) + " is outside its range (above " +
            Number(p.min) + ", at most " + Number(p.max) + ").");
}

// A parameter that no season taking its value reads would be "calibrated" to whatever the search
// happens to leave it at.
void CheckParametersRead(const CalibrationProblem& problem, Problems& problems) {
    const auto registry = CropParameterRegistry();
    for (const CalibratedParameter& p : problem.settings().parameters) {
        if (p.index < 0 || static_cast<std::size_t>(p.index) >= registry.size()) continue;
        const ParameterInfo& info = registry[static_cast<std::size_t>(p.index)];
        if (UncalibratableReason(info)) continue;
        std::optional<std::string> why;
        bool read = false;
        for (std::size_t d = 0; d < problem.dataSets().size() && !read; ++d) {
            const CalibrationDataSet& set = problem.dataSets()[d];
            if (!set.inputs || (p.dataSet >= 0 && static_cast<std::size_t>(p.dataSet) != d)) continue;
            why = UnreadReason(info, *set.inputs);
            read = !why;
        }
        if (!read && why) AddProblem(problems, CalibratedName(info), std::move(*why));
    }
}

// Every data set: its season's inputs, and measurements the objective can use for each index it weighs.
void CheckDataSets(const CalibrationProblem& problem, Problems& problems) {
    const CalibrationSettings& s = problem.settings();
    if (problem.dataSets().empty())
        AddProblem(problems, "data sets", "There is no data set to calibrate on.");
    CheckParametersRead(problem, problems);
    for (const CalibratedParameter& p : s.parameters)
        if (p.dataSet >= static_cast<int>(problem.dataSets().size()))
            AddProblem(problems, "parameters",
                       "A parameter belongs to data set " + std::to_string(p.dataSet + 1) + ", beyond the " +
                           std::to_string(problem.dataSets().size()) + " given.");
    for (const CalibrationDataSet& set : problem.dataSets()) {
        const std::string where = set.name.empty() ? std::string() : set.name + ": ";
        if (!set.inputs) {
            AddProblem(problems, set.name, where + "the season's inputs are missing.");
            continue;
        }
        const SeasonInputs& in = *set.inputs;
        const DataSetPairing pairing = PairDataSet(set, s.withLai);
        if (WeighsAgb(s, set))
            if (const auto why = UnusableMeasurements(set.agb, pairing.agb, "AGB", in))
                AddProblem(problems, set.agbSource, Named(set, set.agbSource, *why));
        if (pairing.lai)
            if (const auto why = UnusableMeasurements(set.lai, *pairing.lai, "LAI", in))
                AddProblem(problems, set.laiSource, Named(set, set.laiSource, *why));
    }
}

} // namespace

Problems CheckCalibration(const CalibrationProblem& problem, std::span<const double> initial) {
    Problems problems;
    const CalibrationSettings& s = problem.settings();
    const std::size_t n = s.parameters.size();
    if (n == 0) {
        AddProblem(problems, "parameters",
                   "There are problems with the number of parameters to calibrate: choose at least one.");
        return problems;
    }
    for (std::size_t k = 0; k < n; ++k) CheckCalibratedParameter(s, k, initial, problems);
    if (initial.size() != n)
        AddProblem(problems, "initial",
                   "Give an initial value for each of the " + std::to_string(n) + " parameters.");
    if (!std::isfinite(s.agbWeight) || s.agbWeight < 0 || !std::isfinite(s.laiWeight) || s.laiWeight < 0)
        AddProblem(problems, "weights", "The AGB and LAI weights must be numbers of at least 0.");
    else if (s.agbWeight == 0 && (!s.withLai || s.laiWeight == 0))
        AddProblem(problems, "weights",
                   "The objective has no weight: with the AGB and LAI weights both 0 every point scores 0. "
                   "Give one of them a value above 0.");
    CheckDataSets(problem, problems);
    return problems;
}

std::vector<std::string> MeasurementNotes(const CalibrationSettings& settings,
                                          std::span<const CalibrationDataSet> dataSets) {
    std::vector<std::string> notes;
    for (const CalibrationDataSet& set : dataSets) {
        if (!set.inputs) continue;
        const DataSetPairing pairing = PairDataSet(set, settings.withLai);
        for (const std::string& note : PairingNotes(pairing.agb))
            notes.push_back(Named(set, set.agbSource, note));
        if (pairing.lai)
            for (const std::string& note : PairingNotes(*pairing.lai))
                notes.push_back(Named(set, set.laiSource, note));
    }
    return notes;
}

std::vector<ParameterValue> DataSetValues(const CalibrationSettings& settings, std::span<const double> x,
                                          std::size_t dataSet) {
    std::vector<ParameterValue> values;
    values.reserve(x.size());
    for (std::size_t k = 0; k < x.size() && k < settings.parameters.size(); ++k) {
        const CalibratedParameter& p = settings.parameters[k];
        if (p.dataSet < 0 || static_cast<std::size_t>(p.dataSet) == dataSet)
            values.push_back({p.index, x[k]});
    }
    return values;
}

namespace {

enum class SeasonTrial { Compared, NoSeason, NotCompared };

// One data set's season at these values and its two indices. NoSeason: the values break the order of the
// temperatures (the equations need the base below the optimum, and the like), so nothing was run;
// NotCompared: the season ran but is not finite or leaves an index without a value.
SeasonTrial RunDataSet(const CalibrationSettings& s, const CalibrationDataSet& data,
                       const std::vector<ParameterValue>& set, RunState& run, double& agb, double& lai) {
    const auto registry = CropParameterRegistry();
    CropParameters crop = data.inputs->crop;
    for (const ParameterValue& p : set)
        SetParameter(crop, registry[static_cast<std::size_t>(p.index)], p.value);
    if (!CheckParameterRelations(crop).empty()) return SeasonTrial::NoSeason;
    // Every season starts from a cleared state, so a trial never depends on the one before.
    RunSeason(*data.inputs, set, run);
    if (FirstNonFiniteOutput(run)) return SeasonTrial::NotCompared;
    const auto agbIndex = WeighsAgb(s, data) ? Index(run, kAgbVariable, data.agb, s.objective) : 0.0;
    const auto laiIndex = s.withLai ? Index(run, kLaiVariable, data.lai, s.objective) : 0.0;
    if (!agbIndex || !laiIndex) return SeasonTrial::NotCompared;
    agb = *agbIndex;
    lai = *laiIndex;
    return SeasonTrial::Compared;
}

// The best of a data set's own values given the shared ones: the lowest objective any point of its
// search met, so that the answer is a function of the shared values alone.
struct NestedBest {
    double objective = kOutsidePenalty;
    double agb = 0, lai = 0;
    std::vector<double> values;
    bool converged = false;
    std::int64_t runs = 0;
};

constexpr double kNestedTolerance = 1e-6;

NestedBest SearchOwnValues(const CalibrationProblem& problem, const CalibrationDataSet& data,
                           const std::vector<ParameterValue>& shared, std::span<const std::size_t> own,
                           RunState& run) {
    const CalibrationSettings& s = problem.settings();
    std::vector<CalibratedParameter> ranges;
    std::vector<double> initial;
    for (const std::size_t k : own) {
        ranges.push_back(s.nested[k]);
        initial.push_back(k < s.nestedInitial.size() ? s.nestedInitial[k] : s.nested[k].max);
    }
    NestedBest best;
    std::vector<ParameterValue> set = shared;
    const TrialFunction evaluate = [&](std::span<const double> x) {
        TrialResult trial;
        for (std::size_t j = 0; j < x.size(); ++j)
            if (!(x[j] > ranges[j].min && x[j] <= ranges[j].max)) return trial;
        set.resize(shared.size());
        for (std::size_t j = 0; j < x.size(); ++j) set.push_back({ranges[j].index, x[j]});
        double agb = 0, lai = 0;
        const SeasonTrial ran = RunDataSet(s, data, set, run, agb, lai);
        if (ran != SeasonTrial::NoSeason) ++best.runs;
        if (ran != SeasonTrial::Compared) return trial;
        const double objective = s.agbWeight * agb + s.laiWeight * lai;
        if (!std::isfinite(objective) || objective >= kOutsidePenalty) return trial;
        trial = {agb, lai, objective, true, {}, {}, true};
        if (objective < best.objective) best = {objective, agb, lai, {x.begin(), x.end()}, false, best.runs};
        return trial;
    };
    Simplex simplex{StartingSimplex(initial, ranges), {}};
    for (const Point& vertex : simplex.p) simplex.y.push_back(evaluate(vertex).objective);
    bool converged = false;
    DownhillSimplexOptions options;
    options.ftol = kNestedTolerance;
    options.stop = problem.control().stop;
    options.converged = &converged;
    DownhillSimplex(simplex, evaluate, options);
    best.converged = converged;
    return best;
}

} // namespace

TrialResult EvaluateTrial(const CalibrationProblem& problem, std::span<const double> x, RunState& run) {
    TrialResult result;
    // A point outside the ranges costs the penalty whatever the weights: a zero AGB weight must not let
    // the search wander out of them.
    if (!problem.Inside(x) || problem.StopRequested()) return result;
    const CalibrationSettings& s = problem.settings();

    double agb = 0, lai = 0;
    std::array<double, kIndexedDataSets> siteAgb{};
    std::vector<double> nestedValues(s.nested.size(), 0.0);
    bool nestedConverged = true;
    std::int64_t runs = 0;
    std::size_t site = 0;
    bool evaluated = true;
    std::vector<std::size_t> own;
    for (const CalibrationDataSet& data : problem.dataSets()) {
        // A handful of values: the allocation is nothing beside a season.
        const std::vector<ParameterValue> set = DataSetValues(s, x, site);
        own.clear();
        for (std::size_t k = 0; k < s.nested.size(); ++k)
            if (s.nested[k].dataSet == static_cast<int>(site)) own.push_back(k);
        double siteAgbIndex = 0, siteLaiIndex = 0;
        if (own.empty()) {
            const SeasonTrial ran = RunDataSet(s, data, set, run, siteAgbIndex, siteLaiIndex);
            // Such a point is no season, as much as one outside the ranges.
            if (ran == SeasonTrial::NoSeason) return result;
            ++runs;
            if (ran == SeasonTrial::NotCompared) {
                evaluated = false;
                break;
            }
        } else {
            const NestedBest best = SearchOwnValues(problem, data, set, own, run);
            runs += best.runs;
            if (!(best.objective < kOutsidePenalty)) {
                evaluated = false;
                break;
            }
            siteAgbIndex = best.agb;
            siteLaiIndex = best.lai;
            for (std::size_t j = 0; j < own.size(); ++j) nestedValues[own[j]] = best.values[j];
            nestedConverged = nestedConverged && best.converged;
        }
        if (site < kIndexedDataSets) siteAgb[site] = siteAgbIndex;
        ++site;
        agb += siteAgbIndex;
        lai += siteLaiIndex;
    }
    if (evaluated) {
        result = {agb, lai, s.agbWeight * agb + s.laiWeight * lai, true, siteAgb, {}, true};
        if (!std::isfinite(result.objective) || result.objective >= kOutsidePenalty)
            result = {};
        else if (!s.nested.empty()) {
            result.nestedValues = std::move(nestedValues);
            result.nestedConverged = nestedConverged;
        }
    }
    // The flat search counts a run for every data set of an evaluated point, as it always has.
    problem.CountRuns(s.nested.empty() ? static_cast<std::int64_t>(problem.dataSets().size()) : runs,
                      result.objective);
    return result;
}

double RoundCalibrated(double value) {
    if (!std::isfinite(value) || value == 0) return value;
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::clamp(3 - exponent, 3, 17);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return std::strtod(text, nullptr);
}

std::string CalibratedText(double value) {
    return ShortestText(RoundCalibrated(value));
}

} // namespace tulo
