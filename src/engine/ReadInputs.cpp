#include "engine/ReadInputs.h"

#include "base/Numbers.h"
#include "engine/InputRecords.h"
#include "engine/InputWeather.h"
#include "engine/SoilInput.h"

namespace tulo {

Problems ReadAllInputs(FormModel& form, UserInterface& ui, RunState& run) {
    Problems problems;
    clsInputControl control;
    clsInputCrop crop;
    clsInputManag manag;
    clsInputWeather weather;
    control.ControlInput(form, problems);
    crop.ReadCropParameters(form, problems);
    manag.ManagementInput(form, problems);
    weather.ReadWeatherData(form, problems);

    // The user asked for soil dynamics: the soil table must then be complete, whether or not this
    // season's water management needs it.
    clsInputSoil soil;
    if (control.values().SoilSimulation) soil.ReadSoilData(form, problems);
    if (control.values().BLASTsimulation && !ParseInt32(form.text(ctl::txtBlastClass)))
        problems.push_back(NotANumberMessage("Blast susceptibility class", form.text(ctl::txtBlastClass)));

    for (const std::string& problem : problems) ui.message(problem);
    if (!problems.empty()) return problems;

    const auto& c = control.values();
    run.control.InitialDate = c.InitialDate;
    run.control.FinalDate = c.FinalDate;
    run.control.SoilSimulation = c.SoilSimulation;
    run.control.BLASTsimulation = c.BLASTsimulation;
    run.control.OptReportFile = c.OptReportFile;
    run.control.NLayers = soil.GetNLayers();
    for (std::int32_t i = 1; i <= soil.GetNLayers(); ++i) {
        const double values[] = {
            soil.GetThickness(i),     soil.GetBulkDensity(i),  soil.GetCarbon(i), soil.GetClay(i),
            soil.GetSand(i),          soil.GetAlpha(i),        soil.Getn(i),      soil.GetSWCres(i),
            soil.GetFieldCapacity(i), soil.GetWiltingPoint(i), soil.GetSat(i),    soil.GetSatK(i),
            soil.GetSWCstartmm(i)};
        // The table's values travel as text with 15 significant digits.
        for (std::size_t k = 0; k < 13; ++k)
            run.control.SoilLayers[static_cast<std::size_t>(i)][k] = RoundToSignificant(values[k], 15);
    }
    run.control.SoilCorrectlyOpen = soil.GetSoilCorrectlyOpen();

    run.crop = crop.values();

    run.manag = manag.values();
    run.manag.ProductApplied = form.text(ctl::cmbBlastProduct) != choice::NoTreatment;
    run.manag.BlastClass = ParseInt32(form.text(ctl::txtBlastClass)).value_or(0);

    for (int d = 1; d <= kLastDay; ++d) {
        run.weather.Rain[d] = weather.GetRain(d);
        run.weather.Tmax[d] = run.weather.TmaxAir[d] = weather.GetTmax(d);
        run.weather.Tmin[d] = run.weather.TminAir[d] = weather.GetTmin(d);
        run.weather.Rad[d] = weather.GetRad(d);
        run.weather.RHmax[d] = weather.GetRHmax(d);
        run.weather.RHmin[d] = weather.GetRHmin(d);
    }
    return problems;
}

} // namespace tulo
