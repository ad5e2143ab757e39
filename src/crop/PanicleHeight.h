#pragma once
// PanicleHeightGrowth: height of the apex (later the panicle) above the soil.
//
// | input | unit | meaning                |
// |-------|------|------------------------|
// | Hmax  | cm   | maximum panicle height |
// | DVS   | -    | development stage      |
//
// Output: the height of the day (cm): 0 before DVS 0.6, rising to Hmax at DVS 1, Hmax afterwards.

namespace tulo {

class PanicleHeightGrowth {
public:
    void GrowDay(float Hmax, float DVS);
    float GetPanicleHeight() const { return height_; }

private:
    float height_ = 0.0f;
};

} // namespace tulo
