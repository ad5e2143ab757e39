#include "engine/DailyLoop.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "base/SeriesMaximum.h"
#include "crop/Biomass.h"
#include "crop/Development.h"
#include "crop/LeafArea.h"
#include "crop/PanicleHeight.h"
#include "crop/Sterility.h"
#include "disease/Blast.h"
#include "soil/Soil.h"
#include "weather/Evapotranspiration.h"
#include "weather/Tris.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace tulo {

namespace {

// The stage window of cold sensitivity and of the pre-flowering water level, in single precision as
// the stage itself.
constexpr float kDVS06 = 0.6f;
constexpr float kDVS09 = 0.9f;

float ToSingle(double value) {
    return static_cast<float>(value);
}

// The run state's site days, worked out first when they are not those of its compilation and latitude (a
// state filled by hand, or whose latitude was changed since).
const SiteDays& SiteDaysOf(RunState& run) {
    const ControlParameters& c = run.control;
    const bool current = run.site.serial != 0 && run.site.serial == run.loadedSerial &&
                         run.site.sun.IsFor(run.manag.Lat, c.Year, c.InitialDate, c.FinalDate);
    if (!current)
        run.site =
            ComputeSiteDays(run.weather, run.manag.Lat, c.Year, c.InitialDate, c.FinalDate, run.loadedSerial);
    return run.site;
}

// One call of SimulateDays: the pieces of the run and the process objects, whose fields carry over from
// one day to the next within the call. Each step of the day is one member, called in the order of Day.
struct DayContext {
    explicit DayContext(RunState& run);

    // False when the run ends on day d.
    bool Day(std::int32_t d);

    void Evapotranspiration(std::int32_t d);
    bool WaterLevel(std::int32_t d);
    void ApexTemperature(std::int32_t d);
    void Blast(std::int32_t d);
    bool InTreatmentWindow(std::int32_t d) const;
    void Development(std::int32_t d);
    void Biomass(std::int32_t d);
    void Sterility(std::int32_t d);
    void Partitioning(std::int32_t d, bool finishedAtDawn);
    void Senescence(std::int32_t d);
    void PanicleHeight(std::int32_t d);
    void Accumulate(std::int32_t d);
    void Transplant(std::int32_t d);
    void EndOfCrop(std::int32_t d);
    // Writes a forced state into day d's slots, as if the day had ended with it.
    void Overwrite(std::int32_t d, const ForcedDay& forced);

    const ControlParameters& control;
    const CropParameters& crop;
    const ManagementParameters& manag;
    WeatherSeries& w;
    const SiteDays& site;
    const SolarCalendar& sun;
    DailyOutputs& o;
    LoopState& s;
    const bool soilBalance;
    // The class is the cultivar's for the whole run; a treatment raises it to 5 for the days it protects.
    const std::int32_t cultivarClass;
    const bool treated;
    // Field plants per seedbed plant: hills per m2 x seedlings per hill / seedbed plants per m2.
    const double transplantedShare;

    // The cultivar's thermal clock, read once.
    const ThermalParameters thermal;
    CropDevelopment development;
    // The crop's growth and cold responses, read once.
    const GrowthParameters growth;
    const ColdSensitivity coldSensitivity;
    BiomassGrowth biomass;
    // The cultivar's leaves, read once.
    const LeafParameters leaf;
    LeafAreaAndPartitioning partitioning;
    LeafSenescence leafLife;
    PanicleHeightGrowth panicleHeight;
    SpikeletSterility sterility;
    FloodwaterTemperature floodwater;
    RadiationUseEfficiency rue;
    LeafBlast blast;
    std::optional<Soil> soil;
    // The crop's fields, filled once; the day's green area is overwritten every day.
    EvapotranspirationInput etRecord;
    // The last slot the scans over the season's series reach (the leaves' ages, the greatest green area).
    const std::int32_t scanEnd;
    // The blast model weighs the season's greatest green area every day; every write to LAI goes
    // through it.
    SeriesMaximum laiMax;
};

DayContext::DayContext(RunState& run)
    : control(run.control), crop(run.crop), manag(run.manag), w(run.weather), site(SiteDaysOf(run)),
      sun(site.sun), o(run.out), s(run.loop),
      soilBalance(manag.Flooded == 1 && manag.DynamicLevel && control.SoilSimulation),
      cultivarClass(manag.BlastClass), treated(manag.ProductApplied && manag.NumTreatments > 0),
      transplantedShare(manag.Transplanted ? static_cast<double>(crop.NH) * crop.NPLH / crop.NPLSB : 1.0),
      thermal{.TSUMEM = crop.TSUMEM,
              .TSUM1 = crop.TSUM1,
              .TSUM2 = crop.TSUM2,
              .Tbase = crop.Tbase,
              .Tcutoff = crop.Tcutoff,
              .TbaseAfterEmerg = crop.TbaseAfterEmerg,
              .TcutoffAfterEmerg = crop.TcutoffAfterEmerg,
              .IDSL = crop.IDSL,
              .DLC = crop.DLC,
              .DLO = crop.DLO},
      growth{.K = crop.K, .Tb = crop.Tb, .Topt = crop.Topt, .TmaxG = crop.TmaxG, .C = crop.C},
      coldSensitivity{
          .StSen = crop.StSen, .Threshold = crop.TempStThreshold, .SenDuration = crop.SenDuration},
      leaf{.SLA0 = crop.SLA0, .SLA035 = crop.SLA035, .RipL0 = crop.RipL0}, scanEnd(ScanEnd(control)),
      laiMax(run.out.LAI, scanEnd) {
    etRecord.KcFullCanopy = crop.KcFullCanopy;
    etRecord.K = crop.K;
    etRecord.Lat = manag.Lat;
    // The prepared layers with their starting water; a season without the balance needs none.
    if (soilBalance && control.SoilCorrectlyOpen)
        StartSeasonSoil(soil, control.soilProfile, control.NLayers, control.SoilLayers);
}

bool DayContext::Day(std::int32_t d) {
    const bool finishedAtDawn = s.CropFinished;
    Evapotranspiration(d);
    if (!WaterLevel(d)) return false;
    ApexTemperature(d);
    Blast(d);
    Development(d);
    Biomass(d);
    Sterility(d);
    Partitioning(d, finishedAtDawn);
    Senescence(d);
    PanicleHeight(d);
    Accumulate(d);
    Transplant(d);
    EndOfCrop(d);
    return true;
}

// The reference evapotranspiration is the site's, on the air temperatures of the day (the apex step has
// not run yet); the crop's green area splits it.
void DayContext::Evapotranspiration(std::int32_t d) {
    if (o.LAI[d - 1] < 0) laiMax.Set(d - 1, 0);
    etRecord.LAI = o.LAI[d - 1];
    CropEvapotranspiration et;
    et.SplitReferenceET(etRecord, site.referenceEt[d]);
    o.ET1[d] = et.GetET1();
    o.ET2[d] = et.GetET2();
    o.ET3[d] = et.GetET3();
    o.ET4[d] = et.GetET4();
}

bool DayContext::WaterLevel(std::int32_t d) {
    if (soilBalance) {
        // Without a soil table the balance cannot run; the inputs' validation stops such a run first.
        if (!control.SoilCorrectlyOpen) return false;
        const double pond = 10.0 * (d == control.InitialDate ? manag.IniWaterLevel : o.WaterLevel[d - 1]);
        const double hours = std::clamp(RoundHalfEven(manag.WinputH[d]), -1000.0, 1000.0);
        soil->WaterBalanceDarcy(w.Rain[d] + manag.Winputmm[d], static_cast<std::int32_t>(hours), pond,
                                o.ET4[d - 1], o.ET3[d - 1]);
        o.WaterLevel[d] = soil->PondDepth(24) / 10.0;
    } else if (manag.Flooded == 1) {
        if (manag.DynamicLevel) {
            // Without the soil water balance the pond keeps its initial depth.
            o.WaterLevel[d] = (d == control.InitialDate) ? manag.IniWaterLevel : o.WaterLevel[d - 1];
        } else {
            const bool preFlowering =
                manag.AvoidSterility == 1 && o.DVS[d - 1] >= kDVS06 && o.DVS[d - 1] <= kDVS09;
            o.WaterLevel[d] = preFlowering ? manag.PreFlowWaterLevel : manag.WaterLevel;
        }
    } else {
        o.WaterLevel[d] = 0;
    }
    return true;
}

// The apex under water lives at floodwater temperature; later steps and days read these values.
void DayContext::ApexTemperature(std::int32_t d) {
    const bool submerged =
        manag.Flooded == 1 && s.CropActive && ToSingle(o.WaterLevel[d - 1]) >= o.PanicleHeight[d - 1];
    if (!submerged) return;
    floodwater.EstimateDay({.Tmax = w.Tmax[d],
                            .TmaxYesterday = w.Tmax[d - 1],
                            .TmaxTomorrow = w.Tmax[d + 1],
                            .Tmin = w.Tmin[d],
                            .TminYesterday = w.Tmin[d - 1],
                            .TminTomorrow = w.Tmin[d + 1]},
                           FloodwaterSeasonDay(DayOfYearOfSeasonDay(d, control.Year), manag.Lat));
    w.Tmax[d] = floodwater.GetWaterTmax();
    w.Tmin[d] = floodwater.GetWaterTmin();
}

void DayContext::Blast(std::int32_t d) {
    if (control.BLASTsimulation && d >= control.InitialDate + 1) {
        s.VarRes = InTreatmentWindow(d) ? 5 : cultivarClass;
        const BlastDay day{.VarRes = s.VarRes,
                           .RHmax = w.RHmax[d],
                           .RHmin = w.RHmin[d],
                           .Tmax = w.Tmax[d],
                           .Tmin = w.Tmin[d],
                           .Rain = w.Rain[d],
                           .AGBleavesToday = o.Leaves[d - 1],
                           .LAImax = laiMax.Value(),
                           .LAItoday = o.LAIday[d - 1],
                           .SLA035 = crop.SLA035};
        const BlastYesterday yesterday{.NoBlast = s.NoBlast,
                                       .Infection = s.Infection,
                                       .Sporulating = s.Sporulating,
                                       .Latency = s.Latency};
        blast.SimulateDay(day, yesterday, o.BlastDVStoday[d - 1]);
        o.RiskLevel[d] = blast.GetRiskLevel();
        o.BlastDVStoday[d] = blast.GetBlastDVStoday();
        s.NoBlast = blast.GetNoBlast();
        s.Infection = blast.GetInfection();
        s.Sporulating = blast.GetSporulating();
        s.Latency = blast.GetLatency();
        o.MF1[d] = blast.GetMF1();
        o.MF2[d] = blast.GetMF2();
        o.MF3[d] = blast.GetMF3();
        o.MF4[d] = blast.GetMF4();
        o.MF12[d] = blast.GetMF12();
        s.BlastLeafRespiration = blast.GetLeafRespiration();
        o.DTempRisk[d] = blast.GetDTempRisk();
        o.MaxRhRisk[d] = blast.GetMaxRhRisk();
        o.DltRhRisk[d] = blast.GetDltRhRisk();
        o.MxTempRisk[d] = blast.GetMxTempRisk();
        o.RainRisk[d] = blast.GetRainRisk();
    }
    o.InfectionInProgress[d] = s.Infection == 1 ? 1 : 0;
}

bool DayContext::InTreatmentWindow(std::int32_t d) const {
    if (!treated) return false;
    for (std::int32_t i = 1; i <= manag.NumTreatments; ++i)
        if (manag.WindowStart[static_cast<std::size_t>(i)] <= d &&
            d <= manag.WindowEnd[static_cast<std::size_t>(i)])
            return true;
    return false;
}

// The crop counts as active from the day after its stage first exceeds 0 until the day after maturity.
void DayContext::Development(std::int32_t d) {
    s.CropActive = false;
    s.Sown = d >= manag.SowingDate && !s.CropFinished;
    // The same day length as the hourly temperatures see (0 beyond the polar circles).
    development.AdvanceDay(thermal, {.GDDcum = o.GDDcum[d - 1],
                                     .Tmax = w.Tmax[d],
                                     .Tmin = w.Tmin[d],
                                     .dayLength = sun.DayLength(d),
                                     .Sown = s.Sown});
    o.GDD[d] = development.GetGDDday();
    o.DVS[d] = development.GetDVSday();
    o.Phase[d] = development.GetPhenophase();
    s.CropActive = o.DVS[d - 1] > 0 && o.DVS[d - 1] <= 2;
    // After transplanting the seedlings do not develop until the shock's thermal time has gone by; a
    // day that starts inside it is lost whole, as in ORYZA2000. The stage follows the degree-days
    // cumulated, so withholding them halts it (and the leaves' ageing with it).
    if (manag.Transplanted && d > manag.TransplantingDate && s.ShockElapsed < s.ShockThermalTime) {
        s.ShockElapsed = ToSingle(static_cast<double>(s.ShockElapsed) + o.GDD[d]);
        o.GDD[d] = 0;
    }
}

void DayContext::Biomass(std::int32_t d) {
    rue.VariableRUE(crop.RUE, o.DVS[d], w.Rad[d]);
    o.RUEday[d] = rue.GetVarRUE();
    biomass.GrowDay(
        growth,
        {.RUE = o.RUEday[d], .Rad = w.Rad[d], .LAI = o.LAI[d - 1], .Tmax = w.Tmax[d], .Tmin = w.Tmin[d]},
        s.CropActive);
    o.AGBdayRad[d] = biomass.GetAGBdayRad();
    o.AGBday[d] = biomass.GetAGBday();
    if (s.Infection == 1) o.AGBday[d] = ToSingle(static_cast<double>(o.AGBday[d]) * o.MF12[d]);
}

// Cold sterility is a fraction of the spikelets: neither a day nor the season can exceed all of them.
void DayContext::Sterility(std::int32_t d) {
    if (crop.SterilityActive == 1 && o.DVS[d] >= kDVS06 && o.DVS[d] <= kDVS09) {
        const ColdDay day{.temperatures = {.Tmax = w.Tmax[d],
                                           .Tmin = w.Tmin[d],
                                           .TmaxYesterday = w.Tmax[d - 1],
                                           .TminTomorrow = w.Tmin[d + 1]},
                          .DOY = d,
                          .DVS = o.DVS[d]};
        sterility.SimulateDay(coldSensitivity, day, sun.SunriseHour(d));
        o.SterilityDay[d] = std::min(sterility.GetSterilityDay(d), 1.0f);
    } else {
        o.SterilityDay[d] = 0;
    }
}

// Organs grow from yesterday's growth at yesterday's stage; a crop finished before today leaves a bare
// field, whatever its last day grew.
void DayContext::Partitioning(std::int32_t d, bool finishedAtDawn) {
    if (finishedAtDawn) {
        o.LAIday[d] = o.LeavesDay[d] = o.StemsDay[d] = o.PaniclesDay[d] = 0;
        return;
    }
    partitioning.SplitGrowth(
        leaf, {.growth = o.AGBday[d - 1], .DVS = o.DVS[d - 1], .SterilityCum = o.SterilityCum[d - 1]});
    o.LAIday[d] = partitioning.GetLAIday();
    o.LeavesDay[d] = partitioning.GetLeavesAGBday();
    o.StemsDay[d] = partitioning.GetStemsAGBday();
    o.PaniclesDay[d] = partitioning.GetPaniclesAGBday();
}

// More area than the canopy holds is not shed at all, rather than shed down to nothing.
void DayContext::Senescence(std::int32_t d) {
    leafLife.CalculateDeadLAI(o.GDDcum, o.LAIday, crop.GDDLeafLife, d, scanEnd);
    s.DeadLAI = leafLife.GetDeadLAI();
    // Leaves grown in the seedbed were counted per m2 of seedbed; the field holds its share of them.
    if (manag.Transplanted && leafLife.GetGrowthDay() <= manag.TransplantingDate &&
        d > manag.TransplantingDate)
        s.DeadLAI = ToSingle(s.DeadLAI * transplantedShare);
    if (s.DeadLAI > o.LAI[d - 1]) s.DeadLAI = 0;
    if (s.Infection == 1) {
        s.DeadLAI = ToSingle((o.MF4[d] + 1.0) * s.DeadLAI);
        o.LeavesDay[d] = ToSingle(o.LeavesDay[d] - s.BlastLeafRespiration);
        o.AGBday[d] = ToSingle(o.AGBday[d] - s.BlastLeafRespiration);
    }
}

void DayContext::PanicleHeight(std::int32_t d) {
    panicleHeight.GrowDay(crop.PanicleHmax, o.DVS[d]);
    o.PanicleHeight[d] = panicleHeight.GetPanicleHeight();
}

void DayContext::Accumulate(std::int32_t d) {
    o.GDDcum[d] = ToSingle(static_cast<double>(o.GDDcum[d - 1]) + o.GDD[d]);
    o.AGB[d] = ToSingle(static_cast<double>(o.AGB[d - 1]) + o.AGBday[d]);
    o.SterilityCum[d] =
        ToSingle(std::min(static_cast<double>(o.SterilityDay[d]) + o.SterilityCum[d - 1], 1.0));
    laiMax.Set(d, ToSingle(static_cast<double>(o.LAI[d - 1]) + o.LAIday[d] - s.DeadLAI));
    o.Leaves[d] = ToSingle(static_cast<double>(o.Leaves[d - 1]) + o.LeavesDay[d]);
    o.Panicles[d] = ToSingle(static_cast<double>(o.Panicles[d - 1]) + o.PaniclesDay[d]);
    o.Stems[d] = ToSingle(static_cast<double>(o.Stems[d - 1]) + o.StemsDay[d]);
}

// At the end of the transplanting day the field takes the seedlings of its hills: every state per m2
// becomes the seedbed's times the field's share of its plants (ORYZA2000's NPLH x NH / NPLSB). The shock
// lasts SHCKD times the thermal time the seedlings spent in the seedbed since emergence.
void DayContext::Transplant(std::int32_t d) {
    if (!manag.Transplanted || d != manag.TransplantingDate || s.CropFinished) return;
    const auto scaled = [&](float value) { return ToSingle(static_cast<double>(value) * transplantedShare); };
    // The day's growth too: tomorrow's organs and leaf area are split from it, and the field holds its
    // share of it as of everything else the seedbed grew, so that its organs add up to its biomass and
    // its first canopy follows its density.
    o.AGBdayRad[d] = scaled(o.AGBdayRad[d]);
    o.AGBday[d] = scaled(o.AGBday[d]);
    o.AGB[d] = scaled(o.AGB[d]);
    o.Leaves[d] = scaled(o.Leaves[d]);
    o.Stems[d] = scaled(o.Stems[d]);
    o.Panicles[d] = scaled(o.Panicles[d]);
    laiMax.Set(d, scaled(o.LAI[d]));
    const double seedbedThermalTime = std::max(0.0, static_cast<double>(o.GDDcum[d]) - crop.TSUMEM);
    s.ShockThermalTime = ToSingle(crop.SHCKD * seedbedThermalTime);
    s.ShockElapsed = 0;
}

void DayContext::EndOfCrop(std::int32_t d) {
    const bool finished = o.DVS[d] >= crop.DVSEND;
    if (!finished) return;
    // The series keep a bare field from today on; a sample taken today still weighed the standing crop.
    if (!s.CropFinished) s.harvested = {o.AGB[d], o.Leaves[d], o.Stems[d], o.Panicles[d], o.LAI[d]};
    s.CropFinished = true;
    o.GDDcum[d] = o.AGB[d] = o.Leaves[d] = o.Panicles[d] = o.Stems[d] = 0;
    laiMax.Set(d, 0);
    o.PanicleHeight[d] = o.SterilityCum[d] = 0;
    o.RiskLevel[d] = 0;
}

void DayContext::Overwrite(std::int32_t d, const ForcedDay& forced) {
    o.AGB[d] = forced.AGB;
    laiMax.Set(d, forced.lai);
    o.Leaves[d] = forced.leaves;
    o.Stems[d] = forced.stems;
    o.Panicles[d] = forced.panicles;
    s.CropFinished = false;
}

void CheckDates(const ControlParameters& control) {
    if (control.InitialDate < 1 || control.InitialDate > 366 || control.FinalDate <= control.InitialDate ||
        control.FinalDate - control.InitialDate > kLongestSeason)
        throw std::invalid_argument(
            "simulation days outside 1 <= InitialDate <= 366, InitialDate < FinalDate "
            "<= InitialDate + 731");
}

// The one loop over the days of both the plain run and the resumable one.
bool RunDays(DayContext& day, LoopState& loop, std::int32_t stop) {
    for (std::int32_t d = loop.DOY; d < stop; d = ++loop.DOY)
        if (!day.Day(d)) return false;
    return true;
}

} // namespace

// A plain run keeps its process objects on the stack, so that a season allocates nothing.
void SimulateDays(RunState& run) {
    CheckDates(run.control);
    DayContext day(run);
    RunDays(day, run.loop, run.control.FinalDate);
}

struct DailyLoop::Context {
    explicit Context(RunState& run) : day(run) {}
    DayContext day;
};

DailyLoop::DailyLoop(RunState& run) : run_(run) {
    CheckDates(run.control);
    context_ = std::make_unique<Context>(run);
}

DailyLoop::~DailyLoop() = default;

bool DailyLoop::RunThrough(std::int32_t lastDay) {
    if (stopped_) return false;
    stopped_ = !RunDays(context_->day, run_.loop, std::min(lastDay + 1, run_.control.FinalDate));
    return !stopped_;
}

void DailyLoop::OverwriteDay(const ForcedDay& forced) {
    if (forced.doy != run_.loop.DOY - 1 || forced.doy < run_.control.InitialDate)
        throw std::invalid_argument("only the day just simulated can be overwritten");
    context_->day.Overwrite(forced.doy, forced);
}

} // namespace tulo
