#pragma once
// The figures a user looks at first after a run: the crop's stages and what it yielded at maturity.

#include "base/Numbers.h"
#include "engine/RunState.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

struct SeasonSummary {
    std::int32_t firstDay = 0, lastDay = 0; // simulated days
    std::int32_t year = 0;                  // the calendar the days are shown in; 0 a year of 365 days
    // The day the crop starts: the sowing date, or the first simulated day when it is sown before.
    std::int32_t sowing = 0;
    std::optional<std::int32_t> emergence; // first day with DVS > 0
    std::optional<std::int32_t> flowering; // first day with DVS >= 1
    std::optional<std::int32_t> maturity;  // first day with DVS >= 2
    std::optional<std::int32_t> cropEnd;   // the day DVS reached the development stage at harvest
    // At maturity (t/ha), as harvested: on the day the crop ends its cumulated series are zeroed, so the
    // day's totals are taken before that.
    std::optional<double> agbMaturity, paniclesMaturity, harvestIndex;
    double agbMax = 0; // t/ha
    double laiMax = 0; // m2/m2
    double sterilityPercent = 0;
    int blastInfectionDays = 0; // days with an infection in progress while the crop stood
    double finalWaterLevel = 0; // cm, on the last simulated day
    // The crop at its end as the tools read it: the last simulated day, or the day before the crop
    // finished.
    std::int32_t endOfCropDay = 0;
    double endOfCropAGB = 0; // t/ha
    // What a reader of the figures above must be told: the days the air Tmin fell below 0 °C while the
    // crop stood (from sowing to the end of the crop, or to the last day), the first of them; and a crop
    // still standing on the last day short of maturity, so that its figures are no harvest's.
    int frostDays = 0;
    std::optional<std::int32_t> firstFrost;
    bool immature = false;
};

SeasonSummary Summarize(const RunState& run);

// Several lines of "label: value" text, for the command line, ending with the warnings.
std::string FormatSummary(const SeasonSummary& summary);

// One sentence per warning of the summary, in a fixed order (frost, then no maturity); none for a season
// that matured free of frost.
struct SummaryWarning {
    std::string_view kind; // "frost" or "no_maturity"
    std::string text;
};
std::vector<SummaryWarning> SummaryWarnings(const SeasonSummary& summary);

// The summary as named values, for JSON and for tables of many seasons: the keys, and the values as
// texts that read back exactly (empty for a stage not reached or a value that has none).
const std::vector<std::string_view>& SummaryColumns();
std::vector<std::string> SummaryCells(const SeasonSummary& summary);

// The same cells as one row of a CSV table, each after a comma (",120,134,...,18.6"), written at `out`,
// which has room for kSummaryRowChars characters; the end of the row is returned. No cell needs quotes.
inline constexpr std::size_t kSummaryRowChars = 14 * (kNumberTextChars + 1);
char* WriteSummaryRow(const SeasonSummary& summary, char* out);

} // namespace tulo
