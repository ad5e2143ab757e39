#!/usr/bin/env python3
"""Writes examples/dssat/: a small rice experiment in the DSSAT files the field stores trials in,
TUPD1901.RIX (treatments, planting, irrigation, fertiliser), TUPD1901.RIT (dated AGB and LAI samples),
TUPD1901.RIA (emergence, anthesis and maturity dates, grain yield) and the station's weather TUPD1901.WTH.

Nothing here is measured, and nothing is copied from a public experiment: the layout follows the DSSAT
file formats, the values come from TULO's engine. The weather is the year 2019 of examples/field/site.WTH
(the demo's made-up weather at 45.3 N). A "true" cultivar, whose parameters differ from TULO's defaults
(TSUM1 820 and TSUM2 480 degree-days instead of 900 and 500, a radiation use efficiency of 2.6 g/MJ
instead of 2.3, a tillering SLA of 21 m2/kg instead of 18), is grown in six treatments flooded 5 cm deep:

    1 Early 25 hills   sown 25 April 2019 in a seedbed, transplanted 20 May (PAGE 25), 25 hills of 3
    2 Early 40 hills   the same at 40 hills per m2
    3 Early direct     sown directly on 25 April
    4 Late 25 hills    sown 10 May, transplanted 5 June (PAGE 26), 25 hills of 3
    5 Late 40 hills    the same at 40 hills per m2
    6 Late direct      sown directly on 10 May

All get 120 kg N/ha in three splits (TULO does not model nitrogen: the import says so). Emergence,
anthesis and maturity are the simulated days exactly; grain yield (HWAM) is 85 % of the panicles' dry
weight at maturity. AGB (CWAD, kg/ha) is sampled every 10 days from 10 days after planting to the day
before maturity, with 8 % multiplicative normal noise; LAI (LAID) every 20 days up to flowering, with 10 %,
in a second table of the .RIT. The seed is fixed.

    python3 examples/dssat/make_experiment.py [PATH/TO/tulo-cli]

Only the standard library is needed.
"""
import csv
import datetime
import io
import json
import pathlib
import random
import subprocess
import sys
import tempfile

here = pathlib.Path(__file__).resolve().parent
YEAR = 2019
TRUTH = {"TSUM1": 820, "TSUM2": 480, "RUE": 2.6, "SLA035": 21}
SEEDLINGS_PER_HILL = 3
TREATMENTS = [  # name, planting date, planting method, seedling age (days), hills per m2
    ("Early 25 hills", "2019-05-20", "T", 25, 25),
    ("Early 40 hills", "2019-05-20", "T", 25, 40),
    ("Early direct", "2019-04-25", "S", None, None),
    ("Late 25 hills", "2019-06-05", "T", 26, 25),
    ("Late 40 hills", "2019-06-05", "T", 26, 40),
    ("Late direct", "2019-05-10", "S", None, None),
]
DIRECT_DENSITY = 150  # plants per m2 of the crops sown directly
AGB_EVERY, LAI_EVERY = 10, 20
AGB_NOISE, LAI_NOISE = 0.08, 0.10
GRAIN_SHARE = 0.85
rng = random.Random(20191902)


def date_of(doy):
    return datetime.date(YEAR, 1, 1) + datetime.timedelta(days=doy - 1)


def doy_of(text):
    return datetime.date.fromisoformat(text).timetuple().tm_yday


def yyddd(doy):
    return "%02d%03d" % (YEAR % 100, doy)


def cli_run(cli, *args):
    return subprocess.run([cli, *args], check=True, capture_output=True, text=True).stdout


def write_weather():
    """The year 2019 of site.WTH under the station's name, dated YYDDD as one-year station files are."""
    lines = (here.parent / "field" / "site.WTH").read_text().splitlines()
    days = [line for line in lines if line.startswith("2019")]
    with (here / "TUPD1901.WTH").open("w", newline="\r\n") as f:
        f.write("*WEATHER DATA : TUPD, a made-up paddy station at 45.3 N (TULO's demo weather)\n\n")
        f.write("@ INSI      LAT     LONG  ELEV   TAV   AMP REFHT WNDHT\n")
        f.write("  TUPD   45.300    8.420   130  13.0  21.0  2.00  2.00\n")
        f.write("@DATE  SRAD  TMAX  TMIN  RAIN\n")
        for day in days:
            f.write(day[2:] + "\n")


def grow(cli, truth_settings, weather):
    """Each treatment's simulated stages and daily AGB (g/m2), LAI and panicles."""
    results = []
    with tempfile.TemporaryDirectory() as scratch:
        for name, planting, method, age, hills in TREATMENTS:
            season = ["--weather", weather, "--flooded", "5"]
            if method == "T":
                sowing = date_of(doy_of(planting) - age).isoformat()
                season += ["--sowing", sowing, "--transplanting", planting,
                           "--set", "NH=%d" % hills, "--set", "NPLH=%d" % SEEDLINGS_PER_HILL]
            else:
                season += ["--sowing", planting]
            truth = str(pathlib.Path(scratch) / "truth.sim")
            cli_run(cli, "new", truth, *season, *truth_settings)
            stages = json.loads(cli_run(cli, "run", truth, "--json"))
            daily = {int(r["DOY"]): r for r in csv.DictReader(io.StringIO(cli_run(cli, "run", truth,
                                                                                   "--daily", "-")))}
            results.append((stages, daily))
    return results


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else str(here.parent.parent / "build" / "tulo-cli")
    write_weather()
    settings = [a for k, v in TRUTH.items() for a in ("--set", "%s=%s" % (k, v))]
    grown = grow(cli, settings, str(here / "TUPD1901.WTH"))

    rix = ["*EXP.DETAILS: TUPD1901RI PLANTING DATE X DENSITY X METHOD, MADE-UP PADDY", "",
           "*GENERAL", "@PEOPLE", "TULO developers (made with TULO's engine; nothing measured)",
           "@ADDRESS", "-99", "@SITE", "TUPD, a made-up paddy at 45.3 N", "",
           "*TREATMENTS                        -------------FACTOR LEVELS------------",
           "@N R O C TNAME.................... CU FL SA IC MP MI MF MR MC MT ME MH SM"]
    for n, (name, *_rest) in enumerate(TREATMENTS, 1):
        rix.append("%2d 1 0 0 %-25s  1  1  0  0 %2d  1  1  0  0  0  0  0  1" % (n, name, n))
    rix += ["", "*CULTIVARS", "@C CR INGENO CNAME", " 1 RI TU0001 MADE-UP JAPONICA", "",
            "*FIELDS",
            "@L ID_FIELD WSTA....  FLSA  FLOB  FLDT  FLDD  FLDS  FLST SLTX  SLDP  ID_SOIL    FLNAME",
            " 1 TUPD0001 TUPD1901   -99     0 DR000     0     0 00000 SICL   100 TU00000001 Paddy block A",
            "@L ...........XCRD ...........YCRD .....ELEV .............AREA .SLEN .FLWR .SLAS FLHST FHDUR",
            " 1           8.420          45.300       130                 0     0     0     0   -99   -99",
            "", "*PLANTING DETAILS",
            "@P PDATE EDATE  PPOP  PPOE  PLME  PLDS  PLRS  PLRD  PLDP  PLWT  PAGE  PENV  PLPH  SPRL"
            "                        PLNAME"]
    for n, (name, planting, method, age, hills) in enumerate(TREATMENTS, 1):
        transplanted = method == "T"
        ppop = hills * SEEDLINGS_PER_HILL if transplanted else DIRECT_DENSITY
        rix.append("%2d %5s   -99 %5d %5d %5s %5s    20     0     2   -99 %5s %5s %5s     0"
                   "                        %s" % (n, yyddd(doy_of(planting)), ppop, ppop, method,
                                                   "H" if transplanted else "B", age if transplanted else -99,
                                                   "25.0" if transplanted else "-99",
                                                   SEEDLINGS_PER_HILL if transplanted else -99, name))
    rix += ["", "*IRRIGATION AND WATER MANAGEMENT",
            "@I  EFIR  IDEP  ITHR  IEPT  IOFF  IAME  IAMT IRNAME",
            " 1     1   -99   -99   -99   -99   -99   -99 Flooded 5 cm from planting",
            "@I IDATE  IROP IRVAL",
            " 1 %s IR010     0" % yyddd(doy_of("2019-04-20")),
            " 1 %s IR009   150" % yyddd(doy_of("2019-04-20")),
            " 1 %s IR008     2" % yyddd(doy_of("2019-04-20")),
            " 1 %s IR011    50" % yyddd(doy_of("2019-04-25")),
            "", "*FERTILIZERS (INORGANIC)",
            "@F FDATE  FMCD  FACD  FDEP  FAMN  FAMP  FAMK  FAMC  FAMO  FOCD FERNAME"]
    for day, amount in (("2019-04-24", 40), ("2019-06-15", 40), ("2019-07-10", 40)):
        rix.append(" 1 %s FE005 AP002     5 %5d   -99   -99   -99   -99   -99 Urea, three splits"
                   % (yyddd(doy_of(day)), amount))
    rix += ["", "*SIMULATION CONTROLS",
            "@N GENERAL     NYERS NREPS START SDATE RSEED SNAME.................... SMODEL",
            " 1 GE              1     1     S %s  2150 PADDY TRIAL" % yyddd(1),
            "@N MANAGEMENT  PLANT IRRIG FERTI RESID HARVS",
            " 1 MA              R     R     R     N     M", ""]
    (here / "TUPD1901.RIX").write_text("\r\n".join(rix), newline="")

    rit = ["*EXP.DATA (T): TUPD1901RI PLANTING DATE X DENSITY X METHOD, MADE-UP PADDY", "",
           "! Above-ground dry weight (kg/ha), every 10 days from 10 days after planting",
           "@TRNO   DATE  CWAD"]
    lai_rows = []
    ria = ["*EXP.DATA (A): TUPD1901RI PLANTING DATE X DENSITY X METHOD, MADE-UP PADDY", "",
           "@TRNO  EDAT  ADAT  MDAT  HWAM"]
    for n, ((name, planting, *_rest), (stages, daily)) in enumerate(zip(TREATMENTS, grown), 1):
        start = doy_of(planting)
        for doy in range(start + AGB_EVERY, stages["maturity"], AGB_EVERY):
            value = float(daily[doy]["AGB"]) * 10 * (1 + rng.gauss(0, AGB_NOISE))
            rit.append("%5d%7s%6d" % (n, yyddd(doy), round(value)))
        for doy in range(start + LAI_EVERY, stages["flowering"] + 1, LAI_EVERY):
            value = float(daily[doy]["LAI"]) * (1 + rng.gauss(0, LAI_NOISE))
            lai_rows.append("%5d%7s%6.2f" % (n, yyddd(doy), value))
        grain = float(daily[stages["maturity"] - 1]["Panicles"]) * 10 * GRAIN_SHARE
        ria.append("%5d%6s%6s%6s%6d" % (n, yyddd(stages["emergence"]), yyddd(stages["flowering"]),
                                            yyddd(stages["maturity"]), round(grain)))
    rit += ["", "! Leaf area index, every 20 days up to flowering", "@TRNO   DATE  LAID", *lai_rows, ""]
    (here / "TUPD1901.RIT").write_text("\r\n".join(rit), newline="")
    (here / "TUPD1901.RIA").write_text("\r\n".join(ria + [""]), newline="")
    print("wrote TUPD1901.RIX, TUPD1901.RIT, TUPD1901.RIA and TUPD1901.WTH")


if __name__ == "__main__":
    main()
