"""Ensembles on a Dask distributed cluster: the sets split into chunks, each chunk run on a worker by
the C++ ensemble (every core of the worker's machine), the season sent to each worker once.

Start a cluster across machines from the command line::

    dask scheduler                            # on one machine: tcp://HOST:8786
    dask worker tcp://HOST:8786 --nworkers 1  # on each machine, with TULO's Python package installed

and connect from Python with ``distributed.Client("tcp://HOST:8786")``.
"""

from __future__ import annotations

import time
from typing import Iterable, Sequence

import numpy as np
import pandas as pd

from . import Season, _ensemble_frame, _sets_table, _tulo

__all__ = ["ensemble", "chunk_overhead"]


def _run_chunk(season: Season, array: np.ndarray, names: list[str], outputs: list[str], threads: int):
    return _tulo.run_sets(season._season, array, names, outputs, threads)


def ensemble(client, season: Season, sets, outputs: Iterable[str] | None = None, chunk_size: int = 50_000,
             threads: int | None = None, parameters: Sequence[str] | None = None) -> pd.DataFrame:
    """:func:`tulo.ensemble` on the workers of ``client`` (a ``distributed.Client``): the same table, in
    the sets' order, with the same values as a local run. ``chunk_size`` sets go to a worker at a time:
    a chunk costs some tens of milliseconds of scheduling and transfer, so it should run for a second or
    more (the default, 50,000 seasons of 20 us on one core, runs for about a second);
    ``threads`` is each worker's thread count (None: every core)."""
    if chunk_size < 1:
        raise ValueError("chunk_size: at least 1 set per chunk is needed.")
    names, array, index = _sets_table(sets, parameters)
    outputs = list(outputs or [])
    # Checked here, so that a wrong name fails at once rather than on every worker.
    titles, _, _, singles = _tulo.run_sets(season._season, np.empty((0, len(names))), names, outputs, 0)
    [shared] = client.scatter([season], broadcast=True, hash=False)
    futures = [client.submit(_run_chunk, shared, np.ascontiguousarray(array[start:start + chunk_size]), names,
                             outputs, threads or 0, pure=False)
               for start in range(0, len(array), chunk_size)]
    parts = client.gather(futures)
    values = np.concatenate([p[1] for p in parts]) if parts else np.empty((0, len(titles)))
    problems = [problem for p in parts for problem in p[2]]
    return _ensemble_frame(titles, values, problems, singles, index)


def chunk_overhead(client, season: Season, repeats: int = 20) -> float:
    """Seconds a chunk costs on the cluster beyond its seasons: the round trip of a chunk of no sets."""
    [shared] = client.scatter([season], broadcast=True, hash=False)
    empty = np.empty((0, 1))
    start = time.perf_counter()
    for _ in range(repeats):
        client.submit(_run_chunk, shared, empty, ["RUE"], [], 1, pure=False).result()
    return (time.perf_counter() - start) / repeats
