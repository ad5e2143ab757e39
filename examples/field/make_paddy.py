#!/usr/bin/env python3
"""Writes the transplanted paddy of examples/field/: four treatments, their observed stage days, dated AGB
and LAI samples, and the sites tables that name them.

Nothing here is measured. The weather is the demo's made-up year as the year 2019 of site.WTH (see
make_field.py). A "true" cultivar is made with `tulo-cli new`, flooded 5 cm deep, whose parameters differ
from TULO's defaults: TSUM1 850 and TSUM2 460 degree-days (900 and 500), a radiation use efficiency of
2.7 g/MJ (2.3) and a specific leaf area at the end of tillering of 22 m2/kg (18).
Each treatment is that cultivar sown in a seedbed and transplanted on one of two dates, at 25 or 40
hills per m2:

    early-25, early-40   sown 25 April, transplanted 20 May 2019
    late-25,  late-40    sown 10 May,   transplanted 5 June 2019

Emergence, flowering and maturity are the simulated days, exactly (`run --json`). AGB (t/ha) and LAI are
sampled every 10 days from 10 days after transplanting until maturity, with 8 % (AGB) and 10 % (LAI)
multiplicative normal noise from a fixed seed, as plot samples scatter. `paddy.sim` is the season a user
would start from: the same `new` command with TULO's default parameters. `paddy.csv` names every
treatment; `paddy-calibrate.csv` (early-25, late-40) and `paddy-holdout.csv` (early-40, late-25) split
them for a calibration and its check on treatments it did not see.

    python3 examples/field/make_paddy.py [PATH/TO/tulo-cli]

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
NEW = ["--weather", str(here / "site.WTH"), "--year", str(YEAR), "--sowing", "2019-04-25",
       "--transplanting", "2019-05-20", "--flooded", "5"]
TRUTH = {"TSUM1": 850, "TSUM2": 460, "RUE": 2.7, "SLA035": 22}
TREATMENTS = [  # name, sowing, transplanting, hills per m2
    ("early-25", "2019-04-25", "2019-05-20", 25),
    ("early-40", "2019-04-25", "2019-05-20", 40),
    ("late-25", "2019-05-10", "2019-06-05", 25),
    ("late-40", "2019-05-10", "2019-06-05", 40),
]
CALIBRATE = ("early-25", "late-40")
EVERY = 10
AGB_NOISE, LAI_NOISE = 0.08, 0.10
rng = random.Random(20191208)


def date_of(doy):
    return datetime.date(YEAR, 1, 1) + datetime.timedelta(days=doy - 1)


def doy_of(text):
    return datetime.date.fromisoformat(text).timetuple().tm_yday


def cli_run(cli, *args):
    return subprocess.run([cli, *args], check=True, capture_output=True, text=True).stdout


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else str(here.parent.parent / "build" / "tulo-cli")
    cli_run(cli, "new", str(here / "paddy.sim"), *NEW)
    rows = []
    with tempfile.TemporaryDirectory() as scratch:
        truth = str(pathlib.Path(scratch) / "truth.sim")
        settings = [a for k, v in TRUTH.items() for a in ("--set", "%s=%s" % (k, v))]
        cli_run(cli, "new", truth, *NEW, *settings)
        for name, sowing, transplanting, hills in TREATMENTS:
            season = ["--sowing", sowing, "--transplanting", transplanting, "--set", "NH=%d" % hills]
            stages = json.loads(cli_run(cli, "run", truth, *season, "--json"))
            daily = {int(r["DOY"]): r for r in csv.DictReader(io.StringIO(cli_run(cli, "run", truth, *season,
                                                                                   "--daily", "-")))}
            # The maturity day's row is already the harvested field's: sampled up to the day before.
            days = range(doy_of(transplanting) + EVERY, stages["maturity"], EVERY)
            for variable, title, scale, noise in (("AGB", "AGB (t/ha)", 0.01, AGB_NOISE),
                                                  ("LAI", "LAI (m2/m2)", 1, LAI_NOISE)):
                with (here / ("paddy-%s-%s.csv" % (variable.lower(), name))).open("w", newline="") as f:
                    writer = csv.writer(f)
                    writer.writerow(["Date", title])
                    for doy in days:
                        value = float(daily[doy][variable]) * scale * (1 + rng.gauss(0, noise))
                        writer.writerow([date_of(doy).isoformat(), "%.2f" % value])
            rows.append([name, "paddy.sim", sowing, transplanting, hills,
                         *(date_of(stages[s]).isoformat() for s in ("emergence", "flowering", "maturity")),
                         "paddy-agb-%s.csv" % name, "paddy-lai-%s.csv" % name])

    titles = ["name", "config", "sowing", "transplanting", "NH", "emergence", "flowering", "maturity", "agb",
              "lai"]
    for table, chosen in (("paddy.csv", lambda n: True), ("paddy-calibrate.csv", lambda n: n in CALIBRATE),
                          ("paddy-holdout.csv", lambda n: n not in CALIBRATE)):
        with (here / table).open("w", newline="") as f:
            writer = csv.writer(f)
            writer.writerow(titles)
            writer.writerows(r for r in rows if chosen(r[0]))
    print("wrote paddy.sim, paddy.csv, paddy-calibrate.csv, paddy-holdout.csv and %d sample files"
          % (2 * len(rows)))


if __name__ == "__main__":
    main()
