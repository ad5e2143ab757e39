"""Ensembles on a Dask distributed cluster: the sets split into chunks, each chunk run on a worker by
the C++ ensemble (every core of the worker's machine). Each chunk's task carries the season itself (its
configuration's text, some kilobytes beside the chunk's sets), so that a chunk whose worker is lost runs
again on any other, workers that joined later included.

Start a cluster across machines from the command line::

    dask scheduler                            # on one machine: tcp://HOST:8786
    dask worker tcp://HOST:8786 --nworkers 1  # on each machine, with TULO's Python package installed

and connect from Python with ``distributed.Client("tcp://HOST:8786")``.
"""

from __future__ import annotations

import time
from typing import Iterable, Mapping, Sequence

import numpy as np
import pandas as pd

from . import Season, _check_on_invalid, _ensemble_frame, _run_rows, _sets_table, _settle, _tulo

__all__ = ["ensemble", "years", "chunk_overhead"]


def _run_chunk(season: Season, array: np.ndarray, names: list[str], outputs: list[str], threads: int,
               on_invalid: str = "keep"):
    return _run_rows(season._season, array, names, outputs, threads, on_invalid)


def ensemble(client, season: Season, sets, outputs: Iterable[str] | None = None, chunk_size: int = 50_000,
             threads: int | None = None, parameters: Sequence[str] | None = None,
             on_invalid: str = "raise") -> pd.DataFrame:
    """:func:`tulo.ensemble` on the workers of ``client`` (a ``distributed.Client``): the same table, in
    the sets' order, with the same values as a local run, ``on_invalid`` as there. ``chunk_size`` sets
    go to a worker at a time: a chunk costs some tens of milliseconds of scheduling and transfer, so it
    should run for a second or more (the default, 50,000 seasons of 20 us on one core, runs for about a
    second); ``threads`` is each worker's thread count (None: every core). A chunk whose worker dies runs
    again on another (with none left, it waits for one to join); when a chunk's workers die one after
    another (more than the scheduler's ``allowed-failures``), RuntimeError says so."""
    if chunk_size < 1:
        raise ValueError("chunk_size: at least 1 set per chunk is needed.")
    _check_on_invalid(on_invalid)
    names, array, index = _sets_table(sets, parameters)
    outputs = list(outputs or [])
    # Checked here, so that a wrong name fails at once rather than on every worker.
    titles, _, _, singles = _tulo.run_sets(season._season, np.empty((0, len(names))), names, outputs, 0)
    futures = [client.submit(_run_chunk, season, np.ascontiguousarray(array[start:start + chunk_size]), names,
                             outputs, threads or 0, on_invalid, pure=False)
               for start in range(0, len(array), chunk_size)]
    try:
        parts = client.gather(futures)
    except Exception as error:
        if type(error).__name__ != "KilledWorker":
            raise
        raise RuntimeError(f"tulo.dask.ensemble: the workers running a chunk of sets died ({error}); no "
                           "result was kept. Check the workers' memory and logs, then run it again.") from error
    values = np.concatenate([p[1] for p in parts]) if parts else np.empty((0, len(titles)))
    problems = [problem for p in parts for problem in p[2]]
    _settle(problems, index, on_invalid)
    return _ensemble_frame(titles, values, problems, singles, index)


def _site_years(season: Season, weather, first: int, last: int, sowing, transplanting, krs, threads):
    from . import years as local_years
    return local_years(season, weather, first, last, sowing=sowing, transplanting=transplanting, krs=krs,
                       threads=threads)


def years(client, sites: Mapping[str, Season], weather, first: int, last: int, *, sowing=None,
          transplanting=None, krs: float | None = None, threads: int | None = None) -> pd.DataFrame:
    """:func:`tulo.years` for every site of ``sites`` (name to season) on the workers of ``client``, one
    task a site, its growing seasons run in parallel on the worker's cores. ``weather`` is one weather
    for every site or a mapping of site name to weather; a file's path is read by the worker, so it must
    lie where every worker sees it, while a DataFrame travels with the task. The rows of every site, in
    the order of ``sites``, indexed by site and growing season; the same values as the sites run one
    after another locally. A site refused raises its InputError."""
    names = list(sites)
    weathers = weather if isinstance(weather, Mapping) else {name: weather for name in names}
    missing = [name for name in names if name not in weathers]
    if missing:
        raise ValueError(f"weather: no weather for the sites {', '.join(map(str, missing))}.")
    futures = [client.submit(_site_years, sites[name], weathers[name], first, last, sowing, transplanting, krs,
                             threads, pure=False) for name in names]
    parts = client.gather(futures)
    if not parts:
        return pd.DataFrame()
    return pd.concat(parts, keys=names, names=["site", "season"])


def chunk_overhead(client, season: Season, repeats: int = 20) -> float:
    """Seconds a chunk costs on the cluster beyond its seasons: the round trip of a chunk of no sets."""
    empty = np.empty((0, 1))
    start = time.perf_counter()
    for _ in range(repeats):
        client.submit(_run_chunk, season, empty, ["RUE"], [], 1, pure=False).result()
    return (time.perf_counter() - start) / repeats
