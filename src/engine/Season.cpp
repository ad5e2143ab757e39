#include "engine/Season.h"

#include "base/FiniteSeries.h"
#include "engine/DailyLoop.h"
#include "engine/Outputs.h"
#include "engine/Parameters.h"

#include <cmath>
#include <cstdint>
#include <iterator>

namespace tulo {

void LoadInputs(const SeasonInputs& inputs, RunState& run) {
    if (run.loadedSerial == inputs.serial) return;
    run.control = inputs.control;
    run.manag = inputs.manag;
    run.weather = inputs.weather;
    run.site = inputs.site;
    run.loadedSerial = inputs.serial;
}

void RunSeason(const SeasonInputs& inputs, std::span<const ParameterValue> parameters, RunState& run) {
    LoadInputs(inputs, run);
    run.crop = inputs.crop;
    const auto registry = CropParameterRegistry();
    for (const ParameterValue& p : parameters)
        SetParameter(run.crop, registry[static_cast<std::size_t>(p.index)], p.value);
    run.PrepareFreshRun();
    SimulateDays(run);
}

namespace {

// Every series of the outputs is listed below; a new one must join a list (only padding may remain).
constexpr std::size_t kListedBytes = 18 * sizeof(DailySeries) + 17 * sizeof(DailySeriesD) +
                                     sizeof(DailyOutputs::Phase) + sizeof(DailyOutputs::InfectionInProgress);
static_assert(sizeof(DailyOutputs) >= kListedBytes && sizeof(DailyOutputs) - kListedBytes < 16);

bool AllOutputsFinite(const RunState& run) {
    const DailyOutputs& o = run.out;
    const auto first = static_cast<std::size_t>(run.control.InitialDate);
    const auto count = static_cast<std::size_t>(run.control.FinalDate - run.control.InitialDate);
    const DailySeries* singles[] = {
        &o.DVS,          &o.GDD,          &o.GDDcum,        &o.RUEday,         &o.AGBdayRad,
        &o.AGBday,       &o.AGB,          &o.LeavesDay,     &o.StemsDay,       &o.PaniclesDay,
        &o.Leaves,       &o.Stems,        &o.Panicles,      &o.LAIday,         &o.LAI,
        &o.SterilityDay, &o.SterilityCum, &o.PanicleHeight, &run.weather.Tmax, &run.weather.Tmin};
    const DailySeriesD* doubles[] = {
        &o.WaterLevel,    &o.ET1,       &o.ET2,       &o.ET3,        &o.ET4,     &o.RiskLevel,
        &o.BlastDVStoday, &o.MF1,       &o.MF2,       &o.MF3,        &o.MF4,     &o.MF12,
        &o.DTempRisk,     &o.MaxRhRisk, &o.DltRhRisk, &o.MxTempRisk, &o.RainRisk};
    const float* singleStarts[std::size(singles)];
    const double* doubleStarts[std::size(doubles)];
    for (std::size_t k = 0; k < std::size(singles); ++k) singleStarts[k] = singles[k]->data() + first;
    for (std::size_t k = 0; k < std::size(doubles); ++k) doubleStarts[k] = doubles[k]->data() + first;
    return AllFinite(singleStarts, doubleStarts, count);
}

} // namespace

std::optional<std::string> FirstNonFiniteOutput(const RunState& run) {
    if (run.control.InitialDate < 1 || run.control.FinalDate <= run.control.InitialDate ||
        AllOutputsFinite(run))
        return std::nullopt;
    // Rare: name the first day and series the user can look up in the daily outputs.
    const auto& variables = DailyOutputVariables();
    for (int d = run.control.InitialDate; d < run.control.FinalDate; ++d)
        for (const OutputVariable& v : variables)
            if (v.value && !std::isfinite(v.value(run, d)))
                return "DOY " + std::to_string(d) + ", " + std::string(v.name);
    return std::nullopt;
}

EndOfCrop EndOfCropValues(const RunState& run) {
    EndOfCrop end;
    const std::int32_t first = run.control.InitialDate;
    end.day = run.control.FinalDate - 1;
    // The finishing day is the first whose stage reached the stage at harvest; the loop zeroes that
    // day's cumulated series.
    for (std::int32_t d = first; d < run.control.FinalDate; ++d)
        if (run.out.DVS[d] >= run.crop.DVSEND) {
            end.finished = true;
            end.day = d - 1;
            break;
        }
    if (end.day < first) {
        end.day = 0;
        return end;
    }
    end.AGB = run.out.AGB[end.day];
    end.Panicles = run.out.Panicles[end.day];
    return end;
}

} // namespace tulo
