#include "crop/Development.h"

#include <algorithm>

namespace tulo {

std::string_view PhaseName(PhenoPhase phase) {
    switch (phase) {
    case PhenoPhase::PreEmergence:
        return "pre emergence";
    case PhenoPhase::Vegetative:
        return "vegetative phase";
    case PhenoPhase::Reproductive:
        return "reproductive phase";
    case PhenoPhase::Maturity:
        return "maturity";
    case PhenoPhase::BareSoil:
        return "bare soil";
    case PhenoPhase::None:
        break;
    }
    return {};
}

namespace {

// Thermal times at flowering and at maturity, counted from sowing. Both are kept as singles so that the
// comparisons with the single-precision cumulated degree-days agree with the stored series.
float FloweringThermalTime(float TSUMEM, float TSUM1) {
    return static_cast<float>(static_cast<double>(TSUMEM) + TSUM1);
}

float MaturityThermalTime(float TSUMEM, float TSUM1, float TSUM2) {
    return static_cast<float>(static_cast<double>(TSUMEM) + TSUM1 + TSUM2);
}

// The share of the day's thermal time a photoperiod-sensitive crop turns into development before
// flowering: 1 on the optimum side of DLO, 0 past the critical DLC, linear between. A short-day rice has
// DLO < DLC and is slowed as the days lengthen. DLC = DLO leaves no ramp to follow; the input records
// refuse it, and here it means no response rather than a division by zero.
double PhotoperiodFactor(float dayLength, float DLC, float DLO) {
    if (DLC == DLO) return 1.0;
    const double factor = (static_cast<double>(dayLength) - DLC) / (static_cast<double>(DLO) - DLC);
    return std::clamp(factor, 0.0, 1.0);
}

} // namespace

void CropDevelopment::AdvanceDay(const ThermalParameters& thermal, const DevelopmentDay& day) {
    const float GDDcum = day.GDDcum;
    const float TSUMEM = thermal.TSUMEM;
    const float TSUM1 = thermal.TSUM1;
    const float tavg = static_cast<float>((static_cast<double>(day.Tmax) + day.Tmin) / 2.0);
    UpdatePhase(thermal, GDDcum);
    if (!day.Sown) {
        GDDday_ = 0.0f;
        DVS_ = 0.0f;
        return;
    }

    if (GDDcum < TSUMEM) {
        // Before emergence only degree-days accrue; DVS stays where it was (0 in a fresh run).
        if (tavg <= thermal.Tbase)
            GDDday_ = 0.0f;
        else if (tavg < thermal.Tcutoff)
            GDDday_ = static_cast<float>(static_cast<double>(tavg) - thermal.Tbase);
        else
            GDDday_ = static_cast<float>(static_cast<double>(thermal.Tcutoff) - thermal.Tbase);
        return;
    }

    const float flowering = FloweringThermalTime(TSUMEM, TSUM1);
    double thermalTime = 0.0;
    if (tavg > thermal.TbaseAfterEmerg) {
        const float capped = (tavg < thermal.TcutoffAfterEmerg) ? tavg : thermal.TcutoffAfterEmerg;
        thermalTime = static_cast<double>(capped) - thermal.TbaseAfterEmerg;
    }

    if (GDDcum < flowering) {
        // The photoperiod methods slow the degree-days themselves, so the stage keeps the temperature
        // method's formula on the cumulated, reduced series. "Both" responds as "photoperiod based": the
        // model has no vernalisation. The factor 1 of the temperature method leaves its value untouched.
        const double factor =
            (thermal.IDSL == 0.0f) ? 1.0 : PhotoperiodFactor(day.dayLength, thermal.DLC, thermal.DLO);
        GDDday_ = static_cast<float>(thermalTime * factor);
        DVS_ = static_cast<float>((static_cast<double>(GDDcum) - TSUMEM) / TSUM1);
    } else {
        // Not capped at 2: the end of the crop is decided by the loop against DVSEND.
        GDDday_ = static_cast<float>(thermalTime);
        DVS_ = static_cast<float>(1.0 + (static_cast<double>(GDDcum) - TSUMEM - TSUM1) / thermal.TSUM2);
    }
}

void CropDevelopment::UpdatePhase(const ThermalParameters& thermal, float GDDcum) {
    const float TSUMEM = thermal.TSUMEM;
    const float TSUM1 = thermal.TSUM1;
    const float TSUM2 = thermal.TSUM2;
    const float flowering = FloweringThermalTime(TSUMEM, TSUM1);
    const float maturity = MaturityThermalTime(TSUMEM, TSUM1, TSUM2);
    // First matching rule wins; the boundary at flowering deliberately still reads "vegetative phase".
    if (GDDcum < TSUMEM && GDDcum != 0.0f)
        phase_ = PhenoPhase::PreEmergence;
    else if (TSUMEM <= GDDcum && GDDcum <= flowering)
        phase_ = PhenoPhase::Vegetative;
    else if (flowering <= GDDcum && GDDcum < maturity)
        phase_ = PhenoPhase::Reproductive;
    else if (GDDcum >= maturity)
        phase_ = PhenoPhase::Maturity;
    else if (GDDcum == 0.0f)
        phase_ = PhenoPhase::BareSoil;
    // Otherwise (only a NaN gets here) the name stays as it was.
}

} // namespace tulo
