"""Seasons run beside Python: the interpreter is released, memory stays flat, a cluster gives the same
table as the machine itself."""

import threading
import time

import numpy as np
import pandas as pd
import pytest

import tulo


def rue_sets(count):
    return pd.DataFrame({"RUE": np.linspace(1.5, 3.0, count)})


def test_two_python_threads_run_ensembles_while_python_goes_on(demo):
    sets = rue_sets(3000)
    expected = tulo.ensemble(demo, sets, threads=1)
    results, spans = [None, None], [None, None]

    def work(slot):
        start = time.perf_counter()
        results[slot] = tulo.ensemble(demo, sets, threads=1)
        spans[slot] = (start, time.perf_counter())

    threads = [threading.Thread(target=work, args=(slot,)) for slot in range(2)]
    for thread in threads:
        thread.start()
    # While a run held the interpreter, this thread would stand still for the whole of it.
    ticks = []
    while any(thread.is_alive() for thread in threads):
        ticks.append(time.perf_counter())
    for thread in threads:
        thread.join()
    first, last = min(s for s, _ in spans), max(e for _, e in spans)
    inside = [first] + [t for t in ticks if first < t < last] + [last]
    assert max(np.diff(inside)) < 0.25 * (last - first)
    for result in results:
        pd.testing.assert_frame_equal(result, expected)


def resident_kib():
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS"))


def test_no_memory_growth_over_100000_seasons(demo):
    sets = rue_sets(10_000)
    tulo.ensemble(demo, sets, ["agb_max"])
    demo.with_params(RUE=2.0).run()
    before = resident_kib()
    for _ in range(9):
        tulo.ensemble(demo, sets, ["agb_max"])
        demo.with_params(RUE=2.0).run()
    assert resident_kib() - before < 8 * 1024


def test_dask_ensemble_on_two_worker_processes_equals_the_local_one(demo):
    distributed = pytest.importorskip("distributed")
    import tulo.dask

    sets = pd.read_csv(tulo_examples() / "demo-sets.csv")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        remote = tulo.dask.ensemble(client, demo, sets, chunk_size=5, threads=1, on_invalid="keep")
    pd.testing.assert_frame_equal(remote, tulo.ensemble(demo, sets, on_invalid="keep"))


def ensemble_losing_its_worker(demo, sets, allowed_failures):
    """tulo.dask.ensemble on one worker process, killed while it runs the chunks (its nanny starts
    another): the table, or the error raised; and whether the kill came before the end."""
    distributed = pytest.importorskip("distributed")
    import dask
    import os
    import signal
    import tulo.dask

    outcome = {}
    with dask.config.set({"distributed.scheduler.allowed-failures": allowed_failures}), \
            distributed.LocalCluster(n_workers=1, threads_per_worker=1, processes=True,
                                     dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        [pid] = client.run(os.getpid).values()

        def run():
            try:
                outcome["frame"] = tulo.dask.ensemble(client, demo, sets, ["agb_max"], chunk_size=2000, threads=1)
            except Exception as error:  # noqa: BLE001 - the test looks at it
                outcome["error"] = error

        thread = threading.Thread(target=run, daemon=True)
        thread.start()
        deadline = time.monotonic() + 60
        while not any(client.processing().values()) and time.monotonic() < deadline:
            time.sleep(0.005)
        early = thread.is_alive()
        os.kill(pid, signal.SIGKILL)
        thread.join(120)
        assert not thread.is_alive(), "the ensemble neither ended nor failed after its worker was lost"
    return outcome, early


def test_a_dask_ensemble_outlives_a_lost_worker_or_says_why_it_cannot(demo):
    sets = rue_sets(20_000)
    outcome, early = ensemble_losing_its_worker(demo, sets, allowed_failures=3)
    assert early, "the chunks ended before the worker was killed"
    assert "error" not in outcome, outcome.get("error")
    pd.testing.assert_frame_equal(outcome["frame"], tulo.ensemble(demo, sets, ["agb_max"]))

    # No chunk may run again: the failure is named, not a worker's traceback.
    outcome, early = ensemble_losing_its_worker(demo, sets, allowed_failures=0)
    assert early and isinstance(outcome.get("error"), RuntimeError), outcome
    assert "the workers running a chunk of sets died" in str(outcome["error"])


def tulo_examples():
    from conftest import EXAMPLES

    return EXAMPLES
