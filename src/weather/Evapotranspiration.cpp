#include "weather/Evapotranspiration.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tulo {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kPsychrometric = 0.066;      // γ, kPa °C-1
constexpr double kLatentHeat = 2.45;          // λ, MJ kg-1
constexpr double kStefanBoltzmann = 4.903e-9; // MJ K-4 m-2 d-1
constexpr double kSolarConstant = 0.0820;     // MJ m-2 min-1

// Saturation vapour pressure (kPa) at a temperature (°C).
double SaturationVapourPressure(double t) {
    return 0.6108 * std::exp(17.27 * t / (t + 237.3));
}

double FourthPower(double x) {
    const double square = x * x;
    return square * square;
}

} // namespace

double ExtraterrestrialRadiation(std::int32_t doy, double lat) {
    const double yearAngle = 2.0 * kPi * static_cast<double>(doy) / 365.0;
    const double inverseDistance = 1.0 + 0.033 * std::cos(yearAngle);
    const double declination = 0.409 * std::sin(yearAngle - 1.39);
    const double phi = lat * kPi / 180.0;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double sinDecl = std::sin(declination), cosDecl = std::cos(declination);
    // Clamped so that midnight sun and polar night give the full and the empty day rather than NaN.
    const double cosOmega = std::clamp(-(sinPhi * sinDecl) / (cosPhi * cosDecl), -1.0, 1.0);
    const double omega = std::acos(cosOmega);
    const double sinOmega = std::sqrt(1.0 - cosOmega * cosOmega);
    return 24.0 * 60.0 / kPi * kSolarConstant * inverseDistance *
           (omega * sinPhi * sinDecl + cosPhi * cosDecl * sinOmega);
}

void CropEvapotranspiration::CalculateET(const EvapotranspirationInput& record) {
    CalculateET(record, ExtraterrestrialRadiation(record.DOY, record.Lat));
}

void CropEvapotranspiration::CalculateET(const EvapotranspirationInput& record,
                                         double extraterrestrialRadiation) {
    SplitReferenceET(record, ReferenceEvapotranspiration(record, extraterrestrialRadiation));
}

double ReferenceEvapotranspiration(const EvapotranspirationInput& record, double extraterrestrialRadiation) {
    const double tmax = record.Tmax;
    const double tmin = record.Tmin;
    const double tavg = (tmax + tmin) / 2.0;
    const double esAvg = SaturationVapourPressure(tavg);
    const double slope = 4098.0 * esAvg / ((tavg + 237.3) * (tavg + 237.3));

    // Net radiation: short-wave gain less long-wave loss under the day's relative cloudiness.
    const double rso = 0.75 * extraterrestrialRadiation;
    const double netShortWave = 0.77 * record.Rad;
    const double ea = SaturationVapourPressure(tmin);
    const double ratio = rso > 0.0 ? std::clamp(record.Rad / rso, 0.3, 1.0) : 0.5;
    const double netLongWave = kStefanBoltzmann * (FourthPower(tmax + 273.16) + FourthPower(tmin + 273.16)) /
                               2.0 * (0.34 - 0.14 * std::sqrt(ea)) * (1.35 * ratio - 0.35);
    const double netRadiation = netShortWave - netLongWave;

    return std::max(0.0, record.PriestleyTaylorAlpha * slope / (slope + kPsychrometric) * netRadiation /
                             kLatentHeat);
}

void CropEvapotranspiration::SplitReferenceET(const EvapotranspirationInput& record, double et0) {
    const double lai = std::max(0.0, record.LAI);
    const double cover = 1.0 - std::exp(-record.K * lai);
    const double kc = 1.0 + (record.KcFullCanopy - 1.0) * cover;
    const double etc = kc * et0;

    ET1_ = et0;
    ET2_ = etc;
    ET3_ = etc * cover;
    ET4_ = etc * (1.0 - cover);
}

} // namespace tulo
