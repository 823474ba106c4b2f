#!/usr/bin/python3
"""The package's engines against NumPy's best formulation of the same sum,
in one process: marbleck.hologram(obj, reps, engine=E) on the benchmarks'
disc (W = H = 165.33333, reps 10, 1653 x 1653 values, random phases seeded
13) for each engine named, against bench/numpy_fast.py's complex64
formulation (random phases of its own), rounds alternating so that a busy
machine slows each alike; prints each one's median milliseconds and NumPy's
median over the engine's (above 1: the engine is faster).

    PYTHONPATH=build/python /usr/bin/python3 bench/python_engines.py [ENGINE ...] [--rounds N]

Without names, every engine in marbleck.ENGINES. A first untimed call of
each runs under --limit seconds (default 2): an engine that takes longer
(the exact engines take seconds to minutes here) or that the package
refuses for this job is reported and left out. NumPy and the package use
every core: where both load the same OpenBLAS, the package's one BLAS
thread (its engine divides the work itself) would hold NumPy to one core
too, so each NumPy round runs with BLAS on every core and the package's
setting is put back after it. Each round runs each one three times in a
row and times the last two, so that the threads the one before left
spinning (BLAS's, the engine's) have gone quiet.
"""
import argparse
import contextlib
import ctypes
import os
import statistics
import sys
import time

import numpy as np

import marbleck

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import numpy_fast  # noqa: E402

SIZE = 165.33333
REPS = 10
SEED = 13


def openblas():
    """The process's OpenBLAS, or None where NumPy uses another BLAS."""
    try:
        library = ctypes.CDLL("libopenblas.so.0")
        library.openblas_get_num_threads.restype = ctypes.c_int
        return library
    except (OSError, AttributeError):
        return None


@contextlib.contextmanager
def blas_on_every_core(library):
    if library is None:
        yield
        return
    kept = library.openblas_get_num_threads()
    library.openblas_set_num_threads(os.cpu_count())
    try:
        yield
    finally:
        library.openblas_set_num_threads(kept)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("engines", nargs="*", metavar="ENGINE", help="engine names (default: marbleck.ENGINES)")
    parser.add_argument("--rounds", type=int, default=9, help="timed rounds (default 9)")
    parser.add_argument("--limit", type=float, default=2.0, help="the longest first call kept, in seconds")
    args = parser.parse_args()
    unknown = [name for name in args.engines if name not in marbleck.ENGINES]
    if unknown:
        parser.error(f"unknown engine {', '.join(unknown)} ({', '.join(marbleck.ENGINES)})")
    names = args.engines or list(marbleck.ENGINES)

    lit = numpy_fast.disc(SIZE)  # [x, y]
    mask = lit.T  # rows first, as the package takes it
    phases = np.random.default_rng(1).random(int(lit.sum())) * 2 * numpy_fast.PI

    def call(engine, **limit):
        return marbleck.hologram(mask, REPS, size=(SIZE, SIZE), random_phase=True, seed=SEED, engine=engine,
                                 **limit)

    # One untimed call each: it starts the engine's threads and plans, and
    # finds the engines too slow for rounds or refused for this job.
    engines = []
    field = None
    for name in names:
        try:
            field = call(name, time_limit=args.limit)
        except TimeoutError:
            print(f"{name}: left out (a call takes over {args.limit:g} s)")
            continue
        except ValueError as error:
            print(f"{name}: left out ({str(error).splitlines()[0]})")
            continue
        engines.append(name)
    if field is None:
        raise SystemExit("no engine left to time")
    blas = openblas()
    with blas_on_every_core(blas):
        numpy_fast.hologram64(SIZE, REPS, lit, phases)
    print(f"disc {mask.shape[1]} x {mask.shape[0]} samples, {int(mask.sum())} points, reps {REPS}: "
          f"{field.shape[1]} x {field.shape[0]} values, {os.cpu_count()} cores, {args.rounds} rounds")

    times = {name: [] for name in engines + ["numpy64"]}
    for _ in range(args.rounds):
        for name in engines:
            for k in range(3):
                start = time.perf_counter()
                call(name)
                if k > 0:
                    times[name].append(time.perf_counter() - start)
        with blas_on_every_core(blas):
            for k in range(3):
                start = time.perf_counter()
                numpy_fast.hologram64(SIZE, REPS, lit, phases)
                if k > 0:
                    times["numpy64"].append(time.perf_counter() - start)

    baseline = statistics.median(times["numpy64"])
    print(f"{'numpy complex64':28} {baseline * 1e3:9.2f} ms")
    for name in engines:
        median = statistics.median(times[name])
        print(f"{'marbleck.hologram(' + name + ')':28} {median * 1e3:9.2f} ms  {baseline / median:6.2f}x numpy complex64")


if __name__ == "__main__":
    main()
