"""An ensemble over a full grid of two parameters, run on every core, and the end-of-crop biomass as a
table of RUE (rows) by the temperature optimum (columns).

    python3 examples/python/ensemble_grid.py
"""

import itertools
import pathlib

import numpy as np
import pandas as pd

import tulo

EXAMPLES = pathlib.Path(__file__).resolve().parents[1]

season = tulo.Season.from_file(EXAMPLES / "demo.sim")
grid = pd.DataFrame(list(itertools.product(np.linspace(1.8, 3.0, 7), [25, 27, 29, 31])), columns=["RUE", "Topt"])
results = tulo.ensemble(season, grid, outputs=["agb_end_of_crop", "flowering", "LAI@200"])
table = pd.concat([grid, results], axis=1)
print(table.pivot(index="RUE", columns="Topt", values="agb_end_of_crop").round(2))
print("Refused sets:", int((results["problem"] != "").sum()))
