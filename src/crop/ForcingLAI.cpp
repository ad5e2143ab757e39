#include "crop/ForcingLAI.h"

namespace tulo {

void ForcedLeafArea::ForceObservedArea(float observedLAI, float simulatedLAI, const OrganBiomass& simulated) {
    // A crop forced with its own area gets a ratio of exactly 1, and so its own biomass back.
    const double ratio = static_cast<double>(observedLAI) / simulatedLAI;
    const auto scaled = [ratio](float value) { return static_cast<float>(value * ratio); };
    forced_.AGB = scaled(simulated.AGB);
    forced_.leaves = scaled(simulated.leaves);
    forced_.stems = scaled(simulated.stems);
    forced_.panicles = scaled(simulated.panicles);
}

} // namespace tulo
