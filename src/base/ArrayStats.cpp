#include "base/ArrayStats.h"

#include <cmath>
#include <cstddef>
#include <limits>

namespace tulo {

namespace Utilities {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

template <typename T> double Max(std::span<const T> x) {
    if (x.size() < 2) return kNoValue;
    double result = x[1];
    for (std::size_t i = 2; i < x.size(); ++i)
        if (x[i] > result) result = x[i];
    return result;
}

template <typename T> double Sum(std::span<const T> x) {
    double sum = 0;
    for (std::size_t i = 1; i < x.size(); ++i) sum += x[i];
    return sum;
}

template <typename T> double Mean(std::span<const T> x) {
    if (x.size() < 2) return kNoValue;
    return Sum(x) / static_cast<double>(x.size() - 1);
}

template <typename T> double StDev(std::span<const T> x) {
    if (x.size() < 2) return kNoValue;
    const double mean = Mean(x);
    double sum = 0;
    for (std::size_t i = 1; i < x.size(); ++i) sum += (x[i] - mean) * (x[i] - mean);
    return std::sqrt(sum / static_cast<double>(x.size() - 1));
}

} // namespace

double ArrayMax(std::span<const double> x) {
    return Max(x);
}
double ArrayMax(std::span<const float> x) {
    return Max(x);
}
double ArrayMean(std::span<const double> x) {
    return Mean(x);
}
double ArrayMean(std::span<const float> x) {
    return Mean(x);
}
double ArraySum(std::span<const double> x) {
    return Sum(x);
}
double ArraySum(std::span<const float> x) {
    return Sum(x);
}
double ArrayStDev(std::span<const double> x) {
    return StDev(x);
}
double ArrayStDev(std::span<const float> x) {
    return StDev(x);
}

} // namespace Utilities

} // namespace tulo
