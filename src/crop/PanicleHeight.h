#pragma once
// PanicleHeightGrowth: height of the apex (later the panicle) above the soil.
// Inputs: maximum panicle height Hmax (cm), DVS (-). Output: the height of the day (cm): 0 before DVS 0.6,
// rising to Hmax at DVS 1, Hmax afterwards.

namespace tulo {

class PanicleHeightGrowth {
public:
    void CalculatePanicleHeightALTEA(float Hmax, float DVS);
    float GetPanicleHeight() const { return height_; }

private:
    float height_ = 0.0f;
};

} // namespace tulo
