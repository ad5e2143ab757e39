"""What the Python package adds to a season: a bare season against with_params(...).summary(),
Season.run() and tulo.ensemble per season, on the demo season. Times are processor time, each the
best of several alternate rounds: on a shared machine real time swings with the neighbours' load.

- bare season: `tulo-cli run --repeat`, the seasons of 2N repeats less those of N over N, so that the
  program's start-up, reading and writing cancel out: the season itself, from a fresh run state.
- with_params(RUE=...).summary(): a changed copy of the season and its summary, from Python.
- Season.run(): the daily DataFrame.
- tulo.ensemble: one thread over 50,000 sets of RUE and K, per season, against `tulo-cli ensemble` on
  the same sets (the whole process, reading the sets and writing the table).

With --against OTHER_BUILD the same figures are measured for another build too (its tulo-cli and
python/ folder), in alternate rounds, and printed side by side. Run on demand, not by the tests:

    /usr/bin/python3 bench/python_overheads.py [--build build] [--against ../main/build]
"""

import argparse
import json
import os
import pathlib
import resource
import subprocess
import sys
import tempfile

SOURCE = pathlib.Path(__file__).resolve().parents[1]
CONFIG = SOURCE / "examples" / "demo.sim"
SETS = 50_000
REPEATS = 2_000

MEASURE = """
import json, sys, time, pandas as pd, tulo
config, sets_path = sys.argv[1], sys.argv[2]
season = tulo.Season.from_file(config)

def per_call(work, count):
    work()
    start = time.process_time()
    for _ in range(count):
        work()
    return (time.process_time() - start) / count

values = [2.0 + 0.001 * k for k in range(64)]
rue = iter(values * 1000)
sets = pd.read_csv(sets_path)
start = time.process_time()
tulo.ensemble(season, sets, threads=1)
ensemble = (time.process_time() - start) / len(sets)
print(json.dumps({"with_params": per_call(lambda: season.with_params(RUE=next(rue)).summary(), 2000),
                  "run": per_call(season.run, 300), "ensemble": ensemble}))
"""


def child_time(command, env=None):
    """The child's processor time (user and system, every thread) and what it printed."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True, env=env)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime, done.stdout


def measure(build: pathlib.Path, sets: pathlib.Path, out: pathlib.Path) -> dict:
    cli = str(build / "tulo-cli")
    once, _ = child_time([cli, "run", CONFIG, "--repeat", str(REPEATS), "--daily", out])
    twice, _ = child_time([cli, "run", CONFIG, "--repeat", str(2 * REPEATS), "--daily", out])
    cli_ensemble, _ = child_time([cli, "ensemble", CONFIG, "--sets", sets, "--threads", "1", "--out", out])
    env = dict(os.environ, PYTHONPATH=str(build / "python"), PYTHONDONTWRITEBYTECODE="1")
    _, printed = child_time([sys.executable, "-c", MEASURE, CONFIG, sets], env)
    figures = json.loads(printed)
    figures["season"] = (twice - once) / REPEATS
    figures["cli_ensemble"] = cli_ensemble / SETS
    return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(SOURCE / "build"), help="the build measured")
    parser.add_argument("--against", help="another build measured alongside, shown beside it")
    parser.add_argument("--rounds", type=int, default=3)
    options = parser.parse_args()
    builds = [pathlib.Path(options.build)] + ([pathlib.Path(options.against)] if options.against else [])

    import numpy as np
    import pandas as pd

    rng = np.random.default_rng(3)
    best = [{} for _ in builds]
    with tempfile.TemporaryDirectory() as folder:
        sets = pathlib.Path(folder) / "sets.csv"
        pd.DataFrame({"RUE": rng.uniform(1.8, 2.8, SETS).round(4),
                      "K": rng.uniform(0.4, 0.7, SETS).round(4)}).to_csv(sets, index=False)
        out = pathlib.Path(folder) / "out.csv"
        for _ in range(options.rounds):
            for figures, build in zip(best, builds):
                for key, value in measure(build, sets, out).items():
                    figures[key] = min(value, figures.get(key, value))

    rows = [("bare season (tulo-cli run --repeat)", "season", None),
            ("with_params(RUE=...).summary()", "with_params", "season"),
            ("Season.run()", "run", "season"),
            ("tulo.ensemble, per season", "ensemble", "cli_ensemble"),
            ("tulo-cli ensemble, per season", "cli_ensemble", None)]
    print(f"{'':38}" + "".join(f"{str(build):>28}" for build in builds))
    for label, key, against in rows:
        cells = []
        for figures in best:
            cell = f"{figures[key] * 1e6:8.1f} us"
            if against == "season":
                cell += f" ({figures[key] / figures['season']:5.1f}x)"
            elif against:
                cell += f" ({100 * (figures[key] / figures[against] - 1):+5.1f} %)"
            cells.append(f"{cell:>28}")
        print(f"{label:38}" + "".join(cells))


if __name__ == "__main__":
    main()
