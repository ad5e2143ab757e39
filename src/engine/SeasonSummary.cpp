#include "engine/SeasonSummary.h"

#include "base/Calendar.h"
#include "base/Numbers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tulo {

namespace {

// A cumulated series on day d as the loop summed it, before the end of the crop zeroed the slot.
float SummedOn(const DailySeries& cumulated, const DailySeries& daily, std::int32_t d) {
    return static_cast<float>(static_cast<double>(cumulated[d - 1]) + daily[d]);
}

// The first day from `from` on, before `to`, whose stage is `reached`; `to` when there is none. Four
// days are tested at once up to the four holding that day.
template <typename Reached>
std::int32_t FirstDay(const DailySeries& dvs, std::int32_t from, std::int32_t to, Reached reached) {
    // Counted rather than or-ed with ||, so that the four tests need no branch between them.
    for (; to - from >= 4; from += 4)
        if (int{reached(dvs[from])} + int{reached(dvs[from + 1])} + int{reached(dvs[from + 2])} +
                int{reached(dvs[from + 3])} >
            0)
            break;
    while (from < to && !reached(dvs[from])) ++from;
    return from;
}

// The largest of a series' values over [from, to) and 0, passing over a NaN: what std::max(top, value)
// from 0 keeps, the largest value above 0 or else +0, whatever the order, so four lanes compare at once.
float Largest(const DailySeries& series, std::int32_t from, std::int32_t to) {
    using Floats = float __attribute__((vector_size(16)));
    Floats top = {};
    if (to <= from) return 0; // no day: a final day before the first
    const float* p = series.data() + from;
    const float* const end = series.data() + to;
    for (const float* const whole = p + (to - from) / 4 * 4; p != whole; p += 4) {
        Floats v;
        std::memcpy(&v, p, sizeof v);
        top = v > top ? v : top;
    }
    float largest = 0;
    for (int k = 0; k < 4; ++k) largest = std::max(largest, top[k]);
    for (; p != end; ++p) largest = std::max(largest, *p);
    return largest;
}

} // namespace

SeasonSummary Summarize(const RunState& run) {
    SeasonSummary s;
    const DailyOutputs& o = run.out;
    s.firstDay = run.control.InitialDate;
    s.lastDay = run.control.FinalDate - 1;
    s.year = run.control.Year;
    s.sowing = std::max(run.manag.SowingDate, s.firstDay);
    const std::int32_t first = s.firstDay, to = s.lastDay + 1;
    // A stage of 1 is above 0 and one of 2 at least 1, so each stage is first reached no earlier than the
    // one before it, and its search starts there; the same holds for the stage at harvest.
    const std::int32_t emergence = FirstDay(o.DVS, first, to, [](float v) { return v > 0; });
    const std::int32_t flowering = FirstDay(o.DVS, emergence, to, [](float v) { return v >= 1; });
    const std::int32_t maturity = FirstDay(o.DVS, flowering, to, [](float v) { return v >= 2; });
    const float harvest = run.crop.DVSEND;
    const std::int32_t end = FirstDay(o.DVS,
                                      harvest >= 2   ? maturity
                                      : harvest >= 1 ? flowering
                                      : harvest > 0  ? emergence
                                                     : first,
                                      to, [harvest](float v) { return v >= harvest; });
    // The field stays bare after the day the crop ended: no stage is reached later.
    const auto reached = [&](std::int32_t d) {
        return d < to && d <= end ? std::optional<std::int32_t>(d) : std::nullopt;
    };
    s.emergence = reached(emergence);
    s.flowering = reached(flowering);
    s.maturity = reached(maturity);
    s.cropEnd = reached(end);

    // The largest values as singles: the conversion to the summary's units keeps their order, so it is
    // made once, on the largest. The day the crop ended had its cumulated series zeroed, unless it is the
    // first simulated day: its biomass is the day's sum.
    const bool harvested = s.cropEnd && end > first;
    const float agb = harvested ? std::max({Largest(o.AGB, first, end), SummedOn(o.AGB, o.AGBday, end),
                                            Largest(o.AGB, end + 1, to)})
                                : Largest(o.AGB, first, to);
    s.agbMax = agb / 100.0;
    s.laiMax = Largest(o.LAI, first, to);
    s.sterilityPercent = 100.0 * Largest(o.SterilityCum, first, to);
    const std::int32_t standing = s.cropEnd ? end : s.lastDay;
    for (std::int32_t d = s.sowing; d <= standing; ++d) s.blastInfectionDays += o.InfectionInProgress[d];
    // The air's, not the floodwater's: frost kills the leaves above the water.
    for (std::int32_t d = s.sowing; d <= standing; ++d) {
        if (!(run.weather.TminAir[d] < 0)) continue;
        if (s.frostDays++ == 0) s.firstFrost = d;
    }
    // A crop harvested by its stage at harvest before maturity was meant to end there.
    s.immature = !s.maturity && !s.cropEnd && s.sowing <= s.lastDay;

    if (s.maturity) {
        const std::int32_t m = *s.maturity;
        const bool harvestedThen = harvested && m == end;
        const float agbThen = harvestedThen ? SummedOn(o.AGB, o.AGBday, m) : o.AGB[m];
        const float panicles = harvestedThen ? SummedOn(o.Panicles, o.PaniclesDay, m) : o.Panicles[m];
        s.agbMaturity = agbThen / 100.0;
        s.paniclesMaturity = panicles / 100.0;
        if (agbThen > 0) s.harvestIndex = static_cast<double>(panicles) / agbThen;
    }
    if (s.lastDay >= s.firstDay) s.finalWaterLevel = o.WaterLevel[s.lastDay];
    // The crop as the tools read it (EndOfCropValues): the day before it finished, or the last day.
    s.endOfCropDay = s.cropEnd ? end - 1 : s.lastDay;
    if (s.endOfCropDay < first)
        s.endOfCropDay = 0;
    else
        s.endOfCropAGB = o.AGB[s.endOfCropDay] / 100.0;
    return s;
}

namespace {

// "DOY 166 (15 Jun)": a day of the season by its own day of year, with the year for the days after the
// first year's ("DOY 35 (4 Feb 2020)").
std::string DayText(std::int32_t d, int year) {
    return "DOY " + std::to_string(DayOfYearOfSeasonDay(d, year)) + " (" + SeasonDateText(d, year) + ")";
}

} // namespace

std::string FormatSummary(const SeasonSummary& s) {
    auto day = [&](std::int32_t d) { return DayText(d, s.year); };
    auto stage = [&](const std::optional<std::int32_t>& d) {
        return d ? day(*d) : std::string("not reached by the final day");
    };
    auto number = [](double v, int decimals) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
        return std::string(buffer);
    };
    auto atMaturity = [&](const std::optional<double>& v, const char* unit) {
        return v ? number(*v, 2) + unit : std::string("no maturity by the final day");
    };
    std::string text;
    text += "Simulated days:       " + day(s.firstDay) + " to " + day(s.lastDay) + "\n";
    text += "Sowing:               " + day(s.sowing) + "\n";
    text += "Emergence:            " + stage(s.emergence) + "\n";
    text += "Flowering:            " + stage(s.flowering) + "\n";
    text += "Maturity:             " + stage(s.maturity) + "\n";
    text += "End of the crop:      " + stage(s.cropEnd) + "\n";
    text += "AGB at maturity:      " + atMaturity(s.agbMaturity, " t/ha") + "\n";
    text += "Panicles at maturity: " + atMaturity(s.paniclesMaturity, " t/ha") + "\n";
    text +=
        "Harvest index:        " + (s.harvestIndex ? number(*s.harvestIndex, 2) : std::string("-")) + "\n";
    text += "Maximum AGB:          " + number(s.agbMax, 2) + " t/ha\n";
    text += "Maximum LAI:          " + number(s.laiMax, 2) + " m2/m2\n";
    text += "Spikelet sterility:   " + number(s.sterilityPercent, 1) + " %\n";
    text += "Blast infection days: " + std::to_string(s.blastInfectionDays) + " (while the crop stood)\n";
    text += "Final water level:    " + number(s.finalWaterLevel, 2) + " cm\n";
    for (const SummaryWarning& warning : SummaryWarnings(s)) text += "Warning: " + warning.text + "\n";
    return text;
}

std::vector<SummaryWarning> SummaryWarnings(const SeasonSummary& s) {
    std::vector<SummaryWarning> warnings;
    if (s.firstFrost) {
        const std::int32_t d = *s.firstFrost;
        warnings.push_back({"frost", "the air Tmin fell below 0 °C on " + std::to_string(s.frostDays) +
                                         (s.frostDays == 1 ? " day" : " days") +
                                         " while the crop stood, first on " + DayText(d, s.year) +
                                         "; rice does not survive frost, so the figures after it are "
                                         "not a crop's."});
    }
    if (s.immature)
        warnings.push_back({"no_maturity", "the crop did not reach maturity by the last simulated day, " +
                                               DayText(s.lastDay, s.year) +
                                               "; its figures are those of a standing crop."});
    return warnings;
}

const std::vector<std::string_view>& SummaryColumns() {
    static const std::vector<std::string_view> columns = {"sowing",
                                                          "emergence",
                                                          "flowering",
                                                          "maturity",
                                                          "crop_end",
                                                          "agb_maturity",
                                                          "panicles_maturity",
                                                          "harvest_index",
                                                          "agb_max",
                                                          "lai_max",
                                                          "sterility_percent",
                                                          "blast_infection_days",
                                                          "final_water_level",
                                                          "agb_end_of_crop"};
    return columns;
}

namespace {

// Hands each cell's text to `take`, in the order of the columns: one formatting for the cells and the
// rows, so that both give the same texts.
template <typename Take> void EachSummaryCell(const SeasonSummary& s, Take take) {
    char text[kNumberTextChars];
    const auto whole = [&](std::int64_t v) { take(std::string_view(text, WriteWholeNumber(text, v))); };
    // Days by their own day of year, as the daily tables give them.
    const auto day = [&](const std::optional<std::int32_t>& d) {
        if (d)
            whole(DayOfYearOfSeasonDay(*d, s.year));
        else
            take(std::string_view());
    };
    const auto number = [&](double v) { take(std::string_view(text, WriteShortestText(text, v))); };
    const auto maybe = [&](const std::optional<double>& v) {
        if (v)
            number(*v);
        else
            take(std::string_view());
    };
    day(s.sowing);
    day(s.emergence);
    day(s.flowering);
    day(s.maturity);
    day(s.cropEnd);
    maybe(s.agbMaturity);
    maybe(s.paniclesMaturity);
    maybe(s.harvestIndex);
    number(s.agbMax);
    number(s.laiMax);
    number(s.sterilityPercent);
    whole(s.blastInfectionDays);
    number(s.finalWaterLevel);
    number(s.endOfCropAGB);
}

} // namespace

std::vector<std::string> SummaryCells(const SeasonSummary& s) {
    std::vector<std::string> cells;
    cells.reserve(SummaryColumns().size());
    EachSummaryCell(s, [&](std::string_view cell) { cells.emplace_back(cell); });
    return cells;
}

char* WriteSummaryRow(const SeasonSummary& s, char* out) {
    EachSummaryCell(s, [&](std::string_view cell) {
        *out++ = ',';
        out = std::copy(cell.begin(), cell.end(), out);
    });
    return out;
}

} // namespace tulo
