#!/usr/bin/python3
"""The exact point sum of a scene as a NumPy user would write it at its best,
against Marbleck's engine in the same run:

  U(x, y) = sum_j a_j / r_j * exp(i (k r_j + phi_j))

in float32, point by point, vectorised over the plane's values: each point's
k z_j + phi_j reduced by 2 pi in double, then k (r - z) with r - z taken as
rho^2 / (r + z), and the cosine and sine of the phase added into the real and
imaginary parts in place (no temporaries beyond a few work arrays).

The scene: POINTS points (default 20) 5-15 cm in front of a 1024 x 1024 plane
at 8 um, 633 nm, spread over the plane, random phases; every point lights
every value. Prints NumPy's point-pixels per second (the fastest of the
rounds; also per processor second, which a loaded machine changes less)
and, when marbleck.point_hologram is importable, Marbleck's on the same
kind of scene with 100 times the points, and the ratios of the rates.
point_hologram is called with the points as an (N, 3) array of x, y, z in
metres, the pitch and wavelength in metres, every core, and its panel limit
off (panel_limit=False), so that every point lights every value, as in
NumPy's sum.
Usage: numpy_points.py [POINTS] [ROUNDS]
"""
import sys
import time

import numpy as np

SIZE = 1024
PITCH = 8e-6
WAVELENGTH = 633e-9


def scene(count, seed=2026):
    rng = np.random.default_rng(seed)
    half = 0.5 * SIZE * PITCH
    xyz = np.empty((count, 3))
    xyz[:, 0] = rng.uniform(-half, half, count)
    xyz[:, 1] = rng.uniform(-half, half, count)
    xyz[:, 2] = rng.uniform(0.05, 0.15, count)
    phases = rng.uniform(0, 2 * np.pi, count)
    return xyz, phases


def numpy_sum(xyz, phases):
    k = 2 * np.pi / WAVELENGTH
    axis = ((np.arange(SIZE) - (SIZE - 1) / 2.0) * PITCH).astype(np.float32)
    x = axis[np.newaxis, :]
    y = axis[:, np.newaxis]
    real = np.zeros((SIZE, SIZE), np.float32)
    imag = np.zeros((SIZE, SIZE), np.float32)
    rho2 = np.empty((SIZE, SIZE), np.float32)
    r = np.empty((SIZE, SIZE), np.float32)
    work = np.empty((SIZE, SIZE), np.float32)
    for (px, py, pz), phi in zip(xyz, phases):
        z = np.float32(pz)
        dx2 = np.square(x - np.float32(px))
        dy2 = np.square(y - np.float32(py))
        np.add(dy2, dx2, out=rho2)
        np.add(rho2, z * z, out=r)
        np.sqrt(r, out=r)
        np.add(r, z, out=work)
        np.divide(rho2, work, out=work)  # r - z
        np.multiply(work, np.float32(k), out=work)
        np.add(work, np.float32(np.remainder(k * pz + phi, 2 * np.pi)), out=work)
        np.reciprocal(r, out=r)  # amplitude 1 / r
        np.cos(work, out=rho2)
        np.multiply(rho2, r, out=rho2)
        np.add(real, rho2, out=real)
        np.sin(work, out=rho2)
        np.multiply(rho2, r, out=rho2)
        np.add(imag, rho2, out=imag)
    return real + 1j * imag


def fastest(call, rounds):
    """The fastest round's wall time and the processor time (every thread's)
    of that round."""
    best = (float("inf"), float("inf"))
    for _ in range(rounds):
        start, processor = time.perf_counter(), time.process_time()
        call()
        best = min(best, (time.perf_counter() - start, time.process_time() - processor))
    return best


def report(name, count, seconds, processor):
    rate = count * SIZE * SIZE / seconds
    print(f"{name:8s} {count:6d} points {seconds * 1e3:9.1f} ms {rate:10.4g} point-pixels/s, "
          f"{count * SIZE * SIZE / processor:10.4g} a processor second")
    return rate, count * SIZE * SIZE / processor


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    xyz, phases = scene(count)
    numpy_rate, numpy_processor = report("numpy", count, *fastest(lambda: numpy_sum(xyz, phases), rounds))
    try:
        from marbleck import point_hologram
    except ImportError:
        print("marbleck.point_hologram is not importable: NumPy's rate alone")
        return
    many = count * 100
    xyz, _ = scene(many)
    rate, processor = report("marbleck", many, *fastest(
        lambda: point_hologram(xyz, (SIZE, SIZE), PITCH, WAVELENGTH, method="points", encode="complex",
                               panel_limit=False), rounds))
    print(f"ratio {rate / numpy_rate:.1f}x NumPy ({processor / numpy_processor:.1f}x a processor second)")


if __name__ == "__main__":
    main()
