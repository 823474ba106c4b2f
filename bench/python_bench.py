#!/usr/bin/python3
"""The Python package against the engine it calls and against NumPy, on the
benchmarks' disc (W = H = 165.33333, reps 10, random phases seeded 13):

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py build/bench/marbleck_make_hologram_timer

(the timer is built with -DMARBLECK_BUILD_BENCH=ON, the package with
-DMARBLECK_PYTHON=ON, or installed). Rounds alternate the three so that a
busy machine slows each alike; prints each one's median seconds and the
ratios.
"""
import os
import statistics
import subprocess
import sys
import time

import numpy as np

import marbleck

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import numpy_fast  # noqa: E402

SIZE = 165.33333
REPS = 10
ROUNDS = 7
RUNS = 3


def disc_mask():
    """The disc of the benchmarks' cases as a rows-first mask."""
    lit = numpy_fast.disc(SIZE)  # [x, y]
    return lit.T


def main():
    timer = sys.argv[1]
    mask = disc_mask()
    points = int(mask.sum())
    # The same job as the timer's; the first call starts the engine's threads.
    field = marbleck.hologram(mask, REPS, size=(SIZE, SIZE), random_phase=True, seed=13, engine="fast")
    phases = np.random.default_rng(1).random(points) * 2 * numpy_fast.PI
    engine_times, package_times, numpy_times = [], [], []
    for _ in range(ROUNDS):
        # Each process's first run starts the engine's threads and maps its
        # memory, which the package's process did before the rounds.
        out = subprocess.run([timer, "fast", str(REPS), str(RUNS + 1)], check=True, capture_output=True,
                             text=True)
        engine_times += [float(line) for line in out.stdout.split()[1:]]
        for _ in range(RUNS):
            start = time.perf_counter()
            marbleck.hologram(mask, REPS, size=(SIZE, SIZE), random_phase=True, seed=13, engine="fast")
            package_times.append(time.perf_counter() - start)
        start = time.perf_counter()
        numpy_fast.hologram(SIZE, REPS, mask.T, phases)
        numpy_times.append(time.perf_counter() - start)
    engine, package, numpy = (statistics.median(t) for t in (engine_times, package_times, numpy_times))
    print(f"disc {mask.shape[1]} x {mask.shape[0]} samples, {points} points, reps {REPS}: "
          f"{field.shape[1]} x {field.shape[0]} values")
    print(f"engine (MakeHologram, fast)   {engine * 1e3:9.1f} ms")
    print(f"marbleck.hologram(fast)       {package * 1e3:9.1f} ms   {package / engine:.2f}x the engine")
    print(f"numpy (bench/numpy_fast.py)   {numpy * 1e3:9.1f} ms   {numpy / package:.2f}x marbleck.hologram")


if __name__ == "__main__":
    main()
