#include "crop/ForcingLAI.h"

namespace tulo {

void ForcedLeafArea::ForceObservedArea(float observedLAI, const OrganBiomass& simulated, float SLA) {
    // The shares are singles, as the biomasses they scale.
    const double total = simulated.AGB;
    const auto leafShare = static_cast<float>(static_cast<double>(simulated.leaves) / total);
    const auto stemShare = static_cast<float>(static_cast<double>(simulated.stems) / total);
    const auto panicleShare = static_cast<float>(static_cast<double>(simulated.panicles) / total);
    forced_.leaves = static_cast<float>(static_cast<double>(observedLAI) / SLA);
    forced_.AGB = static_cast<float>(static_cast<double>(forced_.leaves) / leafShare);
    forced_.stems = static_cast<float>(static_cast<double>(forced_.AGB) * stemShare);
    forced_.panicles = static_cast<float>(static_cast<double>(forced_.AGB) * panicleShare);
}

} // namespace tulo
