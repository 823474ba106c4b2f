"""Calls from several Python threads at once: they give what the same calls
give one after the other, and each lets other Python threads run while it
works."""

from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import marbleck
from probes import threads_seen_running
from shapes import letter
from marbleck import _engine


OBJ = letter(24, 20)
FIELD = marbleck.hologram(OBJ, 3, engine="fast")


def calls(nthreads):
    """Each kind of work once, with nthreads, as (name, thunk) pairs whose
    results are arrays or records of plain values."""
    return [
        ("exact", lambda: np.asarray(marbleck.hologram(OBJ, 3, nthreads=nthreads))),
        ("fast", lambda: np.asarray(marbleck.hologram(OBJ, 3, engine="fast", random_phase=True, seed=7,
                                                      nthreads=nthreads))),
        ("balanced", lambda: np.asarray(marbleck.binarize(FIELD, "balanced", nthreads=nthreads))),
        # A step limit the budget cannot cut short: the same steps on any machine.
        ("optimised", lambda: np.asarray(marbleck.binarize(FIELD, "optimised", 60, obj=OBJ, reps=3,
                                                           max_iterations=4, nthreads=nthreads))),
        ("kinoform", lambda: (lambda k: (k.phase.copy(), k.figures))(
            marbleck.kinoform(OBJ, 3, refine=5, nthreads=nthreads))),
        ("reconstruct", lambda: marbleck.reconstruct(FIELD, nthreads=nthreads)),
        ("figures", lambda: marbleck.figures(FIELD, OBJ, 3, nthreads=nthreads)),
    ]


def same(a, b):
    if isinstance(a, tuple):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    if isinstance(a, np.ndarray):
        return a.dtype == b.dtype and np.array_equal(a, b)
    return a == b


@pytest.mark.parametrize("nthreads", [1, 0])
def test_concurrent_calls_equal_serial_calls(nthreads):
    serial = {name: work() for name, work in calls(nthreads)}
    # Three Python threads, each running every call twice, in orders of their own.
    def worker(shift):
        todo = calls(nthreads) * 2
        todo = todo[shift:] + todo[:shift]
        return [(name, work()) for name, work in todo]

    with ThreadPoolExecutor(max_workers=3) as pool:
        results = [r for done in pool.map(worker, [0, 3, 5]) for r in done]
    assert len(results) == 3 * 2 * len(serial)
    for name, value in results:
        assert same(value, serial[name]), name


PUBLIC = {
    "hologram": lambda n: marbleck.hologram(OBJ, 3, nthreads=n),
    "binarize": lambda n: marbleck.binarize(FIELD, nthreads=n),
    "reconstruct": lambda n: marbleck.reconstruct(FIELD, nthreads=n),
    "figures": lambda n: marbleck.figures(FIELD, OBJ, 3, nthreads=n),
    "kinoform": lambda n: marbleck.kinoform(OBJ, 3, nthreads=n),
    "slm_map": lambda n: marbleck.slm_map(FIELD, nthreads=n),
}


@pytest.mark.parametrize("bad", [-1, 1.5, "2", True, 2**31], ids=["negative", "float", "text", "bool", "huge"])
@pytest.mark.parametrize("call", sorted(PUBLIC))
def test_thread_count_is_a_whole_number(call, bad):
    with pytest.raises(ValueError, match="nthreads"):
        PUBLIC[call](bad)


def test_module_refuses_a_negative_thread_count():
    with pytest.raises(ValueError, match="nthreads"):
        _engine.reconstruct(np.asfortranarray(FIELD), remove_zero_order=True, nthreads=-1)


# The module's calls with work of about a second on one thread.
BIG = np.ones((64, 64), bool)
BIG_FIELD = np.asfortranarray(np.random.default_rng(1).random((2048, 2048), dtype=np.float32))
RELEASING = {
    "exact": lambda: _engine.hologram(BIG, 64, 64, 4.0, random_phase=False, seed=0, engine="exact",
                                      time_limit=0, nthreads=1),
    "fast": lambda: _engine.hologram(np.ones((128, 128), bool), 128, 128, 8.0, random_phase=False, seed=0,
                                     engine="fast", time_limit=0, nthreads=1),
    "balanced": lambda: _engine.binarize(BIG_FIELD, "balanced", threshold=0, budget=1, max_iterations=0,
                                         mask=None, width=0, height=0, reps=0, nthreads=1),
    "kinoform": lambda: _engine.kinoform(BIG, np.ones(64 * 64, np.float32), 64, 64, 4.0, random_phase=False,
                                         seed=0, engine="fast", iterations=20, method="gs", time_limit=0,
                                         nthreads=1),
    "reconstruct": lambda: _engine.reconstruct(BIG_FIELD, remove_zero_order=True, nthreads=1),
}


@pytest.mark.parametrize("call", sorted(RELEASING))
def test_calls_let_other_threads_run(call):
    assert threads_seen_running(RELEASING[call]) == [True]
