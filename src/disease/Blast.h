#pragma once
// LeafBlast: rice blast (Pyricularia grisea) infection, latency, infectious cycle and its effects on the
// crop.
//
// Outputs: the five weather risk factors (0-1) and the risk level (0-3); Infection, NoBlast, Latency (1 =
// complete), SporLTN; the cycle rate (d-1) and progress (1 = complete); the modifying factors MF1-MF4 and
// MF12 (-) and the extra leaf respiration LeavesRespBLAST (g m-2 d-1).
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
    double LAImax = 0.0;         // greatest green area index of the run's series over days 1 .. 365 (m2 m-2)
    float LAItoday = 0.0f;       // green area index (m2 m-2)
    float SLA035 = 0.0f;         // specific leaf area (m2 kg-1)
};

// The infection state yesterday left behind.
struct BlastYesterday {
    std::int32_t NoBlast = 0;   // days of a running infection without a new one
    std::int32_t Infection = 0; // 1 while an infection runs
    std::int32_t SporLTN = 0;   // 1 while the lesions sporulate
    double Latency = 0.0;       // latency progress (1 = complete)
};

class LeafBlast {
public:
    // BlastDVSyesterday is yesterday's cycle progress (-); it is written back as 0 when the cycle completes
    // today, so the next cycle starts from 0 in the caller's series.
    void SimulateDay(const BlastDay& day, const BlastYesterday& yesterday, double& BlastDVSyesterday);

    static double ComputeMF1(double DisSev);
    static double ComputeMF2(double DisSev);
    static double ComputeMF3(double DisSev);
    static double ComputeMF4(double DisSev);
    static double ComputeDisSev(float Tmax, float Tmin, double BlastDVStoday, double BlastDVSyesterday);
    static double MxSev(double MaxBlastDVS);
    // Duration of the infectious cycle in days (never below 1), despite the name.
    static double ComputeBlastDVSrate(float Tmax, float Tmin);
    static double CalcTeff(float Tmax, float Tmin);
    static double CalcMndvs(float AGBleavesToday, double LAImax, float LAItoday, float SLA035);

    static double ComputeLatency(float Tmax, float Tmin, double LatencyYesterday);
    static double ComputeDTempRisk(float Tmax, float Tmin);
    static double ComputeMaxRhRisk(float RHmax);
    static double ComputeDltRhRisk(float RHmax, float RHmin);
    static double ComputeMxTempRisk(float Tmax);
    static double ComputeRainRisk(float Rain);
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
    std::int32_t GetSporLTN() const { return SporLTN_; }
    std::int32_t GetNoBlast() const { return NoBlast_; }
    double GetBlastDVSrate() const { return BlastDVSrate_; }
    double GetBlastDVStoday() const { return BlastDVStoday_; }
    double GetMF1() const { return MF1_; }
    double GetMF2() const { return MF2_; }
    double GetMF3() const { return MF3_; }
    double GetMF4() const { return MF4_; }
    double GetLeavesRespBLAST() const { return LeavesRespBLAST_; }
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
    std::int32_t SporLTN_ = 0;
    std::int32_t NoBlast_ = 0;
    double BlastDVSrate_ = 0.0;
    double BlastDVStoday_ = 0.0;
    double DisSev_ = 0.0;
    double MF1_ = 0.0;
    double MF2_ = 0.0;
    double MF3_ = 0.0;
    double MF4_ = 0.0;
    double LeavesRespBLAST_ = 0.0;
    double MF12_ = 0.0;
};

} // namespace tulo
