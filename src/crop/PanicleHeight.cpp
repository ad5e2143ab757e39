#include "crop/PanicleHeight.h"

#include <cmath>

namespace tulo {

void PanicleHeightGrowth::GrowDay(float Hmax, float DVS) {
    const double dvs = DVS;
    if (dvs < 0.6) {
        height_ = 0.0f;
    } else if (dvs <= 1.0) {
        // The apex climbs between DVS 0.6 and flowering; the curve is flat at both ends.
        const auto a = static_cast<float>((dvs - 0.6) / 0.4);
        const auto b = static_cast<float>((2.0 - dvs) / 1.0);
        const double shape = static_cast<double>(a) * std::pow(static_cast<double>(b), 2.5);
        height_ = static_cast<float>(static_cast<double>(Hmax) * std::pow(shape, 5.0));
    } else {
        height_ = Hmax;
    }
}

} // namespace tulo
