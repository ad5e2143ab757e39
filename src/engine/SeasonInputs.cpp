#include "engine/SeasonInputs.h"

#include <atomic>

namespace tulo {

void SealSeasonInputs(SeasonInputs& inputs) {
    static std::atomic<std::uint64_t> counter{0};
    inputs.serial = ++counter;
    inputs.site = ComputeSiteDays(inputs.weather, inputs.manag.Lat, inputs.serial);
}

} // namespace tulo
