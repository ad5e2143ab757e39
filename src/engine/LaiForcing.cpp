#include "engine/LaiForcing.h"

#include "base/Calendar.h"

#include "base/Numbers.h"
#include "crop/ForcingLAI.h"
#include "engine/Parameters.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace tulo {

namespace {

constexpr std::string_view kTableField = "sprLAIexo";
constexpr std::string_view kForcingField = "LAI forcing";

std::string Day(std::int32_t doy) {
    return "DOY " + std::to_string(doy);
}

InputProblem Refusal(std::int32_t doy, const std::string& why) {
    return {std::string(kForcingField), 0, 0, Day(doy) + " cannot be forced: " + why};
}

// The first day whose stage reached the stage at harvest, up to `through`; 0 when none did.
std::int32_t CropEnd(const RunState& run, std::int32_t through) {
    for (std::int32_t d = run.control.InitialDate; d <= through; ++d)
        if (run.out.DVS[d] >= run.crop.DVSEND) return d;
    return 0;
}

// The forcing of `point` on the series simulated through its day.
std::optional<ForcedDay> Forcing(const RunState& run, const LaiPoint& point, InputProblem* problem) {
    const auto refuse = [&](const std::string& why) -> std::optional<ForcedDay> {
        if (problem) *problem = Refusal(point.doy, why);
        return std::nullopt;
    };
    const std::int32_t d = point.doy;
    const std::int32_t first = run.control.InitialDate, last = run.control.FinalDate - 1;
    if (d < first || d > last)
        return refuse("the season simulates " + Day(first) + " to " + Day(last) + " only.");
    if (const auto inside = CheckStateBound(LeafAreaIndexBound(), point.lai); !inside)
        return refuse(inside.message);
    // From the day the crop ends the field is bare: the leaves left by blast, if any, are no crop.
    if (const std::int32_t end = CropEnd(run, d); end != 0)
        return refuse("the crop ended on " + Day(end) + ".");
    const DailyOutputs& o = run.out;
    if (o.AGB[d] == 0)
        return refuse("its simulated above-ground biomass is 0, so there is nothing to rescale.");
    if (o.Leaves[d] == 0) return refuse("its simulated leaf biomass is 0, so there is nothing to rescale.");
    if (!(o.LAI[d] > 0))
        return refuse("its simulated leaf area index is " + ShortestText(o.LAI[d]) +
                      ", so there is no green area to compare.");
    ForcedLeafArea forcing;
    forcing.ForceObservedArea(point.lai, o.LAI[d], {o.AGB[d], o.Leaves[d], o.Stems[d], o.Panicles[d]});
    const OrganBiomass& biomass = forcing.GetForcedBiomass();
    ForcedDay forced{d, point.lai, biomass.AGB, biomass.leaves, biomass.stems, biomass.panicles};
    if (!std::isfinite(forced.AGB) || !std::isfinite(forced.stems) || !std::isfinite(forced.panicles))
        return refuse("the rescaled biomass is not a number.");
    return forced;
}

// The points in order of day; of several on one day only the last in table order.
std::vector<LaiPoint> InDayOrder(std::span<const LaiPoint> points) {
    std::vector<LaiPoint> sorted(points.begin(), points.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const LaiPoint& a, const LaiPoint& b) { return a.doy < b.doy; });
    std::vector<LaiPoint> kept;
    for (std::size_t i = 0; i < sorted.size(); ++i)
        if (i + 1 == sorted.size() || sorted[i + 1].doy != sorted[i].doy) kept.push_back(sorted[i]);
    return kept;
}

} // namespace

std::optional<ForcedDay> PreviewForcing(const RunState& run, const LaiPoint& point, InputProblem* problem) {
    return Forcing(run, point, problem);
}

ForcingOutcome ForceLai(const SeasonInputs& inputs, std::span<const ParameterValue> parameters,
                        std::span<const LaiPoint> points, RunState& run) {
    ForcingOutcome outcome;
    const std::vector<LaiPoint> sorted = InDayOrder(points);
    // The season is run on a copy, so that a refused point leaves the caller's run as it was.
    auto scratch = std::make_unique<RunState>(run);
    RunState& s = *scratch;
    LoadInputs(inputs, s);
    s.crop = inputs.crop;
    const auto registry = CropParameterRegistry();
    for (const ParameterValue& p : parameters)
        SetParameter(s.crop, registry[static_cast<std::size_t>(p.index)], p.value);
    s.PrepareFreshRun();
    const auto cannotRun = [&] {
        outcome.forced.clear();
        outcome.problem =
            InputProblem{std::string(kForcingField), 0, 0,
                         "The season cannot be simulated: the soil water balance needs a soil table."};
        return outcome;
    };

    DailyLoop loop(s);
    for (const LaiPoint& point : sorted) {
        if (point.doy >= s.control.InitialDate && point.doy < s.control.FinalDate &&
            !loop.RunThrough(point.doy))
            return cannotRun();
        InputProblem problem;
        const auto forced = Forcing(s, point, &problem);
        if (!forced) {
            outcome.forced.clear();
            outcome.problem = problem;
            return outcome;
        }
        loop.OverwriteDay(*forced);
        outcome.forced.push_back(*forced);
    }
    if (!loop.RunThrough(s.control.FinalDate - 1)) return cannotRun();
    if (const auto where = FirstNonFiniteOutput(s)) {
        outcome.forced.clear();
        outcome.problem =
            InputProblem{std::string(kForcingField), 0, 0,
                         "The forced season gave a value that is not a number (" + *where + ")."};
        return outcome;
    }
    run = s;
    return outcome;
}

std::vector<LaiPoint> ReadLaiPoints(const Grid& grid, Problems& problems) {
    std::vector<LaiPoint> points;
    for (int r = 1; r <= grid.rows(); ++r) {
        const std::string_view dayText = Trim(grid.text(r, 1));
        const std::string_view laiText = Trim(grid.text(r, 2));
        if (dayText.empty() && laiText.empty()) continue;
        auto day = ParseNumber(dayText);
        const auto date = day ? std::nullopt : ParseDateText(dayText);
        const auto lai = ParseNumber(laiText);
        // Titles are texts: a first row holding a number or a date is data, and is checked as such.
        if (r == 1 && !day && !date && !lai) continue;
        const std::string where = "LAI table, row " + std::to_string(r);
        const auto add = [&](int column, std::string text) {
            problems.push_back({std::string(kTableField), r, column, std::move(text)});
        };
        const auto dateDay = date ? DayOfYear(*date) : std::nullopt;
        if (dateDay && *dateDay <= kLastDay) day = *dateDay;
        if (date && !dateDay) {
            add(1, where + ": " + QuoteValue(dayText) + " is not a day of its year.");
        } else if (dateDay && *dateDay > kLastDay) {
            add(1, where + ": " + QuoteValue(dayText) + " is DOY " + std::to_string(*dateDay) +
                       ", a day the LAI forcing does not take (DOY 1..365).");
        } else if (!day) {
            add(1, NotANumberMessage(where + ", DOY", dayText));
        } else if (*day != std::floor(*day) || *day < 1 || *day > kLastDay) {
            add(1, where + ": DOY " + ShortestText(*day) +
                       " is not a day of the year (a whole number from 1 to 365).");
        } else if (!lai) {
            add(2, NotANumberMessage(where + ", LAI", laiText));
        } else if (const auto inside = CheckStateBound(LeafAreaIndexBound(), *lai); !inside) {
            add(2, where + ": " + inside.message);
        } else {
            points.push_back({static_cast<std::int32_t>(*day), static_cast<float>(*lai)});
        }
    }
    return points;
}

} // namespace tulo
