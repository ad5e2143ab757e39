#pragma once
// ForcedLeafArea: the crop state a leaf area index observed outside the model (remote sensing, NDVI)
// implies on its day.
// Inputs: the observed LAI (m2 m-2); the day's simulated above-ground, leaf, stem and panicle biomass
// (g m-2); DVS (-, not used); SLA (m2 g-1). Outputs: the forced above-ground, leaf, stem and panicle
// biomass (g m-2): the leaves carry the observed area at the given SLA, and the organs keep the day's
// simulated shares of the total. The caller refuses a day whose total or leaf biomass is 0.

namespace tulo {

class ForcedLeafArea {
public:
    void NDVItoForceLAI(float ndviLAI, float AGB, float agbLeaves, float agbStems, float AGBpanicles,
                        float DVS, float SLA);

    float GetndviAGB() const { return AGB_; }
    float GetndviAGBleaves() const { return leaves_; }
    float GetndviAGBstems() const { return stems_; }
    float GetndviAGBpanicles() const { return panicles_; }

private:
    float AGB_ = 0.0f;
    float leaves_ = 0.0f;
    float stems_ = 0.0f;
    float panicles_ = 0.0f;
};

} // namespace tulo
