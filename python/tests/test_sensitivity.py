"""tulo.sensitivity against tulo-cli sensitivity: the same indices, refusals and kept files."""

import json
import os
import pathlib
import signal
import threading

import numpy as np
import pytest

import tulo
from conftest import EXAMPLES, python_words

CAPTION = "GDDs emergence - flowering (°C-days)"


@pytest.fixture(autouse=True)
def data_folder(tmp_path, monkeypatch):
    """The analyses' folders go to the test's own data folder, the package's and the command line's."""
    monkeypatch.setenv("TULO_HOME", str(tmp_path))
    return tmp_path / "sensitivity"


def cli_messages(done):
    return python_words(done.stderr.splitlines())


# Factors named by caption and id, means and deviations, another output, Sobol's interactions, and the
# Morris settings: every argument reaches the analysis as the option does.
@pytest.mark.parametrize("options, arguments", [
    (dict(method="lhs", executions=40, factors=["RUE", CAPTION], means={"TSUM1": 950},
          sds={CAPTION: 50}, output="flowering"),
     ["--method", "lhs", "--executions", "40", "--factors", f"RUE,{CAPTION}", "--mean", "TSUM1=950",
      "--sd", f"{CAPTION}=50", "--output", "flowering"]),
    (dict(method="Sobol method", executions=32, computation="custom", order="second",
          factors=["par1", "par4", "par6"]),
     ["--method", "Sobol method", "--executions", "32", "--computation", "custom", "--order", "second",
      "--factors", "par1,par4,par6"]),
    (dict(method="morris", factors=["par1", "par4"], trajectories=4, levels=6, seed=3),
     ["--method", "morris", "--factors", "par1,par4", "--trajectories", "4", "--levels", "6", "--seed", "3"]),
])
def test_indices_equal_the_command_lines_json(cli, demo, data_folder, options, arguments):
    printed = json.loads(cli("sensitivity", EXAMPLES / "demo.sim", *arguments, "--json").stdout)
    expected = printed if isinstance(printed, dict) else {"factors": printed, "interactions": []}
    result = tulo.sensitivity(demo, **options)
    assert {"factors": result["factors"], "interactions": result["interactions"]} == expected
    frame = result["indices"]
    assert list(frame.index) == [f["factor"] for f in expected["factors"]]
    assert frame["index2"].tolist() == [f["index2"] for f in expected["factors"]]
    np.testing.assert_array_equal(frame["ci1_high"], [f["ci1"][1] if f["ci1"] else np.nan for f in expected["factors"]])
    assert result["exchange_files"] is None
    assert not data_folder.exists()


def test_kept_files_are_the_command_lines(cli, demo, data_folder):
    arguments = ["--method", "sobol", "--executions", "32", "--factors", "par1,par4"]
    done = cli("sensitivity", EXAMPLES / "demo.sim", *arguments, "--keep-files")
    printed = pathlib.Path(done.stderr.split("Exchange files: ")[1].split("\n")[0])
    result = tulo.sensitivity(demo, "sobol", executions=32, factors=["par1", "par4"], keep_files=True)
    kept = pathlib.Path(result["exchange_files"])
    assert kept.parent == data_folder and kept != printed
    names = sorted(path.name for path in kept.iterdir())
    assert names == sorted(path.name for path in printed.iterdir())
    assert "tuloSAindex.txt" in names
    for name in ("tuloSAout.txt", "tuloSAindex.txt"):
        assert (kept / name).read_bytes() == (printed / name).read_bytes()


def test_thread_count_changes_nothing_and_nothing_is_printed(demo, capfd):
    one, two = (tulo.sensitivity(demo, "lhs", executions=300, factors=["par1", "par4", "TSUM1"], threads=n)
                for n in (1, 2))
    assert one["runs"] == two["runs"] == 300
    assert one["factors"] == two["factors"]
    assert capfd.readouterr() == ("", "")


def test_refusals_have_the_command_lines_texts_and_leave_no_folder(cli, demo, data_folder, capfd):
    for options, arguments in [
            (dict(method="nonsense", executions=40), ["--method", "nonsense", "--executions", "40"]),
            (dict(method="lhs", factors=["par1", "par4"]), ["--method", "lhs", "--factors", "par1,par4"]),
            (dict(method="lhs", executions=40, factors=["par1"], means={"TSUM1": 900}),
             ["--method", "lhs", "--executions", "40", "--factors", "par1", "--mean", "TSUM1=900"])]:
        done = cli("sensitivity", EXAMPLES / "demo.sim", *arguments, check=False)
        assert done.returncode == 2
        with pytest.raises(tulo.InputError) as refused:
            tulo.sensitivity(demo, **options)
        assert refused.value.problems == cli_messages(done)
    assert not data_folder.exists()
    assert capfd.readouterr() == ("", "")

    # A failed analysis keeps no files, even when asked to.
    with pytest.raises(RuntimeError, match="have no maturity day"):
        tulo.sensitivity(demo, "lhs", executions=40, factors=["par1", "TSUM1"], means={"TSUM1": 2900},
                         output="maturity", keep_files=True)
    assert list(data_folder.iterdir()) == []


def test_ctrl_c_cancels_the_analysis_and_removes_its_folder(demo, data_folder):
    timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            tulo.sensitivity(demo, "lhs", executions=1_000_000, factors=["par1", "par4"], threads=1,
                             keep_files=True)
    finally:
        timer.cancel()
    assert list(data_folder.iterdir()) == []
