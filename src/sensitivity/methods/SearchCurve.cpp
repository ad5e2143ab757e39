#include "sensitivity/methods/SearchCurve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tulo::sensitivity {

double Curve(double angle) {
    return std::clamp(0.5 + std::asin(std::sin(angle)) / std::numbers::pi, 0.0, 1.0);
}

bool Resampled(Units w, int n) {
    return static_cast<int>(w.size()) != n || std::adjacent_find(w.begin(), w.end()) != w.end();
}

void PointIndices(const Estimator& estimate, int n, int k, std::vector<FactorIndices>& indices) {
    const auto point = estimate(AllUnits(n));
    indices.assign(static_cast<std::size_t>(k), FactorIndices{});
    for (int i = 0; i < k; ++i) {
        indices[i].first = {(*point)[i], 0.0, 0.0, false};
        indices[i].second = {(*point)[k + static_cast<std::size_t>(i)], 0.0, 0.0, false};
    }
}

} // namespace tulo::sensitivity
