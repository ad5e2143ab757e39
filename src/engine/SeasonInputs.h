#pragma once
// The typed inputs of a season: every parameter and daily driving series the loop reads, checked and
// converted, with the soil's layers and the site's days worked out once. Runs only read them, so any
// number of workers may share one set.

#include "base/Problems.h"
#include "engine/RunState.h"

#include <cstdint>
#include <memory>

namespace tulo {

struct SeasonInputs {
    ControlParameters control;
    CropParameters crop;
    ManagementParameters manag;
    WeatherSeries weather;          // the working temperatures equal the air copies
    SiteDays site;                  // at the management's latitude
    bool humidityEstimated = false; // the sheet brought no humidity: RHmax and RHmin were estimated
    bool optiLAIndvi = false;       // leaf area forced with one NDVI-derived value on a given day
    std::int32_t DOYforcingLAI = 0;
    float ForcingLAI = 0;
    // Tells one compilation from another, so that a run state knows whether it already holds these.
    std::uint64_t serial = 0;
};

struct Compilation {
    std::shared_ptr<const SeasonInputs> inputs; // set when there is no problem
    Problems problems;                          // every problem, in the order the records read them
    Problems warnings; // what runs but may surprise (a sowing before the first simulated day)
};

// Gives a filled set of inputs its serial and works out the site's days at its latitude, over the
// season's days: whoever builds season inputs calls it last, and changes nothing of them after (a run
// state whose days are changed later works its own out).
void SealSeasonInputs(SeasonInputs& inputs);

// What a reader of any kind starts from: the crop at its defaults, an unflooded field without sterility
// avoidance, soil or disease simulation, no treatment, the disease class 1 (susceptible) and no report
// file, as a new window's form compiles. The dates, the sowing, the latitude and the weather are the
// reader's to fill.
SeasonInputs DefaultSeasonInputs();

// The daily humidities of days firstDay .. lastDay estimated from the temperatures, for weather that came
// without them.
void EstimateHumidities(const DailySeries& Tmin, const DailySeries& Tmax, DailySeries& RHmax,
                        DailySeries& RHmin, int lastDay = kLastDay, int firstDay = 1);
inline void EstimateHumidities(WeatherSeries& weather, int lastDay = kLastDay) {
    EstimateHumidities(weather.TminAir, weather.TmaxAir, weather.RHmax, weather.RHmin, lastDay);
}

} // namespace tulo
