#include "calibration/Random.h"

#include <chrono>
#include <stdexcept>

namespace tulo {

namespace {

constexpr std::int64_t M1 = 259200, IA1 = 7141, IC1 = 54773;
constexpr std::int64_t M2 = 134456, IA2 = 8121, IC2 = 28411;
constexpr std::int64_t M3 = 243000, IA3 = 4561, IC3 = 51349;
constexpr double RM1 = 1.0 / M1, RM2 = 1.0 / M2;

} // namespace

ShuffledCongruentialRandom::ShuffledCongruentialRandom(std::int64_t seed) {
    seed_ = seed % IC1;
    if (seed_ < 0) seed_ += IC1;
    ix1_ = (IC1 - seed_) % M1;
    ix1_ = (IA1 * ix1_ + IC1) % M1;
    ix2_ = ix1_ % M2;
    ix1_ = (IA1 * ix1_ + IC1) % M1;
    ix3_ = ix1_ % M3;
    for (std::size_t j = 1; j <= 97; ++j) {
        ix1_ = (IA1 * ix1_ + IC1) % M1;
        ix2_ = (IA2 * ix2_ + IC2) % M2;
        table_[j] = (static_cast<double>(ix1_) + static_cast<double>(ix2_) * RM2) * RM1;
    }
}

double ShuffledCongruentialRandom::operator()() {
    ix1_ = (IA1 * ix1_ + IC1) % M1;
    ix2_ = (IA2 * ix2_ + IC2) % M2;
    ix3_ = (IA3 * ix3_ + IC3) % M3;
    const std::int64_t j = 1 + (97 * ix3_) / M3;
    // The reduced seed keeps every state non-negative, so the index always falls in the table.
    if (j < 1 || j > 97)
        throw std::logic_error("ShuffledCongruentialRandom: shuffle index outside its table");
    const auto at = static_cast<std::size_t>(j);
    const double value = table_[at];
    table_[at] = (static_cast<double>(ix1_) + static_cast<double>(ix2_) * RM2) * RM1;
    return value;
}

double RandomInRange(ShuffledCongruentialRandom& random, double minimum, double maximum) {
    return minimum + (maximum - minimum) * random();
}

std::int64_t ClockSeed() {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    return static_cast<std::int64_t>(ticks % IC1);
}

} // namespace tulo
