import datetime
import os
from typing import Any, Iterable, Literal, Mapping, Sequence

import numpy.typing as npt
import pandas as pd

from . import Season

def ensemble(
    client: Any,
    season: Season,
    sets: pd.DataFrame | npt.ArrayLike,
    outputs: Iterable[str] | None = ...,
    chunk_size: int = ...,
    threads: int | None = ...,
    parameters: Sequence[str] | None = ...,
    on_invalid: Literal["raise", "nan", "keep"] = ...,
) -> pd.DataFrame: ...
def years(
    client: Any,
    sites: Mapping[str, Season],
    weather: str | os.PathLike[str] | pd.DataFrame | Mapping[str, str | os.PathLike[str] | pd.DataFrame],
    first: int,
    last: int,
    *,
    sowing: str | datetime.date | None = ...,
    transplanting: str | datetime.date | None = ...,
    krs: float | None = ...,
    threads: int | None = ...,
) -> pd.DataFrame: ...
def chunk_overhead(client: Any, season: Season, repeats: int = ...) -> float: ...
