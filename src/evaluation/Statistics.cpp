#include "evaluation/Statistics.h"

#include <cmath>
#include <cstddef>
#include <limits>

namespace tulo {

// A zero denominator or an overflow must not reach the caller as inf or NaN.
std::optional<double> Defined(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<double> Ratio(double numerator, double denominator) {
    if (denominator == 0) return std::nullopt;
    return Defined(numerator / denominator);
}

double AgreementStatistics::SumSquaredDifferences(const std::vector<double>& a,
                                                  const std::vector<double>& b) {
    double sum = 0;
    for (std::size_t i = 1; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum;
}

void AgreementStatistics::ObjectiveFunction(const std::vector<double>& simulated,
                                            const std::vector<double>& observed) {
    RMSE_ = RRMSE_ = EF_ = CRM_ = RRMSEcvLastPoint_ = std::nullopt;
    if (observed.size() < 2 || simulated.size() != observed.size()) return;
    const std::size_t n = observed.size() - 1;

    const double meanObserved = Utilities::ArrayMean(observed);
    const std::vector<double> mean(n + 1, meanObserved);
    const double lastSimulated = simulated[n];
    const double lastObserved = observed[n];

    const double sse = SumSquaredDifferences(simulated, observed);
    RMSE_ = Defined(std::sqrt(sse / static_cast<double>(n)));
    if (RMSE_) RRMSE_ = Ratio(100 * *RMSE_, meanObserved);

    const double sst = SumSquaredDifferences(observed, mean);
    if (const auto unexplained = Ratio(sse, sst)) EF_ = Defined(1 - *unexplained);

    if (const auto massRatio = Ratio(Utilities::ArraySum(simulated), Utilities::ArraySum(observed)))
        CRM_ = Defined(1 - *massRatio);

    const std::vector<double> lastPair{0, lastSimulated, lastObserved};
    const auto cv = Ratio(100 * Utilities::ArrayStDev(lastPair), Utilities::ArrayMean(lastPair));
    if (cv && RRMSE_) RRMSEcvLastPoint_ = Defined(*cv + *RRMSE_);
}

} // namespace tulo
