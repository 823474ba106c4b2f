"""Phase holograms: the kinoform against its closed form and NumPy's own
transform, the refinement, the modulator's map and lookup tables."""

import os

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
    assert r.after == k.figures
    assert r.after.efficiency > r.before.efficiency


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


def table_text(levels):
    return "".join(f"{level}\n" for level in levels)


def test_lookup_table_sources_read_alike(tmp_path):
    levels = [(k * 7) % 256 for k in range(256)]
    path = tmp_path / "lut.txt"
    path.write_text(table_text(levels))
    expected = np.array(levels, dtype=np.uint8)
    for source in (path, str(path), path.read_bytes(), path.read_text(), levels, np.arange(256) * 7 % 256):
        table = marbleck.lookup_table(source)
        assert table.dtype == np.uint8 and np.array_equal(table, expected), type(source)
    assert np.array_equal(marbleck.lookup_table(np.arange(256, dtype=np.int16)), np.arange(256))


@pytest.mark.parametrize(
    "source, error, match",
    [
        ("cr", ValueError, "line 1: more than two numbers"),  # lines end at a newline, as --lut reads
        ("fifo", OSError, "not a regular file"),
        ("/dev/zero", OSError, "not a regular file"),
        ("missing", FileNotFoundError, "File not found"),
        (np.arange(256) + 1, ValueError, "entry 255: 256 is not a grey level"),
        (np.full(256, 1.5), ValueError, "entry 0"),
        (list(range(255)), ValueError, "256 entries"),
    ],
    ids=["cr", "fifo", "device", "missing", "over-255", "fraction", "short"],
)
def test_lookup_table_refusals(tmp_path, source, error, match):
    if isinstance(source, str) and source == "cr":
        source = tmp_path / "cr.txt"
        source.write_bytes(table_text(range(256)).replace("\n", "\r").encode())
    elif isinstance(source, str) and source == "fifo":
        source = tmp_path / "lut.fifo"
        os.mkfifo(source)
    elif isinstance(source, str) and source == "missing":
        source = tmp_path / "none.txt"
    with pytest.raises(error, match=match):
        marbleck.lookup_table(source)


def test_lookup_table_two_pi_is_the_linear_tables_alone():
    assert np.array_equal(marbleck.lookup_table(two_pi=128), marbleck.lookup_table(None, two_pi=128))
    with pytest.raises(ValueError, match="two_pi"):
        marbleck.lookup_table(list(range(256)), two_pi=128)


@pytest.mark.parametrize(
    "kwargs, match",
    [
        (dict(lut=[300] * 256), "entry 0: 300 is not a grey level"),
        (dict(lut=[-1] * 256), "entry 0: -1 is not a grey level"),
        (dict(tilt=(0.7, 0)), "from -0.5 to 0.5"),
        (dict(lens=(1e-320, None, 8)), "beyond any number"),
    ],
    ids=["lut-300", "lut-negative", "tilt", "focal"],
)
def test_slm_map_refuses_what_gives_no_numbers(kwargs, match):
    phase = np.linspace(0, 6, 12, dtype=np.float32).reshape(3, 4)
    with pytest.raises(ValueError, match=match):
        marbleck.slm_map(phase, (9, 5), **kwargs)


def test_slm_map_lens_without_wavelength_is_at_633():
    phase = np.zeros((6, 8), dtype=np.float32)
    _, at_633 = marbleck.slm_map(phase, lens=(0.5, 633, 8))
    _, default = marbleck.slm_map(phase, lens=(0.5, None, 8))
    _, at_532 = marbleck.slm_map(phase, lens=(0.5, 532, 8))
    assert np.array_equal(default, at_633) and not np.array_equal(default, at_532)


@pytest.mark.parametrize("make", [marbleck.hologram, marbleck.kinoform], ids=["hologram", "kinoform"])
def test_reps_that_sum_no_value_leave_no_hologram(make):
    obj = np.zeros((16, 16), dtype=bool)
    obj[3, 4] = True
    with pytest.raises(ValueError, match="the repetition factor leaves no hologram"):
        make(obj, 0.03125)


def test_endless_refinement_needs_a_time_limit():
    obj = np.zeros((16, 16), dtype=bool)
    obj[3, 4] = obj[9, 11] = True
    with pytest.raises(ValueError, match=r"1048576 values is more than the 2\*\*32 bound.*time_limit"):
        marbleck.kinoform(obj, 64, refine=2**31 - 1)
    with pytest.raises(ValueError, match="refine must be"):
        marbleck.kinoform(obj, 1, refine=2**31)
    k = marbleck.kinoform(obj, 16, refine=2**31 - 1, time_limit=0.2)
    assert 1 <= k.refinement.iterations < 2**31 - 1
