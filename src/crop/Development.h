#pragma once
// CropDevelopment: growing degree-days and development stage.
//
// | input                           | unit        | where                                |
// |---------------------------------|-------------|--------------------------------------|
// | thermal times, base, cut-off    | °C d, °C    | ThermalParameters, fixed for a run   |
// | critical and optimum day length | h           | ThermalParameters (photoperiod only) |
// | GDDcum, Tmax, Tmin, day length  | °C d, °C, h | DevelopmentDay                       |
//
// | output | unit | meaning                                                |
// |--------|------|--------------------------------------------------------|
// | GDDday | °C d | degree-days of the day                                 |
// | DVS    | -    | 0 emergence, 1 flowering, 2 maturity; not capped       |
// | phase  | -    | the phase the degree-days cumulated since sowing reach |
//
// DVS is only updated after emergence, so it keeps its last value on days nothing is computed.

#include <cstdint>
#include <string_view>

namespace tulo {

enum class PhenoPhase : std::uint8_t { None, PreEmergence, Vegetative, Reproductive, Maturity, BareSoil };

// "pre emergence", "vegetative phase", "reproductive phase", "maturity", "bare soil"; empty for None.
std::string_view PhaseName(PhenoPhase phase);

// The cultivar's thermal clock, fixed for a run.
struct ThermalParameters {
    float TSUMEM = 0.0f;            // thermal time sowing-emergence (°C d)
    float TSUM1 = 0.0f;             // thermal time emergence-flowering (°C d)
    float TSUM2 = 0.0f;             // thermal time flowering-maturity (°C d)
    float Tbase = 0.0f;             // base temperature before emergence (°C)
    float Tcutoff = 0.0f;           // cut-off temperature before emergence (°C)
    float TbaseAfterEmerg = 0.0f;   // base temperature after emergence (°C)
    float TcutoffAfterEmerg = 0.0f; // cut-off temperature after emergence (°C)
    float IDSL = 0.0f;              // development method: 0 temperature, 1 photoperiod, 2 both
    float DLC = 0.0f;               // critical day length (h), methods 1 and 2 only
    float DLO = 0.0f;               // optimum day length (h), methods 1 and 2 only
};

// What the day brings to the clock.
struct DevelopmentDay {
    float GDDcum = 0.0f;    // degree-days cumulated up to yesterday (°C d)
    float Tmax = 0.0f;      // working maximum temperature (°C)
    float Tmin = 0.0f;      // working minimum temperature (°C)
    float dayLength = 0.0f; // day length (h)
    bool Sown = false;
};

class CropDevelopment {
public:
    // The day's degree-days and stage, and the phase of the day's GDDcum whether sown or not.
    void AdvanceDay(const ThermalParameters& thermal, const DevelopmentDay& day);

    float GetGDDday() const { return GDDday_; }
    float GetDVSday() const { return DVS_; }
    PhenoPhase GetPhenophase() const { return phase_; }

private:
    // The phase reached with GDDcum (°C d) cumulated since sowing.
    void UpdatePhase(const ThermalParameters& thermal, float GDDcum);

    float GDDday_ = 0.0f;
    float DVS_ = 0.0f;
    PhenoPhase phase_ = PhenoPhase::None;
};

} // namespace tulo
