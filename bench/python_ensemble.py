"""Cost per season of tulo.ensemble against tulo-cli ensemble over the same 100,000 sets of the demo
season, and the Dask path's overhead per chunk on a local cluster of two worker processes. Costs are
processor time (user and system, every thread), the best of three alternate runs: on a shared machine
real time swings with the neighbours' load. tulo-cli is timed as a whole process (reading the sets,
writing the table); tulo.ensemble as the call, from a DataFrame to a DataFrame, and as a whole Python
process too (interpreter, numpy and pandas start-up included). Run on demand, not by the tests:

    PYTHONPATH=build/python /usr/bin/python3 bench/python_ensemble.py [build/tulo-cli] [--threads T]
"""

import argparse
import os
import pathlib
import resource
import subprocess
import sys
import tempfile

import numpy as np
import pandas as pd

SOURCE = pathlib.Path(__file__).resolve().parents[1]
SETS = 100_000

PYTHON_RUN = """
import resource, sys, pandas as pd, tulo
season = tulo.Season.from_file(sys.argv[1])
sets = pd.read_csv(sys.argv[2])
usage = resource.getrusage(resource.RUSAGE_SELF)
tulo.ensemble(season, sets, threads=int(sys.argv[3]) or None)
after = resource.getrusage(resource.RUSAGE_SELF)
print(after.ru_utime + after.ru_stime - usage.ru_utime - usage.ru_stime)
"""


def processor_time(command):
    """The child's processor time, and what it printed."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime, done.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli", nargs="?", default=str(SOURCE / "build" / "tulo-cli"))
    parser.add_argument("--threads", type=int, default=1)
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
        cli_times, call_times, process_times = [], [], []
        for _ in range(3):
            cli_times.append(processor_time(cli)[0])
            process, printed = processor_time(python)
            process_times.append(process)
            call_times.append(float(printed))
    cli_cost = min(cli_times) / SETS * 1e6
    for label, times in (("tulo.ensemble call", call_times), ("its Python process", process_times)):
        cost = min(times) / SETS * 1e6
        print(f"{label:18}: {cost:6.2f} us per season ({100 * (cost / cli_cost - 1):+.1f} % against tulo-cli)")
    print(f"tulo-cli ensemble : {cli_cost:6.2f} us per season (whole process, {SETS} sets)")
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
