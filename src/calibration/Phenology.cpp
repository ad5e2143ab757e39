#include "calibration/Phenology.h"

#include "base/Numbers.h"
#include "engine/Parameters.h"
#include "engine/SeasonSummary.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

namespace tulo {

std::string_view StageName(PhenoStage stage) {
    switch (stage) {
    case PhenoStage::Emergence:
        return "emergence";
    case PhenoStage::Flowering:
        return "flowering";
    case PhenoStage::Maturity:
        return "maturity";
    }
    return {};
}

namespace {

std::string Doy(std::int32_t day) {
    return "DOY " + std::to_string(day);
}

// The day the summary gives the stage: the first with DVS above 0, at 1, at 2.
std::optional<std::int32_t> StageDay(const RunState& run, PhenoStage stage) {
    const SeasonSummary summary = Summarize(run);
    switch (stage) {
    case PhenoStage::Emergence:
        return summary.emergence;
    case PhenoStage::Flowering:
        return summary.flowering;
    case PhenoStage::Maturity:
        return summary.maturity;
    }
    return std::nullopt;
}

std::string ParameterId(const ParameterValue& value) {
    return std::string(CropParameterRegistry()[static_cast<std::size_t>(value.index)].id);
}

// Positive singles order as their bit patterns do, so a bisection on the patterns visits every value the
// run can hold and ends on two neighbours.
std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

float Single(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

// The value a configuration shows best among those in the middle half of [lo, hi]: the fewest decimals,
// so that "821" rather than "820.9871" is written, and still far from both ends whatever a text does to it.
double MiddleValue(float lo, float hi) {
    const double low = lo, high = hi;
    const double middle = (low + high) / 2, quarter = (high - low) / 4;
    for (int decimals = -3; decimals <= 6; ++decimals) {
        const double scale = std::pow(10.0, std::abs(decimals));
        const double candidate =
            decimals < 0 ? std::round(middle / scale) * scale : std::round(middle * scale) / scale;
        const auto held = static_cast<float>(candidate);
        if (candidate >= low + quarter && candidate <= high - quarter && held >= lo && held <= hi)
            return candidate;
    }
    return static_cast<float>(middle);
}

class StageSearch {
public:
    StageSearch(const SeasonInputs& inputs, RunState& run, std::vector<ParameterValue>& values)
        : inputs_(inputs), run_(run), values_(values) {}

    // Fits values_[slot] so that the stage falls on `observed`, or as near as the accepted range and
    // the season's degree-days allow; returns why it missed, or nothing.
    std::string Fit(std::size_t slot, PhenoStage stage, std::int32_t observed) {
        const ParameterInfo& info = CropParameterRegistry()[static_cast<std::size_t>(values_[slot].index)];
        const std::uint32_t low = Bits(static_cast<float>(info.min)),
                            high = Bits(static_cast<float>(info.max));
        const std::uint32_t first = FirstReaching(slot, stage, observed, low, high);
        const std::uint32_t after = FirstReaching(slot, stage, observed + 1, low, high);
        if (first < after) {
            Keep(slot, first, after - 1);
            return {};
        }
        // No value puts the stage on the observed day: take the nearer day some value gives.
        const auto earlier = first > low ? DayWith(slot, Single(first - 1), stage) : std::nullopt;
        const auto later = first <= high ? DayWith(slot, Single(first), stage) : std::nullopt;
        const std::string id(info.id), name(StageName(stage));
        const std::string unit = " " + std::string(info.unit);
        const auto reached = [&](const std::optional<std::int32_t>& day) {
            return day ? "on " + Doy(*day) : "after the last simulated day";
        };
        if (earlier && (!later || observed - *earlier <= *later - observed)) {
            Keep(slot, FirstReaching(slot, stage, *earlier, low, high), first - 1);
            if (first > high)
                return "even the greatest " + id + " accepted, " + ShortestText(info.max) + unit +
                       ", brings " + name + " " + reached(earlier);
        } else if (later) {
            Keep(slot, first, FirstReaching(slot, stage, *later + 1, low, high) - 1);
        } else {
            Keep(slot, first, first);
        }
        if (first == low)
            return "even the least " + id + " accepted, " + ShortestText(info.min) + unit + ", brings " +
                   name + " " + reached(later);
        return "no value of " + id + " puts " + name + " on " + Doy(observed) + ", only " + reached(earlier) +
               " or " + reached(later);
    }

    // The season with the current values; the run state keeps it.
    void Run() {
        RunSeason(inputs_, values_, run_);
        ++runs_;
    }

    int runs() const { return runs_; }

    std::optional<std::int32_t> DayWith(std::size_t slot, float value, PhenoStage stage) {
        values_[slot].value = value;
        Run();
        return StageDay(run_, stage);
    }

    // The least value in [low, high] whose season reaches the stage on `day` or later (or not at all),
    // as a bit pattern; high + 1 when none does.
    std::uint32_t FirstReaching(std::size_t slot, PhenoStage stage, std::int32_t day, std::uint32_t low,
                                std::uint32_t high) {
        const auto reaches = [&](std::uint32_t bits) {
            const auto reached = DayWith(slot, Single(bits), stage);
            return !reached || *reached >= day;
        };
        if (reaches(low)) return low;
        if (!reaches(high)) return high + 1;
        std::uint32_t below = low, above = high;
        while (above - below > 1) {
            const std::uint32_t middle = below + (above - below) / 2;
            (reaches(middle) ? above : below) = middle;
        }
        return above;
    }

private:
    void Keep(std::size_t slot, std::uint32_t lo, std::uint32_t hi) {
        values_[slot].value = MiddleValue(Single(lo), Single(hi));
    }

    const SeasonInputs& inputs_;
    RunState& run_;
    std::vector<ParameterValue>& values_;
    int runs_ = 0;
};

} // namespace

std::vector<StageRefusal> CheckObservedStages(const SeasonInputs& inputs, const ObservedStages& observed) {
    const std::int32_t sowing = std::max(inputs.manag.SowingDate, inputs.control.InitialDate);
    const std::int32_t last = inputs.control.FinalDate - 1;
    std::vector<StageRefusal> refusals;
    std::optional<std::int32_t> previous;
    PhenoStage previousStage = PhenoStage::Emergence;
    const auto check = [&](PhenoStage stage, std::int32_t day) {
        if (day <= sowing)
            refusals.push_back({stage, Doy(day) + " is not after the sowing (" + Doy(sowing) + ")"});
        else if (day > last)
            refusals.push_back({stage, Doy(day) + " is after the last simulated day (" + Doy(last) + ")"});
        else if (previous && day <= *previous)
            refusals.push_back({stage, Doy(day) + " is not after the observed " +
                                           std::string(StageName(previousStage)) + " (" + Doy(*previous) +
                                           ")"});
        previous = day;
        previousStage = stage;
    };
    if (observed.emergence) check(PhenoStage::Emergence, *observed.emergence);
    check(PhenoStage::Flowering, observed.flowering);
    check(PhenoStage::Maturity, observed.maturity);
    return refusals;
}

PhenologyFit FitPhenology(const SeasonInputs& inputs, const ObservedStages& observed, RunState& run) {
    // A crop harvested before stage 2 never matures: the stage at harvest rises to maturity when below.
    const float harvest = std::max(inputs.crop.DVSEND, 2.0f);
    std::vector<ParameterValue> values = {{ParameterIndex("TSUMEM"), inputs.crop.TSUMEM},
                                          {ParameterIndex("TSUM1"), inputs.crop.TSUM1},
                                          {ParameterIndex("TSUM2"), inputs.crop.TSUM2},
                                          {ParameterIndex("DVSEND"), harvest}};
    StageSearch search(inputs, run, values);
    std::vector<std::pair<PhenoStage, std::int32_t>> stages;
    if (observed.emergence) stages.emplace_back(PhenoStage::Emergence, *observed.emergence);
    stages.emplace_back(PhenoStage::Flowering, observed.flowering);
    stages.emplace_back(PhenoStage::Maturity, observed.maturity);
    std::vector<std::string> notes;
    for (const auto& [stage, day] : stages)
        notes.push_back(search.Fit(static_cast<std::size_t>(stage), stage, day));

    // The season with every fitted value is the answer, whatever the searches expected.
    search.Run();
    PhenologyFit fit;
    for (std::size_t k = 0; k < stages.size(); ++k) {
        const auto slot = static_cast<std::size_t>(stages[k].first);
        StageResult result{stages[k].first, stages[k].second, StageDay(run, stages[k].first), notes[k]};
        if (result.error() != 0 && result.note.empty())
            result.note =
                "the stage does not move steadily with " + ParameterId(values[slot]) + " in this season";
        fit.stages.push_back(std::move(result));
    }
    if (!observed.emergence) values.erase(values.begin());
    if (harvest == inputs.crop.DVSEND) values.pop_back();
    fit.parameters = std::move(values);
    fit.runs = search.runs();
    return fit;
}

namespace {

// One season of a joint fit: its search, on its own run state, and its observed day of the stage fitted.
struct JointSeason {
    std::unique_ptr<RunState> run;
    std::vector<ParameterValue> values;
    std::unique_ptr<StageSearch> search;
    std::int32_t last = 0;

    // The stage's day, a stage not reached counting as the day after the last simulated one.
    std::int32_t Day(std::size_t slot, PhenoStage stage, std::uint32_t bits) {
        return search->DayWith(slot, Single(bits), stage).value_or(last + 1);
    }
};

// Where the summed error of the seasons changes: a season's day rises by one at each of its thresholds.
struct Threshold {
    std::uint32_t bits = 0;
    std::size_t season = 0;
};

// The squared day errors of the observed seasons, each on its day at the value being walked.
std::int64_t SquaredErrors(std::span<const std::int32_t> days,
                           std::span<const std::optional<std::int32_t>> observed) {
    std::int64_t sum = 0;
    for (std::size_t s = 0; s < days.size(); ++s)
        if (observed[s]) {
            const std::int64_t error = days[s] - *observed[s];
            sum += error * error;
        }
    return sum;
}

// The values (as float bits) where some observed season's day moves on within [from, to], in order; `days`
// receives each season's day at `from`.
std::vector<Threshold> ThresholdsBetween(std::vector<JointSeason>& seasons,
                                         std::span<const std::optional<std::int32_t>> observed,
                                         std::size_t slot, PhenoStage stage, std::uint32_t from,
                                         std::uint32_t to, std::vector<std::int32_t>& days) {
    std::vector<Threshold> thresholds;
    for (std::size_t s = 0; s < seasons.size(); ++s) {
        if (!observed[s]) continue;
        days[s] = seasons[s].Day(slot, stage, from);
        const std::int32_t end = seasons[s].Day(slot, stage, to);
        std::uint32_t bits = from;
        for (std::int32_t day = days[s] + 1; day <= end; ++day) {
            bits = seasons[s].search->FirstReaching(slot, stage, day, bits, to);
            thresholds.push_back({bits, s});
        }
    }
    std::sort(thresholds.begin(), thresholds.end(),
              [](const Threshold& a, const Threshold& b) { return a.bits < b.bits; });
    return thresholds;
}

// Walks the ranges between thresholds from `from` to `to`, keeping the widest run of ranges with the
// least error, and returns its middle value.
double MiddleOfTheLeastError(std::span<const Threshold> thresholds, std::vector<std::int32_t>& days,
                             std::span<const std::optional<std::int32_t>> observed, std::uint32_t from,
                             std::uint32_t to) {
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    std::uint32_t bestFrom = from, bestTo = from, runFrom = from;
    bool inRun = false; // the range before this one had the least error too
    std::uint32_t start = from;
    std::size_t next = 0;
    while (true) {
        while (next < thresholds.size() && thresholds[next].bits <= start) ++days[thresholds[next++].season];
        const std::uint32_t end = next < thresholds.size() ? std::min(thresholds[next].bits - 1, to) : to;
        const std::int64_t here = SquaredErrors(days, observed);
        if (here < best) {
            best = here;
            bestFrom = start;
            bestTo = end;
            inRun = false;
        }
        if (here == best) {
            if (!inRun) runFrom = start;
            inRun = true;
            if (Single(end) - Single(runFrom) >= Single(bestTo) - Single(bestFrom)) {
                bestFrom = runFrom;
                bestTo = end;
            }
        } else {
            inRun = false;
        }
        if (end >= to) break;
        start = end + 1;
    }
    return MiddleValue(Single(bestFrom), Single(bestTo));
}

// The value of values[slot] shared by the seasons that observed the stage (`observed[s]`, none for the
// others) with the least sum of squared day errors, in the middle of the widest range that has it.
double FitJointly(std::vector<JointSeason>& seasons, std::span<const std::optional<std::int32_t>> observed,
                  std::size_t slot, PhenoStage stage) {
    const ParameterInfo& info =
        CropParameterRegistry()[static_cast<std::size_t>(seasons.front().values[slot].index)];
    const std::uint32_t low = Bits(static_cast<float>(info.min)), high = Bits(static_cast<float>(info.max));
    // Below every season's range for its day each error only falls as the value rises, and above every
    // one it only grows: the best value lies between.
    std::uint32_t from = high, to = low;
    for (std::size_t s = 0; s < seasons.size(); ++s) {
        if (!observed[s]) continue;
        from = std::min(from, seasons[s].search->FirstReaching(slot, stage, *observed[s], low, high));
        to = std::max(to, seasons[s].search->FirstReaching(slot, stage, *observed[s] + 1, low, high));
    }
    from = std::max(from, low + 1) - 1;
    to = std::min(to, high);

    std::vector<std::int32_t> days(seasons.size());
    const std::vector<Threshold> thresholds =
        ThresholdsBetween(seasons, observed, slot, stage, from, to, days);
    return MiddleOfTheLeastError(thresholds, days, observed, from, to);
}

} // namespace

SeasonsFit FitPhenologyAcross(std::span<const ObservedSeason> seasons) {
    SeasonsFit fit;
    if (seasons.empty()) return fit;
    std::vector<JointSeason> joint;
    bool raised = false;
    for (const ObservedSeason& season : seasons) {
        const CropParameters& crop = season.inputs->crop;
        raised |= crop.DVSEND < 2.0f;
        JointSeason j;
        j.run = std::make_unique<RunState>();
        j.values = {{ParameterIndex("TSUMEM"), crop.TSUMEM},
                    {ParameterIndex("TSUM1"), crop.TSUM1},
                    {ParameterIndex("TSUM2"), crop.TSUM2},
                    {ParameterIndex("DVSEND"), std::max(crop.DVSEND, 2.0f)}};
        j.last = season.inputs->control.FinalDate - 1;
        joint.push_back(std::move(j));
    }
    // The searches hold references to the values and run states, which stay put from here on.
    for (std::size_t s = 0; s < seasons.size(); ++s)
        joint[s].search = std::make_unique<StageSearch>(*seasons[s].inputs, *joint[s].run, joint[s].values);

    const auto observedDays = [&](PhenoStage stage) {
        std::vector<std::optional<std::int32_t>> days;
        for (const ObservedSeason& season : seasons)
            days.push_back(stage == PhenoStage::Emergence   ? season.observed.emergence
                           : stage == PhenoStage::Flowering ? std::optional(season.observed.flowering)
                                                            : std::optional(season.observed.maturity));
        return days;
    };
    for (const PhenoStage stage : {PhenoStage::Emergence, PhenoStage::Flowering, PhenoStage::Maturity}) {
        const auto observed = observedDays(stage);
        if (std::none_of(observed.begin(), observed.end(), [](const auto& d) { return d.has_value(); }))
            continue; // nobody saw the crop emerge: each season keeps its own thermal time
        const auto slot = static_cast<std::size_t>(stage);
        const double value = FitJointly(joint, observed, slot, stage);
        for (JointSeason& j : joint) j.values[slot].value = value;
        fit.parameters.push_back({joint.front().values[slot].index, value});
    }
    if (raised) fit.parameters.push_back({ParameterIndex("DVSEND"), 2.0});

    for (std::size_t s = 0; s < seasons.size(); ++s) {
        joint[s].search->Run();
        std::vector<StageResult> results;
        for (const PhenoStage stage : {PhenoStage::Emergence, PhenoStage::Flowering, PhenoStage::Maturity}) {
            const auto observed = observedDays(stage)[s];
            if (observed) results.push_back({stage, *observed, StageDay(*joint[s].run, stage), {}});
        }
        fit.seasons.push_back(std::move(results));
        fit.runs += joint[s].search->runs();
    }
    return fit;
}

} // namespace tulo
