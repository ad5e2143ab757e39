#!/usr/bin/env python3
"""Writes the measurements of examples/calibration: above-ground biomass (t/ha) and leaf area index
(m2/m2) of the demo season, as the engine simulates it with a radiation use efficiency of 2.8 g/MJ and a
base temperature for growth of 11 degrees C instead of the demo's 2.3 and 12.

    python3 examples/calibration/make_measured.py [PATH/TO/tulo-cli]

- agb.xlsx, lai.xlsx: the simulated values themselves, so that a calibration of RUE and Tb for growth
  must find 2.8 and 11 again (a check of the calibration, not of the model);
- agb-noisy.xlsx, lai-noisy.xlsx: the same days with multiplicative normal noise of 8 % (fixed seed),
  as field samples would scatter.

The command line runs the season (`tulo-cli ensemble ... --series AGB@DOY,...,LAI@DOY,...`) and writes
the workbooks (`tulo-cli table x.csv x.xlsx`); this script needs only the standard library.
"""
import csv
import io
import pathlib
import random
import subprocess
import sys
import tempfile

AGB_DAYS = [150, 165, 180, 195, 210, 225, 245, 265]
LAI_DAYS = [150, 165, 180, 195, 210, 225]
PARAMETERS = {"RUE": 2.8, "Tb": 11}
NOISE = 0.08
rng = random.Random(20261208)

here = pathlib.Path(__file__).resolve().parent
examples = here.parent
cli = sys.argv[1] if len(sys.argv) > 1 else str(examples.parent / "build" / "tulo-cli")

with tempfile.TemporaryDirectory() as scratch:
    scratch = pathlib.Path(scratch)
    sets = scratch / "sets.csv"
    sets.write_text(",".join(PARAMETERS) + "\n" + ",".join(str(v) for v in PARAMETERS.values()) + "\n")
    series = ",".join([f"AGB@{d}" for d in AGB_DAYS] + [f"LAI@{d}" for d in LAI_DAYS])
    out = subprocess.run([cli, "ensemble", str(examples / "demo.sim"), "--sets", str(sets), "--series", series],
                         check=True, capture_output=True, text=True).stdout
    row = next(csv.DictReader(io.StringIO(out)))
    if row.get("problem"):
        sys.exit(f"the season did not run: {row['problem']}")

    def write(name, title, values, noisy):
        table = scratch / f"{name}.csv"
        with table.open("w", newline="") as f:
            writer = csv.writer(f)
            writer.writerow(["DOY", title])
            for day, value in values:
                if noisy:
                    writer.writerow([day, f"{value * (1 + rng.gauss(0, NOISE)):.3f}"])
                else:
                    writer.writerow([day, f"{value:.6g}"])
        subprocess.run([cli, "table", str(table), str(here / f"{name}.xlsx")], check=True)

    agb = [(d, float(row[f"AGB@{d}"]) / 100) for d in AGB_DAYS]  # g/m2 to t/ha
    lai = [(d, float(row[f"LAI@{d}"])) for d in LAI_DAYS]
    write("agb", "AGB measured (t/ha)", agb, False)
    write("lai", "LAI measured (m2/m2)", lai, False)
    write("agb-noisy", "AGB measured (t/ha)", agb, True)
    write("lai-noisy", "LAI measured (m2/m2)", lai, True)
