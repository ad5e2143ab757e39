#pragma once
// A DSSAT weather file (.WTH) written by hand from the format's public description: a site line with
// the latitude under "@ INSI LAT LONG ELEV", then one line a day under "@DATE SRAD TMAX TMIN RAIN", the
// date as YYDDD. The days are a temperate rice season's, varied so that no two are alike.

#include <string>
#include <vector>

namespace tulo::test {

// Every day of `years` (a leap year's day 366 too), at `latitude` degrees north.
inline std::string DssatWeather(const std::vector<int>& years, double latitude = 45.3) {
    const auto tenths = [](int v) { return std::to_string(v / 10) + "." + std::to_string(v % 10); };
    std::string text = "*WEATHER DATA : written by hand\n\n@ INSI      LAT     LONG  ELEV\n  HAND  " +
                       std::to_string(latitude) + "    9.000   100\n@DATE  SRAD  TMAX  TMIN  RAIN\n";
    for (const int year : years) {
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        for (int d = 1; d <= (leap ? 366 : 365); ++d) {
            const int k = d + year; // another year, other days
            const std::string yyddd = std::to_string(100000 + year % 100 * 1000 + d).substr(1);
            text += yyddd + " " + tenths(80 + (k * 13) % 180) + " " + tenths(240 + (k * 7) % 90) + " " +
                    tenths(130 + (k * 11) % 60) + " " + tenths((k * 37) % 97 < 20 ? (k * 53) % 250 : 0) +
                    "\n";
        }
    }
    return text;
}

} // namespace tulo::test
