"""Refusals are exceptions with the command line's texts, and nothing is printed."""

import numpy as np
import pandas as pd
import pytest

import tulo
from conftest import EXAMPLES, python_words


def cli_messages(done):
    return python_words(done.stderr.splitlines())


def test_refusals_have_the_command_line_texts(cli, demo, capfd, tmp_path):
    with pytest.raises(tulo.InputError) as missing:
        tulo.Season.from_file("/nonexistent/x.sim")
    assert missing.value.problems == cli_messages(cli("run", "/nonexistent/x.sim", check=False))

    with pytest.raises(ValueError) as bound:
        demo.with_params(RUE=99, Tb="abc")
    done = cli("run", EXAMPLES / "demo.sim", "--set", "RUE=99", "--set", "Tb=abc", check=False)
    assert bound.value.problems == cli_messages(done) and str(bound.value) == "\n".join(cli_messages(done))

    with pytest.raises(ValueError) as sowing:
        tulo.Season.from_file(EXAMPLES / "demo.sim", sowing="2019-02-30")
    done = cli("run", EXAMPLES / "demo.sim", "--sowing", "2019-02-30", check=False)
    assert sowing.value.problems == cli_messages(done)

    untitled = tmp_path / "untitled.csv"
    untitled.write_text(",AGB\n200,1.5\n230,6.2\n")
    with pytest.raises(ValueError) as no_title:
        tulo.evaluate(demo, untitled)
    done = cli("evaluate", EXAMPLES / "demo.sim", "--measured", untitled, "--variable", "AGB tot (tAGB/ha)",
               check=False)
    assert done.returncode != 0 and no_title.value.problems == cli_messages(done)
    with pytest.raises(ValueError, match="A1"):
        tulo.evaluate(demo, pd.DataFrame({"": ["200", "230"], "AGB": ["1.5", "6.2"]}))
    assert capfd.readouterr() == ("", "")


def test_bad_names_and_shapes_are_refused(demo):
    for call in (lambda: tulo.ensemble(demo, np.ones((2, 2)), parameters=["RUE", "Nonsense"]),
                 lambda: tulo.ensemble(demo, np.ones((2, 3)), parameters=["RUE", "K"]),
                 lambda: tulo.ensemble(demo, np.ones((2, 1)), ["LAI@1"], parameters=["RUE"]),
                 lambda: tulo.ensemble(demo, np.ones((2, 1)), ["LAI"], parameters=["RUE"]),
                 lambda: tulo.model(demo, ["RUE"], output="flowering_typo")):
        with pytest.raises(ValueError):
            call()


def test_messages_name_neither_an_option_nor_a_temporary_file(demo):
    with pytest.raises(tulo.InputError) as threads:
        tulo.ensemble(demo, pd.DataFrame({"RUE": [2.3]}), threads=-1)
    assert threads.value.problems[0].startswith("threads must be a whole number from 0 (every core) to ")
    assert threads.value.problems[0].endswith(", not -1.")

    weather = pd.DataFrame({"date": pd.date_range("2019-01-01", periods=365), "tmax": 30.0,
                            "tmin": [35.0] + [20.0] * 364, "rad": 15.0, "rain": 0.0})
    with pytest.raises(tulo.InputError) as hot_night:
        tulo.Season.from_file(EXAMPLES / "demo.sim", weather=weather)
    assert hot_night.value.problems[0].startswith("the weather DataFrame, line 2, 2019-01-01")
    two_years = pd.concat([weather.assign(tmin=20.0),
                           weather.assign(tmin=20.0, date=pd.date_range("2020-01-01", periods=365))])
    with pytest.raises(tulo.InputError) as years:
        tulo.Season.from_file(EXAMPLES / "demo.sim", weather=two_years)
    assert years.value.problems[-1].endswith("with year.")
    for problem in hot_night.value.problems + years.value.problems:
        assert "tulo-weather-" not in problem and "--" not in problem, problem


def test_sets_are_refused_rather_than_run_as_the_season_alone(demo):
    for sets in (pd.DataFrame({"RUE": [2.0], "rue": [2.1]}),
                 pd.DataFrame({"RUE": [2.0], "Radiation use efficiency (g/MJ)": [2.1]})):
        with pytest.raises(tulo.InputError, match="both name RUE"):
            tulo.ensemble(demo, sets)
    for sets, kind in ((pd.DataFrame({"RUE": [True, False]}), "booleans"),
                       (np.array([[2.0 + 1j]]), "complex numbers"),
                       (pd.DataFrame({"RUE": [2.0, True]}, dtype=object), "booleans")):
        parameters = None if isinstance(sets, pd.DataFrame) else ["RUE"]
        with pytest.raises(tulo.InputError, match=kind):
            tulo.ensemble(demo, sets, parameters=parameters)
    with pytest.raises(tulo.InputError, match="booleans"):
        tulo.model(demo, ["RUE"])(np.array([True]))

    sets = pd.DataFrame({"RUE": [2.0, np.nan, 99.0]}, index=["a", "b", "c"])
    with pytest.raises(tulo.InputError) as refused:
        tulo.ensemble(demo, sets, ["agb_max"])
    assert [p.split(":")[0] for p in refused.value.problems[:2]] == ["row b", "row c"]
    frame = tulo.ensemble(demo, sets, ["agb_max"], on_invalid="nan")
    baseline = tulo.ensemble(demo, sets.iloc[:1].assign(RUE=np.nan), ["agb_max"], on_invalid="keep")
    assert not np.isnan(frame.loc["a", "agb_max"]) and frame[["agb_max"]].iloc[1:].isna().all().all()
    assert "NaN" in frame.loc["b", "problem"] and frame.loc["b", "agb_max"] != baseline["agb_max"].iloc[0]
    with pytest.raises(tulo.InputError, match="row 1"):
        tulo.model(demo, ["RUE"])(np.array([2.0, np.nan]))
    assert np.isnan(tulo.model(demo, ["RUE"], on_invalid="nan")(np.array([2.0, np.nan]))[1])
    with pytest.raises(ValueError, match="on_invalid"):
        tulo.ensemble(demo, sets, on_invalid="ignore")


def test_a_new_season_from_a_weather_frame_asks_for_lat(tmp_path):
    weather = pd.read_csv(EXAMPLES / "calibration" / "weather.csv")
    with pytest.raises(tulo.InputError) as refused:
        tulo.Season.new(weather=weather, sowing=120)
    assert refused.value.problems == ["the weather DataFrame gives no latitude: give the site's with lat."]
