#include "disease/Blast.h"

#include <algorithm>
#include <cmath>

namespace tulo {

namespace {

// The fitted temperature curves of the fungus are defined on the single-precision daily mean.
float MeanTemperature(float Tmax, float Tmin) {
    return static_cast<float>((static_cast<double>(Tmax) + Tmin) / 2.0);
}

} // namespace

void LeafBlast::SimulateDay(const BlastDay& day, const BlastYesterday& yesterday, double& BlastDVSyesterday) {
    const float Tmax = day.Tmax;
    const float Tmin = day.Tmin;
    const float RHmax = day.RHmax;
    DTempRisk_ = TemperatureRangeRisk(Tmax, Tmin);
    MaxRhRisk_ = HighestHumidityRisk(RHmax);
    DltRhRisk_ = HumidityRangeRisk(RHmax, day.RHmin);
    MxTempRisk_ = MaximumTemperatureRisk(Tmax);
    RainRisk_ = RainRiskOf(day.Rain);
    RiskLevel_ = RiskLevelOf(MaxRhRisk_ * DTempRisk_ * DltRhRisk_ * MxTempRisk_ * RainRisk_);

    // A day whose risk exceeds the class infects the crop and feeds the latency; otherwise a running
    // infection counts one more day without a new one. The count is not reset by later infections.
    const bool infects = RiskLevel_ > day.VarRes;
    if (infects) {
        Infection_ = 1;
        Latency_ = AdvanceLatency(Tmax, Tmin, yesterday.Latency);
    } else if (yesterday.Infection == 1) {
        NoBlast_ = yesterday.NoBlast + 1;
    }
    if (NoBlast_ == 14) {
        Latency_ = 0.0;
        NoBlast_ = 0;
        Infection_ = 0;
    }

    // Once the latency is over the lesions keep sporulating, cycle after cycle, until the latency is cleared
    // and the running cycle completes.
    sporulating_ = (Latency_ > 1.0) ? 1 : yesterday.Sporulating;
    if (sporulating_ == 1) {
        BlastDVSrate_ = 1.0 / CycleDurationDays(Tmax, Tmin);
        BlastDVStoday_ = BlastDVSrate_ + BlastDVSyesterday;
        DisSev_ = DiseaseSeverity(Tmax, Tmin, BlastDVStoday_, BlastDVSyesterday);
    }
    if (BlastDVStoday_ > 1.0) {
        // The caller's yesterday slot is cleared too, so the next cycle starts from 0 in its series.
        BlastDVStoday_ = 0.0;
        BlastDVSrate_ = 0.0;
        DisSev_ = 0.0;
        sporulating_ = 0;
        BlastDVSyesterday = 0.0;
    }

    MF1_ = ComputeMF1(DisSev_);
    MF2_ = ComputeMF2(DisSev_);
    MF3_ = ComputeMF3(DisSev_);
    MF4_ = ComputeMF4(DisSev_);
    // Growth reduction weighted between the two effects of severity on the canopy.
    MF12_ = (0.551789 * MF2_ + 0.019844 * MF1_) / 0.571633;

    // Without severity the respiration is a signed zero whatever finite Q10 factor weighs it, so the power
    // is only worth taking on days the lesions count: most days of a season have none.
    const double unweighted = (MF3_ - 1.0) * 0.02 * static_cast<double>(day.AGBleavesToday);
    const double tmean = (static_cast<double>(Tmax) + Tmin) / 2.0;
    const double teff =
        (unweighted == 0.0 && std::abs(tmean) < 1000.0) ? 1.0 : RespirationTemperatureFactor(Tmax, Tmin);
    const double mndvs = LivingLeafShare(day.AGBleavesToday, day.LAImax, day.LAItoday, day.SLA035);
    leafRespiration_ = unweighted * teff * mndvs;
}

double LeafBlast::ComputeMF1(double severity) {
    return 1.0 - 2.8 * severity;
}

double LeafBlast::ComputeMF2(double severity) {
    return 1.0 - 2.5333 * severity;
}

double LeafBlast::ComputeMF3(double severity) {
    return 1.0 + 3.3333 * severity;
}

double LeafBlast::ComputeMF4(double severity) {
    return (severity <= 0.04) ? 0.25 * severity : 0.4545 * severity - 0.0082;
}

double LeafBlast::DiseaseSeverity(float Tmax, float Tmin, double BlastDVStoday, double BlastDVSyesterday) {
    const double tmean = MeanTemperature(Tmax, Tmin);
    double f;
    if (tmean <= 20.0) {
        f = 0.045 * tmean - 0.7;
    } else if (tmean < 25.0) {
        f = 0.6 - 0.02 * tmean;
    } else {
        f = 0.4214 - 0.0129 * tmean;
    }
    const double severity = f * CycleSeverity(std::max(BlastDVStoday, BlastDVSyesterday));
    return (severity < 0.0) ? 0.0 : severity;
}

double LeafBlast::CycleSeverity(double MaxBlastDVS) {
    // Severity rises through the first half of the cycle, peaks at mid-cycle and fades as lesions age.
    double sev;
    if (MaxBlastDVS <= 0.5) {
        sev = 2.0 * MaxBlastDVS;
    } else if (MaxBlastDVS < 0.9) {
        sev = 2.125 - 2.25 * MaxBlastDVS;
    } else {
        sev = 1.0 - MaxBlastDVS;
    }
    return (sev < 0.0) ? 0.0 : sev;
}

double LeafBlast::CycleDurationDays(float Tmax, float Tmin) {
    const double tmean = MeanTemperature(Tmax, Tmin);
    double days;
    if (tmean <= 20.0) {
        days = 50.0 - 1.25 * tmean;
    } else if (tmean < 25.0) {
        days = 45.0 - tmean;
    } else {
        days = 55.714 - 1.4286 * tmean;
    }
    // The fitted line reaches 0 near 39 °C; hotter days cannot shorten a cycle below one day.
    return (days < 1.0) ? 1.0 : days;
}

double LeafBlast::RespirationTemperatureFactor(float Tmax, float Tmin) {
    const double tmean = (static_cast<double>(Tmax) + Tmin) / 2.0;
    return std::pow(2.0, (tmean - 25.0) / 10.0); // Q10 of 2 around 25 °C
}

double LeafBlast::LivingLeafShare(float AGBleavesToday, double LAImax, float LAItoday, float SLA035) {
    // Without a specific leaf area, or with no leaves and no lost area, all leaves count as alive.
    if (SLA035 == 0.0f) return 1.0;
    const double W = AGBleavesToday;
    const double denominator = W + (LAImax - LAItoday) / SLA035;
    if (denominator == 0.0) return 1.0;
    return W / denominator;
}

double LeafBlast::AdvanceLatency(float Tmax, float Tmin, double LatencyYesterday) {
    const double days = 20.8 - 0.6 * static_cast<double>(MeanTemperature(Tmax, Tmin));
    // Beyond about 34.7 °C the fitted latency length is no longer positive: the latency completes at once.
    const double increment = (days <= 0.0) ? 1.0 : 1.0 / days;
    return LatencyYesterday + increment;
}

double LeafBlast::TemperatureRangeRisk(float Tmax, float Tmin) {
    const double range = static_cast<double>(Tmax) - Tmin;
    return (range >= 6.0) ? 1.0 : 0.5 + 0.0833 * range;
}

double LeafBlast::HighestHumidityRisk(float RHmax) {
    if (RHmax <= 84.0f) return 0.0;
    if (RHmax >= 93.0f) return 1.0;
    return 0.1111 * static_cast<double>(RHmax) - 9.3333;
}

double LeafBlast::HumidityRangeRisk(float RHmax, float RHmin) {
    const float range = RHmax - RHmin;
    if (range <= 30.0f) return 1.0;
    if (range >= 70.0f) return 0.0;
    return 1.75 - 0.025 * static_cast<double>(range);
}

double LeafBlast::MaximumTemperatureRisk(float Tmax) {
    const double t = Tmax;
    double risk;
    if (t <= 9.0) {
        risk = 0.0;
    } else if (t < 28.0) {
        risk = 0.0526 * t - 0.4737;
    } else {
        risk = 5.0 - 0.1429 * t;
    }
    return (risk < 0.0) ? 0.0 : risk;
}

double LeafBlast::RainRiskOf(float Rain) {
    if (Rain <= 4.0f) return 1.0;
    if (Rain >= 8.0f) return 0.0;
    return 2.0 - 0.25 * static_cast<double>(Rain);
}

std::int32_t LeafBlast::RiskLevelOf(double R) {
    if (R > 0.5) return 3;
    if (R > 0.4) return 2;
    if (R > 0.3) return 1;
    return 0;
}

} // namespace tulo
