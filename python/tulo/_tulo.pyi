"""The extension module over TULO's core; use the package tulo."""

from typing import Any

import numpy as np
import numpy.typing as npt

class InputError(ValueError):
    problems: list[str]

class Season:
    @staticmethod
    def from_file(path: str, **options: Any) -> Season: ...
    @staticmethod
    def new(**options: Any) -> Season: ...
    @staticmethod
    def from_config_text(text: str, year: int | None = ...) -> Season: ...
    def config_text(self) -> str: ...
    def with_settings(self, settings: list[str]) -> Season: ...
    @property
    def warnings(self) -> list[str]: ...
    @property
    def year(self) -> int | None: ...
    @property
    def first_day(self) -> int: ...
    @property
    def last_day(self) -> int: ...

def parameters() -> list[dict[str, Any]]: ...
def summary_columns() -> list[str]: ...
def run_daily(season: Season) -> tuple[npt.NDArray[np.int32], list[tuple[str, str, str, Any]], dict[str, int | float | None]]: ...
def run_sets(
    season: Season, sets: npt.NDArray[np.float64], parameters: list[str], outputs: list[str], threads: int = ...
) -> tuple[list[str], npt.NDArray[np.float64], list[str], list[bool]]: ...
def phenology(season: Season, flowering: str, maturity: str, emergence: str | None = ...) -> dict[str, Any]: ...
def evaluate_file(season: Season, variable: str, path: str, sheet: int | None) -> dict[str, Any]: ...
def evaluate_rows(season: Season, variable: str, rows: list[list[str]], source: str) -> dict[str, Any]: ...
def calibrate(
    season: Season,
    agb: str | list[list[str]],
    params: list[str],
    lai: str | list[list[str]] | None = ...,
    agb_sheet: int | None = ...,
    lai_sheet: int | None = ...,
    agb_weight: float = ...,
    lai_weight: float = ...,
    objective: str = ...,
    genetic: str | None = ...,
    seed: int | None = ...,
    threads: int = ...,
    trace: str | None = ...,


# --- sensitivity ---
def sensitivity(
    season: Season,
    method: str,
    executions: str | None = ...,
    factors: str | None = ...,
    means: list[str] = ...,
    sds: list[str] = ...,
    output: str = ...,
    seed: str = ...,
    levels: str = ...,
    trajectories: str | None = ...,
    computation: str | None = ...,
    order: str | None = ...,
    threads: int = ...,
    tool: str = ...,
) -> dict[str, Any]: ...
