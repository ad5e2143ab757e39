#!/usr/bin/env python3
"""Writes the files of examples/field/: the demo's weather in the formats other crop models and weather
services write, and field samples of three sowings, dated as a field book dates them.

Nothing here is measured. The weather is the demo's made-up year (examples/make_demo.py), written as the
year 2019 of a DSSAT .WTH file, of an APSIM .met file and of a NASA POWER daily CSV, so that each gives
exactly the demo's season. The .WTH file holds 2018 too (the same days 0.8 degrees warmer), so that a
season must choose its year. The AGB samples come from the engine: the demo season sown on 30 April,
15 May and 30 May 2019, run with a radiation use efficiency of 2.6 g/MJ instead of the demo's 2.3, with
6 % multiplicative sampling noise (normal, fixed seed); values in t/ha.

    python3 examples/field/make_field.py [PATH/TO/tulo-cli]

Only the standard library is needed; the seasons are run with `tulo-cli run --daily -`.
"""
import csv
import datetime
import io
import pathlib
import random
import subprocess
import sys

here = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(here.parent))
import make_demo  # noqa: E402  (its weather and latitude)

YEAR = 2019
SOWINGS = {"early": "2019-04-30", "mid": "2019-05-15", "late": "2019-05-30"}
SAMPLE_WEEKS = 16  # one sample every 8 days from 40 days after sowing
RUE = 2.6
NOISE = 0.06
rng = random.Random(20191207)


def date_of(doy, year=YEAR):
    return datetime.date(year, 1, 1) + datetime.timedelta(days=doy - 1)


def write_weather():
    rows = make_demo.WEATHER
    lat = make_demo.LATITUDE
    wth = ["*WEATHER DATA : made-up site at %.1f N (TULO's demo weather)" % lat, "",
           "@ INSI      LAT     LONG  ELEV   TAV   AMP REFHT WNDHT",
           "  DEMO %8.3f    8.420   130  13.0  21.0  2.00  2.00" % lat,
           "@DATE  SRAD  TMAX  TMIN  RAIN"]
    for year, warmer in ((2018, 0.8), (YEAR, 0.0)):
        for doy, rain, tmax, tmin, rad in rows:
            wth.append("%d%03d %5.2f %5.1f %5.1f %5.1f" % (year, doy, rad, tmax + warmer, tmin + warmer, rain))
    (here / "site.WTH").write_text("\n".join(wth) + "\n")

    met = ["[weather.met.weather]", "! TULO's made-up demo weather as the year %d" % YEAR,
           "latitude = %.1f (DECIMAL DEGREES)" % lat, "tav = 13.0 (oC)", "amp = 21.0 (oC)", "",
           "year day radn maxt mint rain", " () () (MJ/m^2) (oC) (oC) (mm)"]
    met += ["%d %d %.2f %.1f %.1f %.1f" % (YEAR, doy, rad, tmax, tmin, rain) for doy, rain, tmax, tmin, rad in rows]
    (here / "site.met").write_text("\n".join(met) + "\n")

    power = ["-BEGIN HEADER-", "TULO's made-up demo weather, laid out as a NASA/POWER daily point file",
             "Dates (month/day/year): 01/01/%d through 12/31/%d" % (YEAR, YEAR),
             "Location: Latitude  %.1f   Longitude 8.42" % lat,
             "Value for missing model data cannot be computed or out of model availability range: -999",
             "T2M_MAX     MERRA-2 Temperature at 2 Meters Maximum (C)",
             "T2M_MIN     MERRA-2 Temperature at 2 Meters Minimum (C)",
             "ALLSKY_SFC_SW_DWN     CERES SYN1deg All Sky Surface Shortwave Downward Irradiance (MJ/m^2/day)",
             "PRECTOTCORR     MERRA-2 Precipitation Corrected (mm/day)", "-END HEADER-",
             "YEAR,MO,DY,T2M_MAX,T2M_MIN,ALLSKY_SFC_SW_DWN,PRECTOTCORR"]
    for doy, rain, tmax, tmin, rad in rows:
        d = date_of(doy)
        power.append("%d,%d,%d,%.1f,%.1f,%.2f,%.1f" % (d.year, d.month, d.day, tmax, tmin, rad, rain))
    (here / "POWER_Point_Daily.csv").write_text("\n".join(power) + "\n")


def write_samples(cli):
    config = here.parent / "demo.sim"
    for name, sowing in SOWINGS.items():
        daily = subprocess.run([cli, "run", str(config), "--weather", str(here / "site.WTH"), "--year",
                                str(YEAR), "--sowing", sowing, "--set", "RUE=%s" % RUE, "--daily", "-"],
                               check=True, capture_output=True, text=True).stdout
        agb = {int(r["DOY"]): float(r["AGB"]) for r in csv.DictReader(io.StringIO(daily))}
        sown = datetime.date.fromisoformat(sowing).timetuple().tm_yday
        with (here / ("agb-%s.csv" % name)).open("w", newline="") as f:
            writer = csv.writer(f)
            writer.writerow(["Date", "AGB (t/ha)"])
            for week in range(SAMPLE_WEEKS):
                doy = sown + 40 + 8 * week
                if doy not in agb or agb[doy] <= 0:
                    continue
                grams = agb[doy]  # g/m2
                writer.writerow([date_of(doy).strftime("%d/%m/%Y"),
                                 "%.2f" % (grams / 100 * (1 + rng.gauss(0, NOISE)))])

    with (here / "treatments.csv").open("w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["name", "config", "weather", "year", "sowing", "agb"])
        for name, sowing in SOWINGS.items():
            writer.writerow([name, "../demo.sim", "site.WTH", YEAR, sowing, "agb-%s.csv" % name])


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else str(here.parent.parent / "build" / "tulo-cli")
    write_weather()
    write_samples(cli)
    print("wrote", ", ".join(sorted(p.name for p in here.iterdir() if p.suffix != ".py")))


if __name__ == "__main__":
    main()
