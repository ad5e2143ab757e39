#include "weather/Evapotranspiration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tulo {
namespace {

EvapotranspirationInput Day(std::int16_t doy, double lat, double tmax, double tmin, double rad, double lai) {
    return {.DOY = doy,
            .Tmax = tmax,
            .Tmin = tmin,
            .Rad = rad,
            .LAI = lai,
            .KcFullCanopy = 1.05,
            .K = 0.5,
            .Lat = lat};
}

// Priestley-Taylor written out plainly, tangents and powers included, for days with Rad / Rso inside (0.3,
// 1).
double ReferenceET(double doy, double lat, double tmax, double tmin, double rad) {
    const double pi = std::numbers::pi, phi = lat * pi / 180.0;
    const auto es = [](double t) { return 0.6108 * std::exp(17.27 * t / (t + 237.3)); };
    const double tavg = (tmax + tmin) / 2.0, slope = 4098.0 * es(tavg) / std::pow(tavg + 237.3, 2.0);
    const double decl = 0.409 * std::sin(2.0 * pi * doy / 365.0 - 1.39);
    const double ws = std::acos(-std::tan(phi) * std::tan(decl));
    const double ra = 24.0 * 60.0 / pi * 0.0820 * (1.0 + 0.033 * std::cos(2.0 * pi * doy / 365.0)) *
                      (ws * std::sin(phi) * std::sin(decl) + std::cos(phi) * std::cos(decl) * std::sin(ws));
    const double rnl = 4.903e-9 * (std::pow(tmax + 273.16, 4.0) + std::pow(tmin + 273.16, 4.0)) / 2.0 *
                       (0.34 - 0.14 * std::sqrt(es(tmin))) * (1.35 * rad / (0.75 * ra) - 0.35);
    return 1.26 * slope / (slope + 0.066) * (0.77 * rad - rnl) / 2.45;
}

TEST(Evapotranspiration, SummerDayMatchesHandComputation) {
    const double et0 = ReferenceET(172, 45.0, 30.0, 18.0, 25.0);
    EXPECT_NEAR(et0, 5.7866, 1e-4);
    const double cover = 1.0 - std::exp(-1.0), etc = (1.0 + 0.05 * cover) * et0;
    CropEvapotranspiration et;
    et.CalculateET(Day(172, 45.0, 30.0, 18.0, 25.0, 2.0));
    EXPECT_NEAR(et.GetET1(), et0, 1e-9);
    EXPECT_NEAR(et.GetET2(), etc, 1e-9);
    EXPECT_NEAR(et.GetET3(), etc * cover, 1e-9);
    EXPECT_NEAR(et.GetET3() + et.GetET4(), et.GetET2(), 1e-12);

    for (double lat : {-30.0, 45.0, 10.0, -30.0}) { // alternating sites never share radiation
        et.CalculateET(Day(172, lat, 30.0, 18.0, 12.0, 2.0));
        EXPECT_NEAR(et.GetET1(), ReferenceET(172, lat, 30.0, 18.0, 12.0), 1e-9) << lat;
    }
}

TEST(Evapotranspiration, BareSoilAndColdDarkDays) {
    CropEvapotranspiration et;
    et.CalculateET(Day(172, 45.0, 30.0, 18.0, 25.0, -0.5));
    EXPECT_DOUBLE_EQ(et.GetET2(), et.GetET1());
    EXPECT_EQ(et.GetET3(), 0.0);
    EXPECT_DOUBLE_EQ(et.GetET4(), et.GetET1());

    // Long-wave loss above the short-wave gain, then a polar night without extraterrestrial radiation.
    for (double lat : {45.0, 80.0}) {
        et.CalculateET(Day(355, lat, 2.0, -5.0, 0.0, 2.0));
        EXPECT_EQ(et.GetET1(), 0.0) << lat;
        EXPECT_EQ(et.GetET4(), 0.0) << lat;
    }
}

} // namespace
} // namespace tulo
