"""Runs the demo season on the 2019 weather of examples/field, sown on 30 April, and plots simulated
against sampled above-ground biomass (t/ha) before and after a change of radiation use efficiency.

    python3 examples/python/run_and_plot.py [OUT.png]
"""

import pathlib
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import pandas as pd

import tulo

EXAMPLES = pathlib.Path(__file__).resolve().parents[1]

season = tulo.Season.from_file(EXAMPLES / "demo.sim", weather=EXAMPLES / "field" / "site.met", sowing="2019-04-30")
measured = pd.read_csv(EXAMPLES / "field" / "agb-early.csv")
measured["date"] = pd.to_datetime(measured["Date"], dayfirst=True)

figure, axes = plt.subplots(figsize=(8, 4.5))
for label, run in (("RUE 2.3 g/MJ", season), ("RUE 2.6 g/MJ", season.with_params(RUE=2.6))):
    daily = run.run()
    axes.plot(daily["date"], daily["AGB"] / 100, label=f"simulated, {label}")  # g/m2 to t/ha
axes.plot(measured["date"], measured["AGB (t/ha)"], "o", color="black", label="sampled")
axes.set_ylabel("Above-ground biomass (t/ha)")
axes.legend()
figure.autofmt_xdate()
out = sys.argv[1] if len(sys.argv) > 1 else "agb.png"
figure.savefig(out, dpi=120)
print(season.summary())
print(f"Chart saved as {out}")
