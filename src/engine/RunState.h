#pragma once
// The run state: the run's parameters, its daily driving series and the daily series the loop writes.
// Everything is held in fixed arrays indexed by the day of the season, counted from 1 January of its first
// year (base/Calendar.h), so repeated runs (calibration, sensitivity analysis) allocate nothing.

#include "base/DailySeries.h"
#include "crop/Development.h"
#include "engine/SoilProfile.h"
#include "weather/SolarCalendar.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tulo {

struct ControlParameters {
    // Days of the season (day of year for a season inside one year; the next year's days follow 365, or
    // 366 after a leap year).
    std::int32_t InitialDate = 0; // first simulated day, at most 366
    std::int32_t FinalDate = 0;   // the loop stops here; the last simulated day is FinalDate - 1
    bool SoilSimulation = false;
    bool BLASTsimulation = false;
    bool SoilCorrectlyOpen = false;
    std::int32_t OptReportFile = 0; // 0 never, 1 ask, 2 always
    // The season's first calendar year, 0 when unknown (years of 365 days are then assumed). Each day's own
    // day of year follows from it: the sun's course and the floodwater's seasons read that.
    std::int32_t Year = 0;
    // The soil table's layers (1 .. NLayers), thirteen values each in the table's column order, kept to
    // the 15 significant digits the table's texts carry.
    std::int32_t NLayers = 0;
    SoilTableRows SoilLayers{};
    // SoilLayers prepared for the water balance by whoever filled them; a season whose table no longer
    // matches prepares its own.
    SoilProfile soilProfile;
};

struct CropParameters {
    float Tbase = 0, Tcutoff = 0, TSUMEM = 0, DLC = 0, DLO = 0, IDSL = 0, TbaseAfterEmerg = 0,
          TcutoffAfterEmerg = 0, TSUM1 = 0, TSUM2 = 0, DVSEND = 0, RUE = 0, K = 0, Tb = 0, Topt = 0,
          TmaxG = 0, C = 0, LAIemerg = 0, SLA0 = 0, SLA035 = 0, RipL0 = 0, GDDLeafLife = 0, PanicleHmax = 0,
          KcFullCanopy = 0, StSen = 0, TempStThreshold = 0;
    std::int32_t SterilityActive = 0;
    std::int32_t SenDuration = 0;
    // Transplanting: the seedbed's plants per m2, the field's hills per m2 and seedlings per hill, and the
    // shock's delay of development per unit of the seedbed's thermal time ((°C d) (°C d)-1). Read only
    // when the management transplants.
    float NPLSB = 0, NH = 0, NPLH = 0, SHCKD = 0;
    friend bool operator==(const CropParameters&, const CropParameters&) = default;
};

// More than one treatment a day protects nothing more.
inline constexpr int kMaxTreatments = kLastDay;

struct ManagementParameters {
    std::int32_t SowingDate = 0; // a transplanted crop's sowing in the seedbed
    bool Transplanted = false;
    std::int32_t TransplantingDate = 0; // after SowingDate; read only when Transplanted
    std::int32_t Flooded = 0;           // 1 flooded, 0 unflooded
    float WaterLevel = 0;               // cm
    float PreFlowWaterLevel = 0;
    float Lat = 0; // degrees
    std::int32_t AvoidSterility = 0;
    bool DynamicLevel = false;
    double IniWaterLevel = 0; // cm
    DailySeriesD Winputmm{};  // mm
    DailySeriesD WinputH{};   // hours
    DailySeriesD Woutputmm{};
    // Fungicide treatments and their protection windows [start, end], 1-based (slot 0 unused). Fixed
    // arrays, so that copying the management into a worker's run state allocates nothing.
    std::int32_t NumTreatments = 0;
    std::array<std::int32_t, kMaxTreatments + 1> TreatmentDOY{}, WindowStart{}, WindowEnd{};
    bool ProductApplied = false; // a product other than "No treatment applied" is selected
    std::int32_t BlastClass = 0; // the cultivar's susceptibility class
    friend bool operator==(const ManagementParameters&, const ManagementParameters&) = default;
};

// Daily weather of the run (slots 1 .. FinalDate, the day after the last simulated day included). Tmax and
// Tmin are the working temperatures, which the floodwater model may overwrite; TmaxAir and TminAir keep the
// air values.
struct WeatherSeries {
    DailySeries Rain{}, Tmax{}, Tmin{}, Rad{}, RHmax{}, RHmin{}, TmaxAir{}, TminAir{};
    friend bool operator==(const WeatherSeries&, const WeatherSeries&) = default;
};

// The series the daily loop writes; biomass in g m-2, green area index in m2 m-2, heights and water in cm.
struct DailyOutputs {
    DailySeries DVS{}, GDD{}, GDDcum{};
    std::array<PhenoPhase, kDaySlots> Phase{};
    DailySeries RUEday{}, AGBdayRad{}, AGBday{}, AGB{};
    DailySeries LeavesDay{}, StemsDay{}, PaniclesDay{}, Leaves{}, Stems{}, Panicles{};
    DailySeries LAIday{}, LAI{}, SterilityDay{}, SterilityCum{}, PanicleHeight{};
    DailySeriesD WaterLevel{};
    DailySeriesD ET1{}, ET2{}, ET3{}, ET4{};
    DailySeriesD RiskLevel{}, BlastDVStoday{}, MF1{}, MF2{}, MF3{}, MF4{}, MF12{};
    DailySeriesD DTempRisk{}, MaxRhRisk{}, DltRhRisk{}, MxTempRisk{}, RainRisk{};
    // 1 on the days a blast infection was in progress.
    std::array<std::uint8_t, kDaySlots> InfectionInProgress{};
};

// The crop on the day it finished, as it stood before that day's harvest cleared the field: biomass in
// g m-2, green area index in m2 m-2.
struct HarvestedCrop {
    float AGB = 0, Leaves = 0, Stems = 0, Panicles = 0, LAI = 0;
};

// Scalar state of the loop, carried from day to day.
struct LoopState {
    std::int32_t DOY = 0;
    bool Sown = false;
    bool CropFinished = false;
    bool CropActive = false;
    float DeadLAI = 0;
    // The transplanting shock: the thermal time development stays halted for, set on the transplanting
    // day, and the thermal time gone by since (°C d).
    float ShockThermalTime = 0;
    float ShockElapsed = 0;
    HarvestedCrop harvested; // set on the day the crop finishes
    // Blast carry-over values.
    std::int32_t NoBlast = 0, Infection = 0, Sporulating = 0;
    double Latency = 0, BlastLeafRespiration = 0;
    std::int32_t VarRes = 0;
};

// What the site and its weather alone decide, worked out once per compilation: the sun's course at the
// management's latitude in the season's calendar and each day's reference evapotranspiration (mm d-1) on
// the air temperatures,
// which are the ones the evapotranspiration reads (the floodwater model overwrites a day's working
// temperatures only after it).
struct SiteDays {
    SolarCalendar sun;
    DailySeriesD referenceEt{};
    std::uint64_t serial = 0; // the compilation they were worked out for (0: none)
};

// Days firstDay .. lastDay of a season whose first year is `year`: the days a run of it reads (the
// others hold nothing).
SiteDays ComputeSiteDays(const WeatherSeries& weather, float latitude, int year, int firstDay, int lastDay,
                         std::uint64_t serial);
// The last day a season's daily scans reach: the days of a year, or the season's FinalDate beyond them.
inline std::int32_t ScanEnd(const ControlParameters& control) {
    return std::max<std::int32_t>(kLastDay, control.FinalDate);
}

struct RunState {
    ControlParameters control;
    CropParameters crop;
    ManagementParameters manag;
    WeatherSeries weather;
    // The site's days of the loaded compilation; a state filled otherwise has the loop work them out.
    SiteDays site;
    DailyOutputs out;
    LoopState loop;
    // The compilation whose control, management and weather this state holds (0: none), so that a
    // worker running many seasons of one compilation copies them once.
    std::uint64_t loadedSerial = 0;

    // Prepares a fresh run: every daily series as if zeroed, the loop's flags and blast carry-over
    // cleared, the working temperatures restored from the air copies (a flooded run overwrites them),
    // then the initial state of the first day.
    //
    // Zeroing every series cost a fifth of a season. After a run that went through the same days, each
    // series already holds zero outside them and is rewritten on each of them before it is read, but for
    // those the loop scans ahead of the day (the leaves' ages, the season's greatest green area) and the
    // blast series of a run that simulated blast when this one does not: only those are cleared then.
    void PrepareFreshRun();
    // The initial state the loop needs before its first day; the run command sets it, and a restart
    // that continues a season sets what it needs itself.
    void SetInitialState();

private:
    // The days of the last fresh run, and whether it simulated blast (first 0: none yet).
    std::int32_t preparedFirst_ = 0, preparedFinal_ = 0;
    bool preparedBlast_ = false;
};

} // namespace tulo
