#pragma once
// ForcedLeafArea: the crop state a leaf area index observed outside the model (remote sensing, NDVI)
// implies on its day.
//
// | input       | unit   | meaning                                                    |
// |-------------|--------|------------------------------------------------------------|
// | observedLAI | m2 m-2 | the observed leaf area index                               |
// | simulated   | g m-2  | the day's simulated above-ground, leaf, stem, panicle mass |
// | SLA         | m2 g-1 | specific leaf area of the day                              |
//
// Output: the forced above-ground, leaf, stem and panicle biomass (g m-2): the leaves carry the observed
// area at the given SLA, and the organs keep the day's simulated shares of the total. The caller refuses
// a day whose total or leaf biomass is 0.

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
    void ForceObservedArea(float observedLAI, const OrganBiomass& simulated, float SLA);

    const OrganBiomass& GetForcedBiomass() const { return forced_; }

private:
    OrganBiomass forced_;
};

} // namespace tulo
