#include "engine/ReadInputs.h"

#include "engine/InputRecords.h"
#include "weather/InputWeather.h"

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

    // Soil dynamics and diseases come with the soil water balance and the blast model; until then a
    // run that asks for them is refused rather than silently simulated without them.
    if (control.values().SoilSimulation)
        problems.emplace_back("Simulation of soil dynamics is not available in this version of TULO: clear "
                              "\"Simulation of soil dynamics\" to run.");
    if (control.values().BLASTsimulation)
        problems.emplace_back("Simulation of diseases is not available in this version of TULO: clear "
                              "\"Simulation of diseases\" to run.");

    for (const std::string& problem : problems) ui.message(problem);
    if (!problems.empty()) return problems;

    const auto& c = control.values();
    run.control.InitialDate = c.InitialDate;
    run.control.FinalDate = c.FinalDate;
    run.control.SoilSimulation = c.SoilSimulation;
    run.control.BLASTsimulation = c.BLASTsimulation;
    run.control.OptReportFile = c.OptReportFile;
    run.control.SoilCorrectlyOpen = false;

    run.crop = crop.values();

    run.manag = manag.values();
    run.manag.BlastProduct = form.text(ctl::cmbBlastProduct);
    run.manag.BlastClass = form.text(ctl::txtBlastClass);

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
