#pragma once
// LeafBlast: rice blast (Pyricularia grisea) infection, latency, infectious cycle and its effects on the
// crop.
//
// Inputs (per day): the susceptibility class VarRes (1 susceptible .. 3 medium/resistant, 5 on days a
// fungicide protects the crop); yesterday's NoBlast, Infection, SporLTN (0/1) and Latency; RHmax and RHmin
// (%), the working Tmax and Tmin (°C), rain (mm); yesterday's cycle progress BlastDVSyesterday (-, written
// back as 0 when the cycle completes); leaf biomass AGBleavesToday (g m-2); LAImax, the greatest green area
// index of the run's LAI series over days 1 .. 365, and LAItoday (m2 m-2); SLA035 (m2 kg-1).
// Outputs: the five weather risk factors (0-1) and the risk level (0-3); Infection, NoBlast, Latency (1 =
// complete), SporLTN; the cycle rate (d-1) and progress (1 = complete); the modifying factors MF1-MF4 and
// MF12 (-) and the extra leaf respiration LeavesRespBLAST (g m-2 d-1).
// Every field starts at 0 and carries over from day to day within a run.

#include <cstdint>

namespace tulo {

class LeafBlast {
public:
    void BLAST(std::int32_t VarRes, std::int32_t NoBlastYesterday, std::int32_t InfectionYesterday,
               std::int32_t SporLTNyesterday, double LatencyYesterday, float RHmax, float RHmin, float Tmax,
               float Tmin, float Rain, double& BlastDVSyesterday, float DVSyesterday, float AGBleavesToday,
               double LAImax, float LAItoday, float SLA035);

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
    double Teff_ = 0.0;
    double Mndvs_ = 0.0;
};

} // namespace tulo
