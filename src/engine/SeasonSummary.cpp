#include "engine/SeasonSummary.h"

#include "base/Numbers.h"
#include "engine/Season.h"

#include <algorithm>
#include <cstdio>

namespace tulo {

SeasonSummary Summarize(const RunState& run) {
    SeasonSummary s;
    const DailyOutputs& o = run.out;
    s.firstDay = run.control.InitialDate;
    s.lastDay = run.control.FinalDate - 1;
    s.sowing = run.manag.SowingDate;
    for (int d = s.firstDay; d <= s.lastDay; ++d) {
        if (!s.emergence && o.DVS[d] > 0) s.emergence = d;
        if (!s.flowering && o.DVS[d] >= 1) s.flowering = d;
        if (!s.maturity && o.DVS[d] >= 2) s.maturity = d;
        s.maxAGB = std::max(s.maxAGB, o.AGB[d] / 100.0);
        s.maxPanicles = std::max(s.maxPanicles, o.Panicles[d] / 100.0);
        s.maxLAI = std::max(s.maxLAI, static_cast<double>(o.LAI[d]));
        s.sterility = std::max(s.sterility, static_cast<double>(o.SterilityCum[d]));
        s.infectionDays += o.InfectionInProgress[d];
        s.highestRisk = std::max(s.highestRisk, o.RiskLevel[d]);
    }
    if (s.lastDay >= s.firstDay) {
        s.finalAGB = o.AGB[s.lastDay] / 100.0;
        s.finalPanicles = o.Panicles[s.lastDay] / 100.0;
        s.finalWaterLevel = o.WaterLevel[s.lastDay];
    }
    const EndOfCrop end = EndOfCropValues(run);
    s.endOfCropDay = end.day;
    s.endOfCropAGB = end.AGB / 100.0;
    s.endOfCropPanicles = end.Panicles / 100.0;
    return s;
}

std::string FormatSummary(const SeasonSummary& s) {
    auto day = [](const std::optional<std::int32_t>& d) {
        return d ? "DOY " + std::to_string(*d) : std::string("not reached");
    };
    auto number = [](double v, int decimals) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
        return std::string(buffer);
    };
    std::string text;
    text +=
        "Simulated days:       DOY " + std::to_string(s.firstDay) + " .. " + std::to_string(s.lastDay) + "\n";
    text += "Sowing:               DOY " + std::to_string(s.sowing) + "\n";
    text += "Emergence:            " + day(s.emergence) + "\n";
    text += "Flowering:            " + day(s.flowering) + "\n";
    text += "Maturity:             " + day(s.maturity) + "\n";
    text += "AGB final / maximum:  " + number(s.finalAGB, 2) + " / " + number(s.maxAGB, 2) + " t/ha\n";
    text +=
        "Panicles final / max: " + number(s.finalPanicles, 2) + " / " + number(s.maxPanicles, 2) + " t/ha\n";
    text += "Maximum LAI:          " + number(s.maxLAI, 2) + " m2/m2\n";
    text += "Cumulated sterility:  " + number(s.sterility, 4) + "\n";
    text += "Final water level:    " + number(s.finalWaterLevel, 2) + " cm\n";
    text += "Blast infection days: " + std::to_string(s.infectionDays) + "\n";
    text += "Highest blast risk:   " + number(s.highestRisk, 0) + "\n";
    return text;
}

const std::vector<std::string_view>& SummaryColumns() {
    static const std::vector<std::string_view> columns = {
        "emergence",         "flowering",      "maturity",      "end_of_crop",
        "AGB_end_of_crop",   "AGB_final",      "AGB_max",       "panicles_end_of_crop",
        "panicles_final",    "panicles_max",   "LAI_max",       "sterility",
        "water_level_final", "infection_days", "blast_risk_max"};
    return columns;
}

std::vector<std::string> SummaryCells(const SeasonSummary& s) {
    auto day = [](const std::optional<std::int32_t>& d) { return d ? std::to_string(*d) : std::string(); };
    auto number = [](double v) { return ShortestText(v); };
    return {day(s.emergence),          day(s.flowering),
            day(s.maturity),           std::to_string(s.endOfCropDay),
            number(s.endOfCropAGB),    number(s.finalAGB),
            number(s.maxAGB),          number(s.endOfCropPanicles),
            number(s.finalPanicles),   number(s.maxPanicles),
            number(s.maxLAI),          number(s.sterility),
            number(s.finalWaterLevel), std::to_string(s.infectionDays),
            number(s.highestRisk)};
}

} // namespace tulo
