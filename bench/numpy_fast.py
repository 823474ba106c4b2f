#!/usr/bin/python3
"""What a Python user would write for the separable hologram sum:
F = Re(Eu @ A @ Ev.T) with np.exp of the outer products, rounded to float32.
Runs on the same three cases as marbleck_bench (same canvas, reps and point
layout; its own random phases; the canvases are square, so Ev uses the same
angles as Eu) and prints one line per case:
    numpy <case> <median milliseconds> <updates per second>
"""
import sys
import time

import numpy as np

PI = 3.1415


def geometry(W, R):
    W = float(np.float32(W))
    canvas = int(np.floor(W - 1.0)) + 1
    columns = int(np.floor(R * W - 1.0)) + 1
    return W, canvas, columns


def random_points(W, count, seed):
    _, canvas, _ = geometry(W, 1.0)
    rng = np.random.default_rng(seed)
    lit = np.zeros(canvas * canvas, dtype=bool)
    lit[rng.integers(0, canvas * canvas, size=count)] = True
    return lit.reshape(canvas, canvas)  # [x, y]


def disc(W):
    _, canvas, _ = geometry(W, 1.0)
    c = (canvas - 1) / 2.0
    r = 0.399 * canvas
    x, y = np.meshgrid(np.arange(canvas), np.arange(canvas), indexing="ij")
    return (x - c) ** 2 + (y - c) ** 2 <= r * r


def hologram(W, R, lit, phases):
    W, canvas, columns = geometry(W, R)
    alpha = np.arange(canvas) * PI / (W - 1.0)
    A = np.zeros(lit.shape, dtype=np.complex128)
    A[lit] = np.exp(1j * phases)
    u = np.arange(columns)
    Eu = np.exp(1j * np.outer(u, alpha))
    Ev = np.exp(1j * np.outer(u, alpha))
    return (Eu @ A @ Ev.T).real.astype(np.float32)


def main():
    cases = {
        "small": (100.0, 1.0, random_points(100.0, 300, 11)),
        "many": (100.0, 3.0, random_points(100.0, 2000, 12)),
        "disc": (165.33333, 10.0, disc(165.33333)),
    }
    wanted = sys.argv[1:] or list(cases)
    for name in wanted:
        W, R, lit = cases[name]
        phases = np.random.default_rng(1).random(int(lit.sum())) * 2 * PI
        _, _, columns = geometry(W, R)
        times = []
        for _ in range(7):
            start = time.perf_counter()
            hologram(W, R, lit, phases)
            times.append(time.perf_counter() - start)
        median = sorted(times)[len(times) // 2]
        updates = int(lit.sum()) * columns * columns
        print(f"numpy {name} {median * 1e3:.3f} {updates / median:.6g}")


if __name__ == "__main__":
    main()
