#include "engine/DailyLoop.h"

#include "crop/Biomass.h"
#include "crop/Development.h"
#include "crop/LeafArea.h"
#include "crop/PanicleHeight.h"
#include "crop/Sterility.h"
#include "engine/Numbers.h"
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
    if (manag.Flooded == 1 && manag.DynamicLevel && control.SoilSimulation)
        throw std::logic_error("the soil water balance is not available in this version");

    clsCalculateDevelopment development;
    clsCalculateAGBaccumulation biomass;
    clsCalculateLAIandPartitioning partitioning;
    clsCalculateLeafLife leafLife;
    clsCalculatePanicleHeight panicleHeight;
    clsCalculateSterility sterility;
    clsTRIS tris;
    clsRUE rue;

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
        if (manag.Flooded == 1) {
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
