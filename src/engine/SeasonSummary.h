#pragma once
// The figures a user looks at first after a run: the crop's dates and its peak and final values.

#include "engine/RunState.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

struct SeasonSummary {
    std::int32_t firstDay = 0, lastDay = 0; // simulated days
    std::int32_t sowing = 0;
    std::optional<std::int32_t> emergence; // first day with DVS > 0
    std::optional<std::int32_t> flowering; // first day with DVS >= 1
    std::optional<std::int32_t> maturity;  // first day with DVS >= 2
    double finalAGB = 0, maxAGB = 0;       // t/ha
    double finalPanicles = 0, maxPanicles = 0;
    double maxLAI = 0;          // m2/m2
    double sterility = 0;       // highest cumulated sterility reached
    double finalWaterLevel = 0; // cm
    int infectionDays = 0;      // days with a blast infection in progress
    double highestRisk = 0;     // highest blast risk level
    // The crop at its end: the last simulated day, or the day before the crop finished.
    std::int32_t endOfCropDay = 0;
    double endOfCropAGB = 0, endOfCropPanicles = 0; // t/ha
};

SeasonSummary Summarize(const RunState& run);

// Several lines of "label: value" text, for the command line.
std::string FormatSummary(const SeasonSummary& summary);

// The summary as a table row, for tables of many seasons: the column titles, and the values as texts that
// read back exactly (a stage not reached is empty).
const std::vector<std::string_view>& SummaryColumns();
std::vector<std::string> SummaryCells(const SeasonSummary& summary);

} // namespace tulo
