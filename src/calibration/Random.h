#pragma once
// The calibration's random numbers: the portable generator of three linear congruential generators with
// a 97-entry shuffle table. It is an object, not a global, so that every search owns its sequence and a
// seed repeats a calibration exactly whatever else runs in the program.

#include <array>
#include <cstdint>

namespace tulo {

class ShuffledCongruentialRandom {
public:
    // Any seed is reduced into 0 .. 54772 first: the generator's start subtracts it from its first
    // increment, and a larger seed would turn every number negative.
    explicit ShuffledCongruentialRandom(std::int64_t seed);

    // The next uniform number in [0, 1) (0 only after the first generator passes through 0).
    double operator()();

    // The seed actually used, after the reduction.
    std::int64_t seed() const { return seed_; }

private:
    std::int64_t seed_ = 0;
    std::int64_t ix1_ = 0, ix2_ = 0, ix3_ = 0;
    std::array<double, 98> table_{}; // entries 1 .. 97
};

// minimum + (maximum - minimum) x the next number of `random`.
double RandomInRange(ShuffledCongruentialRandom& random, double minimum, double maximum);

// A seed from the clock, for a calibration run without one.
std::int64_t ClockSeed();

} // namespace tulo
