#!/usr/bin/env python3
"""Writes the weather files of examples/calendar: eight years (2014-2021) of made-up daily weather at two
rice sites whose seasons cross 31 December.

- tropical-station.tsv: a station's record at 23.8 N (a dry-season, Boro-like site of the Bengal delta),
  tab-separated, the date in Day, Month and Year columns, with temperatures and rain but no radiation, as
  many station records are kept: TULO estimates the radiation from the temperature range (Hargreaves and
  Samani). A cool, dry winter (the crop is sown in December) and a monsoon from June to September.
- southern.WTH: a DSSAT weather file at 29.7 S (a southern-hemisphere irrigated site), with radiation:
  summer from December to February, the crop sown in November.

The weather is made up, not measured: smooth seasonal curves fitted by eye to the two climates' published
monthly normals, day-to-day persistence and noise from a fixed seed, and showers whose odds follow the
season. Leap years (2016, 2020) have their 29 February. Run it with python3 from anywhere; it needs only
the standard library, and writes the same files every time.
"""
import calendar
import datetime
import math
import pathlib
import random

HERE = pathlib.Path(__file__).resolve().parent
YEARS = range(2014, 2022)


def harmonic(doy, mean, amplitude, warmest_doy):
    return mean + amplitude * math.cos(2 * math.pi * (doy - warmest_doy) / 365.25)


def days():
    for year in YEARS:
        for doy in range(1, 367 if calendar.isleap(year) else 366):
            yield year, doy, datetime.date(year, 1, 1) + datetime.timedelta(days=doy - 1)


def tropical():
    rng = random.Random(20261209)
    anomaly = 0.0
    lines = ["Day\tMonth\tYear\tTmax\tTmin\tRain"]
    for year, doy, date in days():
        anomaly = 0.7 * anomaly + rng.gauss(0, 0.8)
        tmax = harmonic(doy, 29.8, 4.2, 120) + anomaly
        # Winter nights are cold and clear; monsoon nights warm and cloudy.
        tmin = harmonic(doy, 20.5, 6.8, 195) + 0.6 * anomaly + rng.gauss(0, 0.6)
        monsoon = max(0.0, math.cos(2 * math.pi * (doy - 200) / 365.25))
        wet = rng.random() < 0.04 + 0.6 * monsoon ** 2
        rain = round(rng.expovariate(1 / (6 + 14 * monsoon)), 1) if wet else 0.0
        if wet:
            tmax -= 1.5
        lines.append(f"{date.day}\t{date.month}\t{year}\t{tmax:.1f}\t{min(tmin, tmax - 2):.1f}\t{rain:.1f}")
    return "\n".join(lines) + "\n"


def southern():
    rng = random.Random(20261210)
    anomaly = 0.0
    lines = ["*WEATHER DATA : made-up site at 29.7 S (TULO's calendar example)", "",
             "@ INSI      LAT     LONG  ELEV   TAV   AMP REFHT WNDHT",
             "  SOUT  -29.700  -53.700    95  19.0  11.0  2.00  2.00",
             "@DATE  SRAD  TMAX  TMIN  RAIN"]
    for year, doy, date in days():
        anomaly = 0.7 * anomaly + rng.gauss(0, 1.1)
        tmax = harmonic(doy, 25.0, 6.0, 20) + anomaly
        tmin = harmonic(doy, 14.5, 5.5, 25) + 0.7 * anomaly + rng.gauss(0, 0.8)
        wet = rng.random() < 0.27
        rain = round(rng.expovariate(1 / 13), 1) if wet else 0.0
        clear = harmonic(doy, 17.5, 7.5, 355)
        srad = clear * (0.55 if wet else 1.0) * (1 + rng.gauss(0, 0.06))
        if wet:
            tmax -= 2.0
        lines.append(f"{year}{doy:03d} {srad:5.1f} {tmax:5.1f} {min(tmin, tmax - 2):5.1f} {rain:5.1f}")
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    (HERE / "tropical-station.tsv").write_text(tropical(), newline="\n")
    (HERE / "southern.WTH").write_text(southern(), newline="\n")
