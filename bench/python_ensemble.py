"""Cost per season of tulo.ensemble against tulo-cli ensemble, each a whole process over the same
100,000 sets of the demo season (best of three alternate runs; the machine is shared), and the Dask
path's overhead per chunk on a local cluster of two worker processes. Run on demand, not by the tests:

    PYTHONPATH=build/python /usr/bin/python3 bench/python_ensemble.py [build/tulo-cli] [--threads T]
"""

import argparse
import os
import pathlib
import subprocess
import sys
import tempfile
import time

import numpy as np
import pandas as pd

SOURCE = pathlib.Path(__file__).resolve().parents[1]
SETS = 100_000

PYTHON_RUN = """
import sys, pandas as pd, tulo
season = tulo.Season.from_file(sys.argv[1])
tulo.ensemble(season, pd.read_csv(sys.argv[2]), threads=int(sys.argv[3]) or None).to_csv(sys.argv[4])
"""


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli", nargs="?", default=str(SOURCE / "build" / "tulo-cli"))
    parser.add_argument("--threads", type=int, default=0)
    options = parser.parse_args()
    config = SOURCE / "examples" / "demo.sim"
    rng = np.random.default_rng(3)
    with tempfile.TemporaryDirectory() as folder:
        sets = pathlib.Path(folder) / "sets.csv"
        pd.DataFrame({"RUE": rng.uniform(1.8, 2.8, SETS).round(4), "K": rng.uniform(0.4, 0.7, SETS).round(4)}).to_csv(
            sets, index=False)
        out = pathlib.Path(folder) / "out.csv"
        cli = [options.cli, "ensemble", config, "--sets", sets, "--threads", str(options.threads), "--out", out]
        python = [sys.executable, "-c", PYTHON_RUN, config, sets, str(options.threads), out]
        cli_times, python_times = [], []
        for _ in range(3):
            cli_times.append(timed(cli))
            python_times.append(timed(python))
    cli_cost, python_cost = min(cli_times) / SETS * 1e6, min(python_times) / SETS * 1e6
    print(f"tulo-cli ensemble: {cli_cost:.2f} us per season (whole process, {SETS} sets)")
    print(f"tulo.ensemble:     {python_cost:.2f} us per season ({100 * (python_cost / cli_cost - 1):+.1f} %)")
    dask_overhead(config)


def dask_overhead(config):
    try:
        from distributed import Client, LocalCluster
    except ImportError:
        print("Dask: distributed is not installed")
        return
    import tulo
    import tulo.dask

    season = tulo.Season.from_file(config)
    with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(cluster) as client:
        print(f"Dask overhead per chunk: {1000 * tulo.dask.chunk_overhead(client, season):.2f} ms")


if __name__ == "__main__":
    os.environ.setdefault("PYTHONDONTWRITEBYTECODE", "1")
    main()
