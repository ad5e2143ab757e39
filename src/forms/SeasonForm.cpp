#include "forms/SeasonForm.h"

#include "base/Numbers.h"
#include "forms/InputRecords.h"
#include "forms/InputWeather.h"
#include "forms/SoilInput.h"

#include <algorithm>

namespace tulo {

namespace {

void CopySoil(const SoilTableReader& soil, ControlParameters& control) {
    control.NLayers = soil.GetNLayers();
    for (std::int32_t i = 1; i <= soil.GetNLayers(); ++i) {
        const double values[] = {
            soil.GetThickness(i),     soil.GetBulkDensity(i),  soil.GetCarbon(i), soil.GetClay(i),
            soil.GetSand(i),          soil.GetAlpha(i),        soil.Getn(i),      soil.GetSWCres(i),
            soil.GetFieldCapacity(i), soil.GetWiltingPoint(i), soil.GetSat(i),    soil.GetSatK(i),
            soil.GetSWCstartmm(i)};
        // The table's values travel as text with 15 significant digits.
        for (std::size_t k = 0; k < 13; ++k)
            control.SoilLayers[static_cast<std::size_t>(i)][k] = RoundToSignificant(values[k], 15);
    }
    control.SoilCorrectlyOpen = soil.GetSoilCorrectlyOpen();
    // Once per compilation: every season of it starts from a copy.
    if (control.SoilCorrectlyOpen && control.NLayers >= 1)
        control.soilProfile.Prepare(control.NLayers, control.SoilLayers);
}

void CopyWeather(const WeatherReader& weather, WeatherSeries& w) {
    for (int d = 1; d <= kLastDay; ++d) {
        w.Rain[d] = weather.GetRain(d);
        w.Tmax[d] = w.TmaxAir[d] = weather.GetTmax(d);
        w.Tmin[d] = w.TminAir[d] = weather.GetTmin(d);
        w.Rad[d] = weather.GetRad(d);
        w.RHmax[d] = weather.GetRHmax(d);
        w.RHmin[d] = weather.GetRHmin(d);
    }
}

// The crop starts counting on the later of the sowing date and the first simulated day: a sowing after
// the season, or a transplanting outside it, leaves no crop to simulate.
void CheckSeasonDates(const ControlReader::Values& dates, const ManagementParameters& manag,
                      Problems& problems, Problems& warnings) {
    const std::int32_t sowing = manag.SowingDate;
    if (dates.InitialDate >= 1 && dates.FinalDate > dates.InitialDate && dates.FinalDate <= kLastDay &&
        sowing > 0) {
        if (sowing >= dates.FinalDate)
            problems.push_back(
                {std::string(ctl::txtSowingDate), 0, 0,
                 "Sowing date (DOY) " + std::to_string(sowing) + " is after the last simulated day " +
                     std::to_string(dates.FinalDate - 1) + ": the season would have no crop."});
        else if (sowing < dates.InitialDate)
            warnings.push_back({std::string(ctl::txtSowingDate), 0, 0,
                                "Sowing date (DOY) " + std::to_string(sowing) +
                                    " is before the first simulated day: the crop starts on DOY " +
                                    std::to_string(dates.InitialDate) + "."});
        // The move to the field happens at the end of a simulated day, or the season is the seedbed's.
        const std::int32_t transplanting = manag.TransplantingDate;
        if (manag.Transplanted && transplanting > sowing &&
            (transplanting < dates.InitialDate || transplanting >= dates.FinalDate))
            problems.push_back({std::string(ctl::txtTransplantingDate), 0, 0,
                                "Transplanting date (DOY) " + std::to_string(transplanting) +
                                    " is outside the simulated days " + std::to_string(dates.InitialDate) +
                                    " to " + std::to_string(dates.FinalDate - 1) +
                                    ": the seedlings would never be moved to the field."});
    }
}

} // namespace

Compilation CompileInputs(const FormModel& form) {
    Compilation result;
    Problems& problems = result.problems;
    ControlReader control;
    CropReader crop;
    ManagementReader manag;
    WeatherReader weather;
    control.ControlInput(form, problems);
    crop.ReadCropParameters(form, problems);
    manag.ManagementInput(form, problems);
    // The simulated days and the day either side, whose temperatures the floodwater and sterility
    // models read.
    WeatherReader::Days needed;
    if (const auto& c = control.values();
        c.InitialDate >= 1 && c.FinalDate > c.InitialDate && c.FinalDate <= kLastDay)
        needed = {std::max(1, c.InitialDate - 1), c.FinalDate};
    weather.ReadWeatherData(form, problems, result.warnings, needed);

    // The user asked for soil dynamics: the soil table must then be complete, whether or not this
    // season's water management needs it.
    SoilTableReader soil;
    if (control.values().SoilSimulation) soil.ReadSoilData(form, problems);
    const auto blastClass = ParseInt32(form.text(ctl::txtBlastClass));
    // The diseases window sets the class: 3 medium/resistant, 2 medium/susceptible, 1 susceptible.
    if (control.values().BLASTsimulation && !(blastClass && *blastClass >= 1 && *blastClass <= 3))
        problems.push_back({std::string(ctl::txtBlastClass), 0, 0,
                            "Blast susceptibility class: " + QuoteValue(form.text(ctl::txtBlastClass)) +
                                " is not 1, 2 or 3; choose the variety in the diseases window."});
    CheckSeasonDates(control.values(), manag.values(), problems, result.warnings);
    if (!problems.empty()) return result;

    auto inputs = std::make_shared<SeasonInputs>();
    const auto& c = control.values();
    inputs->control.InitialDate = c.InitialDate;
    inputs->control.FinalDate = c.FinalDate;
    inputs->control.SoilSimulation = c.SoilSimulation;
    inputs->control.BLASTsimulation = c.BLASTsimulation;
    inputs->control.OptReportFile = c.OptReportFile;
    inputs->control.Year = c.Year;
    inputs->optiLAIndvi = c.optiLAIndvi;
    inputs->DOYforcingLAI = c.DOYforcingLAI;
    inputs->ForcingLAI = c.ForcingLAI;
    CopySoil(soil, inputs->control);
    inputs->crop = crop.values();
    inputs->manag = manag.values();
    inputs->manag.ProductApplied = form.text(ctl::cmbBlastProduct) != choice::NoTreatment;
    inputs->manag.BlastClass = blastClass.value_or(0);
    CopyWeather(weather, inputs->weather);
    inputs->humidityEstimated = weather.GetHumidityEstimated();
    SealSeasonInputs(*inputs);
    result.inputs = std::move(inputs);
    return result;
}

void ShowEstimatedHumidities(FormModel& form, const SeasonInputs& inputs) {
    if (inputs.humidityEstimated) WriteEstimatedHumidities(form, inputs.weather.RHmax, inputs.weather.RHmin);
}

} // namespace tulo
