#include "evaluation/LaiPerformance.h"

namespace tulo {

LaiPerformance ComputeLaiPerformance(const RunState& run, std::span<const LaiPoint> points) {
    MeasuredData data;
    for (std::size_t i = 0; i < points.size(); ++i)
        data.rows.push_back({static_cast<int>(i), static_cast<float>(points[i].doy), points[i].lai});
    const Evaluation evaluation = EvaluateAgainstMeasured(run, *EvaluableVariableIndex("GAI (m2/m2)"), data);
    LaiPerformance performance{evaluation.indices, evaluation.regression, {}};
    // The row stands for the point's position in the list.
    for (const LeftOut& l : evaluation.matrix.leftOut)
        performance.leftOut.push_back(points[static_cast<std::size_t>(l.row)]);
    return performance;
}

} // namespace tulo
