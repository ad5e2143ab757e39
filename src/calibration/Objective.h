#pragma once
// The objective of the automatic calibration: a trial point of crop parameters (two or three in the
// windows, any number on the command line), one season per data set, and the agreement of the simulated
// above-ground biomass (and leaf area index) with the measurements. Immutable once built, so any number of
// workers evaluate it at once, each on a run state of its own.

#include "base/Problems.h"
#include "engine/Parameters.h"
#include "engine/RunState.h"
#include "engine/Season.h"
#include "engine/SeasonInputs.h"
#include "evaluation/MeasuredEvaluation.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// The objective of a point that is not a season to compare: outside the ranges, breaking the order of
// the temperatures, a season that is not finite, or an index without a value.
inline constexpr double kOutsidePenalty = 1e38;

enum class ObjectiveKind { RRMSE, RRMSEcvLastPoint };
// "RRMSE" or "RRMSE + CV on Last Point".
std::optional<ObjectiveKind> ObjectiveKindNamed(std::string_view name);
std::string_view ObjectiveKindName(ObjectiveKind kind);

// The calibratable parameter with this caption ("RUE", "Tb for growth", ...), calibration key
// ("myRUE") or registry id ("RUE", "Tb"), or none.
const ParameterInfo* FindCalibrationParameter(std::string_view name);

// How messages and results name a calibrated parameter: its caption in the calibration lists, otherwise
// its registry id.
std::string CalibratedName(const ParameterInfo& info);

// Why the simplex cannot move a parameter (a code, a switch, a whole number or a constant of the model),
// as a sentence that names it; nothing when it can.
std::optional<std::string> UncalibratableReason(const ParameterInfo& info);
// Why a season never reads a parameter (the transplanting of a crop sown in the field, the day lengths
// with the temperature method), as a sentence that names it; nothing when it reads it.
std::optional<std::string> UnreadReason(const ParameterInfo& info, const SeasonInputs& inputs);

struct CalibratedParameter {
    int index = -1; // in the registry
    double min = 0; // a value must lie above the minimum ...
    double max = 0; // ... and at most at the maximum
    // The data set whose season alone takes the value (a site's own parameter beside the shared ones);
    // -1: every data set's.
    int dataSet = -1;
};

struct CalibrationSettings {
    std::vector<CalibratedParameter> parameters; // at least one
    ObjectiveKind objective = ObjectiveKind::RRMSE;
    bool withLai = false; // the objective also weighs the leaf area index
    double agbWeight = 1;
    double laiWeight = 0;
    // Parameters of one data set alone, searched anew for that data set at every trial point of the
    // others (which then hold the shared ones only), from these initial values: given the shared values
    // each data set's own are independent of every other data set's, so a search of the shared ones
    // does not grow with the number of data sets.
    std::vector<CalibratedParameter> nested;
    std::vector<double> nestedInitial;
};

// A site or season with its measurements. The AGB table is in t/ha, the LAI table in m2/m2.
struct CalibrationDataSet {
    std::string name; // how messages name the data set; empty for the only one
    std::shared_ptr<const SeasonInputs> inputs;
    MeasuredData agb;
    std::string agbSource; // how messages name the table ("measured.xlsx")
    MeasuredData lai;      // read when the settings weigh the leaf area index
    std::string laiSource;
};

struct TrialResult;

// What a search reports while it runs, and how it is stopped. The callback is called after every model
// run, from any worker but never by two at once; the stop flag is polled between model runs.
struct SearchControl {
    int threads = 0; // 0: every core
    const std::atomic<bool>* stop = nullptr;
    std::function<void(std::int64_t runs, double best)> progress;
    // After every contraction trial, when its trace line is written: the trial's indices. Called as the
    // progress callback is, and never at the same time as it.
    std::function<void(const TrialResult& trial)> contraction;
};

// The data sets whose own AGB index a trial keeps, as the multi-site window shows them.
inline constexpr std::size_t kIndexedDataSets = 5;

struct TrialResult {
    double agbIndex = kOutsidePenalty; // summed over the data sets
    double laiIndex = 0;               // summed over the data sets; 0 without the LAI option
    double objective = kOutsidePenalty;
    bool evaluated = false; // the point was simulated and both indices have a value
    std::array<double, kIndexedDataSets> dataSetAgbIndex{}; // of the first data sets, when evaluated
    std::vector<double> nestedValues{}; // the best values of the settings' nested parameters, when evaluated
    bool nestedConverged = true;        // every nested search met its tolerance
};

class CalibrationProblem {
public:
    CalibrationProblem(CalibrationSettings settings, std::vector<CalibrationDataSet> dataSets,
                       SearchControl control = {});

    const CalibrationSettings& settings() const { return settings_; }
    std::span<const CalibrationDataSet> dataSets() const { return dataSets_; }
    int ndim() const { return static_cast<int>(settings_.parameters.size()); }
    const SearchControl& control() const { return control_; }

    // Whether the point lies in every range: above the minimum, at most the maximum.
    bool Inside(std::span<const double> x) const;
    bool StopRequested() const { return control_.stop && control_.stop->load(std::memory_order_relaxed); }
    // Model runs made so far (one per data set and evaluated point).
    std::int64_t runs() const { return runs_.load(); }
    void CountRun(double objective) const {
        CountRuns(static_cast<std::int64_t>(dataSets_.size()), objective);
    }
    void CountRuns(std::int64_t runs, double objective) const;
    // Hands a contraction trial to the control's callback, one caller at a time.
    void ReportContraction(const TrialResult& trial) const;

private:
    CalibrationSettings settings_;
    std::vector<CalibrationDataSet> dataSets_; // measurements sorted by day: the last pair is the latest
    SearchControl control_;
    mutable std::atomic<std::int64_t> runs_{0};
    mutable std::mutex progressMutex_;
    mutable double best_ = kOutsidePenalty;
};

// Everything that would make a search meaningless, each naming what is wrong: no parameter, a parameter
// unknown, chosen twice, a code or switch (the simplex moves continuously) or a constant of the model, a
// range whose minimum is not below its maximum or that leaves the parameter's accepted values, an initial
// value outside its range, weights that are not finite or negative, weights that are both 0, and measurements
// the objective cannot use: refused rows (negative values, one day with two values), no measurement on a
// simulated day, none inside the crop's season (between sowing and the end of the crop), or every one paired
// 0.
Problems CheckCalibration(const CalibrationProblem& problem, std::span<const double> initial);

// The measurements each data set leaves unpaired or compares with a bare field, named by data set and
// table, as the evaluation names them; one sentence each.
std::vector<std::string> MeasurementNotes(const CalibrationSettings& settings,
                                          std::span<const CalibrationDataSet> dataSets);

// The values of a point that apply to one data set's season: the shared ones and that data set's own.
std::vector<ParameterValue> DataSetValues(const CalibrationSettings& settings, std::span<const double> x,
                                          std::size_t dataSet);

// One trial: the point's parameters written over the season's own, every data set run from a cleared
// state on `run`, the indices summed over the data sets. A point outside the ranges is not simulated.
TrialResult EvaluateTrial(const CalibrationProblem& problem, std::span<const double> x, RunState& run);

// A calibrated value as it is written back: three decimals or four significant digits, whichever keeps
// more (2.34567 gives 2.346, 0.0016 stays 0.0016).
double RoundCalibrated(double value);
// Its text: the shortest that reads back as the rounded value.
std::string CalibratedText(double value);

} // namespace tulo
