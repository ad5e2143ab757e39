#pragma once
// CropDevelopment: growing degree-days and development stage.
//
// Inputs (per day): GDDcum, the degree-days cumulated up to yesterday (°C d); the thermal times TSUMEM
// (sowing-emergence), TSUM1 (emergence-flowering), TSUM2 (flowering-maturity) (°C d); base and cut-off
// temperatures before (Tbase, Tcutoff) and after emergence (TbaseAfterEmerg, TcutoffAfterEmerg) (°C);
// the day's working Tmax and Tmin (°C); IDSL, the development method code (0 temperature, 1 photoperiod,
// 2 both); the critical and optimum day lengths DLC and DLO and the day's length (h), used by codes 1
// and 2 only; Sown.
// Outputs: GDD of the day (°C d), DVS (0 emergence, 1 flowering, 2 maturity; not capped) and the phase.
// DVS is only updated after emergence, so it keeps its last value on days nothing is computed.

#include <cstdint>
#include <string_view>

namespace tulo {

enum class PhenoPhase : std::uint8_t { None, PreEmergence, Vegetative, Reproductive, Maturity, BareSoil };

// "pre emergence", "vegetative phase", "reproductive phase", "maturity", "bare soil"; empty for None.
std::string_view PhaseName(PhenoPhase phase);

class CropDevelopment {
public:
    void CalculateDevelopmentDAY(float GDDcum, float TSUMEM, float TSUM1, float TSUM2, float Tbase,
                                 float Tcutoff, float TbaseAfterEmerg, float TcutoffAfterEmerg, float Tmax,
                                 float Tmin, float IDSL, float DLC, float DLO, float dayLength, bool Sown);
    void CalculatePhenoPhase(float GDDcum, float TSUMEM, float TSUM1, float TSUM2);

    float GetGDDday() const { return GDDday_; }
    float GetDVSday() const { return DVS_; }
    PhenoPhase GetPhenophase() const { return phase_; }

private:
    float GDDday_ = 0.0f;
    float DVS_ = 0.0f;
    PhenoPhase phase_ = PhenoPhase::None;
};

} // namespace tulo
