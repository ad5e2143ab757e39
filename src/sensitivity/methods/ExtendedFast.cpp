#include "sensitivity/methods/ExtendedFast.h"

#include "sensitivity/methods/Fast.h"
#include "sensitivity/methods/SearchCurve.h"

#include <complex>
#include <numbers>

namespace tulo::sensitivity {

namespace {

// Extended FAST's bootstrap transforms every curve of every resample: at most this many curve points in
// all, and no interval when that leaves fewer than kLeastSpectralResamples resamples.
constexpr long kSpectralBootstrapPoints = long{1} << 24;
constexpr int kLeastSpectralResamples = 100;

std::string Text(const Method& m) {
    return "fast 2 " + std::to_string(static_cast<long>(m.seed)) + " " + std::to_string(m.executions);
}

// The frequency of the factor an extended FAST curve explores: as high as its first kFastHarmonics
// harmonics allow, and odd, so that it is no low multiple of the others' (mostly smaller, even) ones.
int ExploredFrequency(int points) {
    const int omega = (points - 1) / (2 * kFastHarmonics);
    return omega % 2 == 0 ? omega - 1 : omega;
}

// The other factors' frequencies on the curve of an extended FAST factor whose frequency is `omega`: low
// enough that their harmonics stay below the band that measures its total effect.
std::vector<int> ComplementaryFrequencies(int omega, int others) {
    std::vector<int> result(static_cast<std::size_t>(others));
    const int most = std::max(1, omega / (4 * kFastHarmonics));
    for (int j = 0; j < others; ++j) {
        if (most >= others && others > 1)
            result[j] = 1 + static_cast<int>(static_cast<long>(j) * (most - 1) / (others - 1));
        else
            result[j] = j % most + 1;
    }
    return result;
}

std::string Title(const Method&) {
    return "FAST (extended)";
}

// The fewest points of each factor's curve.
constexpr long kLeastCurvePoints = 4L * kFastHarmonics * kFastHarmonics + 1;

std::optional<SizeLimits> Limits(const Method&, int k, long most) {
    return SizeLimits{kLeastCurvePoints * k, most / k * k};
}

long Rows(const Method& method, int k) {
    return k > 0 ? method.executions / k * k : 0;
}

// One curve of executions / factors points per factor.
Outcome Size(const Method& method, int k, Design& d, long& rows) {
    d.baseRows = method.executions / k;
    if (d.baseRows < kLeastCurvePoints)
        return Outcome::Failure("Extended FAST of " + std::to_string(k) + " factors needs at least " +
                                std::to_string(kLeastCurvePoints * k) + " executions.");
    rows = Rows(method, k);
    return Outcome::Success();
}

void Draw(const Method& method, Design& d) {
    Random random(method.seed);
    const int k = d.factors;
    const int n = d.baseRows;
    const double twoPi = 2 * std::numbers::pi;
    const int omega = ExploredFrequency(n);
    const std::vector<int> others = ComplementaryFrequencies(omega, k - 1);
    for (int i = 0; i < k; ++i) {
        std::vector<double> phase(static_cast<std::size_t>(k));
        for (double& ph : phase) ph = twoPi * random.Unit();
        for (int r = 0; r < n; ++r)
            for (int j = 0, o = 0; j < k; ++j) {
                const int w = j == i ? omega : others[o++];
                d.unit[(static_cast<std::size_t>(i) * n + r) * k + j] = Curve(w * twoPi * r / n + phase[j]);
            }
    }
}

// The discrete Fourier transform of a real series of any length n, X_p = sum_j x_j exp(-2 pi i p j / n), by
// Bluestein's chirp: a cyclic convolution of a power-of-two length L >= 2n - 1 done with radix-2 transforms,
// O(n log n) where the sum for every p is O(n^2).
class Fourier {
public:
    explicit Fourier(int n) : n_(n) {
        while (size_ < 2 * static_cast<std::size_t>(n) - 1) size_ *= 2;
        roots_.resize(size_ / 2);
        for (std::size_t j = 0; j < roots_.size(); ++j)
            roots_[j] =
                std::polar(1.0, -2 * std::numbers::pi * static_cast<double>(j) / static_cast<double>(size_));
        // exp(i pi j^2 / n), with j^2 taken modulo 2n so that the angle stays exact for long series.
        chirp_.resize(static_cast<std::size_t>(n));
        for (long j = 0; j < n; ++j)
            chirp_[j] = std::polar(1.0, std::numbers::pi * static_cast<double>((j * j) % (2L * n)) / n);
        kernel_.assign(size_, {});
        for (int m = 0; m < n; ++m) {
            kernel_[m] = chirp_[m];
            if (m > 0) kernel_[size_ - m] = chirp_[m];
        }
        Transform(kernel_, false);
    }

    // X_0 .. X_(n-1) of x.
    std::vector<std::complex<double>> operator()(std::span<const double> x) const {
        std::vector<std::complex<double>> a(size_);
        for (int j = 0; j < n_; ++j) a[j] = x[j] * std::conj(chirp_[j]);
        Transform(a, false);
        for (std::size_t i = 0; i < size_; ++i) a[i] *= kernel_[i];
        Transform(a, true);
        std::vector<std::complex<double>> result(static_cast<std::size_t>(n_));
        for (int p = 0; p < n_; ++p) result[p] = std::conj(chirp_[p]) * a[p] / static_cast<double>(size_);
        return result;
    }

private:
    // In place, unscaled; `inverse` turns the roots the other way.
    void Transform(std::vector<std::complex<double>>& a, bool inverse) const {
        for (std::size_t i = 1, j = 0; i < size_; ++i) {
            std::size_t bit = size_ >> 1;
            for (; j & bit; bit >>= 1) j ^= bit;
            j ^= bit;
            if (i < j) std::swap(a[i], a[j]);
        }
        for (std::size_t length = 2; length <= size_; length *= 2) {
            const std::size_t step = size_ / length;
            for (std::size_t start = 0; start < size_; start += length)
                for (std::size_t k = 0; k < length / 2; ++k) {
                    const std::complex<double> root =
                        inverse ? std::conj(roots_[k * step]) : roots_[k * step];
                    const std::complex<double> odd = a[start + k + length / 2] * root;
                    a[start + k + length / 2] = a[start + k] - odd;
                    a[start + k] += odd;
                }
        }
    }

    int n_;
    std::size_t size_ = 1;
    std::vector<std::complex<double>> roots_, chirp_, kernel_;
};

// Both indices of every factor from its own curve: the variance at its frequency's first harmonics, and
// one less whatever lies below half its frequency, which belongs to the others alone.
std::vector<double> CurveIndices(const Design& d, std::span<const double> y, const Fourier& fourier,
                                 Units w) {
    const int k = d.factors;
    const int n = d.baseRows;
    const int omega = ExploredFrequency(n);
    std::vector<double> out(2 * static_cast<std::size_t>(k), 0.0);
    const bool resampled = Resampled(w, n);
    std::vector<double> copies(static_cast<std::size_t>(n), 0.0), series(static_cast<std::size_t>(n), 0.0);
    for (const int j : w) ++copies[static_cast<std::size_t>(j)];
    for (int i = 0; i < k; ++i) {
        const auto value = [&](int j) {
            return y[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)];
        };
        const auto curve = MeasureCurve(w, resampled, value);
        if (!curve) continue;
        for (int j = 0; j < n; ++j) series[j] = copies[j] * (value(j) - curve->moments.mean);
        const std::vector<std::complex<double>> spectrum = fourier(series);
        const auto power = [&](long p) {
            const std::complex<double> x = spectrum[static_cast<std::size_t>(p % n)];
            return (*curve)(x.real(), x.imag());
        };
        double first = 0;
        for (int q = 1; q <= kFastHarmonics; ++q) first += power(q * static_cast<long>(omega));
        out[i] = first / curve->moments.variance;
        double others = 0;
        for (long p = 1; p <= omega / 2; ++p) others += power(p);
        out[k + i] = 1 - others / curve->moments.variance;
    }
    return out;
}

Outcome Indices(const Method& method, const Design& d, std::span<const double>, const Mapped& outputs,
                std::vector<FactorIndices>& indices, std::vector<Interaction>*) {
    const int k = d.factors;
    const int n = d.baseRows;
    const Fourier fourier(n);
    const Estimator estimate = [&](Units w) -> std::optional<std::vector<double>> {
        return CurveIndices(d, outputs.values, fourier, w);
    };
    // A resample of a curve's points is only measured on the whole curve, so its cost grows with the
    // runs: large analyses get fewer resamples, and none where they would cost more than the seasons.
    const int resamples = static_cast<int>(
        std::min<long>(kBootstrapResamples / 2, kSpectralBootstrapPoints / (static_cast<long>(k) * n)));
    if (resamples >= kLeastSpectralResamples)
        return Bootstrap(n, k, method.seed, resamples, n, estimate, indices);
    PointIndices(estimate, n, k, indices);
    return Outcome::Success();
}

} // namespace

MethodEntry ExtendedFastMethod() {
    return {.kind = MethodKind::ExtendedFast,
            .keyword = "fast",
            .parse = ParseFast,
            .text = Text,
            .index1Name = "S1",
            .index2Name = "ST",
            .title = Title,
            .sizeSetting = Executions,
            .sizeLimits = Limits,
            .designRows = Rows,
            .size = Size,
            .draw = Draw,
            .indices = Indices};
}

} // namespace tulo::sensitivity
