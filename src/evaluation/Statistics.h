#pragma once
// Agreement between a simulated and an observed series.

#include "base/ArrayStats.h"

#include <optional>
#include <span>
#include <vector>

namespace tulo {

// Five agreement indices of a simulated series against an observed one. An index whose denominator is
// zero or whose value is not finite is undefined (no value); so is every index when the series hold no
// values or differ in length. A fresh object holds 0 in every index.
// A statistic that is not finite, or a ratio whose denominator is zero, is undefined (no value).
std::optional<double> Defined(double value);
std::optional<double> Ratio(double numerator, double denominator);

class AgreementStatistics {
public:
    void ObjectiveFunction(const std::vector<double>& simulated, const std::vector<double>& observed);

    std::optional<double> GetRMSE() const { return RMSE_; }
    // Percent of the observed mean.
    std::optional<double> GetRRMSE() const { return RRMSE_; }
    // Modelling efficiency, at most 1.
    std::optional<double> GetEF() const { return EF_; }
    // Coefficient of residual mass: negative when the model overestimates.
    std::optional<double> GetCRM() const { return CRM_; }
    // RRMSE plus the coefficient of variation (percent) of the last simulated and last observed value.
    std::optional<double> GetRRMSEcvLastPoint() const { return RRMSEcvLastPoint_; }

private:
    static double SumSquaredDifferences(const std::vector<double>& a, const std::vector<double>& b);

    std::optional<double> RMSE_ = 0.0;
    std::optional<double> RRMSE_ = 0.0;
    std::optional<double> EF_ = 0.0;
    std::optional<double> CRM_ = 0.0;
    std::optional<double> RRMSEcvLastPoint_ = 0.0;
};

} // namespace tulo
