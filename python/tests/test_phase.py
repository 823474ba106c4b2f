"""Phase holograms: the kinoform against its closed form and NumPy's own
transform, the refinement, the modulator's map and lookup tables."""

import numpy as np
import pytest

import marbleck

HOLOGRAM_PI = 3.1415


def letter_f(size):
    obj = np.zeros((size, size), dtype=bool)
    left, top, bottom, middle = size // 4, size // 6, size - size // 6, size // 2
    obj[top:bottom, left : left + 2] = True
    obj[top : top + 2, left : size - size // 4] = True
    obj[middle : middle + 2, left : size * 5 // 8] = True
    return obj


def spots(phase, obj, reps):
    """Each lit point's 3 x 3 spot of light and the share of all the light
    on their union, by NumPy's own transform."""
    intensity = np.abs(np.fft.fft2(np.exp(1j * phase.astype(np.float64)))) ** 2
    rows, columns = phase.shape
    height, width = obj.shape
    union = np.zeros(intensity.shape, dtype=bool)
    light = []
    for y, x in zip(*np.nonzero(obj)):
        by = int(np.round(y * HOLOGRAM_PI / (height - 1) / (2 * np.pi) * rows))
        bx = int(np.round(x * HOLOGRAM_PI / (width - 1) / (2 * np.pi) * columns))
        ys = [(by + d) % rows for d in (-1, 0, 1)]
        xs = [(bx + d) % columns for d in (-1, 0, 1)]
        union[np.ix_(ys, xs)] = True
        light.append(intensity[np.ix_(ys, xs)].sum())
    return np.array(light), intensity[union].sum() / intensity.sum()


def test_kinoform_of_one_point_is_its_ramp():
    obj = np.zeros((20, 30), dtype=bool)
    obj[13, 4] = True
    k = marbleck.kinoform(obj, 2)
    assert k.phase.shape == (40, 60) and k.phase.dtype == np.float32
    v, u = np.mgrid[0:40, 0:60]
    ramp = u * 4 * HOLOGRAM_PI / 29 + v * 13 * HOLOGRAM_PI / 19
    difference = np.angle(np.exp(1j * (k.phase - ramp)))
    assert np.abs(difference).max() < 1e-4
    assert k.refinement is None
    assert k.figures.uniformity == 1.0


def test_refinement_figures_agree_with_numpy():
    obj = letter_f(60)
    k = marbleck.kinoform(obj, 2, refine=20, random_phase=True, seed=3)
    light, efficiency = spots(k.phase, obj, 2)
    assert k.figures.efficiency == pytest.approx(efficiency, rel=1e-4)
    assert k.figures.uniformity == pytest.approx(1 - np.ptp(light) / (light.max() + light.min()), rel=1e-4)
    assert k.figures.spread == pytest.approx(light.std() / light.mean(), rel=1e-3)
    r = k.refinement
    assert (r.method, r.iterations) == ("gs", 20)
    assert r.end == k.figures
    assert r.end.efficiency > r.start.efficiency


def test_brightness_comes_from_the_objects_values():
    obj = np.zeros((40, 40), dtype=np.float32)
    obj[10, 10] = 1
    obj[30, 25] = 4
    k = marbleck.kinoform(obj, 2, random_phase=True, seed=1, refine=30, method="weighted")
    light, _ = spots(k.phase, obj != 0, 2)
    # nonzero() lists row by row: (10, 10) first.
    assert light[1] / light[0] == pytest.approx(4, rel=0.1)


def test_slm_map_tiles_tilts_and_looks_up():
    phase = np.linspace(0, 6, 12, dtype=np.float32).reshape(3, 4)
    table = marbleck.lookup_table(two_pi=128)
    levels, on_panel = marbleck.slm_map(phase, (9, 5), lut=table)
    assert levels.shape == on_panel.shape == (5, 9)
    assert np.array_equal(on_panel, np.tile(phase, (2, 3))[:5, :9])
    steps = np.round(on_panel.astype(np.float64) * 256 / (2 * np.pi)).astype(int) % 256
    assert np.array_equal(levels, table[steps])
    _, tilted = marbleck.slm_map(phase, (9, 5), tilt=(0.25, 0))
    assert np.allclose(np.exp(1j * (tilted - on_panel)), np.exp(0.5j * np.pi * np.arange(9)), atol=1e-5)
    _, padded = marbleck.slm_map(phase, (6, 5), pad=True)
    assert np.array_equal(padded[1:4, 1:5], phase) and padded[0].max() == 0
    with pytest.raises(ValueError):
        marbleck.slm_map(phase, (9, 5), lens=(0, 633, 8))


def test_lookup_table_files(tmp_path):
    path = tmp_path / "lut.txt"
    path.write_text("".join(f"{k}\t{255 - k}\n" for k in range(256)))
    assert marbleck.lookup_table(path)[0] == 255
    path.write_text("".join(f"{k}\n" for k in range(255)) + "999\n")
    with pytest.raises(ValueError, match="line 256: 999 is not a grey level"):
        marbleck.lookup_table(str(path))
    with pytest.raises(ValueError, match="refinement"):
        marbleck.kinoform(letter_f(10), 1, method="annealing")
