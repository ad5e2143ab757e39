"""The package's seasons and ensembles against the command line's files, value for value."""

import io
import math
import pickle

import numpy as np
import pandas as pd
import pytest

import tulo
from conftest import EXAMPLES, python_words


def cli_table(text):
    return pd.read_csv(io.StringIO(text), dtype=str, keep_default_na=False)


def assert_same_numbers(frame, cli_frame, columns):
    """Every value as the CLI's text reads back in the frame's own precision: equal to the last digit."""
    for column in columns:
        ours = frame[column].to_numpy()
        theirs = np.array([float(t) if t else np.nan for t in cli_frame[column]], dtype=ours.dtype)
        np.testing.assert_array_equal(ours, theirs, err_msg=column)


@pytest.mark.parametrize("example", ["demo.sim", "flooded.sim"])
def test_daily_series_equal_the_daily_csv(cli, tmp_path, example):
    cli("run", EXAMPLES / example, "--daily", tmp_path / "daily.csv")
    expected = cli_table((tmp_path / "daily.csv").read_text())
    frame = tulo.Season.from_file(EXAMPLES / example).run()
    assert list(frame.columns[1:]) == list(expected.columns[1:])
    assert list(frame.index) == [int(d) for d in expected["DOY"]]
    text = [c for c in frame.columns[1:] if frame[c].dtype == object]
    for column in text:
        assert list(frame[column]) == list(expected[column]), column
    assert_same_numbers(frame, expected, [c for c in frame.columns[1:] if c not in text])


def test_summary_equals_run_json(cli, demo):
    import json

    assert demo.summary() == json.loads(cli("run", EXAMPLES / "demo.sim", "--json").stdout)
    # Sown in February's frosts, with a grain filling too long to end: both warnings, as the CLI words them.
    frozen = tulo.Season.from_file(EXAMPLES / "demo.sim", start=1, end=365, sowing=32).with_params(TSUM2=2000)
    expected = json.loads(cli("run", EXAMPLES / "demo.sim", "--start", "1", "--end", "365", "--sowing", "32",
                              "--set", "TSUM2=2000", "--json").stdout)
    assert frozen.summary() == expected
    assert [w["kind"] for w in expected["warnings"]] == ["frost", "no_maturity"]


def test_with_params_equals_the_set_option_and_leaves_the_season_alone(cli, demo, tmp_path):
    changed = demo.with_params(RUE=2.5, Tb=11)
    cli("run", EXAMPLES / "demo.sim", "--set", "RUE=2.5", "--set", "Tb=11", "--daily", tmp_path / "d.csv")
    expected = cli_table((tmp_path / "d.csv").read_text())
    assert_same_numbers(changed.run(), expected, ["AGB", "LAI"])
    assert demo.summary() != changed.summary()
    assert demo.run().equals(tulo.Season.from_file(EXAMPLES / "demo.sim").run())


def test_season_travels_by_pickle(demo):
    copy = pickle.loads(pickle.dumps(demo.with_params(RUE=2.1)))
    assert copy.run().equals(demo.with_params(RUE=2.1).run())


def test_ensemble_equals_the_command_line_for_any_thread_count(cli, demo):
    sets = pd.read_csv(EXAMPLES / "demo-sets.csv")
    expected = cli_table(cli("ensemble", EXAMPLES / "demo.sim", "--sets", EXAMPLES / "demo-sets.csv").stdout)
    one = tulo.ensemble(demo, sets, threads=1, on_invalid="keep")  # an empty cell keeps the season's value
    assert list(one.columns) == list(expected.columns[1:])
    assert_same_numbers(one, expected, tulo._tulo.summary_columns())
    assert list(one["problem"]) == list(expected["problem"])
    pd.testing.assert_frame_equal(one, tulo.ensemble(demo, sets, threads=2, on_invalid="keep"))


def test_ensemble_series_and_refused_sets(cli, demo, tmp_path):
    (tmp_path / "sets.csv").write_text("RUE,Tb\n2.0,10\n99,\n,12\n")
    expected = cli_table(cli("ensemble", EXAMPLES / "demo.sim", "--sets", tmp_path / "sets.csv", "--series",
                             "LAI@200,AGB@250", check=False).stdout)
    frame = tulo.ensemble(demo, np.array([[2.0, 10], [99, np.nan], [np.nan, 12]]), ["LAI@200", "AGB@250"],
                          parameters=["RUE", "Tb"], on_invalid="keep")
    assert_same_numbers(frame, expected, ["LAI@200", "AGB@250"])
    assert list(frame["problem"]) == list(expected["problem"])
    assert frame["problem"][1] and frame.loc[1, ["LAI@200", "AGB@250"]].isna().all()


def test_model_is_the_ensemble_as_a_function(demo):
    f = tulo.model(demo, ["RUE", "K"], output="agb_max", on_invalid="nan")
    X = np.array([[2.0, 0.5], [2.6, 0.6], [99.0, 0.5]])
    y = f(X)
    expected = tulo.ensemble(demo, X, ["agb_max"], parameters=["RUE", "K"], on_invalid="nan")["agb_max"].to_numpy()
    np.testing.assert_array_equal(y, expected)
    assert y.shape == (3,) and math.isnan(y[2])
    np.testing.assert_array_equal(tulo.model(demo, ["RUE"])(np.array([2.0, 2.6])),
                                  tulo.model(demo, ["RUE"])(np.array([[2.0], [2.6]])))


def test_parameters_list_the_registry(cli):
    import json

    frame = tulo.parameters()
    listed = json.loads(cli("parameters", "--json").stdout)
    assert list(frame["id"]) == [p["id"] for p in listed]
    assert list(frame["min"]) == [p["min"] for p in listed]


def test_new_season_equals_the_new_command_and_takes_weather_tables(cli, tmp_path):
    options = dict(weather=EXAMPLES / "field" / "site.WTH", year=2019, sowing="2019-04-30", flooded=5)
    cli("new", tmp_path / "new.sim", "--weather", options["weather"], "--year", 2019, "--sowing", "2019-04-30",
        "--flooded", 5)
    made = tulo.Season.new(**options).run()
    # The configuration keeps the season's year, so its days are dated as the new season's.
    reopened = tulo.Season.from_file(tmp_path / "new.sim")
    pd.testing.assert_frame_equal(made, reopened.run())
    assert not made["date"].isna().any()
    assert made["date"].iloc[0] == pd.Timestamp(2019, 1, 1) + pd.Timedelta(days=int(made.index[0]) - 1)
    assert pickle.loads(pickle.dumps(reopened)).run().equals(made)

    by_day = pd.read_csv(EXAMPLES / "calibration" / "weather.csv")
    dated = by_day.rename(columns={"Rain(mm)": "rain", "Tmax(C)": "tmax", "Tmin(C)": "tmin", "Rad(MJ/m2)": "srad"})
    dated.insert(0, "date", pd.Timestamp(2019, 1, 1) + pd.to_timedelta(dated.pop("DOY") - 1, unit="D"))
    from_days = tulo.Season.new(weather=by_day, sowing=120, lat=45.3).run()
    from_dates = tulo.Season.new(weather=dated, sowing="2019-04-30", lat=45.3).run()
    pd.testing.assert_frame_equal(from_days.drop(columns="date"), from_dates.drop(columns="date"))


def test_phenology_equals_the_command_and_its_season_hits_the_days(cli, demo, tmp_path):
    import json

    fit = tulo.phenology(demo, flowering=215, maturity="1970-10-07")
    done = cli("phenology", EXAMPLES / "demo.sim", "--flowering", 215, "--maturity", "1970-10-07", "--json",
               "--save", tmp_path / "fitted.sim")
    expected = json.loads(done.stdout)
    assert fit["parameters"] == expected["parameters"]
    assert fit["stages"].drop(columns="note").to_dict("records") == expected["stages"]
    summary = fit["season"].summary()
    assert (summary["flowering"], summary["maturity"]) == (215, 280)
    assert fit["season"].run().equals(tulo.Season.from_file(tmp_path / "fitted.sim").run())
    with pytest.raises(ValueError) as refused:
        tulo.phenology(demo, flowering=300, maturity=250)
    assert refused.value.problems == python_words(cli("phenology", EXAMPLES / "demo.sim", "--flowering", 300,
                                                      "--maturity", 250, check=False).stderr.splitlines())


def test_evaluation_equals_the_command_from_a_file_or_a_dataframe(cli):
    import json

    samples = EXAMPLES / "field" / "agb-early.csv"
    season = tulo.Season.from_file(EXAMPLES / "demo.sim", weather=EXAMPLES / "field" / "site.met", sowing="2019-04-30")
    expected = json.loads(cli("evaluate", EXAMPLES / "demo.sim", "--weather", EXAMPLES / "field" / "site.met",
                              "--sowing", "2019-04-30", "--measured", samples, "--variable", "AGB tot (tAGB/ha)",
                              "--json").stdout)
    for measured in (samples, pd.read_csv(samples, dtype=str)):
        result = tulo.evaluate(season, measured)
        for key in ("n", "RMSE", "RRMSE", "EF", "CRM", "Slope", "Intercept", "R2", "F", "pF", "mark"):
            assert result[key] == expected[key], key
        assert list(result["pairs"]["day"]) == [p["day"] for p in expected["pairs"]]
    with pytest.raises(ValueError, match="cannot be evaluated"):
        tulo.evaluate(season, samples, variable="AGB")


def test_a_hand_edited_configuration_runs_as_the_command_line_and_travels_as_the_window_saves_it(cli, tmp_path):
    # Both water-level methods chosen, and no byte-order mark or closing empty line: the window keeps the
    # later method and saves the file marked complete; the run is the command line's of the file as it is.
    lines = (EXAMPLES / "demo.sim").read_bytes().decode("utf-8-sig").split("\r\n")
    while lines[-1] == "":
        lines.pop()
    lines[33] = lines[35] = "True"  # items 34 and 36
    edited = tmp_path / "edited.sim"
    edited.write_bytes("\r\n".join(lines).encode())
    season = tulo.Season.from_file(edited)
    cli("run", edited, "--daily", tmp_path / "d.csv")
    assert_same_numbers(season.run(), cli_table((tmp_path / "d.csv").read_text()), ["AGB", "LAI"])

    text = season._season.config_text()
    saved = text.removeprefix("\ufeff").split("\r\n")
    assert text.startswith("\ufeff") and saved[-1] == ""
    assert (saved[33], saved[35]) == ("False", "True")
    assert saved[:33] == lines[:33] and saved[36:44] == lines[36:44]
    assert pickle.loads(pickle.dumps(season))._season.config_text() == text
