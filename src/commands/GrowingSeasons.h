#pragma once
// One configuration's season grown year after year on a weather file of many years: a climate study's
// run, one growing season a year, each of which may cross into the next year.
//
// Each growing season keeps the configuration's days relative to its sowing: the sowing falls on the
// same date in every year (or on the --sowing month and day), and the start, the end, the transplanting,
// the blast treatments, the water tables' days and a forcing's day move with it, so that every season
// lasts as long as the configuration's. A start that would fall before 1 January of the sowing's year
// is that day. The seasons are built from the configuration's compiled inputs with the file's days put
// straight into them (inputs/DatedWeather.h): the same values a configuration of that year would hold.
// They run in parallel; the rows are those of one worker running every year in turn.

#include "base/Calendar.h"
#include "base/Outcome.h"
#include "base/Problems.h"
#include "engine/SeasonInputs.h"
#include "engine/SeasonSummary.h"
#include "io/WeatherFiles.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// "11-15" or "--11-15" (ISO's month and day without a year); none for any other text or a day no year has.
std::optional<DayMonth> ParseMonthDay(std::string_view text);

struct GrowingSeasonsRequest {
    int firstYear = 0, lastYear = 0;       // the sowings' years, inclusive
    std::optional<DayMonth> sowing;        // else the configuration's sowing date
    std::optional<DayMonth> transplanting; // the first such date after the sowing
    std::optional<double> radiationKrs;    // for the file's days without radiation
    std::string weatherName;               // how messages name the weather ("x.WTH")
};

struct GrowingSeason {
    int sowingYear = 0;
    std::shared_ptr<const SeasonInputs> inputs;
};

struct GrowingSeasonsPlan {
    std::vector<GrowingSeason> seasons; // one per year, in order; empty on a refusal
    Messages messages;                  // every refusal (by growing season), then notes
};

// The growing seasons of a compiled configuration on a weather series. Refuses, naming the growing
// season and the date, any season the file does not cover or whose days do not fit a season.
GrowingSeasonsPlan PlanGrowingSeasons(const SeasonInputs& configured, const WeatherFileSeries& weather,
                                      const GrowingSeasonsRequest& request);

// What a growing season gave, with the days in its calendar.
struct GrowingSeasonRow {
    int sowingYear = 0;
    int harvestYear = 0; // of the crop's end, or of the last simulated day
    SeasonSummary summary;
    double waterUsedMm = 0; // crop evapotranspiration from the sowing to the crop's end (or last day)
    bool matured = false;
};

// Runs the seasons on `threads` workers (0: every core).
std::vector<GrowingSeasonRow> RunGrowingSeasons(const std::vector<GrowingSeason>& seasons, int threads);

// "1991/92" for a season harvested the year after its sowing, "1991" within one year.
std::string GrowingSeasonLabel(int sowingYear, int harvestYear);
// The table's columns and a row's cells: dates as ISO texts, empty for a stage not reached.
const std::vector<std::string_view>& GrowingSeasonColumns();
std::vector<std::string> GrowingSeasonCells(const GrowingSeasonRow& row);
// The CSV table of the rows, titles first.
std::string GrowingSeasonsCsv(const std::vector<GrowingSeasonRow>& rows);

} // namespace tulo
