#!/usr/bin/env python3
"""Writes examples/measured-agb.xlsx: above-ground biomass "measured" on eight days of the demo season.

The values are not field data. They come from the engine itself: the demo season (examples/demo.sim) run
with a radiation use efficiency of 2.6 g/MJ instead of the demo's 2.3, so that the demo's own parameters
fit them only roughly, with multiplicative noise of 6 % (normal, fixed seed) as a sampling error. The
days lie between emergence (DOY 134) and maturity (DOY 277). Values are in t/ha, as the report shows
"AGB tot (tAGB/ha)".

    python3 examples/make_measured.py [PATH/TO/tulo-cli]

The command line runs the season (`tulo-cli ensemble ... --series AGB@DOY,...`) and writes the workbook
(`tulo-cli table measured.csv measured-agb.xlsx`); this script needs only the standard library.
"""
import csv
import io
import pathlib
import random
import subprocess
import sys
import tempfile

DAYS = [150, 165, 180, 195, 210, 225, 245, 265]
RUE = 2.6
NOISE = 0.06
rng = random.Random(20261207)

here = pathlib.Path(__file__).resolve().parent
cli = sys.argv[1] if len(sys.argv) > 1 else str(here.parent / "build" / "tulo-cli")

with tempfile.TemporaryDirectory() as scratch:
    sets = pathlib.Path(scratch) / "sets.csv"
    sets.write_text(f"RUE\n{RUE}\n")
    series = ",".join(f"AGB@{d}" for d in DAYS)
    out = subprocess.run([cli, "ensemble", str(here / "demo.sim"), "--sets", str(sets), "--series", series],
                         check=True, capture_output=True, text=True).stdout
    row = next(csv.DictReader(io.StringIO(out)))
    if row.get("problem"):
        sys.exit(f"the season did not run: {row['problem']}")

    measured = pathlib.Path(scratch) / "measured.csv"
    with measured.open("w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["DOY", "AGB measured (t/ha)"])
        for d in DAYS:
            grams = float(row[f"AGB@{d}"])  # g/m2
            writer.writerow([d, f"{grams / 100 * (1 + rng.gauss(0, NOISE)):.2f}"])
    subprocess.run([cli, "table", str(measured), str(here / "measured-agb.xlsx")], check=True)
