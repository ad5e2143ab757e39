#pragma once
// Phenology from observed dates: the thermal times that bring a season's crop to emergence, flowering
// and maturity on the days they were observed in the field.
//
// The stage days are step functions of the thermal times: every value of TSUM1 between two bounds puts
// flowering on the same day. Each thermal time is searched on the season itself, bisecting on the
// single-precision values the run holds, so that whatever moves the degree-days (the floodwater warming
// the apex, the day length of the photoperiod methods) moves the search with it. The value kept is the
// middle of the range that gives the observed day, so that a text rounding it on its way into a
// configuration cannot move the stage. Emergence is fitted first, then flowering on that emergence,
// then maturity on both.

#include "engine/RunState.h"
#include "engine/Season.h"
#include "engine/SeasonInputs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

enum class PhenoStage : std::uint8_t { Emergence, Flowering, Maturity };

// "emergence", "flowering", "maturity".
std::string_view StageName(PhenoStage stage);

// Days of year; emergence may be left out, and its thermal time then stays.
struct ObservedStages {
    std::optional<std::int32_t> emergence;
    std::int32_t flowering = 0;
    std::int32_t maturity = 0;
};

// Why an observed day cannot be fitted: the stage, and a clause for a message that names it in the
// caller's words ("--flowering: " or "Flowering: " in front).
struct StageRefusal {
    PhenoStage stage = PhenoStage::Flowering;
    std::string reason;
};

// Refuses days out of order (emergence before flowering before maturity), not after the sowing (the
// first simulated day when the crop is sown before it), or after the last simulated day. Every refusal,
// in the order of the stages.
std::vector<StageRefusal> CheckObservedStages(const SeasonInputs& inputs, const ObservedStages& observed);

struct StageResult {
    PhenoStage stage = PhenoStage::Flowering;
    std::int32_t observed = 0;
    std::optional<std::int32_t> simulated; // none when the stage is not reached by the last simulated day
    // Why the observed day could not be hit, when it was not; empty otherwise.
    std::string note;

    std::optional<std::int32_t> error() const {
        return simulated ? std::optional<std::int32_t>(*simulated - observed) : std::nullopt;
    }
};

struct PhenologyFit {
    // The fitted thermal times by registry index: TSUMEM when emergence was observed, TSUM1, TSUM2, then
    // DVSEND when it had to rise to maturity for the crop to stand until then.
    std::vector<ParameterValue> parameters;
    // The observed stages with the days a run with those values simulated.
    std::vector<StageResult> stages;
    int runs = 0; // seasons simulated, the verification included
};

// Fits the thermal times to days CheckObservedStages accepts. The compilation's other crop parameters
// stay; `run` is the caller's scratch state and holds the verification run afterwards.
PhenologyFit FitPhenology(const SeasonInputs& inputs, const ObservedStages& observed, RunState& run);

// One season of several fitted together (sites, sowings, years): its compilation and its observed days.
struct ObservedSeason {
    std::shared_ptr<const SeasonInputs> inputs;
    ObservedStages observed;
};

struct SeasonsFit {
    // One value of each thermal time for every season: TSUMEM when some season observed emergence
    // (otherwise each keeps its own), TSUM1, TSUM2, then DVSEND 2 when some season's was below it.
    std::vector<ParameterValue> parameters;
    std::vector<std::vector<StageResult>> seasons; // each season's observed stages, from a run with them
    int runs = 0;
};

// One set of thermal times for several seasons, each accepted by CheckObservedStages: stage by stage, the
// value with the least sum of the seasons' squared day errors (a stage not reached counting as the day
// after the last simulated one), in the middle of the widest range of values that has it. A season that
// did not observe emergence does not weigh on TSUMEM. With one season this is FitPhenology.
SeasonsFit FitPhenologyAcross(std::span<const ObservedSeason> seasons);

} // namespace tulo
