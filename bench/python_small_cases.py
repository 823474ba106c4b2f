#!/usr/bin/python3
"""The chirp-z engine against the fast engine on small canvases, in one
process: marbleck.hologram(mask, reps, engine=E) for random masks from 4 x 4
to 300 x 300 samples, each the best of 7 runs of 50 calls, and the fast
engine's time over the chirp-z engine's (above 1: the chirp-z engine is
faster). This is where the products might win, which would call for an
automatic choice between the two.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_small_cases.py
"""
import time

import numpy as np

import marbleck

CASES = [(4, 1, 0.5), (8, 1, 0.5), (8, 3, 0.5), (16, 2, 0.3), (32, 1, 0.3), (64, 1, 0.1), (300, 1, 0.01),
         (40, 10, 0.05)]


def best_milliseconds(mask, reps, engine):
    for _ in range(20):
        marbleck.hologram(mask, reps, engine=engine)
    best = float("inf")
    for _ in range(7):
        start = time.perf_counter()
        for _ in range(50):
            marbleck.hologram(mask, reps, engine=engine)
        best = min(best, (time.perf_counter() - start) / 50)
    return best * 1e3


def main():
    rng = np.random.default_rng(1)
    for size, reps, fill in CASES:
        mask = rng.random((size, size)) < fill
        mask[0, 0] = True
        fast = best_milliseconds(mask, reps, "fast")
        czt = best_milliseconds(mask, reps, "czt")
        print(f"{size:4d} x {size:<4d} reps {reps:2d} points {int(mask.sum()):5d}: fast {fast:7.3f} ms  "
              f"czt {czt:7.3f} ms  fast/czt {fast / czt:5.2f}")


if __name__ == "__main__":
    main()
