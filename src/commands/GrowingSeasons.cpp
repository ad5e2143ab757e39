#include "commands/GrowingSeasons.h"

#include "base/Numbers.h"
#include "engine/ParallelSeasons.h"
#include "engine/Season.h"
#include "inputs/DatedWeather.h"

#include <algorithm>
#include <cctype>

namespace tulo {

namespace {

// The season day of a month and day in `year`, counted from 1 January of `firstYear`; 29 February of a
// common year is its 28th.
std::optional<std::int32_t> DayOfMonthDay(DayMonth md, int year, int firstYear) {
    if (md.month == 2 && md.day == 29 && !IsLeapYear(year)) md.day = 28;
    return SeasonDayOfDate(CivilDate{year, md.month, md.day}, firstYear);
}

// Moves a daily series' days by `delta` in place; days moved before day 1 or past the last slot are
// dropped, and the days left behind hold nothing.
void ShiftSeries(DailySeriesD& series, std::int32_t delta) {
    const auto day1 = series.begin() + 1;
    if (delta > 0) {
        const auto shift = std::min<std::ptrdiff_t>(delta, kDaySlots - 1);
        std::copy_backward(day1, series.end() - shift, series.end());
        std::fill(day1, day1 + shift, 0.0);
    } else if (delta < 0) {
        const auto shift = std::min<std::ptrdiff_t>(-delta, kDaySlots - 1);
        std::copy(day1 + shift, series.end(), day1);
        std::fill(series.end() - shift, series.end(), 0.0);
    }
}

// The configuration's season moved to the growing season sown in `sowingYear`, or the sentence refusing
// it. Held on the heap from the start: the inputs are large.
struct MovedSeason {
    std::shared_ptr<SeasonInputs> inputs;
    std::string refusal;
};

MovedSeason MoveSeason(const SeasonInputs& configured, int sowingYear, const GrowingSeasonsRequest& request) {
    const ControlParameters& control = configured.control;
    const ManagementParameters& manag = configured.manag;
    // The configuration's sowing date, and how many years after its season's first year it falls.
    const CivilDate sown = *DateOfSeasonDay(manag.SowingDate, control.Year);
    const int sowingYearOffset = control.Year > 0 ? sown.year - control.Year : sown.year;
    const int firstYear = sowingYear - sowingYearOffset;
    const DayMonth md = request.sowing.value_or(DayMonth{sown.day, sown.month});
    const auto sowing = DayOfMonthDay(md, sowingYear, firstYear);
    if (!sowing) return {nullptr, "the sowing falls outside a season."};
    const std::int32_t delta = *sowing - manag.SowingDate;

    auto moved = std::make_shared<SeasonInputs>(configured);
    ControlParameters& c = moved->control;
    ManagementParameters& m = moved->manag;
    c.Year = firstYear;
    c.InitialDate = std::max(1, control.InitialDate + delta);
    c.FinalDate = control.FinalDate + delta;
    if (c.InitialDate > 366 || c.FinalDate <= c.InitialDate || c.FinalDate - c.InitialDate > kLongestSeason ||
        c.FinalDate > kLastSeasonDay + 1)
        return {nullptr, "its days do not fit a season of at most two years from 1 January " +
                             std::to_string(firstYear) + "."};
    m.SowingDate = *sowing;
    if (m.Transplanted) {
        if (request.transplanting) {
            auto day = DayOfMonthDay(*request.transplanting, sowingYear, firstYear);
            if (day && *day <= m.SowingDate)
                day = DayOfMonthDay(*request.transplanting, sowingYear + 1, firstYear);
            if (!day) return {nullptr, "the transplanting falls outside a season."};
            m.TransplantingDate = *day;
        } else {
            m.TransplantingDate = manag.TransplantingDate + delta;
        }
    }
    for (std::int32_t i = 1; i <= m.NumTreatments; ++i) {
        const auto k = static_cast<std::size_t>(i);
        m.TreatmentDOY[k] += delta;
        m.WindowStart[k] += delta;
        m.WindowEnd[k] += delta;
    }
    ShiftSeries(m.Winputmm, delta);
    ShiftSeries(m.WinputH, delta);
    ShiftSeries(m.Woutputmm, delta);
    if (moved->optiLAIndvi) moved->DOYforcingLAI += delta;
    return {std::move(moved), {}};
}

} // namespace

std::optional<DayMonth> ParseMonthDay(std::string_view text) {
    text = Trim(text);
    if (text.starts_with("--")) text.remove_prefix(2);
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.size() <= 2 && std::all_of(part.begin(), part.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
    };
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos || !digits(text.substr(0, dash)) || !digits(text.substr(dash + 1)))
        return std::nullopt;
    const DayMonth md{std::stoi(std::string(text.substr(dash + 1))),
                      std::stoi(std::string(text.substr(0, dash)))};
    // Checked on a leap year, so that 29 February stands.
    if (!DayOfYear(CivilDate{2000, md.month, md.day})) return std::nullopt;
    return md;
}

std::string GrowingSeasonLabel(int sowingYear, int harvestYear) {
    if (harvestYear == sowingYear) return std::to_string(sowingYear);
    if (harvestYear == sowingYear + 1) {
        char text[16];
        std::snprintf(text, sizeof text, "%d/%02d", sowingYear, harvestYear % 100);
        return text;
    }
    return std::to_string(sowingYear) + "/" + std::to_string(harvestYear);
}

GrowingSeasonsPlan PlanGrowingSeasons(const SeasonInputs& configured, const WeatherFileSeries& weather,
                                      const GrowingSeasonsRequest& request) {
    GrowingSeasonsPlan plan;
    std::vector<GrowingSeason> seasons;
    // At the latitude as the configuration writes it, as the season's own weather table was estimated.
    const std::optional<RadiationEstimate> estimate =
        RadiationEstimate{ParseNumber(ShortestText(configured.manag.Lat)).value_or(configured.manag.Lat),
                          request.radiationKrs.value_or(kInlandKrs)};
    int estimatedDays = 0;
    std::string firstEstimated;
    for (int year = request.firstYear; year <= request.lastYear; ++year) {
        const std::string what = "Growing season sown in " + std::to_string(year) + ": ";
        MovedSeason moved = MoveSeason(configured, year, request);
        if (!moved.inputs) {
            plan.messages.push_back({what + moved.refusal});
            continue;
        }
        SeasonInputs& inputs = *moved.inputs;
        const DatedWeatherFill fill = FillSeasonWeather(weather, estimate, inputs);
        for (const InputProblem& problem : fill.problems)
            plan.messages.push_back({what + request.weatherName + ": " + problem.text});
        if (!fill.problems.empty()) continue;
        if (fill.radiationEstimated > 0 && estimatedDays == 0) {
            const WeatherFileDay& day = *fill.firstEstimated;
            firstEstimated =
                IsoDateText(*DateOfSeasonDay(day.doy, day.year)) + ", line " + std::to_string(day.line);
        }
        estimatedDays += fill.radiationEstimated;
        SealSeasonInputs(inputs);
        seasons.push_back({year, std::move(moved.inputs)});
    }
    if (!plan.messages.empty()) return plan;
    plan.seasons = std::move(seasons);
    if (estimatedDays > 0)
        plan.messages.push_back({request.weatherName + " gives no global radiation on " +
                                     std::to_string(estimatedDays) + " of the seasons' days (the first " +
                                     firstEstimated +
                                     "): it is estimated from each day's temperature range by Hargreaves and "
                                     "Samani (FAO-56 eq. 50) with kRs " +
                                     ShortestText(estimate->kRs) + " at the season's latitude, " +
                                     ShortestText(configured.manag.Lat) + "°.",
                                 {},
                                 Icon::Information});
    return plan;
}

std::vector<GrowingSeasonRow> RunGrowingSeasons(const std::vector<GrowingSeason>& seasons, int threads) {
    std::vector<GrowingSeasonRow> rows(seasons.size());
    ForEachSeason(seasons.size(), threads, [&](std::size_t i, RunState& run) {
        RunSeason(*seasons[i].inputs, {}, run);
        GrowingSeasonRow& row = rows[i];
        row.sowingYear = seasons[i].sowingYear;
        row.summary = Summarize(run);
        const std::int32_t end = row.summary.cropEnd.value_or(row.summary.lastDay);
        row.harvestYear = DateOfSeasonDay(end, run.control.Year)->year;
        double water = 0;
        for (std::int32_t d = row.summary.sowing; d <= end; ++d)
            water += run.out.ET2[static_cast<std::size_t>(d)];
        row.waterUsedMm = water;
        row.matured = row.summary.maturity.has_value();
    });
    return rows;
}

const std::vector<std::string_view>& GrowingSeasonColumns() {
    static const std::vector<std::string_view> columns = {"season",
                                                          "sowing",
                                                          "flowering",
                                                          "maturity",
                                                          "agb_maturity",
                                                          "panicles_maturity",
                                                          "sterility_percent",
                                                          "blast_infection_days",
                                                          "water_used_mm",
                                                          "matured"};
    return columns;
}

std::vector<std::string> GrowingSeasonCells(const GrowingSeasonRow& row) {
    const SeasonSummary& s = row.summary;
    const auto date = [&](std::optional<std::int32_t> d) {
        return d ? IsoDateText(*DateOfSeasonDay(*d, s.year)) : std::string();
    };
    const auto maybe = [](const std::optional<double>& v) { return v ? ShortestText(*v) : std::string(); };
    return {GrowingSeasonLabel(row.sowingYear, row.harvestYear),
            date(s.sowing),
            date(s.flowering),
            date(s.maturity),
            maybe(s.agbMaturity),
            maybe(s.paniclesMaturity),
            ShortestText(s.sterilityPercent),
            std::to_string(s.blastInfectionDays),
            ShortestText(row.waterUsedMm),
            row.matured ? "true" : "false"};
}

std::string GrowingSeasonsCsv(const std::vector<GrowingSeasonRow>& rows) {
    std::string csv;
    for (const std::string_view column : GrowingSeasonColumns()) {
        if (!csv.empty()) csv += ',';
        csv += column;
    }
    csv += '\n';
    for (const GrowingSeasonRow& row : rows) {
        const auto cells = GrowingSeasonCells(row);
        for (std::size_t k = 0; k < cells.size(); ++k) {
            if (k) csv += ',';
            csv += cells[k];
        }
        csv += '\n';
    }
    return csv;
}

} // namespace tulo
