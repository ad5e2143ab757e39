#include "engine/SeasonSummary.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "engine/Season.h"

#include <algorithm>
#include <cstdio>

namespace tulo {

namespace {

// A cumulated series on day d as the loop summed it, before the end of the crop zeroed the slot.
float SummedOn(const DailySeries& cumulated, const DailySeries& daily, std::int32_t d) {
    return static_cast<float>(static_cast<double>(cumulated[d - 1]) + daily[d]);
}

} // namespace

SeasonSummary Summarize(const RunState& run) {
    SeasonSummary s;
    const DailyOutputs& o = run.out;
    s.firstDay = run.control.InitialDate;
    s.lastDay = run.control.FinalDate - 1;
    s.sowing = std::max(run.manag.SowingDate, s.firstDay);
    for (int d = s.firstDay; d <= s.lastDay; ++d) {
        if (s.cropEnd) break; // the field stays bare afterwards
        if (!s.emergence && o.DVS[d] > 0) s.emergence = d;
        if (!s.flowering && o.DVS[d] >= 1) s.flowering = d;
        if (!s.maturity && o.DVS[d] >= 2) s.maturity = d;
        if (o.DVS[d] >= run.crop.DVSEND) s.cropEnd = d;
    }
    for (int d = s.firstDay; d <= s.lastDay; ++d) {
        const bool harvested = s.cropEnd && d == *s.cropEnd && d > s.firstDay;
        const float agb = harvested ? SummedOn(o.AGB, o.AGBday, d) : o.AGB[d];
        s.agbMax = std::max(s.agbMax, agb / 100.0);
        s.laiMax = std::max(s.laiMax, static_cast<double>(o.LAI[d]));
        s.sterilityPercent = std::max(s.sterilityPercent, 100.0 * o.SterilityCum[d]);
        if (d >= s.sowing && (!s.cropEnd || d <= *s.cropEnd))
            s.blastInfectionDays += o.InfectionInProgress[d];
    }
    if (s.maturity) {
        const std::int32_t m = *s.maturity;
        const bool harvested = s.cropEnd && m == *s.cropEnd && m > s.firstDay;
        const float agb = harvested ? SummedOn(o.AGB, o.AGBday, m) : o.AGB[m];
        const float panicles = harvested ? SummedOn(o.Panicles, o.PaniclesDay, m) : o.Panicles[m];
        s.agbMaturity = agb / 100.0;
        s.paniclesMaturity = panicles / 100.0;
        if (agb > 0) s.harvestIndex = static_cast<double>(panicles) / agb;
    }
    if (s.lastDay >= s.firstDay) s.finalWaterLevel = o.WaterLevel[s.lastDay];
    const EndOfCrop end = EndOfCropValues(run);
    s.endOfCropDay = end.day;
    s.endOfCropAGB = end.AGB / 100.0;
    return s;
}

std::string FormatSummary(const SeasonSummary& s) {
    auto day = [](std::int32_t d) { return "DOY " + std::to_string(d) + " (" + DayMonthText(d) + ")"; };
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
    return text;
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

std::vector<std::string> SummaryCells(const SeasonSummary& s) {
    auto day = [](const std::optional<std::int32_t>& d) { return d ? std::to_string(*d) : std::string(); };
    auto number = [](double v) { return ShortestText(v); };
    auto maybe = [&](const std::optional<double>& v) { return v ? number(*v) : std::string(); };
    return {std::to_string(s.sowing),
            day(s.emergence),
            day(s.flowering),
            day(s.maturity),
            day(s.cropEnd),
            maybe(s.agbMaturity),
            maybe(s.paniclesMaturity),
            maybe(s.harvestIndex),
            number(s.agbMax),
            number(s.laiMax),
            number(s.sterilityPercent),
            std::to_string(s.blastInfectionDays),
            number(s.finalWaterLevel),
            number(s.endOfCropAGB)};
}

} // namespace tulo
