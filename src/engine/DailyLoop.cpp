#include "engine/DailyLoop.h"

#include "base/Numbers.h"
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

} // namespace

void SimulateDays(RunState& run) {
    const ControlParameters& control = run.control;
    const CropParameters& crop = run.crop;
    const ManagementParameters& manag = run.manag;
    WeatherSeries& w = run.weather;
    DailyOutputs& o = run.out;
    LoopState& s = run.loop;

    if (control.InitialDate < 1 || control.FinalDate > kLastDay || control.InitialDate >= control.FinalDate)
        throw std::invalid_argument("simulation dates outside 1 <= InitialDate < FinalDate <= 365");
    const bool soilBalance = manag.Flooded == 1 && manag.DynamicLevel && control.SoilSimulation;

    clsCalculateDevelopment development;
    clsCalculateAGBaccumulation biomass;
    clsCalculateLAIandPartitioning partitioning;
    clsCalculateLeafLife leafLife;
    clsCalculatePanicleHeight panicleHeight;
    clsCalculateSterility sterility;
    clsTRIS tris;
    clsRUE rue;
    clsBLAST blast;
    Soil soil;
    for (std::int32_t i = 1; i <= control.NLayers; ++i) {
        const auto& v = control.SoilLayers[static_cast<std::size_t>(i)];
        soil.SoilInitVal(i, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12]);
    }
    // The class is the cultivar's for the whole run; a treatment raises it to 5 for the days it protects.
    const std::int32_t cultivarClass = manag.BlastClass;
    const bool treated = manag.ProductApplied && manag.NumTreatments > 0;

    for (std::int32_t d = s.DOY; d < control.FinalDate; d = ++s.DOY) {
        const bool finishedAtDawn = s.CropFinished;

        // Evapotranspiration, on the air temperatures of the day.
        if (o.LAI[d - 1] < 0) o.LAI[d - 1] = 0;
        EvapotranspirationInput record;
        record.DOY = static_cast<std::int16_t>(d);
        record.Tmax = w.Tmax[d];
        record.Tmin = w.Tmin[d];
        record.Rad = w.Rad[d];
        record.LAI = o.LAI[d - 1];
        record.KcFullCanopy = crop.KcFullCanopy;
        record.K = crop.K;
        record.Lat = manag.Lat;
        clsEvapotranspiration et;
        et.CalculateET(record);
        o.ET1[d] = et.GetET1();
        o.ET2[d] = et.GetET2();
        o.ET3[d] = et.GetET3();
        o.ET4[d] = et.GetET4();

        // Water level.
        if (soilBalance) {
            // Without a soil table the balance cannot run; the inputs' validation stops such a run first.
            if (!control.SoilCorrectlyOpen) return;
            const double pond = 10.0 * (d == control.InitialDate ? manag.IniWaterLevel : o.WaterLevel[d - 1]);
            const double hours = std::clamp(RoundHalfEven(manag.WinputH[d]), -1000.0, 1000.0);
            double uptake = o.ET3[d - 1];
            soil.WaterBalanceDarcy(w.Rain[d] + manag.Winputmm[d], static_cast<std::int32_t>(hours), pond,
                                   o.ET4[d - 1], uptake);
            o.WaterLevel[d] = soil.OutW(24) / 10.0;
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

        // The apex under water lives at floodwater temperature; later steps and days read these values.
        if (manag.Flooded == 1 && s.CropActive && ToSingle(o.WaterLevel[d - 1]) >= o.PanicleHeight[d - 1]) {
            tris.TRISempiric(w.Tmax[d], w.Tmax[d - 1], w.Tmax[d + 1], w.Tmin[d], w.Tmin[d - 1], w.Tmin[d + 1],
                             d);
            w.Tmax[d] = tris.GetTmaxWaterE();
            w.Tmin[d] = tris.GetTminWaterE();
        }

        if (control.BLASTsimulation && d >= control.InitialDate + 1) {
            s.VarRes = cultivarClass;
            if (treated)
                for (std::int32_t i = 1; i <= manag.NumTreatments; ++i)
                    if (manag.WindowStart[static_cast<std::size_t>(i)] <= d &&
                        d <= manag.WindowEnd[static_cast<std::size_t>(i)]) {
                        s.VarRes = 5;
                        break;
                    }
            blast.BLAST(s.VarRes, s.NoBlast, s.Infection, s.SporLTN, s.Latency, w.RHmax[d], w.RHmin[d],
                        w.Tmax[d], w.Tmin[d], w.Rain[d], o.BlastDVStoday[d - 1], o.DVS[d - 1],
                        o.Leaves[d - 1], o.LAI, o.LAIday[d - 1], crop.SLA035);
            o.RiskLevel[d] = blast.GetRiskLevel();
            o.BlastDVStoday[d] = blast.GetBlastDVStoday();
            s.NoBlast = blast.GetNoBlast();
            s.Infection = blast.GetInfection();
            s.SporLTN = blast.GetSporLTN();
            s.Latency = blast.GetLatency();
            o.MF1[d] = blast.GetMF1();
            o.MF2[d] = blast.GetMF2();
            o.MF3[d] = blast.GetMF3();
            o.MF4[d] = blast.GetMF4();
            o.MF12[d] = blast.GetMF12();
            s.LeavesRespBLAST = blast.GetLeavesRespBLAST();
            o.DTempRisk[d] = blast.GetDTempRisk();
            o.MaxRhRisk[d] = blast.GetMaxRhRisk();
            o.DltRhRisk[d] = blast.GetDltRhRisk();
            o.MxTempRisk[d] = blast.GetMxTempRisk();
            o.RainRisk[d] = blast.GetRainRisk();
        }
        o.InfectionInProgress[d] = s.Infection == 1 ? 1 : 0;

        s.CropActive = false;
        s.Sown = d >= manag.SowingDate && !s.CropFinished;

        development.CalculateDevelopmentDAY(o.GDDcum[d - 1], crop.TSUMEM, crop.TSUM1, crop.TSUM2, crop.Tbase,
                                            crop.Tcutoff, crop.TbaseAfterEmerg, crop.TcutoffAfterEmerg,
                                            w.Tmax[d], w.Tmin[d], crop.IDSL, crop.DLC, crop.DLO, s.Sown);
        development.CalculatePhenoPhase(o.GDDcum[d - 1], crop.TSUMEM, crop.TSUM1, crop.TSUM2);
        o.GDD[d] = development.GetGDDday();
        o.DVS[d] = development.GetDVSday();
        o.Phase[d] = development.GetPhenophase();

        s.CropActive = o.DVS[d - 1] > 0 && o.DVS[d - 1] <= 2;

        rue.VariableRUE(crop.RUE, o.DVS[d], w.Rad[d]);
        o.RUEday[d] = rue.GetVarRUE();

        biomass.CalculateAGBaccum(o.RUEday[d], w.Rad[d], crop.K, o.LAI[d - 1], crop.Tb, crop.Topt, crop.TmaxG,
                                  w.Tmax[d], w.Tmin[d], crop.C, s.CropActive);
        o.AGBdayRad[d] = biomass.GetAGBdayRad();
        o.AGBday[d] = biomass.GetAGBday();
        if (s.Infection == 1) o.AGBday[d] = ToSingle(static_cast<double>(o.AGBday[d]) * o.MF12[d]);

        // Cold sterility is a fraction of the spikelets: neither a day nor the season can exceed all of them.
        if (crop.SterilityActive == 1 && o.DVS[d] >= kDVS06 && o.DVS[d] <= kDVS09) {
            sterility.CalculateSterilitySTEFIday(w.Tmax[d], w.Tmin[d], w.Tmax[d - 1], w.Tmin[d + 1],
                                                 manag.Lat, d, crop.StSen, crop.TempStThreshold,
                                                 crop.SenDuration, o.DVS[d]);
            o.SterilityDay[d] = std::min(sterility.GetSterilityDay(d), 1.0f);
        } else {
            o.SterilityDay[d] = 0;
        }

        // Organs grow from yesterday's growth at yesterday's stage; a finished crop leaves a bare field.
        if (finishedAtDawn) {
            o.LAIday[d] = o.LeavesDay[d] = o.StemsDay[d] = o.PaniclesDay[d] = 0;
        } else {
            partitioning.CalculatePartitionedAGBs(o.AGBday[d - 1], crop.SLA0, crop.SLA035, crop.RipL0,
                                                  o.DVS[d - 1], o.SterilityCum[d - 1]);
            partitioning.CalculateLAIdayROB(o.AGBday[d - 1], crop.SLA0, crop.SLA035, crop.RipL0,
                                            o.DVS[d - 1]);
            o.LAIday[d] = partitioning.GetLAIday();
            o.LeavesDay[d] = partitioning.GetLeavesAGBday();
            o.StemsDay[d] = partitioning.GetStemsAGBday();
            o.PaniclesDay[d] = partitioning.GetPaniclesAGBday();
        }

        leafLife.CalculateDeadLAI(o.GDDcum, o.LAIday, crop.GDDLeafLife, d);
        s.DeadLAI = leafLife.GetDeadLAI();
        if (s.DeadLAI > o.LAI[d - 1]) s.DeadLAI = 0;
        if (s.Infection == 1) {
            s.DeadLAI = ToSingle((o.MF4[d] + 1.0) * s.DeadLAI);
            o.LeavesDay[d] = ToSingle(o.LeavesDay[d] - s.LeavesRespBLAST);
            o.AGBday[d] = ToSingle(o.AGBday[d] - s.LeavesRespBLAST);
        }

        panicleHeight.CalculatePanicleHeightALTEA(crop.PanicleHmax, o.DVS[d]);
        o.PanicleHeight[d] = panicleHeight.GetPanicleHeight();

        o.GDDcum[d] = ToSingle(static_cast<double>(o.GDDcum[d - 1]) + o.GDD[d]);
        o.AGB[d] = ToSingle(static_cast<double>(o.AGB[d - 1]) + o.AGBday[d]);
        o.SterilityCum[d] =
            ToSingle(std::min(static_cast<double>(o.SterilityDay[d]) + o.SterilityCum[d - 1], 1.0));
        o.LAI[d] = ToSingle(static_cast<double>(o.LAI[d - 1]) + o.LAIday[d] - s.DeadLAI);
        o.Leaves[d] = ToSingle(static_cast<double>(o.Leaves[d - 1]) + o.LeavesDay[d]);
        o.Panicles[d] = ToSingle(static_cast<double>(o.Panicles[d - 1]) + o.PaniclesDay[d]);
        o.Stems[d] = ToSingle(static_cast<double>(o.Stems[d - 1]) + o.StemsDay[d]);

        if (o.DVS[d] >= crop.DVSEND) {
            s.CropFinished = true;
            o.GDDcum[d] = o.AGB[d] = o.LAI[d] = o.Leaves[d] = o.Panicles[d] = o.Stems[d] = 0;
            o.PanicleHeight[d] = o.SterilityCum[d] = 0;
            o.RiskLevel[d] = 0;
        }
    }
}

} // namespace tulo
