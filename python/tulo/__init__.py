"""TULO from Python: paddy rice seasons, ensembles and model functions, with pandas and numpy.

Units follow the daily CSV of ``tulo-cli run``: days of year, biomass in g/m2 (the summary's
``agb_*`` and ``panicles_*`` in t/ha), leaf area index in m2/m2, temperatures in degrees C, water
levels in cm. Bad inputs raise :class:`InputError` (a ``ValueError``) whose ``problems`` lists every
problem in the words of the command line; nothing is printed.
"""

from __future__ import annotations

import collections as _collections
import datetime as _datetime
import functools as _functools
import math as _math
import os as _os
from typing import Iterable, Mapping, Sequence

import numpy as _np
import pandas as _pd

from . import _tulo
from ._tulo import InputError

__all__ = ["InputError", "Season", "parameters", "ensemble", "model", "Model", "years", "import_dssat",
           "DssatImport", "phenology",
           "evaluate", "calibrate", "sensitivity"]


def parameters() -> _pd.DataFrame:
    """The crop parameter registry: id, key (crop workbook), caption, unit, default, min, max, reason."""
    return _pd.DataFrame(_tulo.parameters(), columns=["id", "key", "caption", "unit", "default", "min", "max", "reason"])


def _text(value) -> str | None:
    if value is None:
        return None
    if isinstance(value, (_datetime.date, _pd.Timestamp)):
        return value.strftime("%Y-%m-%d")
    return str(value)


def _settings(params: Mapping[str, object]) -> list[str]:
    # repr gives the shortest text that reads back as the same double.
    return [f"{name}={float(value)!r}" if isinstance(value, (float, _np.floating)) else f"{name}={value}"
            for name, value in params.items()]


class Season:
    """One season at one site: a configuration (``.sim``) changed by the options given, compiled and
    checked. Seasons are immutable: :meth:`with_params` returns a new one."""

    __slots__ = ("_season",)

    def __init__(self, season: _tulo.Season):
        self._season = season

    @classmethod
    def from_file(cls, path: str | _os.PathLike, *, weather=None, weather_sheet: int | None = None,
                  year: int | None = None, lat=None, sowing=None, start=None, end=None,
                  transplanting=None) -> "Season":
        """Reads a configuration; the options change its season as ``tulo-cli run``'s options do
        (days as day of year, date text or ``datetime.date``; ``lat`` in degrees north)."""
        return cls(_tulo.Season.from_file(
            _os.fspath(path), **_weather_options(weather), weather_sheet=weather_sheet, year=year,
            latitude=_text(lat), sowing=_text(sowing), start=_text(start), end=_text(end),
            transplanting=_text(transplanting)))

    @classmethod
    def new(cls, *, weather, sowing, lat=None, start=None, end=None, transplanting=None,
            flooded: float | None = None, weather_sheet: int | None = None,
            year: int | None = None) -> "Season":
        """A new season as ``tulo-cli new`` makes it. ``weather`` is a weather file of any format
        TULO reads, or a DataFrame with a ``date`` (or ``DOY``) column and the weather file's named
        quantities; ``flooded`` is the water level in cm (unflooded when None)."""
        return cls(_tulo.Season.new(
            **_weather_options(weather), weather_sheet=weather_sheet, year=year, latitude=_text(lat),
            sowing=_text(sowing), start=_text(start), end=_text(end),
            transplanting=_text(transplanting), flooded=flooded))

    def with_params(self, **params) -> "Season":
        """A copy with crop parameters changed, named by registry id, crop workbook key or caption."""
        return Season(self._season.with_params(params))

    @property
    def warnings(self) -> list[str]:
        """What runs but may surprise (a sowing before the first simulated day, ...)."""
        return list(self._season.warnings)

    @property
    def days(self) -> range:
        """The simulated days of the season (days of year inside its first year, then counted on)."""
        return range(self._season.first_day, self._season.last_day + 1)

    def run(self) -> _pd.DataFrame:
        """The daily series, the columns of ``tulo-cli run --daily``, indexed by the season's day (``DOY``:
        the day of year inside its first year, counted on past 365 for a season across 31 December, so
        that the index stays unique), with a ``date`` column when the season's year is known."""
        days, blocks = _tulo.run_daily(self._season)
        frame = _daily_frame(days, blocks, _dates(days, self._season.year))
        frame.attrs["units"] = dict(zip(_DAILY_NAMES, _DAILY_UNITS))
        return frame

    def summary(self) -> dict:
        """The season summary with the keys of ``tulo-cli run --json`` (days of year, t/ha, m2/m2, %, cm)."""
        return _tulo.summary(self._season)

    def __reduce__(self):
        return (_season_from_text, (self._season.config_text(), self._season.year))

    def __repr__(self) -> str:
        return f"<tulo.Season days {self._season.first_day}..{self._season.last_day}>"


_DAILY_NAMES, _DAILY_UNITS = _tulo.daily_columns()
_DAILY_COLUMNS = _pd.Index(["date", *_DAILY_NAMES])  # each frame gets a copy of its own, to rename at will


def _dates(days, year):
    """The days' dates in the season's year as datetime64[ns], NaT when the year is unknown."""
    if year is None:
        return _np.full(len(days), _np.datetime64("NaT"), dtype="datetime64[ns]")
    if 1678 <= year <= 2261:  # the whole year within datetime64[ns]
        return (_np.datetime64(f"{year:04d}-01-01", "D") + (days.astype(_np.int64) - 1)).astype("datetime64[ns]")
    return (_pd.to_datetime(f"{year}-01-01") + _pd.to_timedelta(_np.asarray(days) - 1, unit="D")).values


def _daily_frame_by_columns(days, blocks, dates) -> _pd.DataFrame:
    """The daily frame made column by column."""
    series = [None] * (len(_DAILY_NAMES) + 1)
    for columns, values in blocks:
        for row, column in enumerate(columns):
            series[column] = values[row]
    frame = _pd.DataFrame(dict(zip(_DAILY_NAMES, series[1:])), index=_pd.Index(days, name="DOY"))
    frame.insert(0, "date", dates)
    return frame


def _daily_frame_of_blocks(days, blocks, dates) -> _pd.DataFrame:
    """The daily frame made of the run's blocks as they are, as pandas itself keeps a frame of such
    columns, without checking or copying each column again."""
    placement, new_block, manager_of, datetimes = _PANDAS_BLOCKS
    made = [new_block(datetimes(dates.reshape(1, -1), dtype=dates.dtype), placement(slice(0, 1)), ndim=2)]
    made += [new_block(values, placement(columns), ndim=2) for columns, values in blocks if len(columns)]
    manager = manager_of(made, [_DAILY_COLUMNS.copy(), _days_index(int(days[0]), len(days)).copy()],
                         verify_integrity=False)
    return _frame_of_manager(manager)


def _pandas_blocks():
    """What makes a frame of blocks in this pandas: the block placement, the block, the block manager and
    the datetime array of a block's values."""
    from pandas._libs.internals import BlockPlacement
    from pandas.core.arrays import DatetimeArray
    from pandas.core.internals import BlockManager
    from pandas.core.internals.blocks import new_block
    return BlockPlacement, new_block, BlockManager, DatetimeArray._simple_new


def _frame_of_manager(manager):
    return _pd.DataFrame._from_mgr(manager, manager.axes) if hasattr(_pd.DataFrame, "_from_mgr") else _pd.DataFrame(manager)


@_functools.lru_cache(maxsize=64)
def _days_index(first: int, count: int) -> _pd.Index:
    """The index of these simulated days; each frame gets a copy of its own, to rename at will."""
    return _pd.Index(_np.arange(first, first + count, dtype=_np.int32), name="DOY")


_daily_frame_maker = None
_PANDAS_BLOCKS = None


def _daily_frame(days, blocks, dates) -> _pd.DataFrame:
    """The daily frame, of the run's blocks when this pandas makes that frame, without a warning, equal
    to the frame made column by column (the first run tells), otherwise column by column."""
    global _daily_frame_maker, _PANDAS_BLOCKS
    if _daily_frame_maker is None:
        import warnings
        expected = _daily_frame_by_columns(days, blocks, dates)
        try:
            with warnings.catch_warnings(record=True) as said:
                warnings.simplefilter("always")
                _PANDAS_BLOCKS = _pandas_blocks()
                made = _daily_frame_of_blocks(days, blocks, dates)
            same = (not said and made.equals(expected) and list(made.dtypes) == list(expected.dtypes)
                    and made.columns.equals(expected.columns) and made.index.dtype == expected.index.dtype
                    and made.index.name == expected.index.name)
        except Exception:  # another pandas' internals: the columns one by one still make the frame
            same = False
        _daily_frame_maker = _daily_frame_of_blocks if same else _daily_frame_by_columns
        return expected
    return _daily_frame_maker(days, blocks, dates)


def _season_from_text(text: str, year: int | None) -> Season:
    return Season(_tulo.Season.from_config_text(text, year))


def _weather_options(weather) -> dict:
    """The weather keyword arguments of the module: a file's path, or a DataFrame's columns under the name
    its messages give it."""
    if isinstance(weather, _pd.DataFrame):
        return {"weather": "the weather DataFrame", "weather_columns": _weather_columns(weather)}
    return {"weather": None if weather is None else _os.fspath(weather)}


def _weather_columns(weather: _pd.DataFrame) -> list[tuple[str, str, object]]:
    """Each column as (title, kind, values), read as the same frame written to a CSV table would be read:
    dates as days since 1970, numbers as float64 (whole-number columns told apart, since a table writes
    them without ".0"), any other cells as the text such a table holds."""
    columns = []
    for position, title in enumerate(weather.columns):
        column = weather.iloc[:, position]
        dtype = column.dtype
        if _pd.api.types.is_datetime64_any_dtype(dtype):
            # A zone's dates are its wall-clock dates, as written out.
            wall = column.dt.tz_localize(None) if getattr(dtype, "tz", None) is not None else column
            days = wall.to_numpy(dtype="datetime64[ns]").astype("datetime64[D]").view("int64")
            columns.append((str(title), "dates", days))
        elif (_pd.api.types.is_numeric_dtype(dtype) and not _pd.api.types.is_bool_dtype(dtype)
              and not _pd.api.types.is_complex_dtype(dtype)):
            values = column.to_numpy(dtype="float64", na_value=_np.nan)
            if dtype == _np.float32:
                # A float32 is written as its own shortest text, which reads as another float64 than
                # its exact value.
                values = _np.array([float(str(v)) for v in column.to_numpy()], dtype="float64")
            kind = "integers" if _pd.api.types.is_integer_dtype(dtype) else "numbers"
            columns.append((str(title), kind, values))
        else:
            columns.append((str(title), "texts", ["" if _is_missing(v) else str(v) for v in column]))
    return columns


def _is_missing(value) -> bool:
    try:
        return bool(_pd.isna(value))
    except (TypeError, ValueError):  # a list or array in a cell is a value
        return False


def _refused(problems: list[str]) -> InputError:
    error = InputError("\n".join(problems))
    error.problems = problems
    return error


def _refuse_all(problems: list[str]):
    raise _refused(problems)


def _not_a_number_kind(values) -> str | None:
    """What makes values no parameter values: booleans and complex numbers would be read as numbers
    (True as 1, 2+1j as 2) without a word."""
    array = _np.asarray(values)
    if array.dtype.kind == "b":
        return "booleans"
    if array.dtype.kind == "c":
        return "complex numbers"
    if array.dtype.kind == "O":
        for value in array.ravel():
            if isinstance(value, (bool, _np.bool_)):
                return "booleans"
            if isinstance(value, (complex, _np.complexfloating)):
                return "complex numbers"
    return None


def _sets_table(sets, parameters: Sequence[str] | None):
    """The parameter names and a float64 array of the sets: a DataFrame's columns, or an ndarray with
    ``parameters``."""
    if isinstance(sets, _pd.DataFrame):
        if parameters is not None:
            raise ValueError("sets: give parameter names only with an ndarray; a DataFrame names its columns.")
        for column in sets.columns:
            if kind := _not_a_number_kind(sets[column].to_numpy()):
                _refuse_all([f"sets: column {column!r} holds {kind}; parameter values are real numbers."])
        return [str(c) for c in sets.columns], sets.to_numpy(dtype=float, na_value=_np.nan), sets.index
    if parameters is None:
        raise ValueError("sets: an ndarray needs `parameters`, the name of each column.")
    if kind := _not_a_number_kind(sets):
        _refuse_all([f"sets: the table holds {kind}; parameter values are real numbers."])
    array = _np.asarray(sets, dtype=float)
    if array.ndim == 1:
        array = array.reshape(-1, 1)
    return list(parameters), array, _pd.RangeIndex(len(array))


_ON_INVALID = ("raise", "nan", "keep")


def _check_on_invalid(on_invalid: str):
    if on_invalid not in _ON_INVALID:
        raise ValueError(f"on_invalid: {on_invalid!r} is none of 'raise', 'nan' and 'keep'.")


def _run_rows(season: _tulo.Season, array: _np.ndarray, names: list[str], outputs: list[str], threads: int,
              on_invalid: str):
    """run_sets on the rows that hold no NaN, unless NaN keeps the season's value (on_invalid "keep"):
    a row with a NaN gets NaN outputs and its problem instead of the season's own output."""
    if on_invalid == "keep" or not len(array):
        return _tulo.run_sets(season, _np.ascontiguousarray(array), names, outputs, threads)
    missing = _np.isnan(array)
    whole = ~missing.any(axis=1)
    titles, values, problems, singles = _tulo.run_sets(season, _np.ascontiguousarray(array[whole]), names,
                                                       outputs, threads)
    if whole.all():
        return titles, values, problems, singles
    every = _np.full((len(array), len(titles)), _np.nan)
    every[whole] = values
    texts = [""] * len(array)
    ran = iter(problems)
    for row in range(len(array)):
        if whole[row]:
            texts[row] = next(ran)
        else:
            texts[row] = f"{names[int(_np.argmax(missing[row]))]} is NaN, not a value (on_invalid='keep' keeps the season's)"
    return titles, every, texts, singles


def _settle(problems, index, on_invalid: str):
    """Raises, with on_invalid "raise", when any row was refused or failed: its outputs would be NaN."""
    if on_invalid != "raise":
        return
    refused = [f"row {label}: {problem}" for label, problem in zip(index, problems) if problem]
    if refused:
        shown = refused[:10] + ([f"and {len(refused) - 10} rows more"] if len(refused) > 10 else [])
        _refuse_all(shown + ["(on_invalid='nan' gives such rows NaN outputs and their problem instead)"])


def _ensemble_frame(titles, values, problems, singles, index) -> _pd.DataFrame:
    frame = _pd.DataFrame(values, columns=titles, index=index)
    for title, single in zip(titles, singles):
        if single:  # the float the run computed, as run() gives it
            frame[title] = frame[title].astype(_np.float32)
    frame["problem"] = problems
    return frame


def ensemble(season: Season, sets, outputs: Iterable[str] | None = None, threads: int | None = None,
             parameters: Sequence[str] | None = None, on_invalid: str = "raise") -> _pd.DataFrame:
    """One season per parameter set, in parallel, as ``tulo-cli ensemble``.

    ``sets`` is a DataFrame whose columns name parameters (id, key or caption, each parameter once), one
    set per row, or an ndarray with ``parameters`` naming its columns; values are real numbers (not
    booleans or complex numbers). ``outputs`` are summary keys (``agb_max``, ...; all of them by default)
    or ``NAME@DOY`` daily values (``LAI@200``). The result has one row per set in the sets' order, the
    outputs, and ``problem``. A set with a NaN, a value out of its range or a season that fails raises
    InputError naming its rows (``on_invalid="raise"``); with ``"nan"`` its outputs are NaN and
    ``problem`` says why; ``"keep"`` reads a NaN as an empty cell of the command line's table, which keeps
    the season's value, and gives refused sets NaN as ``"nan"`` does. ``threads`` None uses every core."""
    _check_on_invalid(on_invalid)
    names, array, index = _sets_table(sets, parameters)
    titles, values, problems, singles = _run_rows(season._season, array, names, list(outputs or []),
                                                  threads or 0, on_invalid)
    _settle(problems, index, on_invalid)
    return _ensemble_frame(titles, values, problems, singles, index)


class Model:
    """A season as a function of some crop parameters: ``model(X)`` runs row i of ``X`` (n by k, the
    factors' values) and returns output i. A row with a NaN, a value out of its range or a failed season
    raises InputError, or with ``on_invalid="nan"`` gives NaN (``"keep"``: a NaN keeps the season's
    value). Seasons run in parallel."""

    def __init__(self, season: Season, factors: Sequence[str], output: str = "agb_end_of_crop",
                 threads: int | None = None, on_invalid: str = "raise"):
        _check_on_invalid(on_invalid)
        self.season, self.factors, self.output, self.threads = season, list(factors), output, threads
        self.on_invalid = on_invalid
        _tulo.run_sets(season._season, _np.empty((0, len(self.factors))), self.factors, [output], 0)

    def __call__(self, X) -> _np.ndarray:
        if kind := _not_a_number_kind(X):
            _refuse_all([f"X holds {kind}; parameter values are real numbers."])
        array = _np.asarray(X, dtype=float)
        if array.ndim == 1:  # one point, or one value per point of a single factor
            array = array.reshape(-1, 1) if len(self.factors) == 1 else array.reshape(1, -1)
        _, values, problems, _ = _run_rows(self.season._season, array, self.factors, [self.output],
                                           self.threads or 0, self.on_invalid)
        _settle(problems, range(len(array)), self.on_invalid)
        return values[:, 0]


def model(season: Season, factors: Sequence[str], output: str = "agb_end_of_crop",
          threads: int | None = None, on_invalid: str = "raise") -> Model:
    """``f(X: ndarray[n, k]) -> ndarray[n]`` for sensitivity-analysis and optimisation libraries; the
    factors and the output are checked now, so a typo fails here rather than in the first call.
    ``on_invalid`` as for :class:`Model`."""
    return Model(season, factors, output, threads, on_invalid)


def _month_day(value) -> str | None:
    """A month and day as ``tulo-cli years`` takes it: "11-15", or the month and day of a date."""
    if value is None or isinstance(value, str):
        return value
    if isinstance(value, (_datetime.date, _pd.Timestamp)):
        return f"{value.month:02d}-{value.day:02d}"
    return str(value)


def years(season: Season, weather, first: int, last: int, *, sowing=None, transplanting=None,
          krs: float | None = None, threads: int | None = None) -> _pd.DataFrame:
    """The season grown once a year, sown in each year from ``first`` to ``last``, as ``tulo-cli years``
    grows it on ``weather`` (a weather file of many years, or a dated DataFrame): each growing season
    keeps the season's days relative to its sowing, on the season's sowing date or on ``sowing`` (month
    and day, "11-15", or a date's), and may cross into the next year. One row a growing season, indexed
    by its label ("1991/92"): sowing, flowering and maturity dates, t/ha at maturity, sterility (%),
    blast infection days, water used (crop evapotranspiration from sowing to the crop's end, mm) and
    whether it matured. ``krs`` is Hargreaves and Samani's coefficient for days without radiation
    (0.16 inland, 0.19 on the coast); the table's ``attrs["notes"]`` tell of such estimates."""
    options = _weather_options(weather)
    columns, rows, notes = _tulo.years(season._season, options["weather"], options.get("weather_columns"),
                                       int(first), int(last), _month_day(sowing), _month_day(transplanting),
                                       krs, threads or 0)
    frame = _pd.DataFrame(rows, columns=columns).set_index("season")
    for column in ("sowing", "flowering", "maturity"):
        frame[column] = _pd.to_datetime(frame[column].replace("", None))
    for column in ("agb_maturity", "panicles_maturity", "sterility_percent", "water_used_mm"):
        frame[column] = _pd.to_numeric(frame[column].replace("", None), errors="coerce").astype("float64")
    frame["blast_infection_days"] = frame["blast_infection_days"].astype("int64")
    frame["matured"] = frame["matured"] == "true"
    frame.attrs["notes"] = list(notes)
    return frame


class DssatImport(_collections.namedtuple("DssatImport", ["sites", "seasons", "measured", "notes"])):
    """A DSSAT experiment made into TULO's seasons: ``sites`` (a DataFrame indexed by the treatment's name,
    "T01-early-25": its number, title, weather file, hills per m2 and seedlings per hill of a transplanted
    crop, observed emergence, flowering and maturity dates), ``seasons`` (name to :class:`Season`),
    ``measured`` (a DataFrame of name, variable "AGB" in t/ha or "LAI" in m2/m2, date and value) and
    ``notes``, what the files hold that TULO does not model."""

    __slots__ = ()


def import_dssat(experiment: str | _os.PathLike, *, weather_dir: str | _os.PathLike | None = None,
                 flooded: float | None = None, treatments: Iterable[int] | None = None,
                 out: str | _os.PathLike | None = None, **params) -> DssatImport:
    """A DSSAT rice experiment (``.RIX``, with the ``.RIT`` and ``.RIA`` of the same name beside it) as
    ``tulo-cli import-dssat`` imports it: one season a treatment, its weather from the station file found
    in ``weather_dir`` or beside the experiment, flooded as its irrigation says or ``flooded`` cm deep,
    ``treatments`` by number (all when None), crop parameters ``params`` (by id, key or caption) for every
    treatment. With ``out``, the configurations, measured tables, sites table and notes are also written
    into that folder, all or none."""
    rows, seasons, measured, notes = _tulo.import_dssat(
        _os.fspath(experiment), None if weather_dir is None else _os.fspath(weather_dir), flooded,
        [int(t) for t in treatments or []], _settings(params), None if out is None else _os.fspath(out))
    sites = _pd.DataFrame(rows, columns=["name", "number", "title", "weather", "NH", "NPLH", "emergence",
                                         "flowering", "maturity"]).set_index("name")
    for column in ("NH", "NPLH"):
        sites[column] = sites[column].astype("float64")
    for column in ("emergence", "flowering", "maturity"):
        sites[column] = _pd.to_datetime(sites[column])
    frame = _pd.DataFrame(measured, columns=["name", "variable", "date", "value"])
    frame["date"] = _pd.to_datetime(frame["date"])
    return DssatImport(sites, {name: _season_from_text(text, year) for name, text, year in seasons}, frame,
                       list(notes))


def phenology(season: Season, *, flowering, maturity, emergence=None) -> dict:
    """The thermal times that bring the crop to the stages on the days observed, as ``tulo-cli
    phenology``: days of year, date texts or ``datetime.date``; without ``emergence`` its thermal time
    stays. Returns ``parameters`` (registry id to value, degree-days), ``stages`` (a DataFrame of stage,
    observed and simulated day, error in days and the note of a day missed) and ``season``, the season
    with the fitted values."""
    fit = _tulo.phenology(season._season, _text(flowering), _text(maturity), _text(emergence))
    return {"parameters": dict(fit["parameters"]),
            "stages": _pd.DataFrame(fit["stages"], columns=["stage", "observed", "simulated", "error", "note"]),
            "season": Season(fit["season"])}


def _cell(value) -> str:
    if value is None or (isinstance(value, float) and _math.isnan(value)) or value is _pd.NaT:
        return ""
    if isinstance(value, (_datetime.date, _pd.Timestamp)):
        return value.strftime("%Y-%m-%d")
    if isinstance(value, (float, _np.floating)):
        return repr(float(value))
    return str(value)


def _rows(frame: _pd.DataFrame) -> list[list[str]]:
    """A DataFrame as the texts of a table: its column titles, then one row per row."""
    return [[str(c) for c in frame.columns]] + [[_cell(v) for v in row] for row in frame.itertuples(index=False)]


def evaluate(season: Season, measured, variable: str = "AGB tot (tAGB/ha)", sheet: int | None = None) -> dict:
    """The season's run against measurements, as ``tulo-cli evaluate --json``: ``measured`` is a table
    file of any kind TULO reads (``sheet`` 1-based) or a DataFrame, its first column the day of year or
    the date, its second the value, in the report's units (t/ha for biomass, m2/m2 for GAI). Returns the
    indices (n, RMSE, RRMSE in %, EF, CRM, ...), ``pairs`` (a DataFrame of day, measured, simulated),
    ``left_out``, ``after_crop_end``, ``before_sowing`` and ``notes``, what the command line would
    print beside the result."""
    if isinstance(measured, _pd.DataFrame):
        result = _tulo.evaluate_rows(season._season, variable, _rows(measured), "the measured table")
    else:
        result = _tulo.evaluate_file(season._season, variable, _os.fspath(measured), sheet)
    days, observed, simulated = result["pairs"]
    result["pairs"] = _pd.DataFrame({"day": _np.asarray(days, dtype=_np.int32),
                                     "measured": _np.asarray(observed, dtype=_np.float32),
                                     "simulated": _np.asarray(simulated, dtype=_np.float32)})
    return dict(result)


# --- calibration ---

def _number_text(value) -> str:
    # repr gives the shortest text that reads back as the same double.
    return repr(float(value)) if isinstance(value, (float, _np.floating)) else str(value)


def _refuse(problem: str):
    error = InputError(problem)
    error.problems = [problem]
    raise error


def _measured_table(table):
    return _rows(table) if isinstance(table, _pd.DataFrame) else _os.fspath(table)


def calibrate(season: Season, agb, params: Mapping[str, Sequence[float]], *, lai=None,
              agb_sheet: int | None = None, lai_sheet: int | None = None, agb_weight: float = 1.0,
              lai_weight: float = 1.0, objective: str = "RRMSE", genetic=None, seed: int | None = None,
              threads: int | None = None, trace=None) -> dict:
    """Calibrates crop parameters against the season's measured biomass (and leaf area index), as
    ``tulo-cli calibrate --json``, by the simplex.

    ``agb`` holds the measured above-ground biomass in t/ha and ``lai`` the leaf area index in m2/m2:
    each a table file of any kind TULO reads (``agb_sheet``/``lai_sheet`` 1-based) or a DataFrame whose
    first column is the day of year or the date and whose second the value. With ``lai`` the objective
    weighs both indices by ``agb_weight`` and ``lai_weight``. ``params`` maps each parameter (registry id,
    crop workbook key or caption) to ``(min, max)`` or ``(min, max, initial)`` in its own unit; a value
    must lie above the minimum and at most the maximum, the initial one defaulting to the season's.
    ``objective`` is ``"RRMSE"`` or ``"RRMSE + CV on Last Point"``; ``genetic`` the genetic simplex's
    ``(N, ITERATIONS, GENERATIONS, REDUCTION, INCREASE, RANDOM)`` or its text ``"20,100,3,0.5,1.5,0.1"``,
    with ``seed`` its random numbers' (default: the clock's); ``threads`` None uses every core; ``trace``
    the file the search's trace is written to (default: a file of its own in TULO's data folder).

    Returns the keys of ``tulo-cli calibrate --json``: ``params`` (name to calibrated value),
    ``objective`` (RRMSE in %), ``search`` (``"converged"``, ``"budget exhausted"`` or ``"stopped"``),
    ``runs``, ``seed``, ``stopped``, ``trace`` (the trace file written, None when it could not be), and,
    for a converged search, ``uncertainty``, ``correlation`` and ``measurements``; besides them
    ``estimates``, a DataFrame indexed by parameter of the value with its standard error, the low and
    high ends of its interval, whether the data identify it and whether it lies at a bound of its range,
    ``season``, the season with the
    calibrated values, and ``notes``, what the command line would print beside the result (measurements
    left out, ...)."""
    if lai is None:
        for name, given in (("lai_sheet", lai_sheet is not None), ("agb_weight", agb_weight != 1),
                            ("lai_weight", lai_weight != 1)):
            if given:
                _refuse(f"{name} requires lai")
    if genetic is not None and not isinstance(genetic, str):
        genetic = ",".join(_number_text(v) for v in genetic)
    texts = [":".join([str(name), *(_number_text(v) for v in bounds)]) for name, bounds in params.items()]
    result = _tulo.calibrate(
        season._season, _measured_table(agb), texts, None if lai is None else _measured_table(lai),
        agb_sheet, lai_sheet, float(agb_weight), float(lai_weight), objective, genetic, seed, threads or 0,
        None if trace is None else _os.fspath(trace))
    report = result["report"]
    report["estimates"] = _estimates_frame(report)
    report["season"] = Season(result["season"])
    report["notes"] = list(result["notes"])
    return report


def _estimates_frame(report: dict) -> _pd.DataFrame:
    """The calibrated values with their standard errors and intervals, one row per parameter (NaN where
    the report has null)."""
    names = list(report["params"])
    spread = report.get("uncertainty") or {}
    column = lambda key: [_np.nan if spread.get(n, {}).get(key) is None else spread[n][key] for n in names]
    return _pd.DataFrame({"value": [report["params"][n] for n in names], "se": column("se"),
                          "low": column("low"), "high": column("high"),
                          "identifiable": [bool(spread.get(n, {}).get("identifiable")) for n in names],
                          "at_bound": [bool(spread.get(n, {}).get("at_bound")) for n in names]},
                         index=_pd.Index(names, name="parameter"))


# --- sensitivity ---

def _interval(ci, end):
    return _np.nan if ci is None else ci[end]


def _indices_frame(factors: list) -> _pd.DataFrame:
    """One row per factor, its intervals split into low and high columns (NaN where there is none)."""
    frame = _pd.DataFrame({
        "label": [f["label"] for f in factors],
        "index1": [_np.nan if f["index1"] is None else f["index1"] for f in factors],
        "index2": [_np.nan if f["index2"] is None else f["index2"] for f in factors],
        "ci1_low": [_interval(f["ci1"], 0) for f in factors],
        "ci1_high": [_interval(f["ci1"], 1) for f in factors],
        "ci2_low": [_interval(f["ci2"], 0) for f in factors],
        "ci2_high": [_interval(f["ci2"], 1) for f in factors],
        "truncated": _np.asarray([f["truncated"] for f in factors], dtype=_np.int64),
        "varied": _np.asarray([f["varied"] for f in factors], dtype=bool),
    }, index=_pd.Index([f["factor"] for f in factors], name="factor"))
    return frame


def sensitivity(season: Season, method: str, *, executions: int | str | None = None,
                factors: Sequence[str] | None = None, means: Mapping[str, object] | None = None,
                sds: Mapping[str, object] | None = None, output: str = "agb", seed: int | str = 1,
                levels: int | str = 4, trajectories: int | str | None = None, computation: str | None = None,
                order: str | None = None, threads: int | None = None, keep_files: bool = False) -> dict:
    """A sensitivity analysis of crop parameters, as ``tulo-cli sensitivity``: the sample is drawn, one
    season runs per sample row on every core (or ``threads``) and the indices are computed, all in this
    process with the interpreter released.

    ``method`` is a method's name or keyword (fast, lhs, morris, lptau, random, sobol); ``executions``
    the base sample size, required by every method but Morris (``trajectories``, 10 unless given, and
    ``levels`` size it). ``factors`` names the parameters to vary as ``--factors`` does (``parK``, or a
    registry id, crop workbook key or caption; par1 to par11 by default); ``means`` and ``sds`` map such
    names to a factor's mean and standard deviation. ``output`` is agb, panicles, flowering, maturity or
    lai-max; ``computation`` Sobol's total or custom or FAST's classic or extended; ``order`` Sobol's
    custom order (first, second, third).

    Returns the keys of ``--json``: ``factors`` (one dict per factor: factor, label, index1, index2,
    ci1, ci2, truncated, varied) and ``interactions`` (empty but for Sobol's custom orders), with
    ``indices``, the factors as a DataFrame indexed by factor, ``index_names`` (what index1 and index2
    are: S1 and ST, mu* and sigma, ...), ``method`` (the method line analysed), ``runs`` (seasons run)
    and ``exchange_files``: with ``keep_files``, the folder that keeps the analysis's files as
    ``--keep-files`` does, otherwise None. Refused options raise :class:`InputError` with the command
    line's texts; a failed analysis raises RuntimeError, and Ctrl-C stops it with KeyboardInterrupt,
    keeping no folder in both cases."""
    names = None if factors is None else ",".join(factors)
    text = None if trajectories is None else str(trajectories)
    ran = _tulo.sensitivity(season._season, str(method), None if executions is None else str(executions), names,
                            _settings(means or {}), _settings(sds or {}), str(output), str(seed), str(levels),
                            text, computation, order, threads or 0, bool(keep_files))
    return {"factors": ran["factors"], "interactions": ran["interactions"],
            "indices": _indices_frame(ran["factors"]), "index_names": ran["index_names"],
            "method": ran["method"], "runs": ran["runs"], "exchange_files": ran["exchange_files"]}
