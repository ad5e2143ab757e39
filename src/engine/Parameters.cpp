#include "engine/Parameters.h"

#include "base/Numbers.h"
#include "engine/InputItems.h"

#include <cmath>
#include <limits>
#include <string>

namespace tulo {

namespace {

// The two lists' items, item k standing for code k.
constexpr std::string_view kMethods[] = {choice::TemperatureBased, choice::PhotoperiodBased, choice::Both};
constexpr std::string_view kPeriods[] = {choice::RestrictedPeriod, choice::ManyDays};

// Bounds are inclusive and checked on the value the run holds. A parameter that must be strictly
// positive takes the smallest value that still makes sense for rice as its minimum.
constexpr ParameterInfo kRegistry[] = {
    {
        .id = "Tbase",
        .unit = "°C",
        .label = "Base T before emergence (°C)",
        .defaultText = "12",
        .min = 0,
        .max = 25,
        .minReason = "rice seed does not germinate below freezing",
        .maxReason =
            "the warmest rice seasons average about 30 °C: a higher base would leave them no degree-days",
        .single = &CropParameters::Tbase,
    },
    {
        .id = "Tcutoff",
        .unit = "°C",
        .label = "Maximum T before emergence (°C)",
        .defaultText = "42",
        .min = 20,
        .max = 50,
        .minReason = "a cut-off below 20 °C would stall emergence on ordinary spring days",
        .maxReason = "rice seedlings die of heat before 50 °C",
        .single = &CropParameters::Tcutoff,
    },
    {
        .id = "TSUMEM",
        .unit = "°C d",
        .label = "GDDs to reach emergence (°C-days)",
        .defaultText = "80",
        .min = 1,
        .max = 500,
        .minReason = "the crop emerges after sowing, and the day's stage is taken from degree-days above "
                     "it; a transplanted crop takes 1",
        .maxReason = "a field still not emerged after 500 °C-days (two months of spring) has failed",
        .single = &CropParameters::TSUMEM,
    },
    {
        .id = "DLC",
        .unit = "h",
        .label = "DLC",
        .defaultText = "",
        .min = 0,
        .max = 24,
        .minReason = "a day length is not negative",
        .maxReason = "a day has 24 hours",
        .single = &CropParameters::DLC,
    },
    {
        .id = "DLO",
        .unit = "h",
        .label = "DLO",
        .defaultText = "",
        .min = 0,
        .max = 24,
        .minReason = "a day length is not negative",
        .maxReason = "a day has 24 hours",
        .single = &CropParameters::DLO,
    },
    {
        .id = "IDSL",
        .kind = ParameterKind::Code,
        .unit = "code",
        .label = "Development method",
        .defaultText = choice::TemperatureBased,
        .min = 0,
        .max = 2,
        .minReason = "code 0 is the first method, temperature based",
        .maxReason = "code 2 is the last method, both",
        .choices = kMethods,
        .single = &CropParameters::IDSL,
    },
    {
        .id = "TbaseAfterEmerg",
        .unit = "°C",
        .label = "Base T after emergence (°C)",
        .defaultText = "12",
        .min = 0,
        .max = 25,
        .minReason = "rice does not develop below freezing",
        .maxReason =
            "the warmest rice seasons average about 30 °C: a higher base would leave them no degree-days",
        .single = &CropParameters::TbaseAfterEmerg,
    },
    {
        .id = "TcutoffAfterEmerg",
        .unit = "°C",
        .label = "Maximum T after emergence (°C)",
        .defaultText = "42",
        .min = 20,
        .max = 50,
        .minReason = "a cut-off below 20 °C would stall development on ordinary summer days",
        .maxReason = "rice leaves die of heat before 50 °C",
        .single = &CropParameters::TcutoffAfterEmerg,
    },
    {
        .id = "TSUM1",
        .unit = "°C d",
        .label = "GDDs emergence - flowering (°C-days)",
        .defaultText = "900",
        .min = 100,
        .max = 3000,
        .minReason = "the stage divides by it, and even the earliest rice needs weeks to flower",
        .maxReason = "half a year of tropical warmth, beyond the longest-duration rice",
        .single = &CropParameters::TSUM1,
    },
    {
        .id = "TSUM2",
        .unit = "°C d",
        .label = "GDDs flowering - maturity (°C-days)",
        .defaultText = "500",
        .min = 100,
        .max = 2000,
        .minReason = "the stage divides by it, and grain filling takes weeks",
        .maxReason = "grain filling lasts about a month; 2000 °C-days would be four",
        .single = &CropParameters::TSUM2,
    },
    {
        .id = "DVSEND",
        .unit = "–",
        .label = "Development stage at harvest",
        .defaultText = "2.0",
        .min = 1,
        .max = 2.5,
        .minReason = "a rice crop is harvested for its grain, so not before flowering (stage 1)",
        .maxReason = "maturity is stage 2; past 2.5 the stand is a dead crop left in the field",
        .single = &CropParameters::DVSEND,
    },
    {
        .id = "RUE",
        .unit = "g MJ⁻¹",
        .label = "Radiation use efficiency (g/MJ)",
        .defaultText = "2.3",
        .min = 0.1,
        .max = 6,
        .minReason = "below it a canopy would barely grow",
        .maxReason = "about twice the highest efficiency measured in C3 crops",
        .single = &CropParameters::RUE,
    },
    {
        .id = "K",
        .unit = "–",
        .label = "Extinction coefficient for solar radiation",
        .defaultText = "0.5",
        .min = 0.1,
        .max = 1,
        .minReason = "the canopy must intercept light; the most erect rice canopies have about 0.3",
        .maxReason = "1 is the extinction under horizontal black leaves, the most a canopy intercepts",
        .single = &CropParameters::K,
    },
    {
        .id = "Tb",
        .unit = "°C",
        .label = "Base T for biomass accumulation (°C)",
        .defaultText = "12",
        .min = 0,
        .max = 25,
        .minReason = "rice does not grow below freezing",
        .maxReason = "above 25 °C the rising limb of the temperature response leaves no room below the "
                     "optimum",
        .single = &CropParameters::Tb,
    },
    {
        .id = "Topt",
        .unit = "°C",
        .label = "Optimum T for biomass accumulation (°C)",
        .defaultText = "28",
        .min = 15,
        .max = 40,
        .minReason = "rice is a warm-season crop: no cultivar grows best below 15 °C",
        .maxReason = "rice growth declines well before 40 °C",
        .single = &CropParameters::Topt,
    },
    {
        .id = "TmaxG",
        .unit = "°C",
        .label = "Maximum T for biomass accumulation (°C)",
        .defaultText = "35",
        .min = 30,
        .max = 50,
        .minReason = "rice grows well at 30 °C, so its growth cannot stop below it",
        .maxReason = "no rice tissue grows at 50 °C",
        .single = &CropParameters::TmaxG,
    },
    {
        .id = "C",
        .kind = ParameterKind::Constant,
        .unit = "–",
        .label = "Shape exponent of the temperature function",
        .defaultText = "1.8",
        .min = 0.1,
        .max = 10,
        .minReason = "a positive exponent keeps the response 0 at the limits and 1 at the optimum",
        .maxReason = "a larger one narrows the response to a spike at the optimum",
        .single = &CropParameters::C,
    },
    {
        .id = "LAIemerg",
        .unit = "m² m⁻²",
        .label = "Leaf area index at emergence (m2/m2)",
        .defaultText = "0.02",
        .min = 0.001,
        .max = 1,
        .minReason = "a crop without leaf area never grows; 0.001 m2/m2 is a sparse stand of tiny seedlings",
        .maxReason = "a seedling stand; 1 m2/m2 is already a closed nursery canopy",
        .single = &CropParameters::LAIemerg,
    },
    {
        .id = "SLA0",
        .unit = "m² kg⁻¹",
        .label = "Specific leaf area at emergence (m2/kg)",
        .defaultText = "27",
        .min = 1,
        .max = 100,
        .minReason = "leaf mass must carry leaf area; 1 m2/kg is thicker than any rice leaf",
        .maxReason = "thinner than any rice leaf (shaded seedlings reach about 60 m2/kg)",
        .single = &CropParameters::SLA0,
    },
    {
        .id = "SLA035",
        .unit = "m² kg⁻¹",
        .label = "Specific leaf area end tillering (m2/kg)",
        .defaultText = "18",
        .min = 1,
        .max = 100,
        .minReason = "leaf mass must carry leaf area; 1 m2/kg is thicker than any rice leaf",
        .maxReason = "thinner than any rice leaf (shaded seedlings reach about 60 m2/kg)",
        .single = &CropParameters::SLA035,
    },
    {
        .id = "RipL0",
        .unit = "–",
        .label = "Fraction of biomass partitioned to leaves at emergence",
        .defaultText = "0.8",
        .min = 0,
        .max = 1,
        .minReason = "a share of the day's growth is not negative",
        .maxReason = "the leaves cannot take more than the whole day's growth (the stems would shrink)",
        .single = &CropParameters::RipL0,
    },
    {
        .id = "GDDLeafLife",
        .unit = "°C d",
        .label = "Leaf life (°C-days)",
        .defaultText = "950",
        .min = 100,
        .max = 3000,
        .minReason = "a leaf lives for weeks; below 100 °C-days it would die days after unfolding",
        .maxReason = "longer than the warmest season: no leaf would ever die",
        .single = &CropParameters::GDDLeafLife,
    },
    {
        .id = "PanicleHmax",
        .unit = "cm",
        .label = "Maximum panicle height (cm)",
        .defaultText = "100",
        .min = 1,
        .max = 500,
        .minReason = "a panicle is held above the ground, where the floodwater is compared with it",
        .maxReason = "deepwater rice, the tallest, holds its panicles at up to about 5 m",
        .single = &CropParameters::PanicleHmax,
    },
    {
        .id = "KcFullCanopy",
        .unit = "–",
        .label = "kc full canopy",
        .defaultText = "1.05",
        .min = 0.5,
        .max = 2,
        .minReason = "a full rice canopy on wet soil transpires at least half as much as the reference crop",
        .maxReason = "measured rice coefficients stay below 1.5; 2 leaves room for calibration",
        .single = &CropParameters::KcFullCanopy,
    },
    {
        .id = "SterilityActive",
        .kind = ParameterKind::Switch,
        .whole = true,
        .unit = "0/1",
        .label = "Activate spikelet sterility simulation",
        .defaultText = "0",
        .min = 0,
        .max = 1,
        .minReason = "0 is a clear box",
        .maxReason = "1 is a ticked box",
        .integer = &CropParameters::SterilityActive,
    },
    {
        .id = "StSen",
        .unit = "–",
        .label = "Cultivar-specific sensitivity (usually 1; >1 for sensible cultivars; <1 for resistant "
                 "cultivars)",
        .defaultText = "1",
        .min = 0,
        .max = 10,
        .minReason = "0 is a cultivar immune to cold; below it cold would make spikelets fertile",
        .maxReason = "ten times an ordinary cultivar's sensitivity sterilises a panicle in one cool night",
        .single = &CropParameters::StSen,
    },
    {
        .id = "TempStThreshold",
        .unit = "°C",
        .label = "Threshold T for spikelet sterility (°C)",
        .defaultText = "13",
        .min = 0,
        .max = 25,
        .minReason = "below freezing the panicle is killed by frost, not sterilised by cold",
        .maxReason = "the most cold-sensitive cultivars are harmed below about 22 °C",
        .single = &CropParameters::TempStThreshold,
    },
    {
        .id = "SenDuration",
        .kind = ParameterKind::Code,
        .whole = true,
        .unit = "code",
        .label = "Duration of the critical period",
        .defaultText = choice::ManyDays,
        .min = 0,
        .max = 1,
        .minReason = "code 0 is the restricted period",
        .maxReason = "code 1 is many days",
        .choices = kPeriods,
        .integer = &CropParameters::SenDuration,
    },
    // Transplanting, after ORYZA2000 (Bouman et al., 2001), whose defaults these are. Read only when the
    // crop is transplanted; stored after the items every older configuration ends with.
    {
        .id = "NPLSB",
        .transplanting = true,
        .unit = "plants/m2",
        .label = "Seedbed density (plants/m2)",
        .defaultText = "1000",
        .min = 50,
        .max = 5000,
        .minReason = "a seedbed is sown much denser than the field it plants; below 50 plants/m2 it is a "
                     "field sown directly",
        .maxReason = "at 5000 plants/m2 a seedling has 2 cm2 of bed, denser than seedbeds are sown",
        .single = &CropParameters::NPLSB,
    },
    {
        .id = "NH",
        .transplanting = true,
        .unit = "hills/m2",
        .label = "Hills per m2",
        .defaultText = "25",
        .min = 1,
        .max = 100,
        .minReason = "one hill per m2 (1 m apart) is sparser than any rice planting",
        .maxReason = "100 hills/m2 is a 10 cm by 10 cm spacing, closer than rice is transplanted",
        .single = &CropParameters::NH,
    },
    {
        .id = "NPLH",
        .transplanting = true,
        .unit = "plants/hill",
        .label = "Seedlings per hill",
        .defaultText = "3",
        .min = 1,
        .max = 10,
        .minReason = "a hill holds at least one seedling",
        .maxReason = "more than 10 seedlings are not planted in one hill",
        .single = &CropParameters::NPLH,
    },
    {
        .id = "SHCKD",
        .transplanting = true,
        .unit = "°C d/°C d",
        .label = "Transplanting shock (°C-days per seedbed °C-day)",
        .defaultText = "0.4",
        .min = 0,
        .max = 1,
        .minReason = "0 is no shock; less would hasten development",
        .maxReason = "at 1 the shock lasts as long as the seedlings grew in the seedbed, longer than any "
                     "delay measured",
        .single = &CropParameters::SHCKD,
    },
};

// A value as the user typed it: a single shows as its own shortest text, not as the double it widens to.
std::string ValueText(const ParameterInfo& info, double value) {
    if (!info.whole && std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max()) &&
        static_cast<double>(static_cast<float>(value)) == value)
        return ShortestText(static_cast<float>(value));
    return ShortestText(value);
}

} // namespace

std::span<const ParameterInfo> CropParameterRegistry() {
    return kRegistry;
}

const ParameterInfo* FindParameter(std::string_view id) {
    const int index = ParameterIndex(id);
    return index < 0 ? nullptr : &kRegistry[index];
}

int ParameterIndex(std::string_view id) {
    for (std::size_t i = 0; i < std::size(kRegistry); ++i)
        if (kRegistry[i].id == id) return static_cast<int>(i);
    return -1;
}

double DefaultParameterValue(const ParameterInfo& info) {
    if (info.kind == ParameterKind::Code) {
        for (std::size_t k = 0; k < info.choices.size(); ++k)
            if (info.choices[k] == info.defaultText) return static_cast<double>(k);
        return 0;
    }
    if (info.kind == ParameterKind::Switch) return info.defaultText == "1" ? 1 : 0;
    return ParseNumber(info.defaultText).value_or(0);
}

CropParameters DefaultCropParameters() {
    CropParameters crop;
    for (const ParameterInfo& info : CropParameterRegistry())
        SetParameter(crop, info, DefaultParameterValue(info));
    return crop;
}

double GetParameter(const CropParameters& crop, const ParameterInfo& info) {
    return info.whole ? static_cast<double>(crop.*info.integer) : static_cast<double>(crop.*info.single);
}

void SetParameter(CropParameters& crop, const ParameterInfo& info, double value) {
    if (!info.whole) {
        crop.*info.single = static_cast<float>(value);
        return;
    }
    // Callers check the bounds first; a value beyond 32 bits saturates rather than being undefined.
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    const double rounded = std::isnan(value) ? 0.0 : RoundHalfEven(value);
    crop.*info.integer = static_cast<std::int32_t>(rounded < kLow ? kLow : rounded > kHigh ? kHigh : rounded);
}

std::optional<InputProblem> CheckParameterBounds(const ParameterInfo& info, double value) {
    // The texts are built only for a problem: an ensemble checks every value of every set.
    const auto field = [&] { return std::string(info.id); };
    const auto range = [&] { return ShortestText(info.min) + " to " + ShortestText(info.max); };
    if (!std::isfinite(value))
        return InputProblem{field(), 0, 0,
                            std::string(info.label) + ": " + ShortestText(value) +
                                " is not a finite number; the accepted range is " + range() + "."};
    // The bounds apply to the value the run holds. A single is compared with the bounds as singles, so
    // that a box holding exactly a bound ("0.1") is accepted although its single lies just below it.
    bool below = false;
    bool above = false;
    if (info.whole) {
        const double held = RoundHalfEven(value);
        below = held < info.min;
        above = held > info.max;
    } else if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        below = value < 0;
        above = value > 0;
    } else {
        const float held = static_cast<float>(value);
        below = held < static_cast<float>(info.min);
        above = held > static_cast<float>(info.max);
    }
    if (!below && !above) {
        // A list's item or a box's state is a code: between two codes there is no method or state.
        if (info.kind == ParameterKind::Code || info.kind == ParameterKind::Switch) {
            if (value != std::floor(value))
                return InputProblem{field(), 0, 0,
                                    std::string(info.label) + ": " + ShortestText(value) +
                                        " is not a code; the accepted codes are the whole numbers " +
                                        range() + " (" + std::string(info.minReason) + "; " +
                                        std::string(info.maxReason) + ")."};
        }
        return std::nullopt;
    }
    return InputProblem{field(), 0, 0,
                        std::string(info.label) + ": " + ValueText(info, value) +
                            " is outside the accepted range " + range() + " (" +
                            std::string(below ? info.minReason : info.maxReason) + ")."};
}

namespace {

constexpr StateBound kLeafAreaIndex = {
    .label = "leaf area index",
    .unit = "m2/m2",
    .min = 0,
    .max = 15,
    .minReason = "a leaf area is not negative",
    .maxReason = "the densest rice canopies measured stay below about 12 m2/m2; beyond 15 a value is a "
                 "misreading, not a canopy",
};

} // namespace

const StateBound& LeafAreaIndexBound() {
    return kLeafAreaIndex;
}

namespace {

Outcome CheckStateBound(const StateBound& bound, double value, const std::string& shown) {
    const std::string range =
        ShortestText(bound.min) + " to " + ShortestText(bound.max) + " " + std::string(bound.unit);
    const std::string what = "the " + std::string(bound.label) + " " + shown;
    if (!std::isfinite(value))
        return Outcome::Failure(what + " is not a finite number; the accepted range is " + range + ".");
    if (value >= bound.min && value <= bound.max) return Outcome::Success();
    return Outcome::Failure(what + " is outside the accepted range " + range + " (" +
                            std::string(value < bound.min ? bound.minReason : bound.maxReason) + ").");
}

} // namespace

Outcome CheckStateBound(const StateBound& bound, double value) {
    return CheckStateBound(bound, value, ShortestText(value));
}

Outcome CheckStateBound(const StateBound& bound, float value) {
    return CheckStateBound(bound, static_cast<double>(value), ShortestText(value));
}

namespace {

constexpr ParameterOrder kOrders[] = {
    {"Tbase", "Tcutoff", "development before emergence needs a temperature range between them"},
    {"TbaseAfterEmerg", "TcutoffAfterEmerg",
     "development after emergence needs a temperature range between them"},
    {"Tb", "Topt", "growth rises from the base temperature to the optimum"},
    {"Topt", "TmaxG", "growth falls from the optimum to the maximum"},
};

} // namespace

std::span<const ParameterOrder> ParameterOrders() {
    return kOrders;
}

bool MethodReadsDayLengths(const CropParameters& crop) {
    return crop.IDSL != 0.0f;
}

Problems CheckParameterRelations(const CropParameters& crop, const std::vector<bool>& known) {
    struct Resolved {
        int lower, upper;
        std::string_view why;
    };
    static const auto resolved = [] {
        std::vector<Resolved> list;
        for (const ParameterOrder& order : kOrders)
            list.push_back({ParameterIndex(order.lower), ParameterIndex(order.upper), order.why});
        return list;
    }();
    const auto registry = CropParameterRegistry();
    Problems problems;
    static const int method = ParameterIndex("IDSL"), critical = ParameterIndex("DLC"),
                     optimum = ParameterIndex("DLO");
    const auto isKnown = [&](int index) { return known.empty() || known[static_cast<std::size_t>(index)]; };
    if (isKnown(method) && isKnown(critical) && isKnown(optimum) && MethodReadsDayLengths(crop) &&
        crop.DLC == crop.DLO)
        // Equal day lengths leave the response no ramp between its two ends.
        problems.push_back({std::string(registry[static_cast<std::size_t>(optimum)].id), 0, 0,
                            "DLC and DLO must differ (both are " + ShortestText(crop.DLO) +
                                " h): the response to day length runs from one to the other."});
    for (const Resolved& order : resolved) {
        const auto lowerIndex = static_cast<std::size_t>(order.lower);
        const auto upperIndex = static_cast<std::size_t>(order.upper);
        if (!known.empty() && !(known[lowerIndex] && known[upperIndex])) continue;
        const ParameterInfo& lower = registry[lowerIndex];
        const ParameterInfo& upper = registry[upperIndex];
        const double a = GetParameter(crop, lower), b = GetParameter(crop, upper);
        if (a < b) continue;
        problems.push_back({std::string(lower.id), 0, 0,
                            std::string(lower.label) + " (" + ShortestText(a) + ") must be below " +
                                std::string(upper.label) + " (" + ShortestText(b) +
                                "): " + std::string(order.why) + "."});
    }
    return problems;
}
} // namespace tulo
