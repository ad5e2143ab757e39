#pragma once
// ForcedLeafArea: the crop state a leaf area index observed outside the model (remote sensing, NDVI)
// implies on its day.
//
// | input        | unit   | meaning                                                    |
// |--------------|--------|------------------------------------------------------------|
// | observedLAI  | m2 m-2 | the observed leaf area index                               |
// | simulatedLAI | m2 m-2 | the day's simulated green area index                       |
// | simulated    | g m-2  | the day's simulated above-ground, leaf, stem, panicle mass |
//
// Output: the forced above-ground, leaf, stem and panicle biomass (g m-2). The observed area is green
// leaf at the day's SLA, as is the simulated one, so the green leaves and with them the whole crop grow
// or shrink by observedLAI / simulatedLAI; the organs keep the day's simulated shares of the total. The
// leaf biomass holds the dead leaves too, which carry no area: dividing green leaves by it would shrink a
// crop forced with its own area. The caller refuses a day whose total biomass or area is 0.

namespace tulo {

// Above-ground biomass and its organs (g m-2).
struct OrganBiomass {
    float AGB = 0.0f;
    float leaves = 0.0f;
    float stems = 0.0f;
    float panicles = 0.0f;
};

class ForcedLeafArea {
public:
    void ForceObservedArea(float observedLAI, float simulatedLAI, const OrganBiomass& simulated);

    const OrganBiomass& GetForcedBiomass() const { return forced_; }

private:
    OrganBiomass forced_;
};

} // namespace tulo
