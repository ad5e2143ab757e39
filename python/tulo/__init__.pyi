"""TULO from Python: seasons, ensembles and model functions (see the package's docstrings for units)."""

import datetime
import os
from typing import Iterable, Literal, Mapping, NamedTuple, Sequence

import numpy as np
import numpy.typing as npt
import pandas as pd

from . import _tulo

class InputError(ValueError):
    """Inputs refused; ``problems`` holds each problem in the words of ``tulo-cli``."""

    problems: list[str]

_Day = int | str | datetime.date | None

def parameters() -> pd.DataFrame:
    """Columns id, key, caption, unit, default, min, max, reason; one row per crop parameter."""

class Season:
    def __init__(self, season: _tulo.Season) -> None: ...
    @classmethod
    def from_file(
        cls,
        path: str | os.PathLike[str],
        *,
        weather: str | os.PathLike[str] | pd.DataFrame | None = ...,
        weather_sheet: int | None = ...,
        year: int | None = ...,
        lat: float | str | None = ...,  # degrees north
        sowing: _Day = ...,
        start: _Day = ...,
        end: _Day = ...,
        transplanting: _Day = ...,
    ) -> Season: ...
    @classmethod
    def new(
        cls,
        *,
        weather: str | os.PathLike[str] | pd.DataFrame,
        sowing: _Day,
        lat: float | str | None = ...,  # degrees north
        start: _Day = ...,
        end: _Day = ...,
        transplanting: _Day = ...,
        flooded: float | None = ...,  # water level, cm
        weather_sheet: int | None = ...,
        year: int | None = ...,
    ) -> Season: ...
    def with_params(self, **params: float | int | str) -> Season: ...
    @property
    def warnings(self) -> list[str]: ...
    @property
    def days(self) -> range: ...
    def run(self) -> pd.DataFrame:
        """Daily series indexed by DOY, with a date column; units as the daily CSV (g/m2, m2/m2, C, cm)."""
    def summary(self) -> dict[str, int | float | None | list[dict[str, str]]]:
        """The keys of ``tulo-cli run --json``: days of year, t/ha, m2/m2, %, days, cm; ``warnings`` a list
        of ``{"kind", "text"}``."""

def ensemble(
    season: Season,
    sets: pd.DataFrame | npt.ArrayLike,
    outputs: Iterable[str] | None = ...,
    threads: int | None = ...,
    parameters: Sequence[str] | None = ...,
    on_invalid: Literal["raise", "nan", "keep"] = ...,
) -> pd.DataFrame: ...

class Model:
    season: Season
    factors: list[str]
    output: str
    threads: int | None
    on_invalid: str
    def __init__(
        self,
        season: Season,
        factors: Sequence[str],
        output: str = ...,
        threads: int | None = ...,
        on_invalid: Literal["raise", "nan", "keep"] = ...,
    ) -> None: ...
    def __call__(self, X: npt.ArrayLike) -> npt.NDArray[np.float64]: ...

def model(
    season: Season,
    factors: Sequence[str],
    output: str = ...,
    threads: int | None = ...,
    on_invalid: Literal["raise", "nan", "keep"] = ...,
) -> Model: ...

class DssatImport(NamedTuple):
    sites: pd.DataFrame
    seasons: dict[str, Season]
    measured: pd.DataFrame
    notes: list[str]

def import_dssat(
    experiment: str | os.PathLike[str],
    *,
    weather_dir: str | os.PathLike[str] | None = ...,
    flooded: float | None = ...,  # cm, for treatments whose irrigation gives no flood depth
    treatments: Iterable[int] | None = ...,
    out: str | os.PathLike[str] | None = ...,
    **params: float | str,
) -> DssatImport:
    """A DSSAT experiment (.RIX, .RIT, .RIA) as seasons, a sites table and measurements."""

def years(
    season: Season,
    weather: str | os.PathLike[str] | pd.DataFrame,
    first: int,
    last: int,
    *,
    sowing: str | datetime.date | None = ...,
    transplanting: str | datetime.date | None = ...,
    krs: float | None = ...,
    threads: int | None = ...,
) -> pd.DataFrame:
    """One row a growing season, indexed by "1991/92": dates, t/ha, %, days, mm, matured."""
def phenology(season: Season, *, flowering: _Day, maturity: _Day, emergence: _Day = ...) -> dict[str, object]:
    """{"parameters": {id: degree-days}, "stages": DataFrame, "season": Season with the fitted values}."""
def evaluate(
    season: Season, measured: str | os.PathLike[str] | pd.DataFrame, variable: str = ..., sheet: int | None = ...
) -> dict[str, object]:
    """The keys of ``tulo-cli evaluate --json`` (RRMSE in %), pairs as a DataFrame, and notes."""

def calibrate(
    season: Season,
    agb: str | os.PathLike[str] | pd.DataFrame,
    params: Mapping[str, Sequence[float]],
    *,
    lai: str | os.PathLike[str] | pd.DataFrame | None = ...,
    agb_sheet: int | None = ...,
    lai_sheet: int | None = ...,
    agb_weight: float = ...,
    lai_weight: float = ...,
    objective: str = ...,
    genetic: str | Sequence[float] | None = ...,
    seed: int | None = ...,
    threads: int | None = ...,
    trace: str | os.PathLike[str] | None = ...,
) -> dict[str, object]:
    """The keys of ``tulo-cli calibrate --json`` (AGB in t/ha, LAI in m2/m2, RRMSE in %), ``estimates`` (a
    DataFrame of value, se, low, high, identifiable, at_bound by parameter), ``season`` with the calibrated values,
    and ``notes``."""

# --- sensitivity ---

def sensitivity(
    season: Season,
    method: str,
    *,
    executions: int | str | None = ...,
    factors: Sequence[str] | None = ...,
    means: Mapping[str, float | int | str] | None = ...,
    sds: Mapping[str, float | int | str] | None = ...,
    output: str = ...,
    seed: int | str = ...,
    levels: int | str = ...,
    trajectories: int | str | None = ...,
    computation: str | None = ...,
    order: str | None = ...,
    threads: int | None = ...,
    keep_files: bool = ...,
) -> dict[str, object]:
    """The keys of ``tulo-cli sensitivity --json`` (factors, interactions), the indices as a DataFrame
    indexed by factor, index_names, method, runs and exchange_files (the kept files' folder, or None)."""
