from typing import Any, Iterable, Literal, Sequence

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
def chunk_overhead(client: Any, season: Season, repeats: int = ...) -> float: ...
