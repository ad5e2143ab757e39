#include "EvaluationJson.h"

#include "base/Numbers.h"

#include <string>

namespace tulo::cli {

namespace {

double Shown(float value) {
    return std::stod(ShortestText(value));
}

nlohmann::ordered_json OrNull(const std::optional<double>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json();
}

} // namespace

nlohmann::json PairsJson(const FittingMatrix& matrix) {
    nlohmann::json pairs = nlohmann::json::array();
    for (std::size_t k = 0; k < matrix.measured.size(); ++k)
        pairs.push_back({{"day", matrix.day[k]},
                         {"measured", Shown(matrix.measured[k])},
                         {"simulated", Shown(matrix.simulated[k])}});
    return pairs;
}

nlohmann::ordered_json IndicesJson(const AgreementIndices& i, const Regression& g) {
    return {{"n", i.n},
            {"RMSE", OrNull(i.RMSE)},
            {"RRMSE", OrNull(i.RRMSE)},
            {"EF", OrNull(i.EF)},
            {"CRM", OrNull(i.CRM)},
            {"RRMSEcvLastPoint", OrNull(i.RRMSEcvLastPoint)},
            {"Slope", OrNull(g.slope)},
            {"Intercept", OrNull(g.intercept)},
            {"R2", OrNull(g.R2)},
            {"F", OrNull(g.F)},
            {"pF", OrNull(g.pF)},
            {"mark", g.pF ? nlohmann::ordered_json(g.mark) : nlohmann::ordered_json()}};
}

} // namespace tulo::cli
