#include "engine/SeasonInputs.h"

#include "engine/Parameters.h"
#include "weather/Humidity.h"

#include <algorithm>
#include <atomic>

namespace tulo {

void SealSeasonInputs(SeasonInputs& inputs) {
    static std::atomic<std::uint64_t> counter{0};
    inputs.serial = ++counter;
    inputs.site = ComputeSiteDays(inputs.weather, inputs.manag.Lat, inputs.control.Year,
                                  inputs.control.InitialDate, inputs.control.FinalDate, inputs.serial);
}

SeasonInputs DefaultSeasonInputs() {
    SeasonInputs inputs;
    inputs.crop = DefaultCropParameters();
    inputs.manag.BlastClass = 1;
    return inputs;
}

void EstimateHumidities(const DailySeries& Tmin, const DailySeries& Tmax, DailySeries& RHmax,
                        DailySeries& RHmin, int lastDay, int firstDay) {
    RelativeHumidity rh;
    for (int d = std::max(firstDay, 1); d <= std::min(lastDay, kDaySlots - 1); ++d) {
        rh.EstimateFromTemperatures(Tmin[d], Tmax[d]);
        RHmax[d] = rh.GetRHmax();
        RHmin[d] = rh.GetRHmin();
    }
}

} // namespace tulo
