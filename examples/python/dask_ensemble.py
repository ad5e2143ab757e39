"""The ensemble on a Dask cluster: here a local one of two worker processes; for a cluster of machines
give the scheduler's address (see docs/python.md).

    python3 examples/python/dask_ensemble.py [tcp://SCHEDULER:8786]
"""

import pathlib
import sys

import numpy as np
import pandas as pd
from distributed import Client, LocalCluster

import tulo
import tulo.dask

EXAMPLES = pathlib.Path(__file__).resolve().parents[1]


def main():
    season = tulo.Season.from_file(EXAMPLES / "demo.sim")
    rng = np.random.default_rng(7)
    sets = pd.DataFrame({"RUE": rng.uniform(1.8, 2.8, 20_000), "K": rng.uniform(0.4, 0.7, 20_000)})
    if len(sys.argv) > 1:
        client = Client(sys.argv[1])
    else:
        client = Client(LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None))
    with client:
        remote = tulo.dask.ensemble(client, season, sets, outputs=["agb_end_of_crop"], chunk_size=2000)
        print(remote.describe())
        print("Overhead per chunk: %.1f ms" % (1000 * tulo.dask.chunk_overhead(client, season)))
    local = tulo.ensemble(season, sets, outputs=["agb_end_of_crop"])
    print("Same as the local ensemble:", remote.equals(local))


if __name__ == "__main__":
    main()
