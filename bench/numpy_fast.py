#!/usr/bin/python3
"""What a Python user would write for the separable hologram sum, in two
precisions:

  numpy    F = Re(Eu @ A @ Ev.T) in complex128, np.exp of the outer
           products, rounded to float32;
  numpy64  the same products in complex64 (cgemm): the exponentials are
           formed in double precision (their angles reach thousands of
           radians; as products of two small tables) and then cast, the
           smaller product first, and the real part taken as it is
           (float32).

Runs on the same three cases as marbleck_bench (same canvas, reps and point
layout; its own random phases; the canvases are square, so Ev uses the same
angles as Eu, and the complex64 formulation forms them once), the two
formulations in alternating rounds, and prints per case
    numpy <case> <median milliseconds> <updates per second>
    numpy64 <case> <median milliseconds> <updates per second>
    accuracy <case> <max |complex64 - complex128| / complex128's range>
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


def hologram64(W, R, lit, phases):
    W, canvas, columns = geometry(W, R)
    alpha = np.arange(canvas) * PI / (W - 1.0)
    A = np.zeros(lit.shape, dtype=np.complex64)
    A[lit] = np.exp(1j * phases)
    # exp(i u alpha) for u = coarse + fine: two small tables of exponentials
    # and their products, in double precision, then cast (a seventh of the
    # time np.exp of every angle takes, and as close).
    step = int(np.ceil(np.sqrt(columns)))
    fine = np.exp(1j * np.outer(np.arange(step), alpha))
    coarse = np.exp(1j * np.outer(np.arange(0, columns, step), alpha))
    E = (coarse[:, None, :] * fine[None, :, :]).reshape(-1, canvas)[:columns].astype(np.complex64)
    return np.real(E @ (A @ E.T))


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
        formulations = {"numpy": hologram, "numpy64": hologram64}
        times = {tag: [] for tag in formulations}
        results = {}
        for _ in range(7):
            for tag, formulation in formulations.items():
                start = time.perf_counter()
                results[tag] = formulation(W, R, lit, phases)
                times[tag].append(time.perf_counter() - start)
        updates = int(lit.sum()) * columns * columns
        for tag in formulations:
            median = sorted(times[tag])[len(times[tag]) // 2]
            print(f"{tag} {name} {median * 1e3:.3f} {updates / median:.6g}")
        wide = results["numpy"].astype(np.float64)
        difference = np.abs(results["numpy64"].astype(np.float64) - wide).max() / (wide.max() - wide.min())
        print(f"accuracy {name} {difference:.3g}")


if __name__ == "__main__":
    main()
