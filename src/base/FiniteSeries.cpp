#include "base/FiniteSeries.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tulo {

namespace {

// The sum of many series is not finite when one of their values is not (an infinity stays one or meets
// its opposite in a NaN, and a NaN stays one), and otherwise only when it overflows, which the exact
// check below settles. Vector lanes add a register of values with one instruction.
using Floats = float __attribute__((vector_size(16)));
using Doubles = double __attribute__((vector_size(16)));

template <typename T> struct Series {
    std::span<const T* const> starts;
    std::size_t count = 0;
};

// SSE reads memory in an arithmetic instruction only when it is aligned: each series starts with single
// values up to an aligned address.
template <typename T, typename Vector> T AlignedSum(Series<T> series) {
    constexpr std::size_t kPerVector = sizeof(Vector) / sizeof(T), kLanes = 8;
    Vector lanes[kLanes] = {};
    T sum = 0;
    const auto load = [](const T* p) {
        Vector v;
        std::memcpy(&v, __builtin_assume_aligned(p, sizeof(Vector)), sizeof v);
        return v;
    };
    for (const T* p : series.starts) {
        std::size_t n = series.count;
        for (; n > 0 && reinterpret_cast<std::uintptr_t>(p) % sizeof(Vector) != 0; --n) sum += *p++;
        std::size_t vectors = n / kPerVector;
        const T* v = p;
        for (; vectors >= kLanes; vectors -= kLanes, v += kLanes * kPerVector)
            for (std::size_t k = 0; k < kLanes; ++k) lanes[k] += load(v + k * kPerVector);
        for (; vectors > 0; --vectors, v += kPerVector) lanes[0] += load(v);
        for (std::size_t k = n / kPerVector * kPerVector; k < n; ++k) sum += p[k];
    }
    for (const Vector& lane : lanes)
        for (std::size_t k = 0; k < kPerVector; ++k) sum += lane[k];
    return sum;
}

bool NarrowSumsFinite(Series<float> singles, Series<double> doubles) {
    return std::isfinite(AlignedSum<float, Floats>(singles)) &&
           std::isfinite(AlignedSum<double, Doubles>(doubles));
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TULO_WIDE_SUMS 1

using WideFloats = float __attribute__((vector_size(32)));
using WideDoubles = double __attribute__((vector_size(32)));

// AVX reads unaligned memory in its arithmetic, twice as wide: no value is added on its own but the last
// few of a series. Inlined into the AVX function only, so that its wide vectors never cross a call.
template <typename T, typename Vector> [[gnu::always_inline]] inline T UnalignedSum(Series<T> series) {
    constexpr std::size_t kPerVector = sizeof(Vector) / sizeof(T), kLanes = 4;
    Vector lanes[kLanes] = {};
    T sum = 0;
    const std::size_t whole = series.count / (kLanes * kPerVector) * (kLanes * kPerVector);
    const std::size_t vectors = series.count / kPerVector * kPerVector;
    for (const T* p : series.starts) {
        for (std::size_t i = 0; i < whole; i += kLanes * kPerVector)
            for (std::size_t k = 0; k < kLanes; ++k) {
                Vector v;
                std::memcpy(&v, p + i + k * kPerVector, sizeof v);
                lanes[k] += v;
            }
        for (std::size_t i = whole; i < vectors; i += kPerVector) {
            Vector v;
            std::memcpy(&v, p + i, sizeof v);
            lanes[0] += v;
        }
        for (std::size_t i = vectors; i < series.count; ++i) sum += p[i];
    }
    for (const Vector& lane : lanes)
        for (std::size_t k = 0; k < kPerVector; ++k) sum += lane[k];
    return sum;
}

[[gnu::target("avx")]] bool WideSumsFinite(Series<float> singles, Series<double> doubles) {
    return std::isfinite(UnalignedSum<float, WideFloats>(singles)) &&
           std::isfinite(UnalignedSum<double, WideDoubles>(doubles));
}
#endif

// True when some value's exponent field is all ones (an infinity or a NaN): exact, for the rare series
// whose sums are not finite.
bool AnyNonFinite(const float* values, std::size_t count) {
    std::uint32_t any = 0;
    for (std::size_t i = 0; i < count; ++i)
        any |= ((std::bit_cast<std::uint32_t>(values[i]) >> 23) & 0xffu) + 1u;
    return (any & 0x100u) != 0;
}

bool AnyNonFinite(const double* values, std::size_t count) {
    std::uint64_t any = 0;
    for (std::size_t i = 0; i < count; ++i)
        any |= ((std::bit_cast<std::uint64_t>(values[i]) >> 52) & 0x7ffu) + 1u;
    return (any & 0x800u) != 0;
}

} // namespace

bool WideFiniteSumsAvailable() {
#ifdef TULO_WIDE_SUMS
    static const bool available = __builtin_cpu_supports("avx");
    return available;
#else
    return false;
#endif
}

bool AllFinite(std::span<const float* const> singles, std::span<const double* const> doubles,
               std::size_t count, FiniteSumPath path) {
    const Series<float> s{singles, count};
    const Series<double> d{doubles, count};
    const bool wide = path != FiniteSumPath::Narrow && WideFiniteSumsAvailable();
#ifdef TULO_WIDE_SUMS
    if (wide ? WideSumsFinite(s, d) : NarrowSumsFinite(s, d)) return true;
#else
    if (NarrowSumsFinite(s, d)) return true;
#endif
    for (const float* series : singles)
        if (AnyNonFinite(series, count)) return false;
    for (const double* series : doubles)
        if (AnyNonFinite(series, count)) return false;
    return true;
}

} // namespace tulo
