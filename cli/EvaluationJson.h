#pragma once
// The parts of an evaluation's JSON that evaluate and evaluate-sites share.

#include "evaluation/MeasuredEvaluation.h"

#include <nlohmann/json.hpp>

namespace tulo::cli {

// Every pair the indices were computed from, in the order they were paired: {day, measured, simulated},
// the values as the report shows them (0.1, not the single's 0.10000000149). The keys sort as they
// stand, so the order is the same in either kind of JSON object.
nlohmann::json PairsJson(const FittingMatrix& matrix);

// The agreement indices and the regression under the keys of evaluate --json: n, RMSE, RRMSE, EF, CRM,
// RRMSEcvLastPoint, Slope, Intercept, R2, F, pF, mark; an undefined value is null.
nlohmann::ordered_json IndicesJson(const AgreementIndices& indices, const Regression& regression);

} // namespace tulo::cli
