"""tulo.calibrate against tulo-cli calibrate: the same report, the same saved season, the same refusals."""

import json

import numpy as np
import pandas as pd
import pytest

import tulo
from conftest import EXAMPLES, python_words

AGB = EXAMPLES / "calibration" / "agb.xlsx"
PADDY_AGB = EXAMPLES / "field" / "paddy-agb-early-25.csv"
PADDY_LAI = EXAMPLES / "field" / "paddy-lai-early-25.csv"


@pytest.fixture
def trace_home(tmp_path, monkeypatch):
    """Both sides write their trace file to the same folder, which the report names."""
    monkeypatch.setenv("TULO_HOME", str(tmp_path))
    return tmp_path


CASES = {
    "genetic": ("demo.sim", AGB, None,
                {"RUE": (1.5, 4, 2.3), "Tb for growth": (7, 15, 12)},
                {"genetic": (6, 60, 1, 0.5, 1.5, 0.2), "seed": 7},
                ["--genetic", "6,60,1,0.5,1.5,0.2", "--seed", "7"]),
    "agb and lai tables": ("field/paddy.sim", PADDY_AGB, PADDY_LAI,
                           {"RUE": (1.5, 4), "StSen": (0.5, 10)},
                           {"agb_weight": 2, "lai_weight": 0.5, "objective": "RRMSE + CV on Last Point"},
                           ["--agb-weight", "2", "--lai-weight", "0.5", "--objective", "RRMSE + CV on Last Point"]),
}


@pytest.mark.parametrize("case", CASES)
def test_report_and_season_equal_the_command_line(cli, trace_home, capfd, case):
    config, agb, lai, params, options, cli_options = CASES[case]
    season = tulo.Season.from_file(EXAMPLES / config)
    # Tables given as DataFrames read as the files do.
    frames = {"agb": pd.read_csv(agb) if agb.suffix == ".csv" else agb,
              "lai": None if lai is None else pd.read_csv(lai)}
    result = tulo.calibrate(season, frames["agb"], params, lai=frames["lai"], threads=2, **options)
    assert capfd.readouterr() == ("", "")

    saved = trace_home / "calibrated.sim"
    args = ["calibrate", EXAMPLES / config, "--agb", agb, "--json", "--threads", "2", "--save", saved]
    args += ["--lai", lai] if lai else []
    for name, bounds in params.items():
        args += ["--param", ":".join([name, *map(str, bounds)])]
    expected = json.loads(cli(*args, *cli_options).stdout)
    # Each search writes a trace of its own: the same lines under two names.
    ignored = ("estimates", "season", "notes", "trace")
    assert {k: v for k, v in result.items() if k not in ignored} == {k: v for k, v in expected.items() if k != "trace"}
    assert result["trace"] != expected["trace"]
    assert open(result["trace"]).read() == open(expected["trace"]).read()
    estimates = result["estimates"]
    assert list(estimates.index) == list(expected["params"])
    assert estimates["value"].tolist() == list(expected["params"].values())
    # An interval the data cannot tell is null in the report and NaN in the table.
    np.testing.assert_array_equal(estimates["high"].to_numpy(),
                                  [np.nan if u["high"] is None else u["high"] for u in expected["uncertainty"].values()])
    assert result["season"]._season.config_text().encode() == saved.read_bytes()


def test_calibrated_season_reruns_to_the_reported_fit(trace_home):
    season = tulo.Season.from_file(EXAMPLES / "demo.sim")
    result = tulo.calibrate(season, AGB, {"RUE": (1.5, 4, 2.3)}, threads=2)
    rerun = tulo.evaluate(result["season"], AGB)
    assert rerun["RRMSE"] == pytest.approx(result["objective"], rel=1e-9)
    assert tulo.evaluate(season, AGB)["RRMSE"] > result["objective"]


@pytest.mark.parametrize("param, options, cli_options", [
    ({"Nope": (1, 2)}, {}, []),
    ({"RUE": (1.5,)}, {}, []),
    ({"Tb for growth": (13, 15)}, {}, []),
    ({"RUE": (4, 1.5, 2)}, {}, []),
    ({"RUE": (1.5, 4)}, {"genetic": "1,2,3"}, ["--genetic", "1,2,3"]),
    ({"RUE": (1.5, 4)}, {"objective": "RMSE"}, ["--objective", "RMSE"]),
])
def test_refusals_are_the_command_lines(cli, trace_home, param, options, cli_options):
    season = tulo.Season.from_file(EXAMPLES / "demo.sim")
    with pytest.raises(tulo.InputError) as refused:
        tulo.calibrate(season, AGB, param, **options)
    (name, bounds), = param.items()
    done = cli("calibrate", EXAMPLES / "demo.sim", "--agb", AGB, "--param", ":".join([name, *map(str, bounds)]),
               *cli_options, check=False)
    assert done.returncode == 2
    assert refused.value.problems == python_words(done.stderr.splitlines())
    assert not list(trace_home.glob("hyperspace*.dat"))


def test_calibrations_at_once_keep_their_own_trace(trace_home, tmp_path):
    """Two threads calibrating at once each name the trace they wrote; one given a file writes there."""
    import threading
    season = tulo.Season.from_file(EXAMPLES / "demo.sim")
    results = {}
    chosen = tmp_path / "mine.dat"

    def calibrate(name, start, trace=None):
        results[name] = tulo.calibrate(season, AGB, {"RUE": (1.5, 4, start)}, threads=1, trace=trace)

    threads = [threading.Thread(target=calibrate, args=("a", 2.3)),
               threading.Thread(target=calibrate, args=("b", 3.5)),
               threading.Thread(target=calibrate, args=("c", 3.5, chosen))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    traces = {name: result["trace"] for name, result in results.items()}
    assert len(set(traces.values())) == 3
    assert traces["c"] == str(chosen)
    first = {name: open(trace).readline() for name, trace in traces.items()}
    # Each trace starts from its own initial value.
    assert first["a"] != first["b"] and first["b"] == first["c"]
    assert all(result["search"] == "converged" for result in results.values())
