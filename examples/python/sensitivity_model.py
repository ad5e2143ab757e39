"""A variance-based sensitivity analysis through tulo.model: Saltelli's sampling and Jansen's estimators
written out with numpy, so that the example needs no other library (SALib's samplers and analysers
take the same f(X) for their `evaluate` step).

    python3 examples/python/sensitivity_model.py
"""

import pathlib

import numpy as np

import tulo

EXAMPLES = pathlib.Path(__file__).resolve().parents[1]
FACTORS = {"RUE": (1.8, 2.8), "K": (0.4, 0.7), "Topt": (25, 32), "TSUM1": (800, 1000)}

season = tulo.Season.from_file(EXAMPLES / "demo.sim")
f = tulo.model(season, list(FACTORS), output="agb_end_of_crop")

rng = np.random.default_rng(1)
n, k = 2048, len(FACTORS)
low, high = np.array(list(FACTORS.values())).T
A = low + (high - low) * rng.random((n, k))
B = low + (high - low) * rng.random((n, k))
fA, fB = f(A), f(B)
variance = np.var(np.concatenate([fA, fB]))
print(f"{'factor':8} {'first':>7} {'total':>7}")
for i, name in enumerate(FACTORS):
    ABi = A.copy()
    ABi[:, i] = B[:, i]
    fABi = f(ABi)
    first = np.mean(fB * (fABi - fA)) / variance
    total = 0.5 * np.mean((fA - fABi) ** 2) / variance
    print(f"{name:8} {first:7.3f} {total:7.3f}")
