"""with_params writes its values into a copy of the compiled season and the form later: the same inputs,
texts, warnings and refusals as recompiling the changed configuration. The daily frame is made of the
run's typed blocks, equal to the frame made column by column."""

import pickle

import numpy as np
import pandas as pd
import pytest

import tulo
from conftest import EXAMPLES


def recompiled(season, params):
    """The season as the package made it before: the settings' texts written into the form, recompiled."""
    return tulo.Season(season._season.with_settings(tulo._settings(params), recompile=True))


def assert_as_recompiled(season, params):
    """with_params gives what recompiling gives, refusals included; returns the changed season."""
    try:
        expected = recompiled(season, params)
    except tulo.InputError as refused:
        with pytest.raises(tulo.InputError) as ours:
            season.with_params(**params)
        assert ours.value.problems == refused.problems and str(ours.value) == str(refused)
        return None
    changed = season.with_params(**params)
    assert changed._season.same_inputs(expected._season), params
    assert changed.warnings == expected.warnings
    assert changed.summary() == expected.summary()
    assert changed._season.config_text() == expected._season.config_text(), params
    return changed


def seasons():
    demo = tulo.Season.from_file(EXAMPLES / "demo.sim")
    # Transplanted, with a photoperiod method: the form reads the transplanting parameters and day lengths.
    transplanted = recompiled(tulo.Season.from_file(EXAMPLES / "demo.sim", transplanting=140),
                              {"IDSL": 2, "DLC": 12.5, "DLO": 14})
    return {"demo": demo, "transplanted": transplanted, "paddy": tulo.Season.from_file(EXAMPLES / "field/paddy.sim")}


SEASONS = seasons()


def values_of(row):
    """Values in range, the bounds, and beyond them; every code of a list or a box."""
    low, high = float(row["min"]), float(row["max"])
    if row["unit"] in ("code", "0/1"):
        return list(range(int(low), int(high) + 1)) + [int(high) + 1, 0.5]
    return [round(low + 0.3 * (high - low), 4), high, low, high + 1, low - 1]


@pytest.mark.parametrize("name", list(SEASONS))
def test_every_parameter_compiles_as_the_changed_form(name):
    season = SEASONS[name]
    written = 0
    for _, row in tulo.parameters().iterrows():
        for value in values_of(row):
            changed = assert_as_recompiled(season, {row["id"]: value})
            written += changed is not None and changed._season.form_pending
    # Nearly all in-range values are written into the copy, not recompiled.
    assert written >= 60


@pytest.mark.parametrize("value", [np.float32(2.1), np.float64(2.25), np.int64(3), 2, "2.5", " 2.5 ", True,
                                   np.bool_(False), 2 + 1j, float("nan"), float("inf"), 10 ** 400, "abc", None])
def test_values_of_every_kind_read_as_their_text(value):
    assert_as_recompiled(SEASONS["demo"], {"RUE": value})


@pytest.mark.parametrize("params", [
    {"IDSL": "photoperiod BASED", "DLC": 12, "DLO": 14},   # an item's text, any case; the method starts reading
    {"SenDuration": "1"}, {"SenDuration": "1.0"}, {"SenDuration": 1.0},
    {"Topt": 35}, {"Tb": 24, "Topt": 20}, {"Tb": 20, "Topt": 25},  # rules between parameters, broken and kept
    {"IDSL": 1}, {"IDSL": 1, "DLC": 12, "DLO": 12}, {"DLC": 12, "DLO": 12},
    {"Nope": 1}, {"RUE=2": 1}, {" RUE ": 2.5}, {"rue": 2.5, "RUE": 2.6},
    {"Radiation use efficiency (g/MJ)": 2.5, "TSUM1": 1000.0},
    {"NPLSB": 800, "SHCKD": 0.2},                           # unread unless transplanted
])
@pytest.mark.parametrize("name", list(SEASONS))
def test_names_lists_and_rules_as_the_form_reads_them(name, params):
    assert_as_recompiled(SEASONS[name], params)


def test_changes_in_turn_keep_the_last_value_of_each_parameter():
    demo = SEASONS["demo"]
    first = demo.with_params(RUE=2.5, K=0.6)
    second = first.with_params(rue=2.7, Tb=11)
    expected = recompiled(recompiled(demo, {"RUE": 2.5, "K": 0.6}), {"rue": 2.7, "Tb": 11})
    assert second._season.form_pending and second._season.same_inputs(expected._season)
    assert second._season.config_text() == expected._season.config_text()
    assert pickle.loads(pickle.dumps(second)).run().equals(expected.run())
    # A change the copy cannot make alone recompiles the pending form with it.
    photoperiod = second.with_params(IDSL=1, DLC=12, DLO=14)
    assert not photoperiod._season.form_pending
    assert_as_recompiled(second, {"IDSL": 1, "DLC": 12, "DLO": 14})
    assert photoperiod._season.config_text() == recompiled(expected, {"IDSL": 1, "DLC": 12, "DLO": 14})._season.config_text()
    # Commands that read the form read the pending settings too.
    fitted = tulo.phenology(second, flowering=215, maturity=280)["season"]
    assert fitted._season.config_text() == tulo.phenology(expected, flowering=215, maturity=280)["season"]._season.config_text()
    assert demo.with_params(RUE=2.5).summary() != demo.summary() and not demo._season.form_pending


def test_a_copy_keeps_the_compilations_warnings_alone():
    late_start = tulo.Season.from_file(EXAMPLES / "demo.sim", weather=EXAMPLES / "field/site.WTH", year=2019,
                                       lat=30, start=130)
    assert len(late_start.warnings) == 2  # the latitude's note, then the sowing before the first day
    changed = assert_as_recompiled(late_start, {"RUE": 2.5})
    assert changed.warnings == late_start.warnings[1:]


def old_dates(days, year):
    if year is None:
        return pd.Series(pd.NaT, index=days, dtype="datetime64[ns]").values
    return pd.to_datetime(f"{year}-01-01") + pd.to_timedelta(np.asarray(days) - 1, unit="D")


@pytest.mark.parametrize("season", [SEASONS["demo"], tulo.Season.from_file(EXAMPLES / "flooded.sim"),
                                    SEASONS["paddy"], SEASONS["paddy"].with_params(RUE=2.0)])
def test_daily_frame_equals_the_frame_made_column_by_column(season):
    frame = season.run()
    days, blocks = tulo._tulo.run_daily(season._season)
    expected = tulo._daily_frame_by_columns(days, blocks, old_dates(days, season._season.year))
    # This machine's pandas makes the frame of the blocks, not column by column.
    assert tulo._daily_frame_maker is tulo._daily_frame_of_blocks
    pd.testing.assert_frame_equal(frame, expected, check_index_type=True, check_column_type=True)
    assert list(frame.dtypes) == list(expected.dtypes) and type(frame.index) is type(expected.index)
    assert frame.index.name == "DOY" and frame.attrs["units"]["AGB"] == "g/m2"
    # Each frame owns its axes and values.
    frame.columns.name, frame.index.name = "series", "day"
    frame.loc[frame.index[0], "AGB"] = -1
    again = season.run()
    assert again.columns.name is None and again.index.name == "DOY" and again["AGB"].iloc[0] != -1


def test_dates_at_the_ends_of_nanosecond_dates():
    days = np.arange(1, 366, dtype=np.int32)
    for year in (None, 1678, 2024, 2261):
        np.testing.assert_array_equal(tulo._dates(days, year), np.asarray(old_dates(days, year)))
