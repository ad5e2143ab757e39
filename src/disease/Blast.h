#pragma once
// LeafBlast: rice blast (Pyricularia grisea) infection, latency, infectious cycle and its effects on the
// crop.
//
// | input               | unit          | where                                               |
// |---------------------|---------------|-----------------------------------------------------|
// | VarRes              | class         | BlastDay: 1 susceptible .. 3 resistant, 5 protected |
// | RHmax, RHmin        | %             | BlastDay                                            |
// | Tmax, Tmin          | °C            | BlastDay: working temperatures                      |
// | Rain                | mm            | BlastDay                                            |
// | leaves, LAI, LAImax | g m-2, m2 m-2 | BlastDay: the crop yesterday                        |
// | SLA035              | m2 kg-1       | BlastDay                                            |
// | infection state     | -             | BlastYesterday, and yesterday's cycle progress      |
//
// | output                          | unit      | meaning                                   |
// |---------------------------------|-----------|-------------------------------------------|
// | DTempRisk .. RainRisk           | 0 .. 1    | the five weather risk factors             |
// | RiskLevel                       | 0 .. 3    | the day's risk level                      |
// | Infection, NoBlast, Sporulating | -         | the infection state                       |
// | Latency                         | -         | latency progress, 1 = complete            |
// | BlastDVSrate, BlastDVStoday     | d-1, -    | the cycle's rate and progress (1 = done)  |
// | MF1 .. MF4, MF12                | -         | the modifying factors of the crop         |
// | LeafRespiration                 | g m-2 d-1 | the extra leaf respiration of the lesions |
// Every field starts at 0 and carries over from day to day within a run.

#include <cstdint>

namespace tulo {

// The day's weather and crop as the fungus meets them.
struct BlastDay {
    std::int32_t VarRes = 1;     // susceptibility class: 1 susceptible .. 3 medium/resistant, 5 protected
    float RHmax = 0.0f;          // greatest relative humidity (%)
    float RHmin = 0.0f;          // least relative humidity (%)
    float Tmax = 0.0f;           // working maximum temperature (°C)
    float Tmin = 0.0f;           // working minimum temperature (°C)
    float Rain = 0.0f;           // rain (mm)
    float AGBleavesToday = 0.0f; // leaf biomass (g m-2)
    double LAImax = 0.0;         // greatest green area index of the run's series over its days (m2 m-2)
    float LAItoday = 0.0f;       // green area index (m2 m-2)
    float SLA035 = 0.0f;         // specific leaf area (m2 kg-1)
};

// The infection state yesterday left behind.
struct BlastYesterday {
    std::int32_t NoBlast = 0;     // days of a running infection without a new one
    std::int32_t Infection = 0;   // 1 while an infection runs
    std::int32_t Sporulating = 0; // 1 while the lesions sporulate
    double Latency = 0.0;         // latency progress (1 = complete)
};

class LeafBlast {
public:
    // BlastDVSyesterday is yesterday's cycle progress (-); it is written back as 0 when the cycle completes
    // today, so the next cycle starts from 0 in the caller's series.
    void SimulateDay(const BlastDay& day, const BlastYesterday& yesterday, double& BlastDVSyesterday);

    static double ComputeMF1(double severity);
    static double ComputeMF2(double severity);
    static double ComputeMF3(double severity);
    static double ComputeMF4(double severity);
    // Disease severity (0 .. 1) of the day, from its mean temperature and the further of the cycle's
    // progress today and yesterday.
    static double DiseaseSeverity(float Tmax, float Tmin, double BlastDVStoday, double BlastDVSyesterday);
    // The severity a cycle reaches at a progress (0 .. 1).
    static double CycleSeverity(double MaxBlastDVS);
    // Duration of the infectious cycle (days, never below 1).
    static double CycleDurationDays(float Tmax, float Tmin);
    // Q10 factor of the lesions' respiration at the day's mean temperature.
    static double RespirationTemperatureFactor(float Tmax, float Tmin);
    // Share of the leaf biomass (g m-2) still alive, given the area lost since the season's greatest.
    static double LivingLeafShare(float AGBleavesToday, double LAImax, float LAItoday, float SLA035);

    static double AdvanceLatency(float Tmax, float Tmin, double LatencyYesterday);
    // The weather risk factors (0 .. 1).
    static double TemperatureRangeRisk(float Tmax, float Tmin);
    static double HighestHumidityRisk(float RHmax);
    static double HumidityRangeRisk(float RHmax, float RHmin);
    static double MaximumTemperatureRisk(float Tmax);
    static double RainRiskOf(float Rain);
    // Risk level 0-3 of the product of the five factors; each threshold is exclusive.
    static std::int32_t RiskLevelOf(double R);

    double GetDTempRisk() const { return DTempRisk_; }
    double GetMaxRhRisk() const { return MaxRhRisk_; }
    double GetDltRhRisk() const { return DltRhRisk_; }
    double GetMxTempRisk() const { return MxTempRisk_; }
    double GetRainRisk() const { return RainRisk_; }
    double GetRiskLevel() const { return RiskLevel_; }
    double GetLatency() const { return Latency_; }
    std::int32_t GetInfection() const { return Infection_; }
    std::int32_t GetSporulating() const { return sporulating_; }
    std::int32_t GetNoBlast() const { return NoBlast_; }
    double GetBlastDVSrate() const { return BlastDVSrate_; }
    double GetBlastDVStoday() const { return BlastDVStoday_; }
    double GetMF1() const { return MF1_; }
    double GetMF2() const { return MF2_; }
    double GetMF3() const { return MF3_; }
    double GetMF4() const { return MF4_; }
    double GetLeafRespiration() const { return leafRespiration_; }
    double GetMF12() const { return MF12_; }

private:
    double DTempRisk_ = 0.0;
    double MaxRhRisk_ = 0.0;
    double DltRhRisk_ = 0.0;
    double MxTempRisk_ = 0.0;
    double RainRisk_ = 0.0;
    std::int32_t RiskLevel_ = 0;
    double Latency_ = 0.0;
    std::int32_t Infection_ = 0;
    std::int32_t sporulating_ = 0;
    std::int32_t NoBlast_ = 0;
    double BlastDVSrate_ = 0.0;
    double BlastDVStoday_ = 0.0;
    double DisSev_ = 0.0;
    double MF1_ = 0.0;
    double MF2_ = 0.0;
    double MF3_ = 0.0;
    double MF4_ = 0.0;
    double leafRespiration_ = 0.0;
    double MF12_ = 0.0;
};

} // namespace tulo
