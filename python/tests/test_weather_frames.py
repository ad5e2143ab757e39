"""A weather DataFrame makes the season, and the messages, that the same frame written as a dated CSV
table makes."""

import numpy as np
import pandas as pd
import pytest

import tulo

NAME = "the weather DataFrame"


def days(year, count=None, **columns):
    dates = pd.date_range(f"{year}-01-01", f"{year}-12-31")[:count]
    n = len(dates)
    frame = pd.DataFrame({"date": dates, "tmax": 31.5 + np.sin(np.arange(n) / 9.0), "tmin": 21.25,
                          "srad": 14.0 + np.arange(n) % 7 / 3.0, "rain": np.arange(n) % 5 * 0.7})
    for title, values in columns.items():
        frame[title] = values(n) if callable(values) else values
    # A CSV row ends at its last value: a text closing every row keeps the table's rows whole.
    frame["site"] = "IRRI"
    return frame


def as_csv(frame, path):
    """The frame as a dated CSV table, dates written as ISO text."""
    frame = frame.copy()
    for column in frame.columns:
        if pd.api.types.is_datetime64_any_dtype(frame[column]):
            frame[column] = frame[column].dt.strftime("%Y-%m-%d")
    frame.to_csv(path, index=False)
    return path


def outcome(make, weather, name):
    """The season's configuration text and warnings, or the problems refusing it; `name` stands for the
    weather's own name in the messages."""
    try:
        season = make(weather)
    except tulo.InputError as refused:
        return "refused", [p.replace(str(name), NAME) for p in refused.problems]
    return season._season.config_text(), [w.replace(str(name), NAME) for w in season.warnings]


def same_as_csv(frame, tmp_path, **options):
    path = as_csv(frame, tmp_path / "weather.csv")
    make = lambda weather: tulo.Season.new(weather=weather, **options)
    from_frame, from_csv = outcome(make, frame, NAME), outcome(make, path, path)
    assert from_frame == from_csv
    return from_frame


def with_nan(values, at):
    values = np.array(values, dtype="float64")
    values[at] = np.nan
    return values


def test_seasons_of_a_frame_are_those_of_its_csv_table(tmp_path):
    options = dict(lat=14.2, sowing="2019-06-10", start=150, end=300)
    text, warnings = same_as_csv(days(2019), tmp_path, **options)
    assert "RHmax" not in text and warnings == []

    # A dew point gives humidity; a value missing outside the season is a note, as for the file.
    tdew = days(2019, tdew=lambda n: with_nan(np.full(n, 18.3), 20))
    tdew.loc[40, "rain"] = np.nan
    text, warnings = same_as_csv(tdew, tmp_path, **options)
    assert any(w.startswith(NAME + ": the file gives no rain") for w in warnings)

    # A leap year's day 366 is simulated, the season running through 31 December; float32, nullable
    # integer and text cells read as their CSV text.
    leap = days(2020, rh=lambda n: (np.arange(n) % 30 + 60).astype(np.float32), code=2.5)
    leap["rain"] = leap["rain"].astype(np.float32)
    leap["tmin"] = pd.array([21] * len(leap), dtype="Int64")
    text, warnings = same_as_csv(leap, tmp_path, lat=14.2, sowing="2020-06-10")
    assert warnings == [] and "2020-12-31" in text

    # A value missing on a simulated day refuses the season, naming the frame; a radiation would be
    # estimated from the temperatures.
    missing = days(2019)
    missing.loc[200, "tmax"] = np.nan
    refused, problems = same_as_csv(missing, tmp_path, **options)
    assert refused == "refused" and any(NAME in p for p in problems)

    # Rows with no value at all are skipped, as blank lines are; two years need year=.
    gaps = pd.concat([days(2019), pd.DataFrame({"date": [pd.NaT]}), days(2020).assign(date=lambda f: f.date)])
    text, _ = same_as_csv(gaps, tmp_path, year=2020, **{**options, "sowing": 160})
    assert "2020" in text
    refused, problems = same_as_csv(gaps, tmp_path, lat=14.2, sowing=160)
    assert problems[-1].endswith("with year.")


def test_a_frame_of_the_weather_tables_columns_is_that_table(tmp_path):
    n = np.arange(365)
    table = pd.DataFrame({"DOY": n + 1, "Rain (mm)": n % 4 * 0.5 + 1e-05 * (n % 3), "Tmax (°C)": 31.0 + n % 9,
                          "Tmin (°C)": pd.array([21] * 365, dtype="Int64"), "Rad (MJ/m2)": 15.0 + n % 7 / 3.0})
    text, warnings = same_as_csv(table, tmp_path, lat=14.2, sowing=160)
    assert "\r\n1e-05\r\n" in text and "\r\n32.0\r\n" in text  # as the table writes them
    refused, problems = same_as_csv(table.rename(columns={"Tmax (°C)": "tmin"}), tmp_path, lat=14.2, sowing=160)
    assert refused == "refused" and problems[0].startswith(NAME + ": Weather, column 3")


@pytest.mark.parametrize("spoil", [
    lambda f: f.assign(rain=f.rain.where(f.index != 3, -4.0)),              # below its limit
    lambda f: f.assign(tmin=f.tmin.where(f.index != 9, 40.0)),              # above the maximum
    lambda f: f.assign(rain=f.rain.astype(object).where(f.index != 5, "x")),  # text in a number column
    lambda f: f.assign(srad=f.srad.where(f.index != 6, np.inf)),            # no number a CSV reads
    lambda f: f.assign(date=f.date.where(f.index != 7, pd.NaT)),            # a date missing
    lambda f: f.assign(date=f.date.where(f.index != 8, f.date[2])),         # a date again
    lambda f: f.assign(date=f.date.dt.strftime("%d/%m/%Y").where(f.index != 4, "31/02/2019")),
    lambda f: f.assign(tdew=f.tmin.where(f.index != 11, 75.0)),             # a dew point out of range
    lambda f: f.assign(date=f.date.dt.tz_localize("Asia/Manila")).drop(index=12),  # a day lacking
])
def test_refusals_of_a_frame_are_those_of_its_csv_table(tmp_path, spoil):
    refused, problems = same_as_csv(spoil(days(2019)), tmp_path, lat=14.2, sowing=160)
    assert refused == "refused" and problems and all(p.startswith(NAME) for p in problems), problems
