#include "engine/RunState.h"

namespace tulo {

void RunState::PrepareFreshRun() {
    out = DailyOutputs{};
    loop = LoopState{};
    weather.Tmax = weather.TmaxAir;
    weather.Tmin = weather.TminAir;
    SetInitialState();
}

void RunState::SetInitialState() {
    const std::int32_t first = control.InitialDate;
    loop.DOY = first;
    loop.Sown = false;
    loop.CropFinished = false;
    out.GDDcum[first - 1] = 0;
    out.GDDcum[first] = 0;
    out.LAI[first - 1] = crop.LAIemerg;
    out.SterilityDay[first] = 0;
    out.SterilityCum[first] = 0;
    loop.NoBlast = 0;
    loop.Infection = 0;
    loop.SporLTN = 0;
    loop.Latency = 0;
    for (int d = 1; d <= kLastDay; ++d) out.RiskLevel[d] = 0;
}

} // namespace tulo
