#include "calibration/Reinit.h"

#include "base/Numbers.h"
#include "calibration/Simplex.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

namespace tulo {

namespace {

MeasuredData LaiMeasurements(std::span<const LaiPoint> lai) {
    MeasuredData data;
    int row = 0;
    for (const LaiPoint& point : lai)
        data.rows.push_back({++row, static_cast<float>(point.doy), point.lai, 0});
    return data;
}

// The searches of every sowing day share one count of model runs and one best objective, as one search
// would report them.
class SharedProgress {
public:
    explicit SharedProgress(const SearchControl& control) : control_(control) {}

    SearchControl ForOneDay() {
        SearchControl day;
        day.threads = control_.threads;
        day.stop = control_.stop;
        if (control_.progress)
            day.progress = [this](std::int64_t, double best) {
                const std::lock_guard lock(mutex_);
                best_ = std::min(best_, best);
                control_.progress(++runs_, best_);
            };
        return day;
    }

private:
    const SearchControl& control_;
    std::mutex mutex_;
    std::int64_t runs_ = 0;
    double best_ = kOutsidePenalty;
};

class DaySearch {
public:
    DaySearch(const SowingCompiler& compileSown, std::span<const LaiPoint> lai,
              const ReinitSettings& settings, SharedProgress& progress)
        : compileSown_(compileSown), lai_(LaiMeasurements(lai)), settings_(settings), progress_(progress) {}

    // The problem of the season sown on `day`; nothing when that season does not compile.
    std::unique_ptr<CalibrationProblem> Problem(std::int32_t day, Problems* problems = nullptr) const {
        const Compilation compiled = compileSown_(day);
        if (!compiled.inputs) {
            if (problems) *problems = compiled.problems;
            return nullptr;
        }
        CalibrationSettings calibration;
        calibration.parameters = settings_.parameters;
        calibration.withLai = true;
        calibration.agbWeight = 0;
        calibration.laiWeight = 1;
        CalibrationDataSet set;
        set.inputs = compiled.inputs;
        set.lai = lai_;
        set.laiSource = "the LAI table";
        return std::make_unique<CalibrationProblem>(std::move(calibration), std::vector{std::move(set)},
                                                    progress_.ForOneDay());
    }

    // The simplex at `day` from `initial`, restarted once from where it settled: a simplex may collapse
    // on a flat stretch of the stage thresholds before it reaches the minimum.
    const SowingObjective& Search(std::int32_t day, std::span<const double> initial) {
        if (const auto known = searched_.find(day); known != searched_.end()) return known->second;
        SowingObjective result{day, kOutsidePenalty, {initial.begin(), initial.end()}};
        if (const auto problem = Problem(day)) {
            std::vector<double> start(initial.begin(), initial.end());
            for (int pass = 0; pass < 2; ++pass) {
                const CalibrationOutcome outcome = SearchFromInitialValues(*problem, start);
                runs_ += outcome.runs;
                if (!outcome.problems.empty() || outcome.failed) break;
                if (outcome.objective < result.objective) {
                    result.objective = outcome.objective;
                    result.values = outcome.values;
                }
                if (outcome.stopped) break;
                start = result.values;
            }
        }
        return searched_.emplace(day, std::move(result)).first->second;
    }

    const std::map<std::int32_t, SowingObjective>& searched() const { return searched_; }
    std::int64_t runs() const { return runs_; }

private:
    const SowingCompiler& compileSown_;
    MeasuredData lai_;
    const ReinitSettings& settings_;
    SharedProgress& progress_;
    std::map<std::int32_t, SowingObjective> searched_;
    std::int64_t runs_ = 0;
};

bool Stopped(const SearchControl& control) {
    return control.stop && control.stop->load(std::memory_order_relaxed);
}

Problems CheckScanSettings(const ReinitSettings& settings) {
    Problems problems;
    if (settings.sowingWindow < 0 || settings.sowingWindow > 180)
        problems.push_back({"sowing window", 0, 0,
                            "The sowing window must be 0 to 180 days either side of the configuration's "
                            "sowing, not " +
                                std::to_string(settings.sowingWindow) + "."});
    if (settings.coarseStep < 1)
        problems.push_back({"sowing window", 0, 0, "The step of the sowing scan must be at least 1 day."});
    return problems;
}

// The days of the coarse scan: every `step` days from the anchor both ways, and the window's two ends.
std::vector<std::int32_t> CoarseDays(std::int32_t anchor, std::int32_t first, std::int32_t last, int step) {
    std::vector<std::int32_t> coarse;
    for (std::int32_t day = anchor; day >= first; day -= step) coarse.insert(coarse.begin(), day);
    for (std::int32_t day = anchor + step; day <= last; day += step) coarse.push_back(day);
    if (coarse.front() != first) coarse.insert(coarse.begin(), first);
    if (coarse.back() != last) coarse.push_back(last);
    return coarse;
}

// Every day around the best two scanned days, each from the parameters of the scanned day it is nearest
// to, which is where its own minimum most likely lies.
void SearchAroundTheBestTwo(DaySearch& search, std::span<const std::int32_t> coarse, std::int32_t first,
                            std::int32_t last, int step, const SearchControl& control) {
    std::vector<SowingObjective> ranked;
    for (const std::int32_t day : coarse)
        if (const auto searched = search.searched().find(day); searched != search.searched().end())
            ranked.push_back(searched->second);
    std::stable_sort(ranked.begin(), ranked.end(), [](const SowingObjective& a, const SowingObjective& b) {
        return a.objective < b.objective;
    });
    const int reach = step - 1;
    for (std::size_t k = 0; k < std::min<std::size_t>(2, ranked.size()) && !Stopped(control); ++k)
        for (std::int32_t day = std::max(first, ranked[k].day - reach);
             day <= std::min(last, ranked[k].day + reach) && !Stopped(control); ++day)
            search.Search(day, ranked[k].values);
}

const SowingObjective* BestDay(const DaySearch& search) {
    const SowingObjective* chosen = nullptr;
    for (const auto& [day, searched] : search.searched())
        if (!chosen || searched.objective < chosen->objective) chosen = &searched;
    return chosen;
}

// The estimate as the result gives it, with its uncertainty when the scan finished.
void WriteEstimate(const DaySearch& search, const SowingObjective& estimate, const SearchControl& control,
                   ReinitResult& result) {
    result.stopped = Stopped(control);
    result.sowing = estimate.day;
    result.objective = estimate.objective;
    result.values = estimate.values;
    for (const double value : result.values) result.rounded.push_back(RoundCalibrated(value));
    for (const auto& [day, searched] : search.searched()) result.days.push_back(searched);
    result.runs = search.runs();
    if (estimate.objective < kOutsidePenalty && !result.stopped) {
        const auto problem = search.Problem(estimate.day);
        result.uncertainty = EstimateUncertainty(*problem, result.values);
        result.measurements = result.uncertainty.measurements;
    }
}

// The profile range, walking out from the estimate both ways until a day's objective leaves the bound.
void ProfileRange(DaySearch& search, const SowingObjective& estimate, double bound, std::int32_t first,
                  std::int32_t last, const SearchControl& control, ReinitResult& result) {
    result.sowingLow = result.sowingHigh = estimate.day;
    for (const int direction : {-1, 1}) {
        std::int32_t& edge = direction < 0 ? result.sowingLow : result.sowingHigh;
        std::vector<double> from = estimate.values;
        for (std::int32_t day = estimate.day + direction; day >= first && day <= last; day += direction) {
            if (Stopped(control)) break;
            const SowingObjective& next = search.Search(day, from);
            if (!(next.objective <= bound)) break;
            edge = day;
            from = next.values;
        }
    }
}

} // namespace

ReinitSettings DefaultReinitSettings(const SeasonInputs& inputs) {
    ReinitSettings settings;
    const auto registry = CropParameterRegistry();
    for (const std::string_view id : kReinitDefaultParameters) {
        const int index = ParameterIndex(id);
        const ParameterInfo& info = registry[static_cast<std::size_t>(index)];
        const double value = GetParameter(inputs.crop, info);
        settings.parameters.push_back({index, std::max(info.min, value * kReinitDefaultLow),
                                       std::min(info.max, value * kReinitDefaultHigh)});
        settings.initial.push_back(value);
    }
    return settings;
}

ReinitResult ReinitializeFromLai(const SowingCompiler& compileSown, std::span<const LaiPoint> lai,
                                 const ReinitSettings& settings, const SearchControl& control) {
    ReinitResult result;
    result.problems = CheckScanSettings(settings);
    const Compilation configured = compileSown(std::nullopt);
    if (!configured.inputs) {
        result.problems = configured.problems;
        return result;
    }
    if (!result.problems.empty()) return result;
    const SeasonInputs& inputs = *configured.inputs;
    SharedProgress progress(control);
    DaySearch search(compileSown, lai, settings, progress);

    // The configuration's own season must be one to calibrate: the checks of the calibration name what
    // is wrong with the table or the parameters.
    const std::int32_t sown = inputs.manag.SowingDate;
    result.problems = CheckCalibration(*search.Problem(sown), settings.initial);
    if (!result.problems.empty()) return result;

    const std::int32_t first = std::max(inputs.control.InitialDate, sown - settings.sowingWindow);
    const std::int32_t last = std::min(inputs.control.FinalDate - 1, sown + settings.sowingWindow);
    // A crop sown before the first simulated day starts on it: earlier days are all that one season.
    if (first > last) {
        result.problems.push_back({"SowingDate", 0, 0,
                                   "The sowing window, DOY " + std::to_string(sown - settings.sowingWindow) +
                                       " to " + std::to_string(sown + settings.sowingWindow) +
                                       ", holds no simulated day (DOY " +
                                       std::to_string(inputs.control.InitialDate) + " to " +
                                       std::to_string(inputs.control.FinalDate - 1) + "): widen it."});
        return result;
    }
    const std::vector<std::int32_t> coarse =
        CoarseDays(std::clamp(sown, first, last), first, last, settings.coarseStep);
    for (const std::int32_t day : coarse) {
        if (Stopped(control)) break;
        search.Search(day, settings.initial);
    }
    SearchAroundTheBestTwo(search, coarse, first, last, settings.coarseStep, control);
    if (!BestDay(search)) { // stopped before the first day's search
        result.stopped = true;
        return result;
    }
    const SowingObjective estimate = *BestDay(search);
    const int measurements = static_cast<int>(lai.size());
    const int freedom = std::max(1, measurements - static_cast<int>(settings.parameters.size()) - 1);
    const double t = StudentT95(freedom);
    ProfileRange(search, estimate, estimate.objective * std::sqrt(1 + t * t / freedom), first, last, control,
                 result);

    WriteEstimate(search, estimate, control, result);
    return result;
}

} // namespace tulo
